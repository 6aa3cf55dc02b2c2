// The MP3 reader: an audio source that decodes an MPEG-1, MPEG-2 or MPEG-2.5 Layer III
// file into sample units (nominal full scale +-2^19, peak bound 0x200000).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/stream.h"
#include "formats/byte_input.h"
#include "formats/mp3_layer3.h"

namespace vt {

constexpr int32_t kMp3PeakBound = 0x200000;

class Mp3Reader : public AudioSource {
 public:
  // Takes ownership of `input`; a null input gives status 4, no usable frame status 3.
  explicit Mp3Reader(ByteInput* input);
  void read(int32_t* buffer, int frames) override;
  int32_t position() override { return position_; }
  // An estimate, refined after every frame and exact once the end has been reached.
  int32_t length() override { return length_; }
  void seek(int32_t frame) override;

  int samples_per_frame() const { return samples_per_frame_; }
  int32_t vbr_frame_count() const { return frame_count_; }
  double average_frame_size() const { return average_frame_size_; }

 private:
  int read_bytes(uint8_t* buffer, int count);
  bool skip_bytes(int count, bool counted);
  bool find_header(mp3::FrameHeader* header);
  bool probe();
  bool decode_next_frame(int32_t* out);
  void refine_length();

  std::unique_ptr<ByteInput> input_;
  int64_t offset_ = 0;          // file offset of the next byte
  int32_t data_length_ = 0;     // file size, less an ID3v1 tag at its end
  int32_t bytes_left_ = 0;
  int64_t audio_start_ = 0;     // first byte after a VBR information frame
  int32_t position_ = 0;
  int32_t length_ = 0;
  int32_t frame_count_ = 0;     // from a VBR information frame, 0 when unknown
  double average_frame_size_ = 0;
  int samples_per_frame_ = 1152;
  int32_t frames_decoded_ = 0;  // frames decoded since the start (or the frame a seek reached)
  bool ended_ = false;
  mp3::FrameHeader reference_;
  mp3::Layer3Decoder decoder_;
  std::vector<int32_t> frame_buffer_;
  int read_index_ = 0;          // in frames; samples_per_frame_ when nothing is buffered
  uint8_t side_info_[32];
  uint8_t main_data_[2048];
};

// Opens an MP3 file; always yields a reader, whose status tells whether it is usable.
SourceRef open_mp3(const char* path);
// The same from bytes in memory (tests, embedded sounds).
SourceRef open_mp3_memory(const uint8_t* data, size_t size);

}  // namespace vt

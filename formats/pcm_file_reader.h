// Reads raw PCM frames from a data region of a file (WAV and AIFF share it).
#pragma once
#include <memory>
#include <vector>

#include "base/binary_file.h"
#include "audio/stream.h"

namespace vt {

class PcmFileReader : public AudioSource {
 public:
  enum Encoding { kUnsigned8, kSigned8, kLittle16, kBig16 };

  // `frame_bytes` may exceed channels times the sample width (padded frames);
  // `data_bytes` of -1 means the data run to the end of the file.
  PcmFileReader(std::unique_ptr<BinaryFile> file, Encoding encoding, int rate, int channels, int frame_bytes,
                int64_t data_start, int64_t data_bytes);

  void read(int32_t* buffer, int frames) override;
  int32_t position() override;
  int32_t length() override;
  void seek(int32_t frame) override { position_ = frame; }

 private:
  int64_t frames_available();
  void decode(const uint8_t* in, int32_t* out, int frames);

  std::unique_ptr<BinaryFile> file_;
  Encoding encoding_;
  int frame_bytes_;
  int sample_bytes_;
  int64_t data_start_;
  int64_t known_frames_;   // -1: the data run to the end of the file
  int64_t position_ = 0;   // may be negative: frames before 0 are silence
  int64_t file_offset_ = -1;
  int buffer_frames_;
  std::vector<uint8_t> buffer_;
};

}  // namespace vt

#include "formats/file_writers.h"

#include <memory>
#include <vector>

#include "base/binary_file.h"
#include "formats/codec_files.h"
#include "formats/file_headers.h"
#include "audio/pcm_samples.h"

namespace vt {
namespace {

// Shared by the PCM WAV and AIFF writers: a fixed header, then raw frames.
class PcmFileWriter : public AudioSink {
 public:
  enum Layout { kWav8, kWav16, kAiff16 };

  PcmFileWriter(const std::string& path, Layout layout, int rate, int channel_count)
      : AudioSink(rate, channel_count), layout_(layout) {
    bytes_per_sample_ = layout == kWav8 ? 1 : 2;
    frame_bytes_ = channels * bytes_per_sample_;
    header_bytes_ = layout == kAiff16 ? kAiffHeaderBytes : kPcmWavHeaderBytes;
    // Sizes are 32-bit: stop storing frames where the header could no longer count them.
    max_frames_ = static_cast<int64_t>((0xFFFFFFFEu - 46u) / static_cast<uint32_t>(frame_bytes_));
    if (rate <= 0) status |= kSinkFailed;
    if (failed()) return;
    // WAV recordings open the file shared for reading and writing and cut it after the
    // header; AIFF files are created anew, shared for reading.
    file_ = open_binary_file(path, layout == kAiff16 ? FileAccess::kCreateReadShared : FileAccess::kUpdateShared);
    if (!file_ || !write_header(kOpenSize) || !file_->truncate_here()) {
      status |= kSinkFailed;
      file_.reset();
      return;
    }
    buffer_.resize(static_cast<size_t>(kMaxFramesPerCall) * static_cast<size_t>(frame_bytes_));
  }

  ~PcmFileWriter() override {
    if (!file_) return;
    write_header(static_cast<uint32_t>(stored_ * frame_bytes_));
  }

  void write(const int32_t* samples, int count) override {
    if (count <= 0) return;
    frames_written += count;
    // After a failed write (disk full) nothing more is stored, so the header counts
    // exactly the frames that reached the disk.
    if (!file_ || failed()) return;
    int64_t room = max_frames_ - stored_;
    if (room <= 0) return;
    if (count > room) count = static_cast<int>(room);
    while (count > 0) {
      int n = count < kMaxFramesPerCall ? count : kMaxFramesPerCall;
      int values = n * channels;
      if (layout_ == kWav8) units_to_unsigned8(samples, buffer_.data(), values);
      else if (layout_ == kWav16) units_to_little16(samples, buffer_.data(), values);
      else units_to_big16(samples, buffer_.data(), values);
      if (!file_->write(buffer_.data(), n * frame_bytes_)) {
        status |= kSinkFailed;
        // Part of the block may have gone in: end the data on the last whole block.
        if (file_->seek(header_bytes_ + stored_ * frame_bytes_)) file_->truncate_here();
        return;
      }
      stored_ += n;
      samples += values;
      count -= n;
    }
  }

  void truncate(int32_t frames) override {
    if (frames < 0) frames = 0;
    if (frames >= frames_written) return;
    frames_written = frames;
    if (frames < stored_) stored_ = frames;
    if (!file_) return;
    file_->seek(header_bytes_ + stored_ * frame_bytes_);
    file_->truncate_here();
  }

 private:
  bool write_header(uint32_t data_bytes) {
    uint8_t header[kAiffHeaderBytes];
    if (layout_ == kAiff16)
      build_aiff_header(header, channels, sample_rate, static_cast<uint32_t>(stored_), data_bytes);
    else
      build_pcm_wav_header(header, channels, sample_rate, bytes_per_sample_, data_bytes);
    return file_->seek(0) && file_->write(header, header_bytes_);
  }

  Layout layout_;
  int bytes_per_sample_;
  int frame_bytes_;
  int header_bytes_;
  int64_t max_frames_;
  int64_t stored_ = 0;  // frames on disk
  std::unique_ptr<BinaryFile> file_;
  std::vector<uint8_t> buffer_;
};

}  // namespace

SinkRef open_wav_writer(const FormatBuffer& format, const std::string& path) {
  const WaveFormat& f = format.format;
  if (f.format_tag != kFormatTagPcm) return SinkRef(new_codec_wav_writer(format, path));
  if (f.bits_per_sample > 16) return SinkRef(new NullSink());
  return SinkRef(new PcmFileWriter(path, f.bits_per_sample <= 8 ? PcmFileWriter::kWav8 : PcmFileWriter::kWav16,
                                   static_cast<int32_t>(f.sample_rate), f.channels));
}

SinkRef open_wav_writer(const WaveFormat& format, const std::string& path) {
  return open_wav_writer(format_buffer_of(format), path);
}

SinkRef open_aiff_writer(const std::string& path) { return open_aiff_writer(path, 44100, 2); }

SinkRef open_aiff_writer(const std::string& path, int rate, int channels) {
  return SinkRef(new PcmFileWriter(path, PcmFileWriter::kAiff16, rate, channels));
}

SinkRef open_recording_sink(const std::string& path, int format_index, const FormatBuffer& wav_format) {
  switch (format_index) {
    case kRecordWav:
      return open_wav_writer(wav_format, path);
    case kRecordAiff:
      return open_aiff_writer(path);
    default:
      return SinkRef(new NullSink());
  }
}

}  // namespace vt

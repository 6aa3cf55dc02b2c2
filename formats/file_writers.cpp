#include "formats/file_writers.h"

#include <cstring>
#include <memory>
#include <vector>

#include "base/binary_file.h"
#include "formats/codec_files.h"
#include "formats/file_headers.h"
#include "audio/pcm_samples.h"

namespace vt {
namespace {

constexpr int kConversionBlockBytes = 512 << 10;

// Shared by the PCM WAV and AIFF writers: a fixed header, then raw frames.
class PcmFileWriter : public AudioSink {
 public:
  enum Layout { kWav8, kWav16, kAiff16 };

  // `reserve_frames` above 0 makes a conversion writer: it stores in large blocks and sets
  // the file's room aside up front. Otherwise every write reaches the file before it
  // returns (a recording shows its progress on disk).
  PcmFileWriter(const std::string& path, Layout layout, int rate, int channel_count, int64_t reserve_frames = 0)
      : AudioSink(rate, channel_count), layout_(layout) {
    // WAV recordings open the file shared for reading and writing and cut it after the
    // header; AIFF files are created anew, shared for reading.
    if (rate > 0 && !failed())
      start(open_binary_file(path, layout == kAiff16 ? FileAccess::kCreateReadShared : FileAccess::kUpdateShared),
            reserve_frames);
    else
      status |= kSinkFailed;
  }

  PcmFileWriter(std::unique_ptr<BinaryFile> file, Layout layout, int rate, int channel_count)
      : AudioSink(rate, channel_count), layout_(layout) {
    if (rate > 0 && !failed())
      start(std::move(file), 0);
    else
      status |= kSinkFailed;
  }

  void start(std::unique_ptr<BinaryFile> file, int64_t reserve_frames) {
    file_ = std::move(file);
    if (!file_ || !write_header(kOpenSize) || !file_->truncate_here()) {
      status |= kSinkFailed;
      file_.reset();
      return;
    }
    block_frames_ = kMaxFramesPerCall;
    if (reserve_frames > 0) {
      holds_blocks_ = true;
      // Fewer, larger system calls; the buffer stays well inside the tool's memory bound.
      block_frames_ = kConversionBlockBytes / frame_bytes_;
      if (reserve_frames > max_frames_) reserve_frames = max_frames_;
      // Where the room cannot be set aside, the writes allocate it as they go.
      reserved_ = file_->reserve(header_bytes_ + reserve_frames * frame_bytes_);
      file_->seek(header_bytes_);
    }
    buffer_.resize(static_cast<size_t>(block_frames_) * static_cast<size_t>(frame_bytes_));
  }

  ~PcmFileWriter() override {
    if (!file_) return;
    flush();
    write_header(static_cast<uint32_t>(stored_ * frame_bytes_));
    // Room set aside beyond what was stored (a cancelled or shortened conversion) goes.
    if (reserved_ && file_->seek(header_bytes_ + stored_ * frame_bytes_)) file_->truncate_here();
  }

  void write(const int32_t* samples, int count) override {
    append(count, [&](uint8_t* out, int values) {
      if (layout_ == kWav8) units_to_unsigned8(samples, out, values);
      else if (layout_ == kWav16) units_to_little16(samples, out, values);
      else units_to_big16(samples, out, values);
      samples += values;
    });
  }

  // 16-bit little-endian frames as a WAV file holds them: for AIFF only their byte order
  // changes (the same bytes as the round trip through sample units).
  void write_little16(const uint8_t* data, int count) {
    append(count, [&](uint8_t* out, int values) {
      if (layout_ == kAiff16) swap16_bytes(data, out, values);
      else std::memcpy(out, data, static_cast<size_t>(values) * 2);
      data += static_cast<size_t>(values) * 2;
    });
  }

  // Stores the frames still in the buffer; false when the disk refused them.
  bool flush() {
    if (!file_ || failed() || pending_ == 0) return true;
    int n = pending_;
    pending_ = 0;
    if (!file_->write(buffer_.data(), n * frame_bytes_)) {
      status |= kSinkFailed;
      // Part of the block may have gone in: end the data on the last whole block.
      if (file_->seek(header_bytes_ + stored_ * frame_bytes_)) file_->truncate_here();
      return false;
    }
    stored_ += n;
    return true;
  }

  void truncate(int32_t frames) override {
    if (frames < 0) frames = 0;
    if (frames >= frames_written) return;
    flush();
    frames_written = frames;
    if (frames < stored_) stored_ = frames;
    if (!file_) return;
    file_->seek(header_bytes_ + stored_ * frame_bytes_);
    file_->truncate_here();
  }

 private:

  // Encodes `count` frames into the block buffer through `encode(out, values)`, storing
  // each full block.
  template <class Encode>
  void append(int count, Encode encode) {
    if (count <= 0) return;
    frames_written += count;
    // After a failed write (disk full) nothing more is stored, so the header counts
    // exactly the frames that reached the disk.
    if (!file_ || failed()) return;
    int64_t room = max_frames_ - stored_ - pending_;
    if (room <= 0) return;
    if (count > room) count = static_cast<int>(room);
    while (count > 0) {
      int n = block_frames_ - pending_;
      if (n > count) n = count;
      encode(buffer_.data() + static_cast<size_t>(pending_) * frame_bytes_, n * channels);
      pending_ += n;
      count -= n;
      if (pending_ == block_frames_ && !flush()) return;
    }
    if (!holds_blocks_) flush();
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
  int bytes_per_sample_ = layout_ == kWav8 ? 1 : 2;
  int frame_bytes_ = channels * bytes_per_sample_;
  int header_bytes_ = layout_ == kAiff16 ? kAiffHeaderBytes : kPcmWavHeaderBytes;
  // Sizes are 32-bit: frames are stored only while the largest size field (the data
  // plus 38 for WAV, plus 46 for AIFF) can count them without reaching 0xFFFFFFFF, which
  // reads as a recording still open.
  int64_t max_frames_ = static_cast<int64_t>((0xFFFFFFFEu - 46u) / static_cast<uint32_t>(frame_bytes_));
  int64_t stored_ = 0;  // frames on disk
  int pending_ = 0;     // frames in the buffer, not yet written
  int block_frames_ = kMaxFramesPerCall;
  bool holds_blocks_ = false;
  bool reserved_ = false;
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

SinkRef open_wav_writer_on(std::unique_ptr<BinaryFile> file, int rate, int channels, int bits) {
  if (bits > 16) return SinkRef(new NullSink());
  return SinkRef(new PcmFileWriter(std::move(file), bits <= 8 ? PcmFileWriter::kWav8 : PcmFileWriter::kWav16, rate,
                                   channels));
}

SinkRef open_aiff_writer_on(std::unique_ptr<BinaryFile> file, int rate, int channels) {
  return SinkRef(new PcmFileWriter(std::move(file), PcmFileWriter::kAiff16, rate, channels));
}

SinkRef open_aiff_writer(const std::string& path) { return open_aiff_writer(path, 44100, 2); }

SinkRef open_aiff_writer(const std::string& path, int rate, int channels) {
  return SinkRef(new PcmFileWriter(path, PcmFileWriter::kAiff16, rate, channels));
}

Outcome copy_little16_to_aiff(BinaryFile& in, int64_t frames, const std::string& path, int rate, int channels,
                          ProgressDisplay* progress, bool& created) {
  PcmFileWriter* writer = new PcmFileWriter(path, PcmFileWriter::kAiff16, rate, channels, frames);
  SinkRef sink(writer);
  created = !sink->failed();
  if (!created) return Outcome::kFailed;
  const int frame_bytes = 2 * channels;
  const int block_frames = kConversionBlockBytes / frame_bytes;
  std::vector<uint8_t> block(static_cast<size_t>(block_frames) * frame_bytes);
  for (int64_t copied = 0; copied < frames;) {
    if (progress && progress->pump_and_check_cancel()) return Outcome::kStopped;
    int n = frames - copied < block_frames ? static_cast<int>(frames - copied) : block_frames;
    int bytes = n * frame_bytes;
    int got = in.read(block.data(), bytes);
    // A file cut short while being read: what is missing is silence, as the reader gives it.
    if (got < bytes) std::memset(block.data() + (got > 0 ? got : 0), 0, static_cast<size_t>(bytes - (got > 0 ? got : 0)));
    writer->write_little16(block.data(), n);
    if (sink->failed()) return Outcome::kFailed;
    copied += n;
    if (progress) progress->set_progress_fraction(static_cast<double>(copied) / static_cast<double>(frames));
  }
  return writer->flush() ? Outcome::kDone : Outcome::kFailed;
}

}  // namespace vt

// Codec WAV reader: the data chunk through an ACM conversion into 16-bit PCM.
#include <climits>
#include <cstring>
#include <vector>

#include "formats/acm_codec_win.h"
#include "formats/codec_files.h"
#include "audio/pcm_samples.h"

namespace vt {
namespace {

// a * b / c for non-negative 64-bit values, split so that nothing overflows.
int64_t scale64(int64_t a, int64_t b, int64_t c) {
  if (c <= 0) return 0;
  int64_t q = a / c;
  return q * b + (a - q * c) * b / c;
}

class AcmReader : public AudioSource {
 public:
  AcmReader(std::unique_ptr<BinaryFile> file, const uint8_t* format, int format_bytes, int64_t data_start,
            int64_t data_bytes)
      : AudioSource(static_cast<int32_t>(decode_wave_format(format).sample_rate), kFullScale,
                    decode_wave_format(format).channels),
        file_(std::move(file)), format_(format, format + format_bytes), data_start_(data_start) {
    WaveFormat f = decode_wave_format(format);
    average_bytes_ = f.average_bytes_per_second ? f.average_bytes_per_second : static_cast<uint32_t>(sample_rate);
    block_align_ = f.block_align ? f.block_align : 1;
    frames_per_block_ = codec_frames_per_block(format, format_bytes);
    int64_t present = file_->size() - data_start_;
    if (present < 0) present = 0;
    data_length_ = data_bytes < 0 || data_bytes > present ? present : data_bytes;
    if (status == kSourceOk && !start()) status = kSourceNoCodec;
    if (status == kSourceOk) file_->seek(data_start_);
  }

  ~AcmReader() override {
    if (!stream_) return;
    if (prepared_) {
      header_.cbSrcLength = static_cast<DWORD>(source_.size());
      header_.cbDstLength = static_cast<DWORD>(target_.size());
      acmStreamUnprepareHeader(stream_, &header_, 0);
    }
    acmStreamClose(stream_, 0);
  }

  void read(int32_t* buffer, int frames) override {
    if (frames <= 0) return;
    int64_t start = position_;
    int64_t wanted = frames;
    int32_t* out = buffer;
    position_ += frames;
    if (status != kSourceOk) {
      fill_silence(out, wanted);
      return;
    }
    // Frames before the start of the data are silence.
    if (start < 0) {
      int64_t silent = -start < wanted ? -start : wanted;
      fill_silence(out, silent);
      out += silent * channels;
      wanted -= silent;
    }
    while (wanted > 0) {
      size_t frame_bytes = static_cast<size_t>(channels) * 2;
      size_t ready = (target_fill_ - target_read_) / frame_bytes;
      if (ready > 0) {
        size_t n = ready < static_cast<size_t>(wanted) ? ready : static_cast<size_t>(wanted);
        little16_to_units(target_.data() + target_read_, out, static_cast<int>(n * channels));
        target_read_ += n * frame_bytes;
        out += n * channels;
        wanted -= static_cast<int64_t>(n);
        continue;
      }
      if (total_ >= 0 || !decode_more()) {
        if (total_ < 0) total_ = position_ - wanted > 0 ? position_ - wanted : 0;
        fill_silence(out, wanted);
        break;
      }
    }
  }

  int32_t position() override { return clamp32(position_); }

  int32_t length() override {
    if (status != kSourceOk) return 0;
    if (total_ >= 0) return clamp32(total_);
    int64_t bytes = static_cast<int64_t>(source_fill_) + (data_length_ - data_read_);
    int64_t pending = static_cast<int64_t>(target_fill_ - target_read_) / (channels * 2);
    return clamp32((position_ > 0 ? position_ : 0) + frame_of_byte(bytes) + pending);
  }

  void seek(int32_t frame) override {
    if (status != kSourceOk) return;
    restart_ = true;
    total_ = -1;
    source_fill_ = 0;
    target_fill_ = target_read_ = 0;
    if (frame <= 0) {
      go_to_data_byte(0);
      position_ = frame;
      return;
    }
    int64_t byte = byte_of_frame(frame);
    if (byte >= data_length_) {
      go_to_data_byte(data_length_);
      total_ = frame_of_byte(data_length_);
      position_ = frame;
      return;
    }
    int64_t back = 2 * static_cast<int64_t>(block_align_);
    byte -= back > 256 ? back : 256;
    if (byte < 0) byte = 0;
    byte -= byte % block_align_;
    go_to_data_byte(byte);
    position_ = frame_of_byte(byte);
    // Decode and drop the frames up to the target.
    while (position_ < frame && total_ < 0) {
      int64_t n = frame - position_;
      read(scratch_.data(), n < kMaxFramesPerCall ? static_cast<int>(n) : kMaxFramesPerCall);
    }
    position_ = frame;
  }

 private:
  int64_t byte_of_frame(int64_t frame) const {
    if (frames_per_block_) return frame / frames_per_block_ * block_align_;
    return scale64(frame, average_bytes_, sample_rate);
  }
  int64_t frame_of_byte(int64_t byte) const {
    if (frames_per_block_) return byte / block_align_ * frames_per_block_;
    return scale64(byte, sample_rate, average_bytes_);
  }

  static int32_t clamp32(int64_t v) { return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int32_t>(v); }

  void fill_silence(int32_t* out, int64_t frames) {
    if (frames > 0) std::memset(out, 0, sizeof(int32_t) * static_cast<size_t>(frames) * channels);
  }

  bool start() {
    WAVEFORMATEX pcm = pcm16_format(channels, sample_rate);
    if (!open_acm_conversion(&stream_, reinterpret_cast<const WAVEFORMATEX*>(format_.data()), &pcm)) {
      stream_ = nullptr;
      return false;
    }
    target_.resize(static_cast<size_t>(kMaxFramesPerCall) * pcm.nBlockAlign);
    DWORD source_bytes = 0;
    if (acmStreamSize(stream_, static_cast<DWORD>(target_.size()), &source_bytes, ACM_STREAMSIZEF_DESTINATION) !=
            MMSYSERR_NOERROR || source_bytes == 0)
      return false;
    if (source_bytes < block_align_) source_bytes = block_align_;
    source_.resize(source_bytes);
    scratch_.resize(static_cast<size_t>(kMaxFramesPerCall) * channels);
    std::memset(&header_, 0, sizeof header_);
    header_.cbStruct = sizeof header_;
    header_.pbSrc = source_.data();
    header_.cbSrcLength = static_cast<DWORD>(source_.size());
    header_.pbDst = target_.data();
    header_.cbDstLength = static_cast<DWORD>(target_.size());
    prepared_ = acmStreamPrepareHeader(stream_, &header_, 0) == MMSYSERR_NOERROR;
    return prepared_;
  }

  void go_to_data_byte(int64_t byte) {
    file_->seek(data_start_ + byte);
    data_read_ = byte;
  }

  // One conversion of the buffered source bytes; returns false on a codec error.
  bool convert(DWORD flags) {
    if (restart_) flags |= ACM_STREAMCONVERTF_START;
    restart_ = false;
    header_.cbSrcLength = static_cast<DWORD>(source_fill_);
    header_.cbDstLength = static_cast<DWORD>(target_.size());
    header_.cbSrcLengthUsed = header_.cbDstLengthUsed = 0;
    target_fill_ = target_read_ = 0;
    if (acmStreamConvert(stream_, &header_, flags) != MMSYSERR_NOERROR) return false;
    size_t used = header_.cbSrcLengthUsed < source_fill_ ? header_.cbSrcLengthUsed : source_fill_;
    target_fill_ = header_.cbDstLengthUsed < target_.size() ? header_.cbDstLengthUsed : target_.size();
    drop_source(used);
    return true;
  }

  void drop_source(size_t bytes) {
    std::memmove(source_.data(), source_.data() + bytes, source_fill_ - bytes);
    source_fill_ -= bytes;
  }

  // Refills the decoded buffer; false at the end of the data.
  bool decode_more() {
    size_t room = source_.size() - source_fill_;
    int64_t left = data_length_ - data_read_;
    size_t n = left < static_cast<int64_t>(room) ? static_cast<size_t>(left > 0 ? left : 0) : room;
    if (n > 0) {
      int got = file_->read(source_.data() + source_fill_, static_cast<int>(n));
      if (got < static_cast<int>(n)) data_length_ = data_read_ + (got > 0 ? got : 0);  // the file ended early
      if (got > 0) {
        source_fill_ += static_cast<size_t>(got);
        data_read_ += got;
      }
    }
    if (source_fill_ == 0) return false;
    bool full = source_fill_ == source_.size();
    size_t before = source_fill_;
    if (!convert(ACM_STREAMCONVERTF_BLOCKALIGN)) {
      // Damaged data: pass over the first quarter of what is buffered and go on.
      drop_source((source_fill_ + 3) / 4);
      return true;
    }
    if (target_fill_ > 0) return true;
    if (full) {
      if (before == source_fill_) drop_source((source_fill_ + 3) / 4);  // a codec stuck on this data
      return true;
    }
    // The end of the data: let the codec give out what it still holds, then stop.
    bool ok = convert(ACM_STREAMCONVERTF_END);
    source_fill_ = 0;
    return ok && target_fill_ > 0;
  }

  std::unique_ptr<BinaryFile> file_;
  std::vector<uint8_t> format_;
  int64_t data_start_;
  int64_t data_length_ = 0;
  int64_t data_read_ = 0;
  uint32_t average_bytes_;
  uint32_t block_align_;
  uint32_t frames_per_block_;
  int64_t position_ = 0;
  int64_t total_ = -1;
  HACMSTREAM stream_ = nullptr;
  ACMSTREAMHEADER header_ = {};
  bool prepared_ = false;
  bool restart_ = false;
  std::vector<uint8_t> source_;
  std::vector<uint8_t> target_;
  std::vector<int32_t> scratch_;
  size_t source_fill_ = 0;
  size_t target_fill_ = 0;
  size_t target_read_ = 0;
};

}  // namespace

AudioSource* new_codec_reader(std::unique_ptr<BinaryFile> file, const uint8_t* format, int format_bytes,
                              int64_t data_start, int64_t data_bytes) {
  if (!file || format_bytes < 18) return new SilenceSource(kSourceNoCodec);
  return new AcmReader(std::move(file), format, format_bytes, data_start, data_bytes);
}

}  // namespace vt

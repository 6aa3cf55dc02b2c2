// Codec WAV writer: 16-bit PCM through an ACM conversion into the stored format.
#include <cstring>
#include <vector>

#include "formats/acm_codec_win.h"
#include "formats/codec_files.h"
#include "formats/file_headers.h"
#include "audio/pcm_samples.h"

namespace vt {
namespace {

class AcmWavWriter : public AudioSink {
 public:
  AcmWavWriter(const FormatBuffer& format, const std::string& path)
      : AudioSink(static_cast<int32_t>(format.format.sample_rate), format.format.channels), format_(format) {
    if (format_.format.extra_size > kMaxExtraBytes) format_.format.extra_size = kMaxExtraBytes;
    file_ = open_binary_file(path, FileAccess::kCreateReadShared);
    if (!file_) {
      status |= kSinkFailed;
      return;
    }
    if (!start_conversion()) status |= kSinkFailed;
    // Head, descriptor and an open data chunk; a failed writer leaves them with an empty data chunk.
    if (!write_header(kOpenSize)) status |= kSinkFailed;
  }

  ~AcmWavWriter() override {
    if (stream_) {
      if (prepared_) {
        convert(ACM_STREAMCONVERTF_END);
        flush_partial_block();
        header_.cbSrcLength = static_cast<DWORD>(source_.size());
        acmStreamUnprepareHeader(stream_, &header_, 0);
      }
      acmStreamClose(stream_, 0);
    }
    if (file_) write_header(data_bytes_);
  }

  void write(const int32_t* samples, int count) override {
    if (count <= 0) return;
    frames_written += count;
    // After a failed write (disk full) nothing more is stored: the header counts what
    // reached the disk.
    if (!prepared_ || failed()) return;
    size_t values = static_cast<size_t>(count) * channels;
    while (values > 0) {
      size_t room = (source_.size() - source_fill_) / 2;
      size_t n = values < room ? values : room;
      units_to_little16(samples, source_.data() + source_fill_, static_cast<int>(n));
      source_fill_ += n * 2;
      samples += n;
      values -= n;
      bool full = source_fill_ == source_.size();
      DWORD used = convert(ACM_STREAMCONVERTF_BLOCKALIGN);
      // A codec that takes nothing from a full buffer never will: drop the rest of this call.
      if (used == 0 && full) break;
    }
  }

 private:
  bool start_conversion() {
    WAVEFORMATEX pcm = pcm16_format(format_.format.channels, static_cast<int>(format_.format.sample_rate));
    if (!open_acm_conversion(&stream_, &pcm, as_wfx(format_))) {
      stream_ = nullptr;
      return false;
    }
    source_.resize(static_cast<size_t>(kMaxFramesPerCall) * pcm.nBlockAlign);
    DWORD target_bytes = 0;
    if (acmStreamSize(stream_, static_cast<DWORD>(source_.size()), &target_bytes, ACM_STREAMSIZEF_SOURCE) !=
            MMSYSERR_NOERROR || target_bytes == 0)
      return false;
    target_.resize(target_bytes);
    std::memset(&header_, 0, sizeof header_);
    header_.cbStruct = sizeof header_;
    header_.pbSrc = source_.data();
    header_.cbSrcLength = static_cast<DWORD>(source_.size());
    header_.pbDst = target_.data();
    header_.cbDstLength = static_cast<DWORD>(target_.size());
    prepared_ = acmStreamPrepareHeader(stream_, &header_, 0) == MMSYSERR_NOERROR;
    return prepared_;
  }

  // Converts the buffered PCM; writes what the codec produced and keeps what it did not take.
  DWORD convert(DWORD flags) {
    header_.cbSrcLength = static_cast<DWORD>(source_fill_);
    header_.cbSrcLengthUsed = 0;
    header_.cbDstLengthUsed = 0;
    if (acmStreamConvert(stream_, &header_, flags) != MMSYSERR_NOERROR) return 0;
    DWORD used = header_.cbSrcLengthUsed > source_fill_ ? static_cast<DWORD>(source_fill_) : header_.cbSrcLengthUsed;
    DWORD produced = header_.cbDstLengthUsed > target_.size() ? static_cast<DWORD>(target_.size()) : header_.cbDstLengthUsed;
    if (produced > 0 && !failed()) {
      int64_t data_start = file_->tell() - static_cast<int64_t>(data_bytes_);
      if (file_->write(target_.data(), static_cast<int>(produced))) {
        data_bytes_ += produced;
      } else {
        // Part of the blocks may have gone in: end the data on the last whole write.
        status |= kSinkFailed;
        if (file_->seek(data_start + data_bytes_)) file_->truncate_here();
      }
    }
    std::memmove(source_.data(), source_.data() + used, source_fill_ - used);
    source_fill_ -= used;
    return used;
  }

  // Some codecs keep a last partial block even at the end of the stream: complete it with
  // silence so that the end of the recording is not lost.
  void flush_partial_block() {
    size_t frame_bytes = static_cast<size_t>(format_.format.channels ? format_.format.channels : 1) * 2;
    uint32_t block_frames = codec_frames_per_block(reinterpret_cast<const uint8_t*>(&format_), sizeof format_);
    if (source_fill_ == 0 || block_frames <= 1) return;
    size_t block_bytes = block_frames * frame_bytes;
    size_t padded = (source_fill_ + block_bytes - 1) / block_bytes * block_bytes;
    if (padded > source_.size()) return;
    std::memset(source_.data() + source_fill_, 0, padded - source_fill_);
    source_fill_ = padded;
    convert(ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_END);
  }

  bool write_header(uint32_t data_bytes) {
    uint8_t header[kCodecWavHeadBytes + kFormatRecordBytes + 8];
    int bytes = build_codec_wav_header(header, format_, data_bytes);
    int64_t end = file_->tell();
    bool done = file_->seek(0) && file_->write(header, bytes);
    if (end > bytes) file_->seek(end);
    return done;
  }

  FormatBuffer format_;
  std::unique_ptr<BinaryFile> file_;
  HACMSTREAM stream_ = nullptr;
  ACMSTREAMHEADER header_ = {};
  bool prepared_ = false;
  std::vector<uint8_t> source_;
  std::vector<uint8_t> target_;
  size_t source_fill_ = 0;
  uint32_t data_bytes_ = 0;
};

}  // namespace

AudioSink* new_codec_wav_writer(const FormatBuffer& format, const std::string& path) {
  return new AcmWavWriter(format, path);
}

}  // namespace vt

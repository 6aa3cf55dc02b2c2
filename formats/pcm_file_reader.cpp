#include "formats/pcm_file_reader.h"

#include <climits>
#include <cstring>

#include "audio/pcm_samples.h"

namespace vt {

PcmFileReader::PcmFileReader(std::unique_ptr<BinaryFile> file, Encoding encoding, int rate, int channel_count,
                             int frame_bytes, int64_t data_start, int64_t data_bytes)
    : AudioSource(rate, kFullScale, channel_count), file_(std::move(file)), encoding_(encoding),
      frame_bytes_(frame_bytes), data_start_(data_start) {
  sample_bytes_ = encoding == kLittle16 || encoding == kBig16 ? 2 : 1;
  if (!file_ || frame_bytes_ <= 0 || frame_bytes_ < channels * sample_bytes_) {
    status = kSourceBadFormat;
    frame_bytes_ = channels * sample_bytes_;
  }
  // A header may promise more than the file holds (a cut-off copy): count what is there.
  int64_t present = file_ ? file_->size() - data_start_ : 0;
  if (present < 0) present = 0;
  known_frames_ = data_bytes < 0 ? -1 : (data_bytes < present ? data_bytes : present) / frame_bytes_;
  // Work buffer of 8,192 frames, smaller only for absurdly padded frames.
  buffer_frames_ = kMaxFramesPerCall;
  const int64_t kMaxBufferBytes = 4 << 20;
  if (static_cast<int64_t>(buffer_frames_) * frame_bytes_ > kMaxBufferBytes)
    buffer_frames_ = static_cast<int>(kMaxBufferBytes / frame_bytes_) + 1;
  buffer_.resize(static_cast<size_t>(buffer_frames_) * static_cast<size_t>(frame_bytes_));
}

int64_t PcmFileReader::frames_available() {
  if (known_frames_ >= 0) return known_frames_;
  int64_t bytes = file_->size() - data_start_;
  return bytes > 0 ? bytes / frame_bytes_ : 0;
}

int32_t PcmFileReader::position() {
  if (position_ > INT32_MAX) return INT32_MAX;
  if (position_ < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(position_);
}

int32_t PcmFileReader::length() {
  if (status != kSourceOk) return 0;
  int64_t frames = frames_available();
  return frames > INT32_MAX ? INT32_MAX : static_cast<int32_t>(frames);
}

void PcmFileReader::decode(const uint8_t* in, int32_t* out, int frames) {
  int packed = channels * sample_bytes_;
  int rows = frame_bytes_ == packed ? 1 : frames;
  int values = frame_bytes_ == packed ? frames * channels : channels;
  for (int row = 0; row < rows; ++row) {
    const uint8_t* from = in + static_cast<size_t>(row) * frame_bytes_;
    int32_t* to = out + static_cast<size_t>(row) * channels;
    switch (encoding_) {
      case kUnsigned8: unsigned8_to_units(from, to, values); break;
      case kSigned8: signed8_to_units(from, to, values); break;
      case kLittle16: little16_to_units(from, to, values); break;
      case kBig16: big16_to_units(from, to, values); break;
    }
  }
}

void PcmFileReader::read(int32_t* buffer, int frames) {
  if (frames <= 0) return;
  int64_t pos = position_;
  position_ += frames;
  int done = 0;
  if (status == kSourceOk) {
    if (pos < 0) {
      int64_t silent = -pos < frames ? -pos : frames;
      std::memset(buffer, 0, sizeof(int32_t) * static_cast<size_t>(silent) * channels);
      done = static_cast<int>(silent);
      pos += silent;
    }
    int64_t left = frames_available() - pos;
    int64_t wanted = frames - done;
    if (left > wanted) left = wanted;
    if (left > 0) {
      int64_t offset = data_start_ + pos * frame_bytes_;
      if (file_offset_ != offset && !file_->seek(offset)) left = 0;
      file_offset_ = offset;
      while (left > 0) {
        int piece = left < buffer_frames_ ? static_cast<int>(left) : buffer_frames_;
        int got = file_->read(buffer_.data(), piece * frame_bytes_);
        int whole = got > 0 ? got / frame_bytes_ : 0;
        decode(buffer_.data(), buffer + static_cast<size_t>(done) * channels, whole);
        done += whole;
        left -= whole;
        file_offset_ += got > 0 ? got : 0;
        if (whole < piece) {
          file_offset_ = -1;  // a partial frame or an error: place the file again next time
          break;
        }
      }
    }
  }
  if (done < frames)
    std::memset(buffer + static_cast<size_t>(done) * channels, 0,
                sizeof(int32_t) * static_cast<size_t>(frames - done) * channels);
}

}  // namespace vt

// In-memory streams for pipeline tests.
#pragma once
#include <cmath>
#include <cstring>
#include <vector>

#include "audio/stream.h"

namespace vt_test {

// Plays back a vector of interleaved samples; seekable, zeros past its end.
class VectorSource : public vt::AudioSource {
 public:
  VectorSource(std::vector<int32_t> samples, int32_t rate, int channels, int32_t bound = vt::kFullScale)
      : AudioSource(rate, bound, channels), samples_(std::move(samples)) {}
  void read(int32_t* out, int frames) override {
    for (int i = 0; i < frames * channels; ++i) {
      size_t at = static_cast<size_t>(pos_) * channels + i;
      out[i] = pos_ >= 0 && at < samples_.size() ? samples_[at] : 0;
    }
    pos_ += frames;
  }
  int32_t position() override { return pos_; }
  int32_t length() override { return static_cast<int32_t>(samples_.size() / channels); }
  void seek(int32_t frame) override { pos_ = frame; }

 private:
  std::vector<int32_t> samples_;
  int32_t pos_ = 0;
};

// Keeps what it is given.
class VectorSink : public vt::AudioSink {
 public:
  VectorSink(int32_t rate, int channels) : AudioSink(rate, channels) {}
  void write(const int32_t* in, int frames) override {
    samples.insert(samples.end(), in, in + frames * channels);
    frames_written += frames;
    if (fail_after_frames >= 0 && frames_written > fail_after_frames) status |= vt::kSinkFailed;
  }
  std::vector<int32_t> samples;
  int32_t fail_after_frames = -1;
};

inline std::vector<int32_t> sine(int32_t rate, double hz, int32_t peak, int frames, int channels = 1) {
  std::vector<int32_t> v(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      v[static_cast<size_t>(i) * channels + c] =
          static_cast<int32_t>(std::lround(peak * std::sin(2 * M_PI * hz * i / rate)));
  return v;
}

inline std::vector<int32_t> read_all(vt::AudioSource& source, int frames) {
  std::vector<int32_t> out(static_cast<size_t>(frames) * source.channels);
  for (int done = 0; done < frames;) {
    int n = std::min(frames - done, vt::kMaxFramesPerCall);
    source.read(out.data() + static_cast<size_t>(done) * source.channels, n);
    done += n;
  }
  return out;
}

}  // namespace vt_test

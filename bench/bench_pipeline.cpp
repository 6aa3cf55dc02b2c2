// Resampler throughput beside sox converting the same input, from one run.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/stream.h"
#include "audio/transforms.h"

namespace {

class MemorySource : public vt::AudioSource {
 public:
  MemorySource(const std::vector<int32_t>& samples, int32_t rate, int ch)
      : AudioSource(rate, vt::kFullScale, ch), samples_(samples) {}
  void read(int32_t* out, int frames) override {
    size_t at = static_cast<size_t>(pos_) * channels, n = static_cast<size_t>(frames) * channels;
    for (size_t i = 0; i < n; ++i) out[i] = at + i < samples_.size() ? samples_[at + i] : 0;
    pos_ += frames;
  }
  int32_t position() override { return pos_; }
  int32_t length() override { return static_cast<int32_t>(samples_.size() / channels); }

 private:
  const std::vector<int32_t>& samples_;
  int32_t pos_ = 0;
};

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Input frames per second through convert_format, best of three runs.
double our_rate(const std::vector<int32_t>& input, int frames, int32_t to_rate, uint8_t to_channels) {
  double best = 1e30;
  std::vector<int32_t> out(static_cast<size_t>(vt::kMaxFramesPerCall) * 2);
  for (int run = 0; run < 3; ++run) {
    auto start = std::chrono::steady_clock::now();
    vt::SourceRef chain(new MemorySource(input, 44100, 2));
    vt::convert_format(chain, to_rate, to_channels);
    int32_t total = chain->length();
    for (int32_t done = 0; done < total; done += vt::kMaxFramesPerCall) {
      int n = total - done < vt::kMaxFramesPerCall ? total - done : vt::kMaxFramesPerCall;
      chain->read(out.data(), n);
    }
    double t = seconds_since(start);
    if (t < best) best = t;
  }
  return frames / best;
}

double sox_rate(const std::string& raw, int frames, const std::string& effects) {
  std::string command = "sox -t raw -r 44100 -e signed -b 16 -c 2 " + raw + " -t raw /dev/null " + effects;
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return 0;
    double t = seconds_since(start);
    if (t < best) best = t;
  }
  return frames / best;
}

}  // namespace

int main() {
  const int seconds = 120, frames = 44100 * seconds;
  std::vector<int32_t> input(static_cast<size_t>(frames) * 2);
  std::vector<int16_t> pcm(input.size());
  uint32_t noise = 1;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < 2; ++c) {
      noise = noise * 1664525u + 1013904223u;
      double v = 9000 * std::sin(2 * M_PI * (220 + 110 * c) * i / 44100.0) +
                 6000 * std::sin(2 * M_PI * 3520 * i / 44100.0) + static_cast<int>(noise >> 20) - 2048;
      pcm[static_cast<size_t>(i) * 2 + c] = static_cast<int16_t>(v);
      input[static_cast<size_t>(i) * 2 + c] = static_cast<int32_t>(pcm[static_cast<size_t>(i) * 2 + c]) * 16;
    }
  }
  std::string raw = "/tmp/vocatrack-bench-input.raw";
  FILE* f = std::fopen(raw.c_str(), "wb");
  if (!f) return 1;
  std::fwrite(pcm.data(), sizeof(int16_t), pcm.size(), f);
  std::fclose(f);

  struct Case { const char* name; int32_t rate; uint8_t channels; const char* sox_effects; };
  const Case cases[] = {{"44100 -> 48000 stereo", 48000, 2, "rate 48000"},
                        {"44100 stereo -> 8000 mono", 8000, 1, "remix 1 rate 8000"}};
  std::printf("%-28s %16s %16s %8s\n", "conversion", "ours frames/s", "sox frames/s", "ratio");
  for (const Case& c : cases) {
    double ours = our_rate(input, frames, c.rate, c.channels);
    double sox = sox_rate(raw, frames, c.sox_effects);
    std::printf("%-28s %16.0f %16.0f %7.2fx\n", c.name, ours, sox, sox > 0 ? ours / sox : 0.0);
  }
  std::remove(raw.c_str());
  return 0;
}

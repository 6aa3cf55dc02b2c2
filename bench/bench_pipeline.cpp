// Resampler throughput beside sox converting the same input, from one run; prints
// table rows "row|job|ours|peer|speed ratio|goal".
#include <algorithm>
#include <sys/resource.h>
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
    size_t have = at < samples_.size() ? samples_.size() - at : 0;
    if (have > n) have = n;
    std::copy(samples_.begin() + at, samples_.begin() + at + have, out);
    std::fill(out + have, out + n, 0);
    pos_ += frames;
  }
  int32_t position() override { return pos_; }
  int32_t length() override { return static_cast<int32_t>(samples_.size() / channels); }

 private:
  const std::vector<int32_t>& samples_;
  int32_t pos_ = 0;
};

// Processor time of this process or of its finished children: steadier than the wall
// clock on a machine that other work shares.
double cpu_seconds(int who) {
  rusage usage;
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec * 1e-6;
}

// Input frames per second through convert_format, best of three runs (processor time).
double our_rate(const std::vector<int32_t>& input, int frames, int32_t to_rate, uint8_t to_channels) {
  double best = 1e30;
  std::vector<int32_t> out(static_cast<size_t>(vt::kMaxFramesPerCall) * 2);
  for (int run = 0; run < 3; ++run) {
    double start = cpu_seconds(RUSAGE_SELF);
    vt::SourceRef chain(new MemorySource(input, 44100, 2));
    vt::convert_format(chain, to_rate, to_channels);
    int32_t total = chain->length();
    for (int32_t done = 0; done < total; done += vt::kMaxFramesPerCall) {
      int n = total - done < vt::kMaxFramesPerCall ? total - done : vt::kMaxFramesPerCall;
      chain->read(out.data(), n);
    }
    double t = cpu_seconds(RUSAGE_SELF) - start;
    if (t < best) best = t;
  }
  return frames / best;
}

double sox_rate(const std::string& raw, int frames, const std::string& effects) {
  std::string command = "sox -t raw -r 44100 -e signed -b 16 -c 2 " + raw + " -t raw /dev/null " + effects;
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    double start = cpu_seconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) return 0;
    double t = cpu_seconds(RUSAGE_CHILDREN) - start;
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

  struct Case { const char* name; int32_t rate; uint8_t channels; const char* sox_effects; const char* goal; };
  const Case cases[] = {{"Resample 44,100 -> 48,000 stereo", 48000, 2, "rate 48000", ">= 3.00x"},
                        {"Resample 44,100 stereo -> 8,000 mono", 8000, 1, "remix 1 rate 8000", ">= 2.00x"}};
  for (const Case& c : cases) {
    double ours = our_rate(input, frames, c.rate, c.channels);
    double sox = sox_rate(raw, frames, c.sox_effects);
    std::printf("row|%s|%.1f M frames/s|sox default %.1f M frames/s|%.2fx|%s\n", c.name, ours / 1e6, sox / 1e6,
                sox > 0 ? ours / sox : 0.0, c.goal);
  }
  std::remove(raw.c_str());
  return 0;
}

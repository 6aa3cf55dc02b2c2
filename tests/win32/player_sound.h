// Test material for the player: WAV files of tone and silence written directly, and
// what came out of the private PulseAudio sink, recorded by parec from its monitor.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/linux_process.h"
#include "tests/support/win32_driver.h"

namespace player_test {

// A stretch of a test file: seconds of a sine at `hz` with 16-bit peak `peak` (0: silence).
struct Part {
  double seconds;
  double hz;
  int peak;
};

inline void put32(std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }
inline void put16(std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); }

inline std::string wav_header(int rate, int channels, uint32_t data_bytes) {
  std::string h = "RIFF";
  put32(h, 36 + data_bytes);
  h += "WAVEfmt ";
  put32(h, 16);
  put16(h, 1);
  put16(h, static_cast<uint16_t>(channels));
  put32(h, static_cast<uint32_t>(rate));
  put32(h, static_cast<uint32_t>(rate * channels * 2));
  put16(h, static_cast<uint16_t>(channels * 2));
  put16(h, 16);
  h += "data";
  put32(h, data_bytes);
  return h;
}

// Writes a 16-bit PCM WAV of the parts, every channel alike; returns its Windows path.
inline std::string write_wav(const std::string& name, int rate, int channels, const std::vector<Part>& parts) {
  std::string pcm;
  for (const Part& part : parts) {
    long frames = std::lround(part.seconds * rate);
    for (long i = 0; i < frames; ++i) {
      int16_t v = part.peak ? static_cast<int16_t>(std::lround(part.peak * std::sin(2 * M_PI * part.hz * i / rate))) : 0;
      for (int c = 0; c < channels; ++c) put16(pcm, static_cast<uint16_t>(v));
    }
  }
  std::string path = vt_test::windows_path(vt_test::build_dir() + "/" + name);
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return "";
  std::string header = wav_header(rate, channels, static_cast<uint32_t>(pcm.size()));
  std::fwrite(header.data(), 1, header.size(), out);
  std::fwrite(pcm.data(), 1, pcm.size(), out);
  std::fclose(out);
  return path;
}

// Records the null sink's monitor as 44.1 kHz mono 16-bit from construction until stop().
class SinkRecording {
 public:
  SinkRecording() : raw_(vt_test::build_dir() + "/player-sink-" + std::to_string(GetCurrentProcessId()) + ".raw") {
    DeleteFileA(vt_test::windows_path(raw_).c_str());
    process_.reset(new vt_test::LinuxProcess("exec parec -d \"$VT_PULSE_SINK.monitor\" --raw --format=s16le "
                                             "--rate=44100 --channels=1 --latency-msec=20 > '" + raw_ + "'"));
    started_ = process_->start();
  }
  ~SinkRecording() { DeleteFileA(vt_test::windows_path(raw_).c_str()); }
  bool started() const { return started_; }
  // Milliseconds of sound recorded so far.
  long recorded_ms() const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(vt_test::windows_path(raw_).c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<long>(data.nFileSizeLow / 2 * 1000 / 44100);
  }
  // Waits until `ms` more of sound have been recorded.
  bool wait_for_more(long ms, int timeout_ms) {
    long target = recorded_ms() + ms;
    return vt_test::wait_until([&] { return recorded_ms() >= target; }, timeout_ms);
  }
  std::vector<int16_t> stop() {
    process_->kill();
    std::vector<int16_t> samples;
    FILE* in = std::fopen(vt_test::windows_path(raw_).c_str(), "rb");
    if (!in) return samples;
    int16_t block[4096];
    size_t got;
    while ((got = std::fread(block, 2, 4096, in)) > 0) samples.insert(samples.end(), block, block + got);
    std::fclose(in);
    return samples;
  }

 private:
  std::string raw_;
  std::unique_ptr<vt_test::LinuxProcess> process_;
  bool started_ = false;
};

// Runs of sound in 44.1 kHz mono samples, as (start, length) in ms, in 10 ms windows
// whose peak passes `threshold`. Gaps up to `bridge_ms` (the sound server's own dropouts
// on a busy machine) are counted as sound.
inline std::vector<std::pair<long, long>> sound_runs(const std::vector<int16_t>& s, int threshold = 1000,
                                                     long bridge_ms = 0) {
  std::vector<std::pair<long, long>> runs;
  const size_t window = 441;
  long start = -1;
  const size_t windows = s.size() / window;
  for (size_t w = 0; w <= windows; ++w) {
    bool loud = false;
    if (w < windows)
      for (size_t i = 0; i < window && !loud; ++i) loud = std::abs(s[w * window + i]) > threshold;
    if (loud && start < 0) start = static_cast<long>(w);
    if (!loud && start >= 0) {
      const long from = start * 10, length = (static_cast<long>(w) - start) * 10;
      if (!runs.empty() && from - (runs.back().first + runs.back().second) <= bridge_ms)
        runs.back().second = from + length - runs.back().first;
      else
        runs.push_back({from, length});
      start = -1;
    }
  }
  return runs;
}

// Level and pitch over [from, to) ms, robust to the short dropouts of a busy sound
// server: the median of 20 ms windows' RMS (dB of 16-bit full scale), and the median
// period between rising zero crossings (interpolated), as a frequency.
inline double rms_db(const std::vector<int16_t>& s, long from_ms, long to_ms) {
  std::vector<double> levels;
  for (long at = from_ms; at + 20 <= to_ms; at += 20) {
    double sum = 0;
    size_t a = static_cast<size_t>(at) * 441 / 10, b = static_cast<size_t>(at + 20) * 441 / 10;
    for (size_t i = a; i < b && i < s.size(); ++i) sum += static_cast<double>(s[i]) * s[i];
    levels.push_back(10 * std::log10(sum / (b - a) / (32768.0 * 32768.0) + 1e-30));
  }
  if (levels.empty()) return -999;
  std::nth_element(levels.begin(), levels.begin() + levels.size() / 2, levels.end());
  return levels[levels.size() / 2];
}

inline double frequency(const std::vector<int16_t>& s, long from_ms, long to_ms) {
  size_t a = static_cast<size_t>(from_ms) * 441 / 10, b = static_cast<size_t>(to_ms) * 441 / 10;
  std::vector<double> crossings, periods;
  for (size_t i = a + 1; i < b && i < s.size(); ++i)
    if (s[i - 1] < 0 && s[i] >= 0) crossings.push_back(i - 1 + static_cast<double>(-s[i - 1]) / (s[i] - s[i - 1]));
  for (size_t i = 1; i < crossings.size(); ++i) periods.push_back(crossings[i] - crossings[i - 1]);
  if (periods.empty()) return 0;
  std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
  return 44100.0 / periods[periods.size() / 2];
}

}  // namespace player_test

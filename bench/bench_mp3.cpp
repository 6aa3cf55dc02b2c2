// Decoding speed of the MP3 reader against Debian's mpg123 on the same files, in the
// same run, as processor time (best of five runs each; mpg123's start-up, measured on a
// 4 KB head of each file, is taken off). Usage: bench_mp3 WORK_FOLDER makes its inputs
// there (10 minutes of music-like stereo signal at 128 kbit/s CBR, and 2 minutes as VBR,
// MPEG-2 22,050 Hz mono and MPEG-2.5 8,000 Hz mono, all by lame) and prints table rows
// "row|job|ours|peer|speed ratio|goal", plus `times.txt` for the Win32 run.
// bench_mp3 --ours FILE NAME PEER_SECONDS: our time only, as a row against a given peer
// time (the Win32 build under Wine, against the native run's mpg123 figure), then a hash
// of the decoded samples to compare with the native build's.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/mp3_decoder.h"
#include "formats/mp3_layer3.h"

namespace {

// Processor time (user and system) of this process or of its finished children:
// steadier than the wall clock on a machine that other work shares.
#ifdef _WIN32
double own_cpu_seconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}
#else
double cpu_seconds(int who) {
  rusage usage;
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec * 1e-6;
}
double own_cpu_seconds() { return cpu_seconds(RUSAGE_SELF); }
#endif

#ifndef _WIN32
void put16(std::FILE* f, int v) { std::fputc(v & 255, f), std::fputc(v >> 8 & 255, f); }
void put32(std::FILE* f, uint32_t v) { put16(f, int(v & 0xFFFF)), put16(f, int(v >> 16)); }

// Chords with vibrato and a little noise: enough content that the encoder uses long,
// short and mixed blocks and many Huffman tables.
bool write_test_wav(const std::string& path_text, int seconds) {
  const char* path = path_text.c_str();
  std::FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const int rate = 44100;
  uint32_t frames = uint32_t(rate * seconds);
  std::fwrite("RIFF", 1, 4, f);
  put32(f, 36 + frames * 4);
  std::fwrite("WAVEfmt ", 1, 8, f);
  put32(f, 16), put16(f, 1), put16(f, 2), put32(f, rate), put32(f, rate * 4), put16(f, 4), put16(f, 16);
  std::fwrite("data", 1, 4, f);
  put32(f, frames * 4);
  uint32_t noise = 1;
  const double notes[] = {220.0, 277.18, 329.63, 440.0, 554.37};
  for (uint32_t i = 0; i < frames; ++i) {
    double t = double(i) / rate;
    double beat = std::fmod(t, 0.5);
    double left = 0, right = 0;
    for (int n = 0; n < 5; ++n) {
      double f0 = notes[n] * (1 + 0.003 * std::sin(2 * M_PI * 5 * t)) * (1 + 0.5 * (int(t / 2) % 2));
      double v = std::sin(2 * M_PI * f0 * t) * std::exp(-3 * beat);
      left += v * (n % 2 ? 0.6 : 0.3);
      right += v * (n % 2 ? 0.3 : 0.6);
    }
    noise = noise * 1664525u + 1013904223u;
    double hiss = ((noise >> 16) / 32768.0 - 1.0) * 0.05 * (beat < 0.02 ? 8 : 1);
    put16(f, int(std::lround((left * 0.25 + hiss) * 32767)));
    put16(f, int(std::lround((right * 0.25 + hiss) * 32767)));
  }
  return std::fclose(f) == 0;
}

#endif

// Best of five runs, in processor seconds; -1 when the file does not open.
double time_ours(const std::string& path) {
  double best = 1e9;
  std::vector<int32_t> buffer(8192 * 2);
  for (int run = 0; run < 5; ++run) {
    double start = own_cpu_seconds();
    vt::SourceRef source = vt::open_mp3(path.c_str());
    if (source->status != vt::kSourceOk) return -1;
    for (int reads = 0; reads < 1000000; ++reads) {
      int32_t left = source->length() - source->position();
      if (left <= 0) break;
      source->read(buffer.data(), left < 8192 ? int(left) : 8192);
    }
    double t = own_cpu_seconds() - start;
    best = t < best ? t : best;
  }
  return best;
}

// FNV-1a over every decoded sample: the Win32 build's output checked against the native
// one's without writing it out.
uint64_t samples_hash(const std::string& path) {
  uint64_t hash = 14695981039346656037ull;
  std::vector<int32_t> buffer(8192 * 2);
  vt::SourceRef source = vt::open_mp3(path.c_str());
  for (int reads = 0; reads < 1000000 && source->status == vt::kSourceOk; ++reads) {
    int32_t left = source->length() - source->position();
    if (left <= 0) break;
    int n = left < 8192 ? int(left) : 8192;
    source->read(buffer.data(), n);
    for (int i = 0; i < n * source->channels; ++i) {
      uint32_t v = uint32_t(buffer[size_t(i)]);
      for (int b = 0; b < 4; ++b) hash = (hash ^ (v >> (8 * b) & 0xFF)) * 1099511628211ull;
    }
  }
  return hash;
}

void row(const std::string& job, double ours, const std::string& peer, double theirs, const char* goal) {
  std::printf("row|%s|%.3f s|%s %.3f s|%.2fx|%s\n", job.c_str(), ours, peer.c_str(), theirs,
              ours > 0 ? theirs / ours : 0.0, goal);
}

#ifndef _WIN32
bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// `decoder` names one of mpg123's decoders (--cpu); empty: its default (SIMD here).
double time_mpg123(const std::string& path, const std::string& decoder) {
  std::string command = "mpg123 -q -s " + (decoder.empty() ? "" : "--cpu " + decoder + " ") + "'" + path +
                        "' > /dev/null 2>&1";
  double best = 1e9;
  for (int i = 0; i < 5; ++i) {
    double start = cpu_seconds(RUSAGE_CHILDREN);
    if (!run(command)) return -1;
    double t = cpu_seconds(RUSAGE_CHILDREN) - start;
    best = t < best ? t : best;
  }
  return best;
}

// mpg123's decoding time alone: its start-up, measured on the first 4 KB, taken off.
double mpg123_decoding(const std::string& path, const std::string& decoder) {
  std::string head = path + ".head.mp3";
  double startup = run("head -c 4096 '" + path + "' > '" + head + "'") ? time_mpg123(head, decoder) : 0;
  std::remove(head.c_str());
  double whole = time_mpg123(path, decoder);
  return whole > startup && startup > 0 ? whole - startup : whole;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--ours") {
    double ours = time_ours(argv[2]);
    if (ours < 0) return std::fprintf(stderr, "cannot decode %s\n", argv[2]), 1;
    std::string path = "same fast path as native: filter bank of " + std::to_string(vt::mp3::filterbank_lanes()) +
                       "-float vectors";
    row(argv[3], ours, "mpg123 default, native", std::atof(argv[4]), path.c_str());
    std::printf("samples fnv1a64 %016llx\n", static_cast<unsigned long long>(samples_hash(argv[2])));
    return 0;
  }
#ifdef _WIN32
  return std::fprintf(stderr, "usage: bench_mp3 --ours FILE NAME PEER_SECONDS\n"), 2;
#else
  if (argc != 2) return std::fprintf(stderr, "usage: bench_mp3 WORK_FOLDER\n"), 2;
  std::string dir = argv[1];
  std::string long_wav = dir + "/music-10min.wav", short_wav = dir + "/music-2min.wav";
  std::string cbr = dir + "/cbr128.mp3", vbr = dir + "/vbr.mp3", m2 = dir + "/mpeg2-22050-mono.mp3",
              m25 = dir + "/mpeg25-8000-mono.mp3";
  auto make = [&](const std::string& mp3, const std::string& wav, int seconds, const std::string& options) {
    std::FILE* f = std::fopen(mp3.c_str(), "rb");
    if (f) return std::fclose(f), true;  // kept from an earlier run
    if (!write_test_wav(wav, seconds)) return false;
    bool ok = run("lame --quiet " + options + " '" + wav + "' '" + mp3 + "'");
    std::remove(wav.c_str());
    return ok;
  };
  if (!make(cbr, long_wav, 600, "-b 128 -m j") || !make(vbr, short_wav, 120, "-V 2") ||
      !make(m2, short_wav, 120, "--resample 22.05 -m m -b 32") || !make(m25, short_wav, 120, "--resample 8 -m m -b 16"))
    return std::fprintf(stderr, "lame failed or the work folder cannot be written\n"), 1;

  double ours = time_ours(cbr);
  if (ours < 0) return std::fprintf(stderr, "cannot decode %s\n", cbr.c_str()), 1;
  double simd = mpg123_decoding(cbr, ""), generic = mpg123_decoding(cbr, "generic");
  row("MP3 decode, 10 min CBR 128 joint stereo", ours, "mpg123 default (SIMD)", simd, ">= 1.20x");
  row("MP3 decode, 10 min CBR 128 joint stereo", ours, "mpg123 generic", generic, ">= 1.60x");
  const struct { const char* name; std::string path; } others[] = {
      {"MP3 decode, 2 min VBR (-V 2)", vbr},
      {"MP3 decode, 2 min MPEG-2 22,050 Hz mono", m2},
      {"MP3 decode, 2 min MPEG-2.5 8,000 Hz mono", m25}};
  for (const auto& other : others) {
    double t = time_ours(other.path);
    if (t < 0) return std::fprintf(stderr, "cannot decode %s\n", other.path.c_str()), 1;
    row(other.name, t, "mpg123 generic", mpg123_decoding(other.path, "generic"), ">= 1.00x");
  }
  std::FILE* times = std::fopen((dir + "/times.txt").c_str(), "w");
  if (times) {
    std::fprintf(times, "%s %.4f %.4f\n", cbr.c_str(), ours, simd);
    std::fclose(times);
  }
  return 0;
#endif
}

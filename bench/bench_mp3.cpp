// Decoding speed of the MP3 reader against Debian's mpg123 on the same file, in the
// same run, as processor time (best of five runs each; mpg123's includes its start). Without an argument it makes its own input: 10 minutes of stereo 44.1 kHz
// music-like signal encoded at 128 kbit/s by lame. Prints frames per second of
// each decoder and our speed as a ratio of mpg123's.
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/mp3_decoder.h"

namespace {

// Processor time (user and system) of this process or of its finished children:
// steadier than the wall clock on a machine that other work shares.
double cpu_seconds(int who) {
  rusage usage;
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec * 1e-6;
}

void put16(std::FILE* f, int v) { std::fputc(v & 255, f), std::fputc(v >> 8 & 255, f); }
void put32(std::FILE* f, uint32_t v) { put16(f, int(v & 0xFFFF)), put16(f, int(v >> 16)); }

// Chords with vibrato and a little noise: enough content that the encoder uses long,
// short and mixed blocks and many Huffman tables.
bool write_test_wav(const char* path, int seconds) {
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

// Best of a few runs, in seconds.
double time_ours(const char* path, int* frames_out) {
  double best = 1e9;
  std::vector<int32_t> buffer(8192 * 2);
  for (int run = 0; run < 5; ++run) {
    double start = cpu_seconds(RUSAGE_SELF);
    vt::SourceRef source = vt::open_mp3(path);
    if (source->status != vt::kSourceOk) return -1;
    int64_t frames = 0;
    for (;;) {
      int32_t left = source->length() - source->position();
      if (left <= 0) break;
      int n = left < 8192 ? int(left) : 8192;
      source->read(buffer.data(), n);
      frames += n;
    }
    double t = cpu_seconds(RUSAGE_SELF) - start;
    best = t < best ? t : best;
    *frames_out = int(frames / static_cast<vt::Mp3Reader*>(source.get())->samples_per_frame());
  }
  return best;
}

// `decoder` names one of mpg123's decoders (--cpu); empty: its default (SIMD here).
double time_mpg123(const char* path, const char* decoder = "") {
  std::string command = std::string("mpg123 -q -s ") + (*decoder ? std::string("--cpu ") + decoder + " " : "") + "'" +
                        path + "' > /dev/null 2>&1";
  double best = 1e9;
  for (int run = 0; run < 5; ++run) {
    double start = cpu_seconds(RUSAGE_CHILDREN);
    if (std::system(command.c_str()) != 0) return -1;
    double t = cpu_seconds(RUSAGE_CHILDREN) - start;
    best = t < best ? t : best;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  if (argc > 1) {
    path = argv[1];
  } else {
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    std::string wav = dir + "/vt_bench_mp3.wav";
    path = dir + "/vt_bench_mp3.mp3";
    if (!write_test_wav(wav.c_str(), 600)) return std::fprintf(stderr, "cannot write %s\n", wav.c_str()), 1;
    std::string encode = "lame --quiet -b 128 '" + wav + "' '" + path + "'";
    if (std::system(encode.c_str()) != 0) return std::fprintf(stderr, "lame failed\n"), 1;
    std::remove(wav.c_str());
  }
  int frames = 0;
  double ours = time_ours(path.c_str(), &frames);
  if (ours < 0) return std::fprintf(stderr, "cannot decode %s\n", path.c_str()), 1;
  double theirs = time_mpg123(path.c_str());
  double generic = time_mpg123(path.c_str(), "generic");
  // mpg123's start-up, measured on the first 4 KB of the same file, is taken off
  // for the second ratio so that only decoding is compared.
  std::string head = path + ".head.mp3";
  std::string cut = "head -c 4096 '" + path + "' > '" + head + "'";
  double startup = std::system(cut.c_str()) == 0 ? time_mpg123(head.c_str()) : -1;
  std::remove(head.c_str());
  std::printf("mp3 decode, %s: %d frames\n", path.c_str(), frames);
  std::printf("  vocatrack: %.4f s, %.0f frames/s\n", ours, frames / ours);
  if (theirs > 0) {
    std::printf("  mpg123:    %.4f s, %.0f frames/s (whole process, shell included)\n", theirs, frames / theirs);
    std::printf("  speed ratio vocatrack/mpg123: %.2f\n", theirs / ours);
    if (startup > 0 && theirs > startup)
      std::printf("  speed ratio without mpg123's start-up (%.4f s): %.2f\n", startup, (theirs - startup) / ours);
    if (generic > 0)
      std::printf("  mpg123 generic decoder: %.4f s; speed ratio vocatrack/generic: %.2f (%.2f without start-up)\n",
                  generic, generic / ours, startup > 0 && generic > startup ? (generic - startup) / ours : 0.0);
  } else {
    std::printf("  mpg123 not available\n");
  }
  if (argc <= 1) std::remove(path.c_str());
  return 0;
}

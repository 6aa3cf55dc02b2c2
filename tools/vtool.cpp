// vtool: converts and checks recordings in batch with the recorder's own readers,
// conversion chain and writers.
//   vtool convert IN OUT [--rate R] [--channels C] [--bits B] [--codec TAG]
//   vtool info FILE
// Exit codes: 0 done, 1 cancelled, 2 failed (one line on standard error).
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/time_units.h"
#include "formats/file_readers.h"
#include "formats/file_writers.h"
#include "formats/recording_formats.h"
#include "audio/levels.h"
#include "audio/transforms.h"
#include "tools/vtool_codecs.h"
#include "tools/vtool_tags.h"
#include "tools/vtool_play.h"

using namespace vt;

namespace {

// Formats a line and writes it in the character set the console shows.
void say(FILE* stream, const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  std::fputs(console_text(stream, text).c_str(), stream);
}

volatile std::sig_atomic_t g_interrupted = 0;
void on_interrupt(int) { g_interrupted = 1; }

// Ctrl+C cancels a conversion between two blocks.
class ConsoleProgress : public ProgressDisplay {
 public:
  void set_progress_fraction(double) override {}
  bool pump_and_check_cancel() override { return g_interrupted != 0; }
};

// The exit code is the outcome's value.
int exit_code(Outcome outcome) { return static_cast<int>(outcome); }

int fail(const std::string& file, const std::string& reason) {
  say(stderr, "vtool: %s: %s\n", file.c_str(), reason.c_str());
  return exit_code(Outcome::kFailed);
}

const char* status_words(uint8_t status) {
  switch (status) {
    case kSourceBadFormat: return "format invalide ou non pris en charge (3)";
    case kSourceCannotOpen: return "le fichier ne peut être ouvert (4)";
    case kSourceNoCodec: return "aucun codec installé ne décode ce format (5)";
    default: return "source inutilisable";
  }
}

bool parse_number(const char* text, long low, long high, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return *text && !*end && value >= low && value <= high;
}

int usage() {
  say(stderr,
               "usage: vtool convert ENTREE SORTIE [--rate HZ] [--channels N] [--bits 8|16] [--codec ETIQUETTE]\n"
               "       vtool info FICHIER\n"
               "       vtool tags FICHIER [NOM=VALEUR...]\n"
               "       vtool play FICHIER [--device N]\n");
  return exit_code(Outcome::kFailed);
}

int convert(int argc, char** argv) {
  if (argc < 4) return usage();
  std::string in = argv[2], out = argv[3];
  long rate = 0, channels = 0, bits = 16;
  std::string codec;
  for (int i = 4; i < argc; i += 2) {
    if (i + 1 >= argc) return usage();
    const char* option = argv[i];
    const char* value = argv[i + 1];
    bool ok = true;
    if (!std::strcmp(option, "--rate")) ok = parse_number(value, 1, 196000, rate);
    else if (!std::strcmp(option, "--channels")) ok = parse_number(value, 1, 2, channels);
    else if (!std::strcmp(option, "--bits")) ok = parse_number(value, 1, 16, bits);
    else if (!std::strcmp(option, "--codec")) codec = value;
    else return usage();
    if (!ok) return fail(out, std::string("valeur invalide pour ") + option);
  }
  // Opening the output would empty the input before it is read.
  std::error_code ignored;
  if (std::filesystem::equivalent(in, out, ignored)) return fail(out, "la sortie est le fichier d'entrée lui-même");
  SourceRef source = open_audio_file(in);
  if (source->status != kSourceOk) return fail(in, status_words(source->status));
  if (!rate) rate = source->sample_rate;
  if (!channels) channels = source->channels;
  SourceRef chain = source;
  convert_format(chain, static_cast<int32_t>(rate), static_cast<uint8_t>(channels));
  if (chain->status != kSourceOk) return fail(in, "fréquence trop basse pour être convertie vers " + std::to_string(rate) + " Hz (3)");

  const int out_format = readable_format_of_path(out);
  std::signal(SIGINT, on_interrupt);
  ConsoleProgress progress;
  // A plain 16-bit WAV kept at its rate and channels only needs its bytes swapped for AIFF.
  int pcm_rate = 0, pcm_channels = 0;
  int64_t pcm_frames = 0;
  std::unique_ptr<BinaryFile> pcm;
  if (out_format == kRecordAiff && bits == 16 && readable_format_of_path(in) == kRecordWav)
    pcm = open_wav_little16(in, pcm_rate, pcm_channels, pcm_frames);
  if (pcm && pcm_rate == rate && pcm_channels == channels) {
    bool created = false;
    Outcome result = copy_little16_to_aiff(*pcm, pcm_frames, out, pcm_rate, pcm_channels, &progress, created);
    if (!created) return fail(out, "le fichier ne peut être créé");
    if (result == Outcome::kStopped) say(stderr, "vtool: %s: conversion interrompue\n", out.c_str());
    if (result == Outcome::kFailed) return fail(out, "la conversion a échoué");
    return exit_code(result);
  }
  SinkRef sink;
  std::string error;
  if (out_format == kRecordWav && !codec.empty()) {
    if (!open_codec_writer(codec, out, static_cast<int>(rate), static_cast<int>(channels), sink, error))
      return fail(out, error);
  } else if (out_format == kRecordWav) {
    sink = open_wav_writer(make_pcm_format(static_cast<int>(channels), static_cast<int>(bits), static_cast<int>(rate)), out);
  } else if (out_format == kRecordAiff) {
    if (bits != 16) return fail(out, "les fichiers AIFF sont écrits en 16 bits");
    sink = open_aiff_writer(out, static_cast<int>(rate), static_cast<int>(channels));
  } else if (out_format == kRecordMp3) {
    if (!open_mp3_writer(out, static_cast<int>(rate), static_cast<int>(channels), sink))
      return fail(out, "aucun encodeur MP3 sur ce système");
  } else {
    return fail(out, "extension inconnue (.wav, .aif ou .mp3)");
  }
  if (sink->failed()) return fail(out, "le fichier ne peut être créé");

  Outcome result = pump_to_sink(source, sink, &progress);
  if (result == Outcome::kStopped) say(stderr, "vtool: %s: conversion interrompue\n", out.c_str());
  if (result == Outcome::kFailed) return fail(out, "la conversion a échoué");
  if (sink->failed()) return fail(out, "erreur d'écriture");
  return exit_code(result);
}

std::string format_name(const std::string& path) {
  const int format = readable_format_of_path(path);
  if (format == kRecordAiff) return "AIFF";
  if (format == kRecordMp3) return "MP3";
  WaveFormat f;
  if (!probe_wav_format(path, f)) return "WAV";
  char text[64];
  if (f.format_tag == kFormatTagPcm) std::snprintf(text, sizeof text, "WAV PCM %d bits", f.bits_per_sample);
  else std::snprintf(text, sizeof text, "WAV codec 0x%04X", f.format_tag);
  return text;
}

int info(int argc, char** argv) {
  if (argc != 3) return usage();
  std::string path = argv[2];
  SourceRef source = open_audio_file(path);
  if (source->status != kSourceOk) return fail(path, status_words(source->status));
  int channels = source->channels;
  std::vector<int32_t> peaks(static_cast<size_t>(channels), 0);
  std::vector<double> energy(static_cast<size_t>(channels), 0.0);
  std::vector<int32_t> block(static_cast<size_t>(kMaxFramesPerCall) * channels);
  int64_t frames = 0;
  // The length of a codec file is an estimate until its end has been read.
  for (int guard = 0; source->position() < source->length() && guard < (1 << 20); ++guard) {
    int n = source->length() - source->position();
    if (n > kMaxFramesPerCall) n = kMaxFramesPerCall;
    source->read(block.data(), n);
    for (int c = 0; c < channels; ++c) {
      int32_t peak = channel_peak_magnitude(block.data(), n, channels, c);
      if (peak > peaks[c]) peaks[c] = peak;
      energy[c] += static_cast<double>(channel_mean_square(block.data(), n, channels, c)) * n;
    }
    frames += n;
  }
  int32_t length = source->length();
  say(stdout, "fichier    : %s\n", path.c_str());
  say(stdout, "format     : %s\n", format_name(path).c_str());
  say(stdout, "fréquence  : %d Hz\n", source->sample_rate);
  say(stdout, "canaux     : %d\n", channels);
  say(stdout, "longueur   : %d trames, %d ms (%s)\n", length, frames_to_ms32(length, source->sample_rate),
              time_text(frames_to_ms32(length, source->sample_rate)).c_str());
  for (int c = 0; c < channels; ++c) {
    uint32_t mean = frames ? static_cast<uint32_t>(energy[c] / static_cast<double>(frames) + 0.5) : 0;
    say(stdout, "canal %-4d : crête %d dB, niveau %d dB\n", c + 1, peak_level_db(peaks[c]), level_db(mean));
  }
  return exit_code(Outcome::kDone);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && !std::strcmp(argv[1], "convert")) return convert(argc, argv);
  if (argc >= 2 && !std::strcmp(argv[1], "info")) return info(argc, argv);
  if (argc >= 2 && !std::strcmp(argv[1], "tags")) return tags_command(argc, argv);
  if (argc >= 2 && !std::strcmp(argv[1], "play")) return play_command(argc, argv);
  return usage();
}

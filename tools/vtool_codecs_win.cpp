#include <windows.h>

#include <cstdlib>

#include "win/settings_win.h"
#include "formats/acm_codec_win.h"
#include "formats/file_writers.h"
#include "formats/mp3_sink_win.h"
#include "tools/vtool_codecs.h"

namespace vt {

bool open_codec_writer(const std::string& tag, const std::string& path, int rate, int channels, SinkRef& sink,
                       std::string& error) {
  char* end = nullptr;
  unsigned long value = std::strtoul(tag.c_str(), &end, 0);
  if (tag.empty() || *end || value == 0 || value > 0xFFFF) {
    error = "étiquette de codec invalide";
    return false;
  }
  FormatBuffer format;
  if (!suggest_codec_format(static_cast<uint16_t>(value), channels, rate, format) || !codec_format_encodable(format)) {
    error = "aucun codec installé ne produit ce format à cette fréquence";
    return false;
  }
  sink = open_wav_writer(format, path);
  return true;
}

bool open_mp3_writer(const std::string& path, int rate, int channels, SinkRef& sink) {
  RegistrySection section(Hive::Machine, kSectionMp3Encoder);
  sink = open_mp3_sink(load_encoder_settings(section), path, rate, channels);
  return true;
}

std::string console_text(FILE* stream, const std::string& text) {
  DWORD mode;
  HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (!GetConsoleMode(handle, &mode)) return text;  // a file or a pipe gets the program's own text
  std::string shown(text);
  CharToOemBuffA(text.c_str(), &shown[0], static_cast<DWORD>(text.size()));
  return shown;
}

}  // namespace vt

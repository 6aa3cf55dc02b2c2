#include "tools/vtool_codecs.h"

namespace vt {

bool open_codec_writer(const std::string&, const std::string&, int, int, SinkRef&, std::string& error) {
  error = "aucun codec n'est disponible sur ce système";
  return false;
}

bool open_mp3_writer(const std::string&, int, int, SinkRef&) { return false; }

std::string console_text(FILE*, const std::string& text) { return text; }

}  // namespace vt

#include "tools/vtool_codecs.h"

namespace vt {

bool open_codec_writer(const std::string&, const std::string&, int, int, SinkRef&, std::string& error) {
  error = "aucun codec n'est disponible sur ce système";
  return false;
}

bool open_mp3_writer(const std::string&, int, int, SinkRef&) { return false; }

}  // namespace vt

#include "player/play_item.h"

#include "formats/file_readers.h"

namespace vt {

SourceRef PlayItem::open_stream() const {
  size_t dot = path.find_last_of('.');
  std::string extension = dot == std::string::npos ? "" : path.substr(dot);
  if (extension == ".mp3" || extension == ".wav" || extension == ".aif") return open_audio_file(path);
  return SourceRef(new SilenceSource(kSourceEmpty));
}

}  // namespace vt

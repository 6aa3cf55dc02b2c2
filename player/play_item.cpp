#include "player/play_item.h"

#include "formats/recording_formats.h"

namespace vt {

SourceRef PlayItem::open_stream() const {
  const RecordingFormatRow* format = recording_format(format_of_path(path));
  if (format && format->playback) return format->open_reader(path);
  return SourceRef(new SilenceSource(kSourceEmpty));
}

}  // namespace vt

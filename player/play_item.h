// What the panel plays: a recording's name and path, opened as an audio stream afresh
// each time playback (or a cue, or the waveform) needs one.
#pragma once
#include <cstdint>
#include <string>

#include "audio/stream.h"

namespace vt {

class PlayItem {
 public:
  PlayItem(const std::string& name, const std::string& path) : name(name), path(path) {}
  virtual ~PlayItem() {}
  // The reader of a recording format that plays (".mp3", ".wav", ".aif", in any case);
  // anything else is a placeholder of status 1, which the player refuses.
  virtual SourceRef open_stream() const;

  uint16_t flags = 1;  // 1: the name is shown read-only
  std::string name;    // shown in the panel
  std::string path;
};

}  // namespace vt

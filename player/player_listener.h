// What the wave player tells its owner, always on the main thread.
#pragma once
#include <cstdint>

#include "capture/recorder_listener.h"

namespace vt {

class PlayerListener {
 public:
  virtual ~PlayerListener() {}
  virtual void on_started(uint32_t cookie) {}
  virtual void on_stopped(uint32_t cookie) {}
  virtual void on_scrub_started(uint32_t cookie) {}
  // Kept for owners that tell a resumed scrub apart; the engine does not call it.
  virtual void on_scrub_resumed(uint32_t cookie) {}
  virtual void on_position(int32_t ms, uint32_t cookie) {}
  virtual void on_levels(const LevelRecord& levels, uint32_t cookie) {}
  // The device would not take a buffer: playback ended where it was (Stopped came first).
  virtual void on_device_refused(uint32_t cookie) {}
};

}  // namespace vt

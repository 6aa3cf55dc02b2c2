// What the wave player tells its owner, always on the main thread.
#pragma once
#include <cstdint>

#include "capture/recorder_listener.h"

namespace vt {

class PlayerListener {
 public:
  virtual ~PlayerListener() {}
  virtual void Started(uint32_t cookie) {}
  virtual void Stopped(uint32_t cookie) {}
  virtual void ScrubStarted(uint32_t cookie) {}
  // Kept for owners that tell a resumed scrub apart; the engine does not call it.
  virtual void ScrubResumed(uint32_t cookie) {}
  virtual void Position(int32_t ms, uint32_t cookie) {}
  virtual void Levels(const LevelRecord& levels, uint32_t cookie) {}
};

}  // namespace vt

// What the capture engine tells its owner, always on the main thread.
#pragma once
#include <cstdint>

namespace vt {

// A channel count followed by one signed decibel value per channel (-127 is silence).
struct LevelRecord {
  uint8_t channel_count = 0;
  int8_t db[255] = {};
};

class RecorderListener {
 public:
  virtual ~RecorderListener() {}
  virtual void Recording(uint32_t cookie) {}
  virtual void WaitingForVoice(uint32_t cookie) {}
  virtual void Stopped(uint32_t cookie) {}
  virtual void Time(uint32_t cookie, int32_t ms) {}
  virtual void Levels(uint32_t cookie, const LevelRecord& levels) {}
};

}  // namespace vt

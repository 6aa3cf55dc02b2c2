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
  virtual void on_recording(uint32_t cookie) {}
  virtual void on_waiting_for_voice(uint32_t cookie) {}
  virtual void on_stopped(uint32_t cookie) {}
  virtual void on_time(uint32_t cookie, int32_t ms) {}
  virtual void on_levels(uint32_t cookie, const LevelRecord& levels) {}
  // The sink failed a write: capture has been stopped (on_stopped came first).
  virtual void on_sink_failed(uint32_t cookie) {}
  // The input device stopped delivering or failed: capture has been stopped (on_stopped
  // came first) and the sink keeps what reached it.
  virtual void on_device_lost(uint32_t cookie) {}
};

}  // namespace vt

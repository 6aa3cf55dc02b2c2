// LWaveWindow: a strip of a recording drawn as one peak per pixel column, with a cursor
// and a marked span, fed by a lowest-priority worker that reads the recording (a source
// opened apart from the one playing) and computes only the columns newly exposed.
#pragma once
#include <windows.h>

#include <cstdint>

#include "audio/stream.h"
#include "ui/wave_peaks.h"
#include "win/handles_win.h"

namespace vt {

extern const char kWaveWindowClass[];  // "LWaveWindow"
constexpr WORD kWaveWindowClicked = 2;  // WM_COMMAND code posted to the parent after a click

bool register_wave_window(HINSTANCE instance);

class WaveWindow {
 public:
  WaveWindow();
  // A worker that has not ended keeps its source and columns: they go when it ends.
  ~WaveWindow();
  WaveWindow(const WaveWindow&) = delete;
  WaveWindow& operator=(const WaveWindow&) = delete;

  // Binds the object to its control; the owner then keeps it disabled until Load.
  void attach(HWND window);
  void resize();
  // Shows `source` (the window is enabled without a message); a source that is not
  // usable leaves the window disabled.
  void load(const SourceRef& source);
  // Stops the worker, waiting at most `wait_ms`, and lets the source go once it ended.
  void unload(DWORD wait_ms = 5000);
  // Asks the worker to end without waiting (an owner stopping several things at once).
  void request_stop();
  void set_length(int32_t frames);
  void set_cursor(int32_t frame, int32_t span);
  // The region to show; only the latest request is handled when the worker gets to it.
  void request(int32_t start, int32_t count);
  int32_t cursor() const { return cursor_; }
  bool running() const;

  // For tests: the picture's state.
  int width() const;
  int height() const;
  uint8_t column(int x) const;
  WaveView view();
  // True once the latest request has been computed.
  bool idle();

  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  class Worker;
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
  void paint();
  void invalidate_columns(int lo, int hi);

  // Main thread only; what the worker shares is in Worker, under its locks.
  HWND window_ = nullptr;
  int32_t cursor_ = 0;
  int32_t span_ = 0;
  int32_t length_ = 0;
  OwnedPen pens_[7];
  Worker* worker_;
};

}  // namespace vt

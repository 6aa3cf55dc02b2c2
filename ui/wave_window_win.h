// LWaveWindow: a strip of a recording drawn as one peak per pixel column, with a cursor
// and a marked span, fed by a lowest-priority worker that reads the recording (a source
// opened apart from the one playing) and computes only the columns newly exposed.
#pragma once
#include <windows.h>

#include <cstdint>

#include "audio/stream.h"
#include "ui/wave_peaks.h"
#include "win/handles_win.h"
#include "win/worker_thread_win.h"

namespace vt {

extern const char kWaveWindowClass[];  // "LWaveWindow"
constexpr WORD kWaveWindowClicked = 2;  // WM_COMMAND code posted to the parent after a click

bool register_wave_window(HINSTANCE instance);

class WaveWindow : public WorkerThread {
 public:
  WaveWindow();
  ~WaveWindow() override;

  // Binds the object to its control; the owner then keeps it disabled until Load.
  void attach(HWND window);
  void resize();
  // Shows `source` (the window is enabled without a message); a source that is not
  // usable leaves the window disabled.
  void load(const SourceRef& source);
  void unload();
  void set_length(int32_t frames);
  void set_cursor(int32_t frame, int32_t span);
  // The region to show; only the latest request is handled when the worker gets to it.
  void request(int32_t start, int32_t count);
  int32_t cursor() const { return cursor_; }

  // For tests: the picture's state.
  int width() const { return view_.width; }
  int height() const { return height_; }
  uint8_t column(int x) const { return columns_[x]; }
  WaveView view();
  // True once the latest request has been computed.
  bool idle();

  static LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

 private:
  void run() override;
  LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam);
  void paint();
  void invalidate_columns(int lo, int hi);
  void compute_columns(int lo, int hi, int32_t* buffer);

  HWND window_ = nullptr;
  uint8_t columns_[kWaveColumns] = {};
  WaveView view_;
  int32_t cursor_ = 0;
  int32_t span_ = 0;
  int32_t length_ = 0;
  int32_t height_ = 0;
  CriticalSection column_lock_;
  OwnedPen pens_[7];
  SourceRef source_;
  int32_t request_start_ = 0, request_count_ = 0;
  volatile LONG handled_start_ = 0, handled_count_ = 0;
  CriticalSection request_lock_;
  OwnedHandle request_event_;
};

}  // namespace vt

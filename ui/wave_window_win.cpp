#include "ui/wave_window_win.h"

#include <algorithm>
#include <vector>

#include "audio/levels.h"

namespace vt {

const char kWaveWindowClass[] = "LWaveWindow";

namespace {

enum Pen { kWave, kBackground, kOutsideWave, kOutsideBackground, kSpanWave, kSpanBackground, kCursor };

}  // namespace

bool register_wave_window(HINSTANCE instance) {
  WNDCLASSA existing;
  if (GetClassInfoA(instance, kWaveWindowClass, &existing)) return true;
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  wc.lpfnWndProc = WaveWindow::window_proc;
  wc.cbWndExtra = 4;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kWaveWindowClass;
  return RegisterClassA(&wc) != 0;
}

WaveWindow::WaveWindow() : request_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  pens_[kWave].reset(CreatePen(PS_SOLID, 1, RGB(102, 255, 102)));
  pens_[kBackground].reset(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  pens_[kOutsideWave].reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT)));
  pens_[kOutsideBackground].reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE)));
  pens_[kSpanWave].reset(CreatePen(PS_SOLID, 1, RGB(0, 128, 0)));
  pens_[kSpanBackground].reset(CreatePen(PS_SOLID, 1, RGB(255, 255, 189)));
  pens_[kCursor].reset(CreatePen(PS_SOLID, 1, RGB(0, 255, 0)));
  register_wave_window(GetModuleHandleA(nullptr));
}

WaveWindow::~WaveWindow() {
  unload();
  if (window_) SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  stop_and_close();
}

void WaveWindow::attach(HWND window) {
  window_ = window;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  resize();
}

void WaveWindow::resize() {
  if (!window_) return;
  RECT client;
  GetClientRect(window_, &client);
  CriticalSectionLock lock(column_lock_);
  view_.width = std::min(std::max(static_cast<int>(client.right) - 2, 1), kWaveColumns);
  height_ = client.bottom - 1;
}

void WaveWindow::load(const SourceRef& source) {
  unload();
  request(0, 0);
  // A worker stuck past its stop time-out still reads the previous source.
  if (thread_handle() && WaitForSingleObject(thread_handle(), 0) == WAIT_TIMEOUT) return;
  if (source->status != kSourceOk) return;
  source_ = source;
  if (window_) SetWindowLongA(window_, GWL_STYLE, GetWindowLongA(window_, GWL_STYLE) & ~WS_DISABLED);
  {
    CriticalSectionLock lock(column_lock_);
    view_.length = 0;
  }
  handled_start_ = handled_count_ = 0;
  start(THREAD_PRIORITY_LOWEST);
}

void WaveWindow::unload() {
  stop(5000);
  // The source is let go only once the worker that reads it has ended.
  if (!thread_handle() || WaitForSingleObject(thread_handle(), 0) != WAIT_TIMEOUT) source_.reset();
  if (window_) EnableWindow(window_, FALSE);
}

void WaveWindow::set_length(int32_t frames) {
  int32_t old = length_;
  length_ = frames;
  CriticalSectionLock lock(column_lock_);
  int a = view_.column_of(std::min(old, frames)), b = view_.column_of(std::max(old, frames));
  if (view_.length == 0) return;
  invalidate_columns(a < 0 ? 0 : a, b < 0 ? 0 : b + 1);
}

void WaveWindow::set_cursor(int32_t frame, int32_t span) {
  CriticalSectionLock lock(column_lock_);
  if (view_.length != 0) {
    for (int64_t f : {static_cast<int64_t>(cursor_), static_cast<int64_t>(frame)}) {
      int64_t end = f == cursor_ ? f + span_ : f + span;
      int a = view_.column_of(f), b = view_.column_of(end);
      if (b < 0) continue;
      invalidate_columns(a < 0 ? 0 : a, b + 1);
    }
  }
  cursor_ = frame;
  span_ = span;
}

void WaveWindow::request(int32_t start, int32_t count) {
  CriticalSectionLock lock(request_lock_);
  request_start_ = start;
  request_count_ = count;
  SetEvent(request_event_.get());
}

WaveView WaveWindow::view() {
  CriticalSectionLock lock(column_lock_);
  return view_;
}

bool WaveWindow::idle() {
  CriticalSectionLock lock(request_lock_);
  return handled_start_ == request_start_ && handled_count_ == request_count_;
}

void WaveWindow::invalidate_columns(int lo, int hi) {
  if (!window_ || hi <= lo) return;
  RECT rect = {lo + 1, 1, hi + 2, height_};
  InvalidateRect(window_, &rect, FALSE);
}

void WaveWindow::run() {
  const int channels = source_->channels ? source_->channels : 1;
  std::vector<int32_t> buffer(static_cast<size_t>(kMaxFramesPerCall) * channels);
  int32_t last_start = 0, last_count = 0;
  while (!stop_requested()) {
    int32_t start, count;
    {
      CriticalSectionLock lock(request_lock_);
      ResetEvent(request_event_.get());
      start = request_start_;
      count = request_count_;
    }
    if (start == last_start && count == last_count) {
      wait_for_stop_or_event(request_event_.get(), INFINITE);
      continue;
    }
    ViewChange change;
    int width;
    {
      CriticalSectionLock lock(column_lock_);
      change = apply_view_request(view_, start, count, window_ != nullptr);
      width = view_.width;
      if (change.shift != 0 && window_) {
        RECT area = {1, 1, width + 1, height_};
        ScrollWindowEx(window_, change.shift, 0, &area, &area, nullptr, nullptr, 0);
        shift_columns(columns_, width, change);
        RECT dirty = {change.lo + 1, 1, change.hi + 2, height_};
        ValidateRect(window_, &dirty);
      } else if (!change.rescaled && change.hi > change.lo && window_) {
        ValidateRect(window_, nullptr);
      }
    }
    int lo = std::min(std::max(change.lo, 0), width);
    int hi = std::min(std::max(change.hi, 0), std::min(width, kWaveColumns));
    compute_columns(lo, hi, buffer.data());
    invalidate_columns(lo, hi);
    last_start = start;
    last_count = count;
    CriticalSectionLock lock(request_lock_);
    handled_start_ = start;
    handled_count_ = count;
  }
}

// Each column is the largest magnitude over the frames up to the next column's first.
void WaveWindow::compute_columns(int lo, int hi, int32_t* buffer) {
  if (lo >= hi) return;
  const int channels = source_->channels ? source_->channels : 1;
  source_->seek(std::max(view_.frame_of(lo), 0));
  for (int x = lo; x < hi && !stop_requested(); ++x) {
    int64_t e = static_cast<int64_t>(view_.frame_of(x + 1)) - source_->position();
    int32_t m = 0;
    while (e > 0) {
      int frames = static_cast<int>(std::min<int64_t>(e, kMaxFramesPerCall));
      source_->read(buffer, frames);
      m = std::max(m, peak_magnitude(buffer, frames, channels));
      e -= frames;
    }
    columns_[x] = column_value(m);
  }
}

void WaveWindow::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  CriticalSectionLock lock(column_lock_);
  const RECT& update = ps.rcPaint;
  const int width = view_.width, height = height_;
  if (IsWindowEnabled(window_)) {
    int cursor = view_.column_of(cursor_);
    if (cursor == width) cursor = width - 1;
    int span_end = view_.column_of(static_cast<int64_t>(cursor_) + span_);
    int first = view_.column_of(0), last = view_.column_of(length_);
    // Column `width` would be the frame line (and one byte past the columns).
    int from = std::max(static_cast<int>(update.left) - 1, 0), to = std::min(width - 1, static_cast<int>(update.right) - 1);
    const int mid = height / 2;
    for (int x = from; x <= to; ++x) {
      const int px = x + 1;
      if (view_.length != 0 && x == cursor) {
        SelectObject(dc, pens_[kCursor].get());
        MoveToEx(dc, px, 1, nullptr);
        LineTo(dc, px, height);
        continue;
      }
      Pen wave = kWave, background = kBackground;
      bool inside = view_.length != 0 && first < width && x >= first && last >= 0 && x < last;
      if (!inside) {
        wave = kOutsideWave;
        background = kOutsideBackground;
      } else if (cursor >= 0 && x >= cursor && x <= span_end && span_ > 0) {
        wave = kSpanWave;
        background = kSpanBackground;
      }
      const int half = (columns_[x] * height) >> 9;
      SelectObject(dc, pens_[background].get());
      MoveToEx(dc, px, 1, nullptr);
      LineTo(dc, px, mid - half);
      SelectObject(dc, pens_[wave].get());
      LineTo(dc, px, mid + half + 1);
      SelectObject(dc, pens_[background].get());
      LineTo(dc, px, height);
    }
  } else {
    FillRect(dc, &update, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  }
  SelectObject(dc, GetStockObject(WHITE_PEN));
  MoveToEx(dc, 0, height, nullptr);
  LineTo(dc, width + 1, height);
  LineTo(dc, width + 1, -1);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, width + 1, 0, nullptr);
  LineTo(dc, 0, 0);
  LineTo(dc, 0, height);
  EndPaint(window_, &ps);
}

LRESULT WaveWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      resize();
      return 0;
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONUP: {
      int x = static_cast<short>(LOWORD(lparam));
      int32_t frame;
      {
        CriticalSectionLock lock(column_lock_);
        frame = view_.frame_of(x);
      }
      set_cursor(frame, 0);
      PostMessageA(GetParent(window_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window_), kWaveWindowClicked),
                   reinterpret_cast<LPARAM>(window_));
      return 0;
    }
  }
  return DefWindowProcA(window_, message, wparam, lparam);
}

LRESULT CALLBACK WaveWindow::window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<WaveWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) {
    if (message == WM_PAINT) {
      // Not attached yet: grey, like an unloaded display.
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
      EndPaint(window, &ps);
      return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
  }
  return self->handle(message, wparam, lparam);
}

}  // namespace vt

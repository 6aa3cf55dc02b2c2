#include "ui/wave_window_win.h"

#include <algorithm>
#include <vector>

#include "audio/levels.h"
#include "win/worker_thread_win.h"

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

// The worker and what it shares with painting. It lives on the heap so that a worker
// stuck in a read past its stop time-out can outlive the window object: it is then
// handed to the worker, which frees it (and lets the source go) when its run ends.
class WaveWindow::Worker : public WorkerThread {
 public:
  Worker() : request_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Worker() override { stop_and_close(); }

  void invalidate_columns(int lo, int hi);

  // Set by the main thread, read by the worker; cleared under column_lock when the
  // window object goes.
  HWND volatile window = nullptr;  // null once the window object has gone
  // Under column_lock: the picture. The worker writes the columns and the view's start
  // and scale, resize (main thread) the width and height; paint reads them all.
  uint8_t columns[kWaveColumns] = {};
  WaveView view;
  int32_t height = 0;
  CriticalSection column_lock;
  // The worker's alone while it runs; the main thread sets or drops it only when no run lives.
  SourceRef source;
  // Under request_lock: the latest request (main thread) and the one handled (worker).
  int32_t request_start = 0, request_count = 0;
  volatile LONG handled_start = 0, handled_count = 0;
  CriticalSection request_lock;
  OwnedHandle request_event;

 private:
  void run() override;
  void compute_columns(int lo, int hi, int32_t* buffer);
};

WaveWindow::WaveWindow() : worker_(new Worker()) {
  pens_[kWave].reset(CreatePen(PS_SOLID, 1, RGB(102, 255, 102)));
  pens_[kBackground].reset(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  pens_[kOutsideWave].reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT)));
  pens_[kOutsideBackground].reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE)));
  pens_[kSpanWave].reset(CreatePen(PS_SOLID, 1, RGB(0, 128, 0)));
  pens_[kSpanBackground].reset(CreatePen(PS_SOLID, 1, RGB(255, 255, 189)));
  pens_[kCursor].reset(CreatePen(PS_SOLID, 1, RGB(0, 255, 0)));
  register_wave_window(GetModuleHandleA(nullptr));
}

// A worker already asked to stop and still stuck is not waited for a second time.
WaveWindow::~WaveWindow() {
  unload(worker_->stop_requested() ? 0 : 5000);
  if (window_) SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
  {
    CriticalSectionLock lock(worker_->column_lock);
    worker_->window = nullptr;
  }
  WorkerThread::release(worker_);
}

void WaveWindow::attach(HWND window) {
  window_ = window;
  worker_->window = window;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  resize();
}

void WaveWindow::resize() {
  if (!window_) return;
  RECT client;
  GetClientRect(window_, &client);
  CriticalSectionLock lock(worker_->column_lock);
  worker_->view.width = std::min(std::max(static_cast<int>(client.right) - 2, 1), kWaveColumns);
  worker_->height = client.bottom - 1;
}

bool WaveWindow::running() const { return worker_->running(); }
int WaveWindow::width() const {
  CriticalSectionLock lock(worker_->column_lock);
  return worker_->view.width;
}
int WaveWindow::height() const {
  CriticalSectionLock lock(worker_->column_lock);
  return worker_->height;
}
uint8_t WaveWindow::column(int x) const {
  CriticalSectionLock lock(worker_->column_lock);
  return worker_->columns[x];
}

void WaveWindow::load(const SourceRef& source) {
  unload();
  request(0, 0);
  // A worker stuck past its stop time-out still reads the previous source.
  if (worker_->alive()) return;
  if (source->status != kSourceOk) return;
  worker_->source = source;
  if (window_) SetWindowLongA(window_, GWL_STYLE, GetWindowLongA(window_, GWL_STYLE) & ~WS_DISABLED);
  {
    CriticalSectionLock lock(worker_->column_lock);
    worker_->view.length = 0;
  }
  worker_->handled_start = worker_->handled_count = 0;
  worker_->start(THREAD_PRIORITY_LOWEST);
}

void WaveWindow::unload(DWORD wait_ms) {
  // The source is let go only once the worker that reads it has ended.
  if (worker_->stop(wait_ms)) worker_->source.reset();
  if (window_) EnableWindow(window_, FALSE);
}

void WaveWindow::request_stop() { worker_->request_stop(); }

void WaveWindow::set_length(int32_t frames) {
  int32_t old = length_;
  length_ = frames;
  CriticalSectionLock lock(worker_->column_lock);
  const WaveView& view = worker_->view;
  int a = view.column_of(std::min(old, frames)), b = view.column_of(std::max(old, frames));
  if (view.length == 0) return;
  invalidate_columns(a < 0 ? 0 : a, b < 0 ? 0 : b + 1);
}

void WaveWindow::set_cursor(int32_t frame, int32_t span) {
  CriticalSectionLock lock(worker_->column_lock);
  const WaveView& view = worker_->view;
  if (view.length != 0) {
    for (int64_t f : {static_cast<int64_t>(cursor_), static_cast<int64_t>(frame)}) {
      int64_t end = f == cursor_ ? f + span_ : f + span;
      int a = view.column_of(f), b = view.column_of(end);
      if (b < 0) continue;
      invalidate_columns(a < 0 ? 0 : a, b + 1);
    }
  }
  cursor_ = frame;
  span_ = span;
}

void WaveWindow::request(int32_t start, int32_t count) {
  CriticalSectionLock lock(worker_->request_lock);
  worker_->request_start = start;
  worker_->request_count = count;
  SetEvent(worker_->request_event.get());
}

WaveView WaveWindow::view() {
  CriticalSectionLock lock(worker_->column_lock);
  return worker_->view;
}

bool WaveWindow::idle() {
  CriticalSectionLock lock(worker_->request_lock);
  return worker_->handled_start == worker_->request_start && worker_->handled_count == worker_->request_count;
}

void WaveWindow::invalidate_columns(int lo, int hi) { worker_->invalidate_columns(lo, hi); }

void WaveWindow::Worker::invalidate_columns(int lo, int hi) {
  HWND target = window;
  if (!target || hi <= lo) return;
  RECT rect = {lo + 1, 1, hi + 2, height};
  InvalidateRect(target, &rect, FALSE);
}

void WaveWindow::Worker::run() {
  const int channels = source->channels ? source->channels : 1;
  std::vector<int32_t> buffer(static_cast<size_t>(kMaxFramesPerCall) * channels);
  int32_t last_start = 0, last_count = 0;
  while (!stop_requested()) {
    int32_t start, count;
    {
      CriticalSectionLock lock(request_lock);
      ResetEvent(request_event.get());
      start = request_start;
      count = request_count;
    }
    if (start == last_start && count == last_count) {
      wait_for_stop_or_event(request_event.get(), INFINITE);
      continue;
    }
    ViewChange change;
    int width;
    {
      CriticalSectionLock lock(column_lock);
      HWND target = window;
      change = apply_view_request(view, start, count, target != nullptr);
      width = view.width;
      if (change.shift != 0 && target) {
        RECT area = {1, 1, width + 1, height};
        ScrollWindowEx(target, change.shift, 0, &area, &area, nullptr, nullptr, 0);
        shift_columns(columns, width, change);
        RECT dirty = {change.lo + 1, 1, change.hi + 2, height};
        ValidateRect(target, &dirty);
      } else if (!change.rescaled && change.hi > change.lo && target) {
        ValidateRect(target, nullptr);
      }
    }
    int lo = std::min(std::max(change.lo, 0), width);
    int hi = std::min(std::max(change.hi, 0), std::min(width, kWaveColumns));
    compute_columns(lo, hi, buffer.data());
    invalidate_columns(lo, hi);
    last_start = start;
    last_count = count;
    CriticalSectionLock lock(request_lock);
    handled_start = start;
    handled_count = count;
  }
}

// Each column is the largest magnitude over the frames up to the next column's first.
// The reading runs outside the lock (paint must not wait for the disk); each value is
// stored under it. The view's start and scale change on the worker alone, so reading
// them here needs no lock.
void WaveWindow::Worker::compute_columns(int lo, int hi, int32_t* buffer) {
  if (lo >= hi) return;
  const int channels = source->channels ? source->channels : 1;
  source->seek(std::max(view.frame_of(lo), 0));
  for (int x = lo; x < hi && !stop_requested(); ++x) {
    int64_t e = static_cast<int64_t>(view.frame_of(x + 1)) - source->position();
    int32_t m = 0;
    while (e > 0) {
      int frames = static_cast<int>(std::min<int64_t>(e, kMaxFramesPerCall));
      source->read(buffer, frames);
      m = std::max(m, peak_magnitude(buffer, frames, channels));
      e -= frames;
    }
    const uint8_t value = column_value(m);
    CriticalSectionLock lock(column_lock);
    columns[x] = value;
  }
}

void WaveWindow::paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window_, &ps);
  CriticalSectionLock lock(worker_->column_lock);
  const WaveView& view = worker_->view;
  const uint8_t* columns = worker_->columns;
  const RECT& update = ps.rcPaint;
  const int width = view.width, height = worker_->height;
  if (IsWindowEnabled(window_)) {
    int cursor = view.column_of(cursor_);
    if (cursor == width) cursor = width - 1;
    int span_end = view.column_of(static_cast<int64_t>(cursor_) + span_);
    int first = view.column_of(0), last = view.column_of(length_);
    // Column `width` would be the frame line (and one byte past the columns).
    int from = std::max(static_cast<int>(update.left) - 1, 0), to = std::min(width - 1, static_cast<int>(update.right) - 1);
    const int mid = height / 2;
    for (int x = from; x <= to; ++x) {
      const int px = x + 1;
      if (view.length != 0 && x == cursor) {
        SelectObject(dc, pens_[kCursor].get());
        MoveToEx(dc, px, 1, nullptr);
        LineTo(dc, px, height);
        continue;
      }
      Pen wave = kWave, background = kBackground;
      bool inside = view.length != 0 && first < width && x >= first && last >= 0 && x < last;
      if (!inside) {
        wave = kOutsideWave;
        background = kOutsideBackground;
      } else if (cursor >= 0 && x >= cursor && x <= span_end && span_ > 0) {
        wave = kSpanWave;
        background = kSpanBackground;
      }
      const int half = (columns[x] * height) >> 9;
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
        CriticalSectionLock lock(worker_->column_lock);
        frame = worker_->view.frame_of(x);
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

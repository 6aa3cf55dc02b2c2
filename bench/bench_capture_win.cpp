// CPU time the capture thread spends per minute of 48 kHz stereo audio, from its own times.
#include <windows.h>

#include <cstdio>

#include "capture/capture_engine_win.h"

namespace {

class CountingListener : public vt::RecorderListener {
 public:
  void on_time(uint32_t, int32_t ms) override { time_ms = ms; }
  int32_t time_ms = 0;
};

double thread_cpu_seconds(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!thread || !GetThreadTimes(thread, &created, &exited, &kernel, &user)) return -1;
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

}  // namespace

int main() {
  const int seconds = 10;
  vt::CaptureEngine engine;
  CountingListener listener;
  engine.set_listener(&listener, 0);
  engine.set_sink(vt::SinkRef(new vt::CountingSink(48000, 2)));
  if (!engine.start(14400000, -127, 216000000)) {
    std::printf("capture: the input device could not be opened\n");
    return 1;
  }
  DWORD start = GetTickCount();
  MSG msg;
  while (listener.time_ms < seconds * 1000 && GetTickCount() - start < (seconds + 20) * 1000u) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    Sleep(50);
  }
  double cpu = thread_cpu_seconds(engine.thread_handle());
  int32_t recorded_ms = listener.time_ms;
  engine.stop();
  if (cpu < 0 || recorded_ms <= 0) {
    std::printf("capture: no thread times\n");
    return 1;
  }
  double per_minute = cpu * 60000.0 / recorded_ms;
  std::printf("capture thread, 48 kHz stereo: %.1f ms CPU per minute recorded (%.4f%% of a core)\n",
              per_minute * 1000, per_minute / 60 * 100);
  return 0;
}

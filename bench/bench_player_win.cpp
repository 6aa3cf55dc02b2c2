// CPU time the player's writer and watcher threads spend per minute of 48 kHz stereo
// playback, from their own times.
#include <windows.h>

#include <cmath>
#include <cstdio>

#include "player/wave_player_win.h"

namespace {

// A 1 kHz tone made as it is read, so that the source costs next to nothing.
class ToneSource : public vt::AudioSource {
 public:
  ToneSource(int32_t rate, int32_t frames) : AudioSource(rate, vt::kFullScale, 2), frames_(frames) {
    for (int i = 0; i < 48; ++i) period_[i] = static_cast<int32_t>(std::lround(8192 * 16 * std::sin(2 * M_PI * i / 48)));
  }
  void read(int32_t* out, int frames) override {
    for (int i = 0; i < frames; ++i, ++position_) out[2 * i] = out[2 * i + 1] = period_[position_ % 48];
  }
  int32_t position() override { return position_; }
  int32_t length() override { return frames_; }
  void seek(int32_t frame) override { position_ = frame; }

 private:
  int32_t period_[48];
  int32_t frames_;
  int32_t position_ = 0;
};

class EndListener : public vt::PlayerListener {
 public:
  void on_stopped(uint32_t) override { stopped = true; }
  void on_position(int32_t ms, uint32_t) override { position_ms = ms; }
  bool stopped = false;
  int32_t position_ms = 0;
};

}  // namespace

int main() {
  const int seconds = 30;
  vt::WavePlayer player;
  EndListener listener;
  player.set_listener(&listener, 0);
  if (!player.open(vt::SourceRef(new ToneSource(48000, 48000 * seconds)))) {
    std::printf("player: the output device could not be opened\n");
    return 1;
  }
  DWORD start = GetTickCount();
  MSG msg;
  while (!listener.stopped && GetTickCount() - start < (seconds + 20) * 1000u) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  player.close();
  const int32_t played_ms = listener.position_ms;
  const double cpu = player.thread_time_100ns() / 1e7;
  if (played_ms <= 0) {
    std::printf("player: nothing played\n");
    return 1;
  }
  double per_minute = cpu * 60000.0 / played_ms;
  std::printf("player writer + watcher threads, 48 kHz stereo: %.1f ms CPU per minute played (%.4f%% of a core)\n",
              per_minute * 1000, per_minute / 60 * 100);
  return 0;
}

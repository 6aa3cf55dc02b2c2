// Plays an audio source on a wave-output device through a ring of 64 buffers of a tenth
// of a second: a writer thread fills and queues them, a watcher thread takes them back
// as they finish and reports position and levels through the notifier. Also loops a
// 25 ms snippet (scrub) and seeks. Works without a window; the owner listens.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "audio/stream.h"
#include "player/player_listener.h"

namespace vt {

enum PlayerState : uint16_t { kPlayerClosed = 0, kPlayerPlaying = 1, kPlayerScrubbing = 5 };
constexpr uint16_t kPlayerOpenBit = 1, kPlayerScrubBit = 4;

// The wave-output calls the player makes; tests put a device that misbehaves here.
struct WaveOutCalls {
  MMRESULT(WINAPI* open)(HWAVEOUT*, UINT, const WAVEFORMATEX*, DWORD_PTR, DWORD_PTR, DWORD);
  MMRESULT(WINAPI* prepare)(HWAVEOUT, WAVEHDR*, UINT);
  MMRESULT(WINAPI* unprepare)(HWAVEOUT, WAVEHDR*, UINT);
  MMRESULT(WINAPI* write)(HWAVEOUT, WAVEHDR*, UINT);
  MMRESULT(WINAPI* reset)(HWAVEOUT);
  MMRESULT(WINAPI* close)(HWAVEOUT);
};
// The system's own.
const WaveOutCalls& system_wave_out();

class WavePlayer {
 public:
  explicit WavePlayer(const WaveOutCalls& calls = system_wave_out());
  // A writer that has not ended keeps its ring, source and device: they go when it ends.
  ~WavePlayer();
  WavePlayer(const WavePlayer&) = delete;
  WavePlayer& operator=(const WavePlayer&) = delete;

  // Closes what plays and plays `stream` from its read point; false when the stream is
  // unusable or no device takes its format.
  bool open(const SourceRef& stream);
  void play();  // from scrub back to normal playback
  void scrub();
  void seek(int32_t frame);
  void close();
  void set_listener(PlayerListener* listener, uint32_t cookie);

  uint32_t device = 0;  // 0: the default output; n: output device n - 1
  uint16_t state() const;
  int32_t position() const;
  int frames_per_buffer() const;
  int channels() const;
  // CPU time (100 ns units) the writer and watcher threads used in the runs that ended.
  uint64_t thread_time_100ns() const;

 private:
  class Engine;
  Engine* engine_;
};

}  // namespace vt

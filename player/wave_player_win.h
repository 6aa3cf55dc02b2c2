// Plays an audio source on a wave-output device through a ring of 64 buffers of a tenth
// of a second: a writer thread fills and queues them, a watcher thread takes them back
// as they finish and reports position and levels through the notifier. Also loops a
// 25 ms snippet (scrub) and seeks. Works without a window; the owner listens.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "audio/stream.h"
#include "player/player_blocks.h"
#include "player/player_listener.h"
#include "win/handles_win.h"
#include "win/notifier_win.h"
#include "win/worker_thread_win.h"

namespace vt {

enum PlayerState : uint16_t { kPlayerClosed = 0, kPlayerPlaying = 1, kPlayerScrubbing = 5 };
constexpr uint16_t kPlayerOpenBit = 1, kPlayerScrubBit = 4;

class WavePlayer : public WorkerThread, private NotificationTarget {
 public:
  WavePlayer();
  ~WavePlayer() override;

  // Closes what plays and plays `stream` from its read point; false when the stream is
  // unusable or no device takes its format.
  bool open(const SourceRef& stream);
  void play();  // from scrub back to normal playback
  void scrub();
  void seek(int32_t frame);
  void close();
  void set_listener(PlayerListener* listener, uint32_t cookie);

  uint32_t device = 0;  // 0: the default output; n: output device n - 1
  uint16_t state() const { return state_; }
  int32_t position() const { return position_; }
  int frames_per_buffer() const { return frames_per_buffer_; }
  int channels() const { return channels_; }
  // CPU time (100 ns units) the writer and watcher threads used in the runs that ended.
  uint64_t thread_time_100ns() const { return thread_time_; }

 private:
  class Watcher : public WorkerThread {
   public:
    explicit Watcher(WavePlayer& player) : player_(player) {}
    ~Watcher() override { stop_and_close(); }

   private:
    void run() override { player_.watch(); }
    WavePlayer& player_;
  };

  struct Slot {
    DWORD capacity = 0;
    WAVEHDR header = {};
    LevelRecord levels;
    volatile uint8_t free = 1;
  };

  void run() override;  // the writer
  void watch();
  void on_notify() override;
  // Stops the writer (and with it the watcher); false when it did not end in time, and
  // then nothing it uses may be touched.
  bool stop_writer();
  bool writer_alive() const;
  bool write_next(Slot& slot);
  void write_scrub_loop();
  void release_device();
  void add_thread_time();

  Watcher watcher_;
  Notifier notifier_;
  PlayerListener null_listener_;
  PlayerListener* listener_ = &null_listener_;
  uint32_t cookie_ = 0;
  OwnedHandle completion_event_;
  OwnedHandle buffer_free_event_;
  volatile LONG position_ = 0;
  uint16_t state_ = kPlayerClosed;
  volatile LONG end_pending_ = 0;
  volatile LONG position_pending_ = 0;
  HGLOBAL block_ = nullptr;
  int16_t* pcm_ = nullptr;
  SourceRef source_;
  int32_t* conversion_ = nullptr;
  HWAVEOUT wave_out_ = nullptr;
  int frames_per_buffer_ = 0;
  uint8_t channels_ = 1;
  Slot slots_[kPlayerBuffers];
  LevelRecord latest_levels_;
  CriticalSection levels_lock_;
  volatile uint8_t boosted_ = 0;
  volatile LONG completions_ = 0;
  volatile LONG64 thread_time_ = 0;
};

}  // namespace vt

#include "player/wave_player_win.h"

#include <cstring>

#include "audio/peak_limiter.h"
#include "base/time_units.h"
#include "player/player_blocks.h"
#include "win/handles_win.h"
#include "win/notifier_win.h"
#include "win/worker_thread_win.h"

namespace vt {

namespace {

const DWORD kStopWaitMs = 5000;
const DWORD kLoopFlags = WHDR_DONE | WHDR_BEGINLOOP | WHDR_ENDLOOP;

uint64_t thread_time_of(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return 0;
  auto value = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return value(kernel) + value(user);
}

const WaveOutCalls kSystemWaveOut = {waveOutOpen, waveOutPrepareHeader, waveOutUnprepareHeader,
                                     waveOutWrite, waveOutReset,         waveOutClose};

}  // namespace

const WaveOutCalls& system_wave_out() { return kSystemWaveOut; }

// Everything the writer and watcher threads use. It lives on the heap so that a writer
// stuck past its stop time-out can outlive the player that made it: the player then
// hands it to the writer, which frees it when its run ends.
class WavePlayer::Engine : public WorkerThread, private NotificationTarget {
 public:
  explicit Engine(const WaveOutCalls& calls);
  ~Engine() override;

  bool open(const SourceRef& stream);
  void play();
  void scrub();
  void seek(int32_t frame);
  void close();
  void set_listener(PlayerListener* listener, uint32_t cookie);
  // Gives the engine up: freed now, or by a writer that is still stuck when it ends.
  void dispose();

  uint32_t device = 0;
  uint16_t state() const { return state_; }
  int32_t position() const { return position_; }
  int frames_per_buffer() const { return frames_per_buffer_; }
  int channels() const { return channels_; }
  uint64_t thread_time_100ns() const { return thread_time_; }

 private:
  class Watcher : public WorkerThread {
   public:
    explicit Watcher(Engine& engine) : engine_(engine) {}
    ~Watcher() override { stop_and_close(); }

   private:
    void run() override { engine_.watch(); }
    Engine& engine_;
  };

  // A ring slot: the writer fills a free one and clears `free`; the watcher takes it back
  // once the device marks it done and sets `free` again. The flag is the hand-over.
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
  bool write_next(Slot& slot);
  bool write_scrub_loop();
  void refuse();
  void release_device();
  void add_thread_time();

  // Main thread: calls_, listener_, cookie_, state_ (on_notify runs there). The device,
  // ring and source are set up before the writer starts and let go after it ended.
  const WaveOutCalls& calls_;
  Watcher watcher_;
  Notifier notifier_;
  PlayerListener null_listener_;
  PlayerListener* listener_ = &null_listener_;
  uint32_t cookie_ = 0;
  OwnedHandle completion_event_;
  OwnedHandle buffer_free_event_;
  volatile LONG position_ = 0;  // interlocked: written by the watcher, read by the main thread
  uint16_t state_ = kPlayerClosed;
  volatile LONG end_pending_ = 0;
  volatile LONG position_pending_ = 0;
  volatile LONG refused_ = 0;  // the device would not take a buffer
  HGLOBAL block_ = nullptr;
  int16_t* pcm_ = nullptr;
  SourceRef source_;
  int32_t* conversion_ = nullptr;
  HWAVEOUT wave_out_ = nullptr;
  int frames_per_buffer_ = 0;
  uint8_t channels_ = 1;
  Slot slots_[kPlayerBuffers];
  LevelRecord latest_levels_;  // under levels_lock_: the watcher writes, on_notify reads
  CriticalSection levels_lock_;
  volatile uint8_t boosted_ = 0;
  volatile LONG completions_ = 0;      // interlocked, watcher
  volatile LONG64 thread_time_ = 0;    // interlocked, both threads add theirs as they end
};

WavePlayer::Engine::Engine(const WaveOutCalls& calls)
    : calls_(calls),
      watcher_(*this),
      notifier_(this),
      completion_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      buffer_free_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

// Runs once the writer has ended: on the owner's thread, or on the writer's own after
// dispose handed the engine over.
WavePlayer::Engine::~Engine() {
  watcher_.stop(kStopWaitMs);
  release_device();
}

void WavePlayer::Engine::dispose() {
  listener_ = &null_listener_;
  close();
  // Its messages would reach an engine that may be gone; the window belongs to this thread.
  notifier_.close();
  WorkerThread::release(this);
}

void WavePlayer::Engine::set_listener(PlayerListener* listener, uint32_t cookie) {
  listener_ = listener ? listener : &null_listener_;
  cookie_ = cookie;
}

bool WavePlayer::Engine::stop_writer() { return WorkerThread::stop(kStopWaitMs); }

bool WavePlayer::Engine::open(const SourceRef& stream) {
  close();
  // A writer stuck past its stop time-out still holds the previous ring.
  if (alive()) return false;
  release_device();
  if (stream->status != kSourceOk) return false;
  SourceRef source = stream;
  if (source->peak_bound > kFullScale) source = SourceRef(new PeakLimiter(source, kFullScale));
  const uint8_t channels = source->channels ? source->channels : 1;
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = channels;
  format.nSamplesPerSec = static_cast<DWORD>(source->sample_rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<WORD>(2 * channels);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  const UINT id = device == 0 ? WAVE_MAPPER : device - 1u;
  const DWORD_PTR callback = reinterpret_cast<DWORD_PTR>(completion_event_.get());
  if (calls_.open(&wave_out_, id, &format, callback, 0, CALLBACK_EVENT) != MMSYSERR_NOERROR &&
      calls_.open(&wave_out_, id, &format, callback, 0, CALLBACK_EVENT | WAVE_MAPPED) != MMSYSERR_NOERROR) {
    wave_out_ = nullptr;
    return false;
  }
  channels_ = channels;
  frames_per_buffer_ = player_buffer_frames(source->sample_rate);
  const DWORD bytes = static_cast<DWORD>(frames_per_buffer_) * channels * 2;
  conversion_ = new int32_t[static_cast<size_t>(frames_per_buffer_) * channels]();
  block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, static_cast<SIZE_T>(bytes) * kPlayerBuffers);
  pcm_ = block_ ? static_cast<int16_t*>(GlobalLock(block_)) : nullptr;
  if (!pcm_) {
    source_ = source;
    release_device();
    return false;
  }
  char* memory = reinterpret_cast<char*>(pcm_);
  bool prepared = true;
  for (int i = 0; i < kPlayerBuffers; ++i) {
    Slot& slot = slots_[i];
    slot.capacity = bytes;
    slot.header = WAVEHDR{};
    slot.header.lpData = memory + static_cast<size_t>(i) * bytes;
    slot.header.dwBufferLength = bytes;
    slot.free = 1;
    if (prepared && calls_.prepare(wave_out_, &slot.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) prepared = false;
  }
  source_ = source;
  if (!prepared) {
    // A device that will not take the ring cannot play it.
    release_device();
    listener_->on_device_refused(cookie_);
    return false;
  }
  state_ = kPlayerPlaying;
  end_pending_ = 0;
  position_pending_ = 0;
  refused_ = 0;
  position_ = source_->position();
  WorkerThread::start(THREAD_PRIORITY_NORMAL);
  listener_->on_started(cookie_);
  listener_->on_position(frames_to_ms32(position_, source_->sample_rate), cookie_);
  return true;
}

void WavePlayer::Engine::release_device() {
  if (!wave_out_ && !block_ && !conversion_) {
    source_.reset();
    return;
  }
  if (wave_out_) {
    calls_.reset(wave_out_);
    // The device may hold on to a header for a moment after the reset.
    DWORD budget = 1000;
    for (Slot& slot : slots_) {
      if (!slot.header.lpData) continue;
      slot.header.dwBufferLength = slot.capacity;
      if (slot.header.dwFlags & WHDR_PREPARED) {
        while (calls_.unprepare(wave_out_, &slot.header, sizeof(WAVEHDR)) == WAVERR_STILLPLAYING && budget > 0) {
          Sleep(50);
          budget = budget > 50 ? budget - 50 : 0;
        }
      }
      slot.header = WAVEHDR{};
    }
  }
  if (block_) {
    GlobalUnlock(block_);
    GlobalFree(block_);
  }
  block_ = nullptr;
  pcm_ = nullptr;
  delete[] conversion_;
  conversion_ = nullptr;
  source_.reset();
  if (wave_out_) calls_.close(wave_out_);
  wave_out_ = nullptr;
}

void WavePlayer::Engine::close() {
  if (state_ == kPlayerClosed) return;
  // Past the time-out the writer still uses the ring, the source and the device: they
  // stay until it has ended (the next Open or the engine's end looks again).
  if (stop_writer()) release_device();
  state_ = kPlayerClosed;
  end_pending_ = 0;
  position_pending_ = 0;
  position_ = 0;
  listener_->on_stopped(cookie_);
}

void WavePlayer::Engine::play() {
  if (!(state_ & kPlayerOpenBit) || !(state_ & kPlayerScrubBit)) return;
  calls_.reset(wave_out_);
  state_ = kPlayerPlaying;
  WorkerThread::start(THREAD_PRIORITY_NORMAL);
  listener_->on_started(cookie_);
}

void WavePlayer::Engine::scrub() {
  if (!(state_ & kPlayerOpenBit) || (state_ & kPlayerScrubBit)) return;
  if (!stop_writer()) return;
  source_->seek(position_);
  position_ = source_->position();
  if (!write_scrub_loop()) return;
  state_ = kPlayerScrubbing;
  end_pending_ = 0;
  position_pending_ = 0;
  listener_->on_scrub_started(cookie_);
  listener_->on_position(frames_to_ms32(position_, source_->sample_rate), cookie_);
}

void WavePlayer::Engine::seek(int32_t frame) {
  if (!(state_ & kPlayerOpenBit)) return;
  if (!stop_writer()) return;
  calls_.reset(wave_out_);
  source_->seek(frame);
  position_ = source_->position();
  end_pending_ = 0;
  position_pending_ = 0;
  if (state_ & kPlayerScrubBit) {
    if (!write_scrub_loop()) return;
  } else {
    WorkerThread::start(THREAD_PRIORITY_NORMAL);
  }
  listener_->on_position(frames_to_ms32(position_, source_->sample_rate), cookie_);
}

// A refused buffer ends playback where it was, as the end of the file would.
void WavePlayer::Engine::refuse() {
  const int32_t at = position_;
  const int32_t rate = source_.get() ? source_->sample_rate : 0;
  close();
  listener_->on_position(frames_to_ms32(at, rate), cookie_);
  listener_->on_device_refused(cookie_);
}

// Slot 0 holds the snippet at the position repeated over the whole buffer, looped by the
// device until it is reset. The source's read point ends just after the snippet. False
// when the device refused the loop (playback has then ended).
bool WavePlayer::Engine::write_scrub_loop() {
  calls_.reset(wave_out_);
  for (Slot& slot : slots_) slot.free = 1;
  Slot& slot = slots_[0];
  const int snippet = scrub_snippet_frames(frames_per_buffer_);
  source_->read(conversion_, snippet);
  int16_t* pcm = reinterpret_cast<int16_t*>(slot.header.lpData);
  units_to_output16(conversion_, pcm, snippet * channels_);
  repeat_snippet(pcm, snippet, frames_per_buffer_, channels_);
  measure_levels(conversion_, snippet, channels_, slot.levels);
  slot.header.dwFlags = (slot.header.dwFlags & ~kLoopFlags) | WHDR_BEGINLOOP | WHDR_ENDLOOP;
  slot.header.dwBufferLength = slot.capacity;
  slot.header.dwLoops = 0x7fffffff;
  slot.header.dwUser = static_cast<DWORD_PTR>(position_);
  slot.free = 0;
  if (calls_.write(wave_out_, &slot.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
    slot.free = 1;
    refuse();
    return false;
  }
  listener_->on_levels(slot.levels, cookie_);
  return true;
}

bool WavePlayer::Engine::write_next(Slot& slot) {
  const int32_t p = source_->position();
  const int32_t remaining = source_->length() - p;
  if (remaining < 1) return false;
  const int n = remaining < frames_per_buffer_ ? remaining : frames_per_buffer_;
  source_->read(conversion_, n);
  units_to_output16(conversion_, reinterpret_cast<int16_t*>(slot.header.lpData), n * channels_);
  measure_levels(conversion_, n, channels_, slot.levels);
  slot.header.dwFlags &= ~kLoopFlags;
  slot.header.dwLoops = 0;
  slot.header.dwBufferLength = static_cast<DWORD>(n) * channels_ * 2;
  slot.header.dwUser = static_cast<DWORD_PTR>(p + n);
  slot.free = 0;
  if (calls_.write(wave_out_, &slot.header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
    // Never queued, so it never comes back: what was queued plays out, then it ends.
    slot.free = 1;
    InterlockedExchange(&refused_, 1);
    return false;
  }
  return true;
}

void WavePlayer::Engine::run() {
  for (Slot& slot : slots_) {
    slot.free = 1;
    slot.header.dwFlags &= ~kLoopFlags;
  }
  watcher_.start(THREAD_PRIORITY_NORMAL);
  boosted_ = 0;
  completions_ = 0;
  bool ring_filled_once = false;
  int next = 0;
  bool at_end = false;
  while (!stop_requested()) {
    ResetEvent(buffer_free_event_.get());
    if (slots_[next].free) {
      if (!write_next(slots_[next])) {
        at_end = true;
        break;
      }
      next = (next + 1) % kPlayerBuffers;
      continue;
    }
    InterlockedExchange(&completions_, 0);
    if (!ring_filled_once) {
      ring_filled_once = true;
      if (watcher_.thread_handle()) SetThreadPriority(watcher_.thread_handle(), THREAD_PRIORITY_TIME_CRITICAL);
    }
    if (boosted_) {
      SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
      boosted_ = 0;
    }
    wait_for_stop_or_event(buffer_free_event_.get(), 1000);
  }
  if (at_end) {
    // Wait for the last buffer written to come back: then everything has played.
    const int last = (next + kPlayerBuffers - 1) % kPlayerBuffers;
    while (!stop_requested()) {
      ResetEvent(buffer_free_event_.get());
      if (slots_[last].free) {
        InterlockedExchange(&end_pending_, 1);
        notifier_.post();
        break;
      }
      wait_for_stop_or_event(buffer_free_event_.get(), 1000);
    }
  }
  watcher_.stop(kStopWaitMs);
  calls_.reset(wave_out_);
  add_thread_time();
}

void WavePlayer::Engine::watch() {
  int index = 0;
  while (!stop_requested()) {
    ResetEvent(completion_event_.get());
    Slot& slot = slots_[index];
    if (!slot.free && (*static_cast<volatile DWORD*>(&slot.header.dwFlags) & WHDR_DONE)) {
      InterlockedExchange(&position_, static_cast<LONG>(slot.header.dwUser));
      {
        CriticalSectionLock lock(levels_lock_);
        latest_levels_ = slot.levels;
      }
      slot.header.dwFlags &= ~kLoopFlags;
      slot.free = 1;
      SetEvent(buffer_free_event_.get());
      // The writer is falling behind when many buffers come back before it finds the
      // ring full again: let it run first.
      if (InterlockedIncrement(&completions_) - 1 > 32 && !boosted_) {
        if (thread_handle()) SetThreadPriority(thread_handle(), THREAD_PRIORITY_TIME_CRITICAL);
        boosted_ = 1;
      }
      InterlockedExchange(&position_pending_, 1);
      notifier_.post();
      index = (index + 1) % kPlayerBuffers;
      continue;
    }
    wait_for_stop_or_event(completion_event_.get(), 1000);
  }
  add_thread_time();
}

void WavePlayer::Engine::add_thread_time() {
  InterlockedExchangeAdd64(&thread_time_, static_cast<LONG64>(thread_time_of(GetCurrentThread())));
}

void WavePlayer::Engine::on_notify() {
  if (state_ == kPlayerClosed) return;
  if (end_pending_) {
    if (refused_) {
      refuse();
      return;
    }
    listener_->on_position(frames_to_ms32(source_->length(), source_->sample_rate), cookie_);
    if (end_pending_) close();
    return;
  }
  if (InterlockedExchange(&position_pending_, 0)) {
    LevelRecord levels;
    {
      CriticalSectionLock lock(levels_lock_);
      levels = latest_levels_;
    }
    listener_->on_position(frames_to_ms32(position_, source_->sample_rate), cookie_);
    listener_->on_levels(levels, cookie_);
  }
}

// The player itself only forwards; its engine may outlive it.

WavePlayer::WavePlayer(const WaveOutCalls& calls) : engine_(new Engine(calls)) {}

WavePlayer::~WavePlayer() { engine_->dispose(); }

bool WavePlayer::open(const SourceRef& stream) {
  engine_->device = device;
  return engine_->open(stream);
}
void WavePlayer::play() { engine_->play(); }
void WavePlayer::scrub() { engine_->scrub(); }
void WavePlayer::seek(int32_t frame) { engine_->seek(frame); }
void WavePlayer::close() { engine_->close(); }
void WavePlayer::set_listener(PlayerListener* listener, uint32_t cookie) { engine_->set_listener(listener, cookie); }
uint16_t WavePlayer::state() const { return engine_->state(); }
int32_t WavePlayer::position() const { return engine_->position(); }
int WavePlayer::frames_per_buffer() const { return engine_->frames_per_buffer(); }
int WavePlayer::channels() const { return engine_->channels(); }
uint64_t WavePlayer::thread_time_100ns() const { return engine_->thread_time_100ns(); }

}  // namespace vt

#include "player/wave_player_win.h"

#include <cstring>

#include "audio/peak_limiter.h"
#include "base/time_units.h"

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

}  // namespace

WavePlayer::WavePlayer()
    : watcher_(*this),
      notifier_(this),
      completion_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      buffer_free_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

WavePlayer::~WavePlayer() {
  listener_ = &null_listener_;
  close();
  stop_and_close();
  // A writer that never ended still owns the ring and the device: leave them to it.
  if (!writer_alive()) release_device();
}

void WavePlayer::set_listener(PlayerListener* listener, uint32_t cookie) {
  listener_ = listener ? listener : &null_listener_;
  cookie_ = cookie;
}

bool WavePlayer::writer_alive() const {
  HANDLE thread = thread_handle();
  return thread && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
}

bool WavePlayer::stop_writer() {
  WorkerThread::stop(kStopWaitMs);
  return !writer_alive();
}

bool WavePlayer::open(const SourceRef& stream) {
  close();
  // A writer stuck past its stop time-out still holds the previous ring.
  if (writer_alive()) return false;
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
  if (waveOutOpen(&wave_out_, id, &format, callback, 0, CALLBACK_EVENT) != MMSYSERR_NOERROR &&
      waveOutOpen(&wave_out_, id, &format, callback, 0, CALLBACK_EVENT | WAVE_MAPPED) != MMSYSERR_NOERROR) {
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
  for (int i = 0; i < kPlayerBuffers; ++i) {
    Slot& slot = slots_[i];
    slot.capacity = bytes;
    slot.header = WAVEHDR{};
    slot.header.lpData = memory + static_cast<size_t>(i) * bytes;
    slot.header.dwBufferLength = bytes;
    slot.free = 1;
    waveOutPrepareHeader(wave_out_, &slot.header, sizeof(WAVEHDR));
  }
  source_ = source;
  state_ = kPlayerPlaying;
  end_pending_ = 0;
  position_pending_ = 0;
  position_ = source_->position();
  WorkerThread::start(THREAD_PRIORITY_NORMAL);
  listener_->on_started(cookie_);
  listener_->on_position(frames_to_ms(position_, source_->sample_rate), cookie_);
  return true;
}

void WavePlayer::release_device() {
  if (!wave_out_ && !block_ && !conversion_) {
    source_.reset();
    return;
  }
  if (wave_out_) {
    waveOutReset(wave_out_);
    // The device may hold on to a header for a moment after the reset.
    DWORD budget = 1000;
    for (Slot& slot : slots_) {
      if (!slot.header.lpData) continue;
      slot.header.dwBufferLength = slot.capacity;
      while (waveOutUnprepareHeader(wave_out_, &slot.header, sizeof(WAVEHDR)) == WAVERR_STILLPLAYING && budget > 0) {
        Sleep(50);
        budget = budget > 50 ? budget - 50 : 0;
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
  if (wave_out_) waveOutClose(wave_out_);
  wave_out_ = nullptr;
}

void WavePlayer::close() {
  if (state_ == kPlayerClosed) return;
  // Past the time-out the writer still uses the ring, the source and the device: they
  // stay until it has ended (the next Open or the destructor looks again).
  if (stop_writer()) release_device();
  state_ = kPlayerClosed;
  end_pending_ = 0;
  position_pending_ = 0;
  position_ = 0;
  listener_->on_stopped(cookie_);
}

void WavePlayer::play() {
  if (!(state_ & kPlayerOpenBit) || !(state_ & kPlayerScrubBit)) return;
  waveOutReset(wave_out_);
  state_ = kPlayerPlaying;
  WorkerThread::start(THREAD_PRIORITY_NORMAL);
  listener_->on_started(cookie_);
}

void WavePlayer::scrub() {
  if (!(state_ & kPlayerOpenBit) || (state_ & kPlayerScrubBit)) return;
  if (!stop_writer()) return;
  source_->seek(position_);
  position_ = source_->position();
  write_scrub_loop();
  state_ = kPlayerScrubbing;
  end_pending_ = 0;
  position_pending_ = 0;
  listener_->on_scrub_started(cookie_);
  listener_->on_position(frames_to_ms(position_, source_->sample_rate), cookie_);
}

void WavePlayer::seek(int32_t frame) {
  if (!(state_ & kPlayerOpenBit)) return;
  if (!stop_writer()) return;
  waveOutReset(wave_out_);
  source_->seek(frame);
  position_ = source_->position();
  end_pending_ = 0;
  position_pending_ = 0;
  if (state_ & kPlayerScrubBit)
    write_scrub_loop();
  else
    WorkerThread::start(THREAD_PRIORITY_NORMAL);
  listener_->on_position(frames_to_ms(position_, source_->sample_rate), cookie_);
}

// Slot 0 holds the snippet at the position repeated over the whole buffer, looped by the
// device until it is reset. The source's read point ends just after the snippet.
void WavePlayer::write_scrub_loop() {
  waveOutReset(wave_out_);
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
  waveOutWrite(wave_out_, &slot.header, sizeof(WAVEHDR));
  listener_->on_levels(slot.levels, cookie_);
}

bool WavePlayer::write_next(Slot& slot) {
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
  waveOutWrite(wave_out_, &slot.header, sizeof(WAVEHDR));
  return true;
}

void WavePlayer::run() {
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
  waveOutReset(wave_out_);
  add_thread_time();
}

void WavePlayer::watch() {
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

void WavePlayer::add_thread_time() {
  InterlockedExchangeAdd64(&thread_time_, static_cast<LONG64>(thread_time_of(GetCurrentThread())));
}

void WavePlayer::on_notify() {
  if (state_ == kPlayerClosed) return;
  if (end_pending_) {
    listener_->on_position(frames_to_ms(source_->length(), source_->sample_rate), cookie_);
    if (end_pending_) close();
    return;
  }
  if (InterlockedExchange(&position_pending_, 0)) {
    LevelRecord levels;
    {
      CriticalSectionLock lock(levels_lock_);
      levels = latest_levels_;
    }
    listener_->on_position(frames_to_ms(position_, source_->sample_rate), cookie_);
    listener_->on_levels(levels, cookie_);
  }
}

}  // namespace vt

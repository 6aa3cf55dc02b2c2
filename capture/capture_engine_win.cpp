#include "capture/capture_engine_win.h"

#include "capture/mixer_win.h"

namespace vt {

CaptureEngine::CaptureEngine()
    : go_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      started_event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      notifier_(this) {}

CaptureEngine::~CaptureEngine() {
  stop();
  // A run still stuck in its sink would go on using the engine after it has gone: the
  // sink is made to give up so that the thread ends first.
  if (abandoned_) {
    CriticalSectionLock hold(handoff_);
    if (!run_ended_) run_sink_->break_off();
  }
  stop_and_close();
}

void CaptureEngine::set_listener(RecorderListener* listener, uint32_t cookie) {
  listener_ = listener ? listener : &null_listener_;
  cookie_ = cookie;
}

UINT CaptureEngine::resolve_device() const { return static_cast<UINT>(input_device_for(device)); }

void CaptureEngine::apply_volume(int volume_step) {
  apply_input_mixer(static_cast<int>(resolve_device()), input_line, volume_step);
}

bool CaptureEngine::start(int32_t max_duration_ms, int8_t threshold, int32_t hang_time_ms) {
  if (state() != kCaptureStopped) stop();
  // Two threads on the same buffers would corrupt both runs.
  if (!release_abandoned_run()) return false;
  if (sink_->failed()) return false;
  run_sink_ = sink_;
  run_ended_ = false;
  blocks_.begin(run_sink_.get(), max_duration_ms, threshold, hang_time_ms);
  ResetEvent(started_event_.get());
  SetEvent(go_event_.get());
  if (!WorkerThread::start(GetThreadPriority(GetCurrentThread()))) blocks_.state = kCaptureStopped;
  else WaitForSingleObject(started_event_.get(), 1500);
  if (blocks_.state == kCaptureStopped) {
    WorkerThread::stop(5000);
    blocks_.finish();
    blocks_.device_lost = 0;  // told by the result
    run_sink_.reset();
    sink_.reset();
    return false;
  }
  run_reported_ = true;
  listener_->on_waiting_for_voice(cookie_);
  listener_->on_time(cookie_, blocks_.last_loud_ms());
  return true;
}

void CaptureEngine::stop() {
  if (state() == kCaptureStopped) return;
  finish_run();
}

void CaptureEngine::finish_run() {
  run_reported_ = false;
  if (!WorkerThread::stop(5000)) {
    CriticalSectionLock hold(handoff_);
    // Stuck in the sink (an encoder that stopped reading): whatever the thread can still
    // touch stays as it is until it ends.
    if (!run_ended_) abandoned_ = true;
  }
  if (!abandoned_) {
    blocks_.finish();  // keeps 50 ms after the last loud block
    run_sink_.reset();
  }
  sink_.reset();
  listener_->on_stopped(cookie_);
}

bool CaptureEngine::release_abandoned_run() {
  if (!abandoned_) return true;
  {
    CriticalSectionLock hold(handoff_);
    if (!run_ended_) return false;
  }
  if (!WorkerThread::stop(1000)) return false;
  abandoned_ = false;
  run_sink_.reset();
  return true;
}

bool CaptureEngine::open_device(HANDLE buffer_event) {
  const int channels = run_sink_->channels;
  const int frames = capture_block_frames(run_sink_->sample_rate);
  const DWORD bytes = static_cast<DWORD>(channels * frames * 2);
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = static_cast<DWORD>(run_sink_->sample_rate);
  format.wBitsPerSample = 16;
  format.nBlockAlign = static_cast<WORD>(channels * 2);
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  UINT id = device == 0 ? WAVE_MAPPER : device - 1u;
  DWORD_PTR callback = reinterpret_cast<DWORD_PTR>(buffer_event);
  if (waveInOpen(&wave_in_, id, &format, callback, 0, CALLBACK_EVENT) != MMSYSERR_NOERROR &&
      waveInOpen(&wave_in_, id, &format, callback, 0, CALLBACK_EVENT | WAVE_MAPPED) != MMSYSERR_NOERROR) {
    wave_in_ = nullptr;
    return false;
  }
  waveInStop(wave_in_);
  buffer_block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<SIZE_T>(bytes) * kCaptureBuffers);
  char* memory = buffer_block_ ? static_cast<char*>(GlobalLock(buffer_block_)) : nullptr;
  if (!memory) {
    if (buffer_block_) GlobalFree(buffer_block_);
    buffer_block_ = nullptr;
    waveInClose(wave_in_);
    wave_in_ = nullptr;
    return false;
  }
  for (int i = 0; i < kCaptureBuffers; ++i) {
    WAVEHDR& header = headers_[i];
    header = WAVEHDR{};
    header.lpData = memory + static_cast<size_t>(i) * bytes;
    header.dwBufferLength = bytes;
    header.dwBytesRecorded = bytes;
    waveInPrepareHeader(wave_in_, &header, sizeof header);
    waveInAddBuffer(wave_in_, &header, sizeof header);
  }
  blocks_.allocate(frames, channels);
  return true;
}

void CaptureEngine::close_device() {
  blocks_.maximum_reached = 0;
  blocks_.levels_ready = 0;
  blocks_.state_changed = 0;
  blocks_.release_buffers();
  for (WAVEHDR& header : headers_) waveInUnprepareHeader(wave_in_, &header, sizeof header);
  waveInClose(wave_in_);
  wave_in_ = nullptr;
  GlobalUnlock(buffer_block_);
  GlobalFree(buffer_block_);
  buffer_block_ = nullptr;
}

void CaptureEngine::run() {
  OwnedHandle buffer_event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!open_device(buffer_event.get())) {
    // Told by start's result, or, after a slow open that start no longer waited for, as
    // a lost device.
    blocks_.device_lost = 1;
    blocks_.state = kCaptureStopped;
    end_run();
    SetEvent(started_event_.get());
    return;
  }
  SetEvent(started_event_.get());
  wait_for_event_or_stop(go_event_.get(), INFINITE);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
  if (!stop_requested() && waveInStart(wave_in_) != MMSYSERR_NOERROR) blocks_.device_lost = 1;

  int next = 0;
  while (!stop_requested() && !blocks_.device_lost) {
    WAVEHDR& header = headers_[next];
    ResetEvent(buffer_event.get());
    if (!(header.dwFlags & WHDR_DONE)) {
      // A device that delivers nothing in time (unplugged, out of range, its driver
      // reset) ends the run, and the owner hears of it.
      const Outcome waited = wait_for_event_or_stop(buffer_event.get(), device_timeout_ms);
      if (waited == Outcome::kFailed) blocks_.device_lost = 1;
      if (waited != Outcome::kDone) break;
      continue;
    }
    blocks_.take_block(reinterpret_cast<const int16_t*>(header.lpData));
    header.dwFlags &= ~WHDR_DONE;
    // A device closed or removed under us says so here, at once.
    if (waveInAddBuffer(wave_in_, &header, sizeof header) != MMSYSERR_NOERROR) blocks_.device_lost = 1;
    next = (next + 1) % kCaptureBuffers;
    blocks_.process_block();
    notifier_.post();
  }

  waveInReset(wave_in_);
  if (blocks_.state == kCaptureRecording) {
    // What the device had recorded before the reset still belongs to the recording.
    const int channels = run_sink_->channels;
    for (int drained = 0; drained < kCaptureBuffers; ++drained) {
      WAVEHDR& header = headers_[next];
      const int samples = static_cast<int>(header.dwBytesRecorded / 2);
      if (!(header.dwFlags & WHDR_DONE) || samples / channels == 0) break;
      blocks_.drain_block(reinterpret_cast<const int16_t*>(header.lpData), samples);
      header.dwFlags &= ~WHDR_DONE;
      next = (next + 1) % kCaptureBuffers;
    }
  }
  close_device();
  end_run();
}

void CaptureEngine::end_run() {
  {
    CriticalSectionLock hold(handoff_);
    run_ended_ = true;
    if (abandoned_) blocks_.finish();
  }
  notifier_.post();  // lets the engine's own thread release the sink
}

void CaptureEngine::on_notify() {
  if (abandoned_) {
    release_abandoned_run();
    return;
  }
  if (blocks_.sink_failed) {
    // Nothing more can be stored: end the run once, and say why.
    if (blocks_.state == kCaptureStopped) return;
    stop();
    listener_->on_sink_failed(cookie_);
    return;
  }
  if (blocks_.device_lost && run_reported_) {
    // What reached the sink is kept; the owner decides what comes next.
    blocks_.device_lost = 0;
    finish_run();
    listener_->on_device_lost(cookie_);
    return;
  }
  if (blocks_.maximum_reached) {
    stop();
    return;
  }
  if (blocks_.levels_ready) {
    blocks_.levels_ready = 0;
    listener_->on_time(cookie_, blocks_.last_loud_ms());
    listener_->on_levels(cookie_, blocks_.levels);
  }
  if (blocks_.state_changed) {
    blocks_.state_changed = 0;
    if (blocks_.state == kCaptureWaitingForVoice)
      listener_->on_waiting_for_voice(cookie_);
    else
      listener_->on_recording(cookie_);
  }
}

}  // namespace vt

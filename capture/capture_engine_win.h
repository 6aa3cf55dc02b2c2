// Records from a wave-input device into a sink on a thread of its own, in 100 ms blocks.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include "audio/stream.h"
#include "capture/capture_blocks.h"
#include "win/notifier_win.h"
#include "capture/recorder_listener.h"
#include "win/worker_thread_win.h"

namespace vt {

constexpr int kCaptureBuffers = 32;

class CaptureEngine : public WorkerThread, private NotificationTarget {
 public:
  CaptureEngine();
  ~CaptureEngine() override;

  // The sink receives the recording from the next start on.
  void set_sink(const SinkRef& sink) { sink_ = sink; }
  // False when the device cannot open, the sink has failed, or the thread of a run that
  // did not stop in time still lives.
  bool start(int32_t max_duration_ms, int8_t threshold, int32_t hang_time_ms);
  // Waits 5 s for the run's thread; one stuck in its sink keeps the sink, device and
  // buffers and lets go of them when it ends.
  void stop();
  void set_listener(RecorderListener* listener, uint32_t cookie);
  // The device id the mixer works on.
  UINT resolve_device() const;
  // Makes `input_line` the one recorded, at this decibel step (nothing for line −1).
  void apply_volume(int volume_step);

  uint8_t device = 0;       // 0: the system's default input; n: input device n - 1
  int8_t input_line = -1;   // mixer line of the recording volume
  // A device that delivers no buffer for this long is taken as lost.
  DWORD device_timeout_ms = kDeviceTimeoutMs;
  static constexpr DWORD kDeviceTimeoutMs = 25000;
  uint8_t state() const { return abandoned_ ? static_cast<uint8_t>(kCaptureStopped) : blocks_.state.load(); }
  const LevelRecord& levels() const { return blocks_.levels; }
  int32_t last_loud_ms() const { return blocks_.last_loud_ms(); }
  // How long the running capture has received nothing but digital silence.
  int32_t silent_run_ms() const { return blocks_.silent_run_ms(); }

 private:
  void run() override;
  void on_notify() override;
  bool open_device(HANDLE buffer_event);
  void close_device();
  // Lets go of the sink of a run whose thread has ended; false while it still lives.
  bool release_abandoned_run();
  // On the run's thread: the device is closed; an abandoned run is finished here.
  void end_run();
  // Ends a run that was reported started: what it recorded is kept, Stopped is reported.
  void finish_run();
  bool run_reported_ = false;  // start returned true and stop has not come yet

  RecorderListener null_listener_;
  RecorderListener* listener_ = &null_listener_;
  uint32_t cookie_ = 0;
  OwnedHandle go_event_;
  OwnedHandle started_event_;
  SinkRef sink_;
  SinkRef run_sink_;  // the running thread's sink; counted and released on this thread only
  // Guards run_ended_ and abandoned_ between the capture thread and the main thread (the
  // hand-over of a run that outlived its stop); the main thread, which alone writes
  // abandoned_, reads it without the lock.
  CriticalSection handoff_;
  bool run_ended_ = true;   // the thread has closed the device (under handoff_)
  bool abandoned_ = false;  // stop gave up waiting: the thread finishes the run itself
  CaptureBlocks blocks_;  // the capture thread's; what the main thread reads is atomic there
  Notifier notifier_;
  HWAVEIN wave_in_ = nullptr;
  HGLOBAL buffer_block_ = nullptr;
  WAVEHDR headers_[kCaptureBuffers] = {};
};

}  // namespace vt

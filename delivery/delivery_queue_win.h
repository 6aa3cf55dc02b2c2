// The delivery queue: every closed recording is appended to "bgsend.lst" and sent
// in the background, oldest first, by each method switched on (mirror folder,
// e-mail, FTP, external program). It needs no window: it reports through a
// listener, on its worker thread.
#pragma once
#include <windows.h>

#include <string>

#include "base/outcome.h"

namespace vt {

class DeliveryListener {
 public:
  virtual ~DeliveryListener() {}
  // A failure message of a method or of the mail client. The default shows an
  // owner-less error box captioned with the product name and waits for the user.
  virtual void delivery_message(const std::string& text);
  // One recording's methods have run (not called when stopped: it stays queued).
  virtual void file_delivered(const std::string& path, Outcome result) {}
};

class DeliveryWorker;

class DeliveryQueue {
 public:
  // `listener` (null: the default boxes) must outlive the queue's worker.
  explicit DeliveryQueue(DeliveryListener* listener = nullptr);
  // Stops the worker, waiting 7,000 ms.
  ~DeliveryQueue();
  DeliveryQueue(const DeliveryQueue&) = delete;
  DeliveryQueue& operator=(const DeliveryQueue&) = delete;

  // Once at start-up with the list's path: a list found pending is delivered.
  void resume_pending(const std::string& list_path);
  // A recording that has just been closed (full path, at most 259 characters).
  void enqueue_recording(const std::string& path);
  // Asks the worker to end and waits at most `wait_ms`; its current record stays.
  void stop(DWORD wait_ms);
  bool delivering() const;
  // The methods switched on, in order, on one file (runs on the calling thread).
  Outcome deliver_file(const std::string& path);

 private:
  // Owned by the main thread; left to the process when its thread does not end.
  DeliveryWorker* worker_;
};

// The owner-less error box of the delivery ("Vocatrack Sound Recorder").
void show_error_box(const std::string& text);

}  // namespace vt

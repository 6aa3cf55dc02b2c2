// Scheduled recordings in the running copy: a waitable timer armed for the next thing
// to do (a slot's start, the running slot's end), re-armed whenever the entries, the
// clock or the power state change; the recorder starts and stops on time. Everything
// but the timer's own wait runs on the main thread.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "recorder/recorder_win.h"
#include "recorder/schedule.h"
#include "win/handles_win.h"
#include "win/settings_win.h"
#include "win/worker_thread_win.h"

namespace vt {

// The system's local time zone, daylight saving included.
class SystemTimeZone : public TimeZone {
 public:
  int32_t offset_at(int64_t utc) const override;
};
int64_t system_utc_now();
int64_t system_utc_now_ms();

static const char kSectionSchedule[] = "Schedule";  // user hive

class Scheduler {
 public:
  explicit Scheduler(Recorder& recorder);
  ~Scheduler();
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  // `window` receives `message` (posted) whenever the schedule wants a look: call check().
  void start(HWND window, UINT message);
  void stop();
  // Starts and stops what is due, reports missed slots and arms the timer again. Safe
  // to call at any time (entries changed, clock changed, the computer woke up).
  void check();
  // Asks for a check through the window's queue (from inside the recorder's reports).
  void post_check();
  // "-at": one scheduled recording. Empty, or the French reason it was refused.
  std::string add_at(const std::string& at, int format, const std::string& file, int duration_ms);
  // The status panel's line: a notice, or the next planned recording; empty when none.
  std::string status_line() const { return line_; }

 private:
  class TimerThread;
  bool recorder_free() const;
  void start_slot(const ScheduleEntry& entry, const Slot& slot, int64_t now_ms);
  void arm(int64_t due_ms);  // UTC milliseconds; kNever cancels

  Recorder& recorder_;
  SystemTimeZone zone_;
  RegistrySection store_{Hive::User, kSectionSchedule};
  OwnedHandle timer_;
  TimerThread* thread_ = nullptr;
  HWND window_ = nullptr;
  UINT message_ = 0;
  bool active_ = false;           // a scheduled recording runs
  ULONGLONG active_end_tick_ = 0; // its end on the tick clock (unaffected by clock changes); 0 none
  std::string notice_;
  std::string line_;
};

}  // namespace vt

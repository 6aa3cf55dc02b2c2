#include "recorder/scheduler_win.h"

#include <algorithm>
#include <cstdio>

#include "recorder/recording_format_win.h"
#include "recorder/recording_name_win.h"

namespace vt {

namespace {

// 100 ns units between 1601-01-01 and 1970-01-01.
const int64_t kUnixEpochIn100ns = 116444736000000000LL;

int64_t utc_of(const FILETIME& ft) {
  const int64_t v = (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return (v - kUnixEpochIn100ns) / 10000000;
}

FILETIME filetime_of(int64_t utc) {
  const int64_t v = utc * 10000000 + kUnixEpochIn100ns;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(v);
  ft.dwHighDateTime = static_cast<DWORD>(v >> 32);
  return ft;
}

}  // namespace

int32_t SystemTimeZone::offset_at(int64_t utc) const {
  const FILETIME ft = filetime_of(utc);
  SYSTEMTIME st_utc, st_local;
  if (!FileTimeToSystemTime(&ft, &st_utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &st_utc, &st_local)) return 0;
  FILETIME local_ft;
  if (!SystemTimeToFileTime(&st_local, &local_ft)) return 0;
  return static_cast<int32_t>(utc_of(local_ft) - utc);
}

int64_t system_utc_now() { return system_utc_now_ms() / 1000; }

int64_t system_utc_now_ms() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const int64_t v = (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return (v - kUnixEpochIn100ns) / 10000;
}

// Waits on the timer and tells the window; the window's thread does the work.
class Scheduler::TimerThread : public WorkerThread {
 public:
  TimerThread(HANDLE timer, HWND window, UINT message) : timer_(timer), window_(window), message_(message) {}
  ~TimerThread() override { stop_and_close(); }

 private:
  void run() override {
    while (wait_for_event_or_stop(timer_, INFINITE) == Outcome::kDone) PostMessageA(window_, message_, 0, 0);
  }
  HANDLE timer_;
  HWND window_;
  UINT message_;
};

Scheduler::Scheduler(Recorder& recorder)
    : recorder_(recorder), timer_(CreateWaitableTimerA(nullptr, FALSE, nullptr)) {}

Scheduler::~Scheduler() { stop(); }

void Scheduler::start(HWND window, UINT message) {
  window_ = window;
  message_ = message;
  if (!timer_ || thread_) return;
  thread_ = new TimerThread(timer_.get(), window, message);
  if (!thread_->start(THREAD_PRIORITY_NORMAL)) {
    delete thread_;
    thread_ = nullptr;
  }
}

void Scheduler::stop() {
  if (timer_) CancelWaitableTimer(timer_.get());
  if (thread_) {
    thread_->stop(5000);
    WorkerThread::release(thread_);
    thread_ = nullptr;
  }
  window_ = nullptr;
}

void Scheduler::post_check() {
  if (window_) PostMessageA(window_, message_, 0, 0);
}

bool Scheduler::recorder_free() const {
  return !recorder_.file_open() && !recorder_.engine_running() && !recorder_.awaiting_resume();
}

void Scheduler::check() {
  const int64_t now_ms = system_utc_now_ms();
  const int64_t now = now_ms / 1000;
  const ULONGLONG tick = GetTickCount64();
  if (active_) {
    if (!recorder_.file_open() && !recorder_.awaiting_resume()) {
      active_ = false;  // stopped by hand: the slot is over for us too
    } else if (active_end_tick_ && tick >= active_end_tick_) {
      active_ = false;
      recorder_.stop_and_mark();
    }
  }
  std::vector<ScheduleEntry> entries = load_schedule(store_);
  bool changed = false;
  const SchedulePlan plan = plan_schedule(&entries, now, recorder_free(), zone_, &changed);
  if (plan.missed > 0) {
    char text[96];
    if (plan.missed == 1)
      std::snprintf(text, sizeof text, "Programmation manquée : %s", slot_text(plan.missed_slot.start, zone_).c_str());
    else
      std::snprintf(text, sizeof text, "%d programmations manquées, dernière : %s", plan.missed,
                    slot_text(plan.missed_slot.start, zone_).c_str());
    notice_ = text;
  }
  if (plan.waiting_entry >= 0) notice_ = "Programmation en attente : enreg. en cours";
  if (plan.start_entry >= 0) {
    const ScheduleEntry entry = entries[plan.start_entry];
    if (changed) {
      // Marked done before it starts: a failure to start never makes it start twice.
      std::vector<ScheduleEntry> kept = entries;
      drop_finished_entries(&kept, zone_);
      save_schedule(store_, kept);
      changed = false;
    }
    if (plan.missed == 0) notice_.clear();
    start_slot(entry, plan.start_slot, now_ms);
  }
  if (changed) {
    drop_finished_entries(&entries, zone_);
    save_schedule(store_, entries);
  }

  int64_t due_ms = plan.wake_at == kNever ? kNever : plan.wake_at * 1000;
  if (active_ && active_end_tick_) {
    const ULONGLONG left_ms = active_end_tick_ > tick ? active_end_tick_ - tick : 0;
    due_ms = std::min<int64_t>(due_ms, now_ms + static_cast<int64_t>(left_ms));
  }
  arm(due_ms);

  if (!notice_.empty())
    line_ = notice_;
  else if (plan.next_entry >= 0)
    line_ = "Prochain enregistrement : " + slot_text(plan.next_slot.start, zone_);
  else
    line_.clear();
}

void Scheduler::start_slot(const ScheduleEntry& entry, const Slot& slot, int64_t now_ms) {
  if (entry.format >= 0) recorder_.set_format(entry.format);
  std::string path = entry.file;
  if (path.empty() && !free_recording_path(entry.pattern.empty() ? read_setting(kFileNameFormat) : entry.pattern, &path)) {
    notice_ = "Programmation " + slot_text(slot.start, zone_) + " : nom de fichier impossible";
    return;
  }
  recorder_.record_file(path);
  if (!recorder_.file_open()) {
    notice_ = "Programmation " + slot_text(slot.start, zone_) + " : enregistrement impossible";
    return;
  }
  active_ = true;
  // The rest of the slot in elapsed time: moving the clock does not lengthen or cut it.
  active_end_tick_ = 0;
  if (entry.duration_secs > 0)
    active_end_tick_ = GetTickCount64() + static_cast<ULONGLONG>(std::max<int64_t>(0, slot.end * 1000 - now_ms));
}

void Scheduler::arm(int64_t due_ms) {
  if (!timer_) return;
  if (due_ms == kNever) {
    CancelWaitableTimer(timer_.get());
    return;
  }
  // Absolute UTC: the system moves it with the clock. fResume asks Windows to wake the
  // computer for it where it allows (best effort).
  LARGE_INTEGER when;
  when.QuadPart = due_ms * 10000 + kUnixEpochIn100ns;
  if (!SetWaitableTimer(timer_.get(), &when, 0, nullptr, nullptr, TRUE))
    SetWaitableTimer(timer_.get(), &when, 0, nullptr, nullptr, FALSE);
}

std::string Scheduler::add_at(const std::string& at, int format, const std::string& file, int duration_ms) {
  const int64_t now = system_utc_now();
  LocalTime start;
  // The panel's line is short; the full sentence goes to standard error.
  auto refuse = [this](const char* line, const std::string& sentence) {
    notice_ = line_ = line;
    return sentence;
  };
  if (!parse_at_time(at, now, zone_, &start))
    return refuse("-at refusé : heure non reconnue",
                  "Heure non reconnue après -at (" + at + ") : utilisez HH:MM ou \"AAAA-MM-JJ HH:MM\". Rien n'est programmé.");
  if (local_to_utc(start, zone_) <= now)
    return refuse("-at refusé : heure déjà passée", "L'heure demandée (" + at + ") est déjà passée : rien n'est programmé.");
  std::vector<ScheduleEntry> entries = load_schedule(store_);
  if (static_cast<int>(entries.size()) >= kMaxScheduleEntries)
    return refuse("-at refusé : liste pleine", "La liste des programmations est pleine : rien n'est programmé.");
  notice_.clear();
  ScheduleEntry entry;
  entry.year = start.year, entry.month = start.month, entry.day = start.day;
  entry.hour = start.hour, entry.minute = start.minute;
  entry.repeat = Repeat::kOnce;
  entry.duration_secs = duration_ms > 0 ? (duration_ms + 999) / 1000 : 0;
  entry.format = format;
  entry.file = file;
  entry.done_minute = now / 60;
  entries.push_back(entry);
  save_schedule(store_, entries);
  check();
  return std::string();
}

}  // namespace vt

// Scheduled recordings: entries that start and stop at local clock times, once or
// repeating, and the plan of what to do at a given moment. Portable: times are UTC
// seconds since 1970, local wall-clock time comes from a replaceable TimeZone, so the
// rules of daylight saving are the zone's, not the host's.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/settings_section.h"
#include "recorder/name_pattern.h"

namespace vt {

// The local clock: local = UTC + offset_at(UTC).
class TimeZone {
 public:
  virtual ~TimeZone() = default;
  virtual int32_t offset_at(int64_t utc) const = 0;
};

// Days since 1970-01-01 of a civil date and back; weekday 0 Monday ... 6 Sunday.
int64_t days_from_civil(int year, int month, int day);
void civil_from_days(int64_t days, int* year, int* month, int* day);
int weekday_of_days(int64_t days);

// The instant a local wall-clock time stands for. A time the clock shows twice (the
// autumn hour) is its first showing; a time it never shows (the spring gap) is the
// instant the clock jumps over it.
int64_t local_to_utc(const LocalTime& local, const TimeZone& zone);
LocalTime utc_to_local(int64_t utc, const TimeZone& zone);

enum class Repeat { kOnce = 0, kDaily = 1, kWeekdays = 2, kChosenDays = 3 };
// Bits of ScheduleEntry::days, Monday first.
enum { kMonday = 1, kSunday = 64, kAllDays = 127 };

struct ScheduleEntry {
  // Local start; the date counts only for Repeat::kOnce.
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  int32_t duration_secs = 0;  // 0: until stopped
  Repeat repeat = Repeat::kOnce;
  int days = 0;               // Repeat::kChosenDays
  std::string pattern;        // file-name pattern; empty: FileNameFormat
  std::string file;           // an exact path (from -recordfile) instead of a pattern
  int format = -1;            // 0 WAV, 1 MP3, 2 AIFF; -1: the Format setting
  // UTC minute of the last slot started, reported or skipped (or of the entry's making):
  // only slots starting after it are ever started. This is what keeps a slot from
  // starting twice when the clock goes back.
  int64_t done_minute = 0;
};

// One slot of an entry, in UTC seconds. A slot without a duration ends, for catching
// up, kOpenSlotGraceSecs after its start; the recording itself goes on until stopped.
struct Slot {
  int64_t start = 0, end = 0;
};
const int64_t kOpenSlotGraceSecs = 60;
const int64_t kNever = INT64_MAX;

// The first slot of `entry` starting strictly after `after`; false when there is none.
bool next_slot(const ScheduleEntry& entry, int64_t after, const TimeZone& zone, Slot* slot);

// What to do now.
struct SchedulePlan {
  int start_entry = -1;   // a slot under way to record (the rest of it), or -1
  Slot start_slot;
  int waiting_entry = -1; // a slot under way that waits for the recorder to be free
  int missed = 0;         // slots that ended unrecorded since the last look
  int missed_entry = -1;  // the latest of them
  Slot missed_slot;
  int next_entry = -1;    // the next slot to come
  Slot next_slot;
  int64_t wake_at = kNever;  // when to look again
};

// Looks at every entry at `now`. A slot that ended unrecorded is counted as missed and
// marked done; the slot to start (the first under way, when `recorder_free`) is marked
// done too. A slot under way while the recorder is busy waits until it is free or the
// slot ends. The caller saves the entries when `changed` comes back true.
SchedulePlan plan_schedule(std::vector<ScheduleEntry>* entries, int64_t now, bool recorder_free,
                           const TimeZone& zone, bool* changed);

// One-shot entries whose slot has been started, reported or skipped.
void drop_finished_entries(std::vector<ScheduleEntry>* entries, const TimeZone& zone);

// "-at HH:MM" (the next such time, today or tomorrow) and "-at YYYY-MM-DD HH:MM".
// False when the text is neither or names no real time.
bool parse_at_time(const std::string& text, int64_t now, const TimeZone& zone, LocalTime* start);

// The settings of section "Schedule": Count, then per entry i (from 0) EntryiDate
// (YYYYMMDD), EntryiTime (HHMM), EntryiDuration (seconds), EntryiRepeat, EntryiDays,
// EntryiPattern, EntryiFile, EntryiFormat, EntryiDone (UTC minute).
std::vector<ScheduleEntry> load_schedule(SettingsSection& section);
void save_schedule(SettingsSection& section, const std::vector<ScheduleEntry>& entries);
const int kMaxScheduleEntries = 64;

// What the options page reads and shows: "HH:MM", "AAAA-MM-JJ", and one line per entry
// ("Du lundi au vendredi 08:00, 30 min, Mp3, Matinale %autonumber%").
bool parse_clock_text(const std::string& text, int* hour, int* minute);
bool parse_date_text(const std::string& text, int* year, int* month, int* day);
std::string entry_description(const ScheduleEntry& entry);

// "08/12 14:00", local.
std::string slot_text(int64_t utc, const TimeZone& zone);

}  // namespace vt

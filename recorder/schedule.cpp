#include "recorder/schedule.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vt {

namespace {

const int64_t kDay = 86400;

// Seconds of a local wall-clock time counted as if it were UTC.
int64_t wall_seconds(const LocalTime& t) {
  return days_from_civil(t.year, t.month, t.day) * kDay + t.hour * 3600 + t.minute * 60 + t.second;
}

bool valid_date(int year, int month, int day) {
  if (year < 1971 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  int y2, m2, d2;
  civil_from_days(days_from_civil(year, month, day), &y2, &m2, &d2);
  return y2 == year && m2 == month && d2 == day;
}

bool on_day(const ScheduleEntry& entry, int weekday) {
  switch (entry.repeat) {
    case Repeat::kDaily: return true;
    case Repeat::kWeekdays: return weekday < 5;
    case Repeat::kChosenDays: return (entry.days >> weekday) & 1;
    case Repeat::kOnce: break;
  }
  return false;
}

int64_t minute_of(int64_t utc) { return utc >= 0 ? utc / 60 : -((-utc + 59) / 60); }

Slot slot_at(const ScheduleEntry& entry, int64_t start) {
  Slot slot;
  slot.start = start;
  slot.end = start + (entry.duration_secs > 0 ? entry.duration_secs : kOpenSlotGraceSecs);
  return slot;
}

}  // namespace

// Civil dates after H. Hinnant's days_from_civil: proleptic Gregorian, exact for every year.
int64_t days_from_civil(int year, int month, int day) {
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civil_from_days(int64_t days, int* year, int* month, int* day) {
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2 ? 1 : 0));
}

int weekday_of_days(int64_t days) {
  // 1970-01-01 was a Thursday (3).
  int64_t w = (days + 3) % 7;
  return static_cast<int>(w < 0 ? w + 7 : w);
}

int64_t local_to_utc(const LocalTime& local, const TimeZone& zone) {
  const int64_t wall = wall_seconds(local);
  // The offsets in force a day either side cover any change near this time.
  const int32_t around[3] = {zone.offset_at(wall - kDay), zone.offset_at(wall), zone.offset_at(wall + kDay)};
  int64_t best = kNever;
  int32_t low = around[0], high = around[0];
  for (int32_t offset : around) {
    low = std::min(low, offset);
    high = std::max(high, offset);
    const int64_t utc = wall - offset;
    if (zone.offset_at(utc) == offset) best = std::min(best, utc);
  }
  if (best != kNever) return best;
  // In the gap: the first instant whose offset differs from the one before the jump.
  int64_t before = wall - high, after = wall - low;
  const int32_t first = zone.offset_at(before);
  while (after - before > 1) {
    const int64_t mid = before + (after - before) / 2;
    if (zone.offset_at(mid) == first)
      before = mid;
    else
      after = mid;
  }
  return after;
}

LocalTime utc_to_local(int64_t utc, const TimeZone& zone) {
  const int64_t wall = utc + zone.offset_at(utc);
  int64_t days = wall >= 0 ? wall / kDay : -((-wall + kDay - 1) / kDay);
  const int64_t rest = wall - days * kDay;
  LocalTime t;
  civil_from_days(days, &t.year, &t.month, &t.day);
  t.hour = static_cast<int>(rest / 3600);
  t.minute = static_cast<int>(rest / 60 % 60);
  t.second = static_cast<int>(rest % 60);
  return t;
}

bool next_slot(const ScheduleEntry& entry, int64_t after, const TimeZone& zone, Slot* slot) {
  if (entry.hour < 0 || entry.hour > 23 || entry.minute < 0 || entry.minute > 59) return false;
  LocalTime start;
  start.hour = entry.hour;
  start.minute = entry.minute;
  if (entry.repeat == Repeat::kOnce) {
    if (!valid_date(entry.year, entry.month, entry.day)) return false;
    start.year = entry.year, start.month = entry.month, start.day = entry.day;
    const int64_t utc = local_to_utc(start, zone);
    if (utc <= after) return false;
    *slot = slot_at(entry, utc);
    return true;
  }
  const LocalTime now = utc_to_local(after, zone);
  const int64_t today = days_from_civil(now.year, now.month, now.day);
  // From the day before (a local time can map before `after`'s local day) over more
  // than a week, so every chosen weekday comes round.
  for (int64_t day = today - 1; day <= today + 8; ++day) {
    if (!on_day(entry, weekday_of_days(day))) continue;
    civil_from_days(day, &start.year, &start.month, &start.day);
    const int64_t utc = local_to_utc(start, zone);
    if (utc > after) {
      *slot = slot_at(entry, utc);
      return true;
    }
  }
  return false;
}

SchedulePlan plan_schedule(std::vector<ScheduleEntry>* entries, int64_t now, bool recorder_free,
                           const TimeZone& zone, bool* changed) {
  SchedulePlan plan;
  *changed = false;
  for (size_t i = 0; i < entries->size(); ++i) {
    ScheduleEntry& entry = (*entries)[i];
    const int index = static_cast<int>(i);
    Slot slot;
    // Bounded: a daily entry after years switched off reports its slots in one count.
    int steps = 0;
    bool has = next_slot(entry, entry.done_minute * 60 + 59, zone, &slot);
    while (has && slot.start <= now && steps++ < 4000) {
      if (slot.end > now) {
        // Under way: recorded from now to its end, or waiting for the recorder.
        if (recorder_free && plan.start_entry < 0) {
          plan.start_entry = index;
          plan.start_slot = slot;
          entry.done_minute = minute_of(slot.start);
          *changed = true;
          has = next_slot(entry, slot.start, zone, &slot);
        } else {
          if (plan.waiting_entry < 0) plan.waiting_entry = index;
          plan.wake_at = std::min(plan.wake_at, slot.end);
          has = false;
        }
        break;
      }
      ++plan.missed;
      if (plan.missed_entry < 0 || slot.start >= plan.missed_slot.start) {
        plan.missed_entry = index;
        plan.missed_slot = slot;
      }
      entry.done_minute = minute_of(slot.start);
      *changed = true;
      has = next_slot(entry, slot.start, zone, &slot);
    }
    if (steps >= 4000) {
      entry.done_minute = minute_of(now);
      has = next_slot(entry, now, zone, &slot);
    }
    if (has && slot.start > now) {
      plan.wake_at = std::min(plan.wake_at, slot.start);
      if (plan.next_entry < 0 || slot.start < plan.next_slot.start) {
        plan.next_entry = index;
        plan.next_slot = slot;
      }
    }
  }
  return plan;
}

void drop_finished_entries(std::vector<ScheduleEntry>* entries, const TimeZone& zone) {
  entries->erase(std::remove_if(entries->begin(), entries->end(),
                                [&zone](const ScheduleEntry& e) {
                                  Slot slot;
                                  return e.repeat == Repeat::kOnce && !next_slot(e, e.done_minute * 60 + 59, zone, &slot);
                                }),
                 entries->end());
}

bool parse_at_time(const std::string& text, int64_t now, const TimeZone& zone, LocalTime* start) {
  int year = 0, month = 0, day = 0, hour = -1, minute = -1;
  char tail = 0;
  const char* s = text.c_str();
  const bool dated = std::sscanf(s, "%4d-%2d-%2d %2d:%2d%c", &year, &month, &day, &hour, &minute, &tail) == 5;
  if (!dated && std::sscanf(s, "%2d:%2d%c", &hour, &minute, &tail) != 2) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return false;
  LocalTime t;
  t.hour = hour;
  t.minute = minute;
  if (dated) {
    if (!valid_date(year, month, day)) return false;
    t.year = year, t.month = month, t.day = day;
    *start = t;
    return true;
  }
  // Today when that time is still to come (strictly), otherwise tomorrow.
  const LocalTime today = utc_to_local(now, zone);
  t.year = today.year, t.month = today.month, t.day = today.day;
  if (local_to_utc(t, zone) <= now) {
    civil_from_days(days_from_civil(today.year, today.month, today.day) + 1, &t.year, &t.month, &t.day);
  }
  *start = t;
  return true;
}

namespace {

std::string value_name(int index, const char* field) { return "Entry" + std::to_string(index) + field; }

}  // namespace

std::vector<ScheduleEntry> load_schedule(SettingsSection& section) {
  std::vector<ScheduleEntry> entries;
  const int count = std::max(0, std::min(kMaxScheduleEntries, section.read_int("Count", 0)));
  for (int i = 0; i < count; ++i) {
    ScheduleEntry e;
    const int date = section.read_int(value_name(i, "Date").c_str(), 0);
    const int time = section.read_int(value_name(i, "Time").c_str(), -1);
    e.year = date / 10000, e.month = date / 100 % 100, e.day = date % 100;
    e.hour = time / 100, e.minute = time % 100;
    e.duration_secs = std::max(0, section.read_int(value_name(i, "Duration").c_str(), 0));
    const int repeat = section.read_int(value_name(i, "Repeat").c_str(), 0);
    e.repeat = repeat >= 0 && repeat <= 3 ? static_cast<Repeat>(repeat) : Repeat::kOnce;
    e.days = section.read_int(value_name(i, "Days").c_str(), 0) & kAllDays;
    e.pattern = section.read_text(value_name(i, "Pattern").c_str(), "");
    e.file = section.read_text(value_name(i, "File").c_str(), "");
    e.format = section.read_int(value_name(i, "Format").c_str(), -1);
    if (e.format < -1 || e.format > 2) e.format = -1;
    e.done_minute = section.read_int(value_name(i, "Done").c_str(), 0);
    // An entry without a usable time is dropped rather than kept and never started.
    if (time < 0 || e.hour > 23 || e.minute > 59) continue;
    if (e.repeat == Repeat::kOnce && !valid_date(e.year, e.month, e.day)) continue;
    entries.push_back(e);
  }
  return entries;
}

void save_schedule(SettingsSection& section, const std::vector<ScheduleEntry>& entries) {
  const int count = std::min(kMaxScheduleEntries, static_cast<int>(entries.size()));
  for (int i = 0; i < count; ++i) {
    const ScheduleEntry& e = entries[i];
    section.write_int(value_name(i, "Date").c_str(), e.year * 10000 + e.month * 100 + e.day);
    section.write_int(value_name(i, "Time").c_str(), e.hour * 100 + e.minute);
    section.write_int(value_name(i, "Duration").c_str(), e.duration_secs);
    section.write_int(value_name(i, "Repeat").c_str(), static_cast<int>(e.repeat));
    section.write_int(value_name(i, "Days").c_str(), e.days);
    section.write_text(value_name(i, "Pattern").c_str(), e.pattern);
    section.write_text(value_name(i, "File").c_str(), e.file);
    section.write_int(value_name(i, "Format").c_str(), e.format);
    section.write_int(value_name(i, "Done").c_str(), static_cast<int32_t>(e.done_minute));
  }
  section.write_int("Count", count);
}

bool parse_clock_text(const std::string& text, int* hour, int* minute) {
  char tail = 0;
  int h = -1, m = -1;
  if (std::sscanf(text.c_str(), "%2d:%2d%c", &h, &m, &tail) != 2 || h < 0 || h > 23 || m < 0 || m > 59) return false;
  *hour = h, *minute = m;
  return true;
}

bool parse_date_text(const std::string& text, int* year, int* month, int* day) {
  char tail = 0;
  int y = 0, mo = 0, d = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &mo, &d, &tail) != 3 || !valid_date(y, mo, d)) return false;
  *year = y, *month = mo, *day = d;
  return true;
}

std::string entry_description(const ScheduleEntry& e) {
  static const char* const kDayNames[7] = {"lun", "mar", "mer", "jeu", "ven", "sam", "dim"};
  static const char* const kFormatNames[3] = {"Wav", "Mp3", "AIFF"};
  char text[64];
  std::string line;
  switch (e.repeat) {
    case Repeat::kOnce:
      std::snprintf(text, sizeof text, "Le %02d/%02d/%04d", e.day % 100, e.month % 100, e.year % 10000);
      line = text;
      break;
    case Repeat::kDaily: line = "Tous les jours"; break;
    case Repeat::kWeekdays: line = "Du lundi au vendredi"; break;
    case Repeat::kChosenDays:
      for (int d = 0; d < 7; ++d)
        if ((e.days >> d) & 1) line += std::string(line.empty() ? "" : " ") + kDayNames[d];
      if (line.empty()) line = "Aucun jour";
      break;
  }
  std::snprintf(text, sizeof text, " %02d:%02d, ", e.hour % 100, e.minute % 100);
  line += text;
  if (e.duration_secs <= 0) {
    line += "jusqu'à l'arrêt";
  } else if (e.duration_secs % 60 == 0) {
    line += std::to_string(e.duration_secs / 60) + " min";
  } else {
    line += std::to_string(e.duration_secs) + " s";
  }
  if (e.format >= 0 && e.format <= 2) line += std::string(", ") + kFormatNames[e.format];
  if (!e.file.empty()) line += ", " + e.file;
  else if (!e.pattern.empty()) line += ", " + e.pattern;
  return line;
}

std::string slot_text(int64_t utc, const TimeZone& zone) {
  const LocalTime t = utc_to_local(utc, zone);
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d", t.day % 100, t.month % 100, t.hour % 100, t.minute % 100);
  return text;
}

}  // namespace vt

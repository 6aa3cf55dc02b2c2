// Scheduled recordings: slots of every repetition in Europe/Paris wall-clock time
// (daylight saving, month ends, leap days), and what the plan does when the program
// starts inside a slot, misses one, finds the recorder busy or sees the clock moved.
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <string>

#include "recorder/schedule.h"

namespace vt {
namespace {

int64_t utc(int y, int mo, int d, int h, int mi) {
  std::tm t = {};
  t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi;
  return static_cast<int64_t>(timegm(&t));
}

// Europe/Paris from its published changes (01:00 UTC on these Sundays), not from a rule.
class ParisZone : public TimeZone {
 public:
  int32_t offset_at(int64_t t) const override {
    static const int kChanges[][4] = {{2024, 3, 31, 1}, {2024, 10, 27, 0}, {2025, 3, 30, 1}, {2025, 10, 26, 0},
                                      {2026, 3, 29, 1}, {2026, 10, 25, 0}, {2027, 3, 28, 1}, {2027, 10, 31, 0},
                                      {2028, 3, 26, 1}, {2028, 10, 29, 0}};
    int32_t offset = 3600;
    for (const auto& c : kChanges)
      if (t >= utc(c[0], c[1], c[2], 1, 0)) offset = c[3] ? 7200 : 3600;
    return offset;
  }
};

LocalTime local(int y, int mo, int d, int h, int mi) {
  LocalTime t;
  t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi;
  return t;
}

ScheduleEntry entry(Repeat repeat, int h, int mi, int32_t secs, int days = 0) {
  ScheduleEntry e;
  e.repeat = repeat, e.hour = h, e.minute = mi, e.duration_secs = secs, e.days = days;
  return e;
}

int64_t next_start(const ScheduleEntry& e, int64_t after) {
  Slot slot;
  return next_slot(e, after, ParisZone(), &slot) ? slot.start : -1;
}

TEST(ScheduleCalendar, DaysAndWeekdaysAgreeWithTheCLibraryAcrossLeapYears) {
  for (int y : {1999, 2000, 2024, 2028, 2100}) {
    for (int mo = 1; mo <= 12; ++mo) {
      for (int d : {1, 28, 29}) {
        if (mo == 2 && d == 29 && !(y % 4 == 0 && (y % 100 != 0 || y % 400 == 0))) continue;
        EXPECT_EQ(utc(y, mo, d, 0, 0) / 86400, days_from_civil(y, mo, d)) << y << "-" << mo << "-" << d;
        int y2, m2, d2;
        civil_from_days(days_from_civil(y, mo, d), &y2, &m2, &d2);
        EXPECT_EQ(y * 10000 + mo * 100 + d, y2 * 10000 + m2 * 100 + d2);
      }
    }
  }
  EXPECT_EQ(1, weekday_of_days(days_from_civil(2026, 12, 8)));  // a Tuesday
  EXPECT_EQ(6, weekday_of_days(days_from_civil(2028, 2, 27)));  // a Sunday
}

TEST(ScheduleZone, WallClockTimesAcrossBothChangesOfParis) {
  ParisZone paris;
  EXPECT_EQ(utc(2026, 1, 15, 13, 0), local_to_utc(local(2026, 1, 15, 14, 0), paris));
  EXPECT_EQ(utc(2026, 7, 15, 12, 0), local_to_utc(local(2026, 7, 15, 14, 0), paris));
  // Spring: 02:00-03:00 never shows; its times stand for the jump itself (03:00 CEST).
  EXPECT_EQ(utc(2026, 3, 29, 1, 0), local_to_utc(local(2026, 3, 29, 2, 30), paris));
  EXPECT_EQ(utc(2026, 3, 29, 1, 0), local_to_utc(local(2026, 3, 29, 3, 0), paris));
  // Autumn: 02:30 shows twice; its first showing (still CEST) counts.
  EXPECT_EQ(utc(2026, 10, 25, 0, 30), local_to_utc(local(2026, 10, 25, 2, 30), paris));
  EXPECT_EQ(utc(2026, 10, 25, 2, 30), local_to_utc(local(2026, 10, 25, 3, 30), paris));
  const LocalTime second = utc_to_local(utc(2026, 10, 25, 1, 30), paris);
  EXPECT_EQ(2, second.hour);
  EXPECT_EQ(30, second.minute);
  EXPECT_EQ("25/10 02:30", slot_text(utc(2026, 10, 25, 0, 30), paris));
}

TEST(ScheduleSlots, EveryRepetitionAcrossMidnightMonthEndsAndLeapDays) {
  ScheduleEntry once = entry(Repeat::kOnce, 14, 0, 120);
  once.year = 2026, once.month = 12, once.day = 9;
  EXPECT_EQ(utc(2026, 12, 9, 13, 0), next_start(once, utc(2026, 12, 8, 20, 0)));
  EXPECT_EQ(-1, next_start(once, utc(2026, 12, 9, 13, 0)));  // strictly after: its own start is gone
  Slot slot;
  ASSERT_TRUE(next_slot(once, 0, ParisZone(), &slot));
  EXPECT_EQ(120, slot.end - slot.start);

  // Daily just after midnight's slot, and from the last day of months to the first.
  ScheduleEntry daily = entry(Repeat::kDaily, 0, 5, 60);
  EXPECT_EQ(utc(2026, 12, 8, 23, 5), next_start(daily, utc(2026, 12, 8, 22, 59)));
  EXPECT_EQ(utc(2027, 1, 1, 23, 5), next_start(daily, utc(2026, 12, 31, 23, 5)));
  ScheduleEntry evening = entry(Repeat::kDaily, 23, 30, 3600);
  EXPECT_EQ(utc(2028, 2, 28, 22, 30), next_start(evening, utc(2028, 2, 28, 12, 0)));
  EXPECT_EQ(utc(2028, 2, 29, 22, 30), next_start(evening, utc(2028, 2, 28, 22, 30)));
  EXPECT_EQ(utc(2028, 3, 1, 22, 30), next_start(evening, utc(2028, 2, 29, 22, 30)));
  EXPECT_EQ(utc(2027, 3, 1, 22, 30), next_start(evening, utc(2027, 2, 28, 22, 30)));  // no 29th in 2027

  // Monday to Friday: Friday evening goes to Monday.
  ScheduleEntry work = entry(Repeat::kWeekdays, 8, 0, 60);
  EXPECT_EQ(utc(2026, 12, 14, 7, 0), next_start(work, utc(2026, 12, 11, 7, 0)));  // Fri 11 -> Mon 14
  EXPECT_EQ(utc(2026, 12, 9, 7, 0), next_start(work, utc(2026, 12, 8, 7, 0)));

  // Chosen days, Tuesday and Sunday, across the year's end.
  ScheduleEntry chosen = entry(Repeat::kChosenDays, 18, 0, 60, (1 << 1) | (1 << 6));
  EXPECT_EQ(utc(2027, 1, 3, 17, 0), next_start(chosen, utc(2026, 12, 29, 17, 0)));  // Tue 29 -> Sun 3
  EXPECT_EQ(utc(2027, 1, 5, 17, 0), next_start(chosen, utc(2027, 1, 3, 17, 0)));
  EXPECT_EQ(-1, next_start(entry(Repeat::kChosenDays, 18, 0, 60, 0), 0));
}

TEST(ScheduleSlots, DaylightSavingNeverStartsTwiceNorSkipsADay) {
  // 02:30 daily: on the spring night it starts when the clock jumps; on the autumn night
  // once only, though 02:30 shows twice.
  ScheduleEntry night = entry(Repeat::kDaily, 2, 30, 600);
  EXPECT_EQ(utc(2026, 3, 28, 1, 30), next_start(night, utc(2026, 3, 27, 12, 0)));
  EXPECT_EQ(utc(2026, 3, 29, 1, 0), next_start(night, utc(2026, 3, 28, 1, 30)));
  EXPECT_EQ(utc(2026, 3, 30, 0, 30), next_start(night, utc(2026, 3, 29, 1, 0)));
  EXPECT_EQ(utc(2026, 10, 25, 0, 30), next_start(night, utc(2026, 10, 24, 0, 30)));
  EXPECT_EQ(utc(2026, 10, 26, 1, 30), next_start(night, utc(2026, 10, 25, 0, 30)));

  // The plan at the second showing of 02:30 starts nothing.
  std::vector<ScheduleEntry> entries = {night};
  entries[0].done_minute = utc(2026, 10, 24, 12, 0) / 60;
  bool changed = false;
  SchedulePlan plan = plan_schedule(&entries, utc(2026, 10, 25, 0, 30), true, ParisZone(), &changed);
  EXPECT_EQ(0, plan.start_entry);
  plan = plan_schedule(&entries, utc(2026, 10, 25, 1, 31), true, ParisZone(), &changed);
  EXPECT_EQ(-1, plan.start_entry);
  EXPECT_EQ(0, plan.missed);
  EXPECT_EQ(utc(2026, 10, 26, 1, 30), plan.wake_at);
}

TEST(SchedulePlan, CatchUpMissedBusyAndAClockMovedBackOrForward) {
  ParisZone paris;
  bool changed = false;
  // Started inside a 14:00-14:10 slot: the rest of it is recorded, once.
  std::vector<ScheduleEntry> entries = {entry(Repeat::kDaily, 14, 0, 600)};
  entries[0].done_minute = utc(2026, 12, 7, 20, 0) / 60;
  SchedulePlan plan = plan_schedule(&entries, utc(2026, 12, 8, 13, 4), true, paris, &changed);
  EXPECT_TRUE(changed);
  EXPECT_EQ(0, plan.start_entry);
  EXPECT_EQ(utc(2026, 12, 8, 13, 10), plan.start_slot.end);
  EXPECT_EQ(utc(2026, 12, 9, 13, 0), plan.wake_at);
  plan = plan_schedule(&entries, utc(2026, 12, 8, 13, 5), true, paris, &changed);
  EXPECT_EQ(-1, plan.start_entry);
  EXPECT_FALSE(changed);

  // The clock moved back an hour after the start: 14:00 comes round again, not the slot.
  plan = plan_schedule(&entries, utc(2026, 12, 8, 12, 30), true, paris, &changed);
  EXPECT_EQ(utc(2026, 12, 9, 13, 0), plan.wake_at);
  plan = plan_schedule(&entries, utc(2026, 12, 8, 13, 1), true, paris, &changed);
  EXPECT_EQ(-1, plan.start_entry);

  // The clock moved forward three days, into that day's slot: the two between reported
  // once, the one under way recorded.
  plan = plan_schedule(&entries, utc(2026, 12, 11, 13, 2), true, paris, &changed);
  EXPECT_EQ(2, plan.missed);
  EXPECT_EQ(utc(2026, 12, 10, 13, 0), plan.missed_slot.start);
  EXPECT_EQ(0, plan.start_entry);
  EXPECT_EQ(utc(2026, 12, 11, 13, 0), plan.start_slot.start);
  plan = plan_schedule(&entries, utc(2026, 12, 11, 13, 20), true, paris, &changed);
  EXPECT_EQ(0, plan.missed);

  // A recording under way when the slot starts: the slot waits until its end, starts
  // the rest when the recorder is free in time, and is reported when it is not.
  entries = {entry(Repeat::kDaily, 9, 0, 600), entry(Repeat::kDaily, 9, 0, 1800)};
  entries[0].done_minute = entries[1].done_minute = utc(2026, 12, 7, 20, 0) / 60;
  plan = plan_schedule(&entries, utc(2026, 12, 8, 8, 0), false, paris, &changed);
  EXPECT_EQ(-1, plan.start_entry);
  EXPECT_EQ(0, plan.waiting_entry);
  EXPECT_EQ(utc(2026, 12, 8, 8, 10), plan.wake_at);
  plan = plan_schedule(&entries, utc(2026, 12, 8, 8, 10), false, paris, &changed);
  EXPECT_EQ(1, plan.missed);
  EXPECT_EQ(0, plan.missed_entry);
  EXPECT_EQ(1, plan.waiting_entry);
  plan = plan_schedule(&entries, utc(2026, 12, 8, 8, 20), true, paris, &changed);
  EXPECT_EQ(1, plan.start_entry);
  EXPECT_EQ(utc(2026, 12, 8, 8, 30), plan.start_slot.end);
  EXPECT_EQ(0, plan.missed);

  // A slot without a duration is caught up only in its first minute.
  entries = {entry(Repeat::kOnce, 9, 0, 0)};
  entries[0].year = 2026, entries[0].month = 12, entries[0].day = 8;
  plan = plan_schedule(&entries, utc(2026, 12, 8, 8, 2), true, paris, &changed);
  EXPECT_EQ(1, plan.missed);
  EXPECT_EQ(-1, plan.start_entry);
  drop_finished_entries(&entries, paris);
  EXPECT_TRUE(entries.empty());
}

TEST(ScheduleAt, TodayOrTomorrowDatedAndRefused) {
  ParisZone paris;
  LocalTime t;
  const int64_t now = utc(2026, 12, 31, 22, 30);  // 23:30 in Paris
  ASSERT_TRUE(parse_at_time("23:45", now, paris, &t));
  EXPECT_EQ(utc(2026, 12, 31, 22, 45), local_to_utc(t, paris));
  ASSERT_TRUE(parse_at_time("23:30", now, paris, &t));  // now is not "to come": tomorrow
  EXPECT_EQ(utc(2027, 1, 1, 22, 30), local_to_utc(t, paris));
  ASSERT_TRUE(parse_at_time("2028-02-29 07:05", now, paris, &t));
  EXPECT_EQ(utc(2028, 2, 29, 6, 5), local_to_utc(t, paris));
  for (const char* bad : {"24:00", "12:60", "2027-02-29 10:00", "14:00x", "", "demain", "2026-13-01 10:00"})
    EXPECT_FALSE(parse_at_time(bad, now, paris, &t)) << bad;
}

TEST(SchedulePage, FieldsAndLines) {
  int h, m, y, mo, d;
  EXPECT_TRUE(parse_clock_text("07:05", &h, &m));
  EXPECT_EQ(705, h * 100 + m);
  EXPECT_FALSE(parse_clock_text("7h05", &h, &m));
  EXPECT_TRUE(parse_date_text("2028-02-29", &y, &mo, &d));
  EXPECT_FALSE(parse_date_text("2027-02-29", &y, &mo, &d));
  ScheduleEntry e = entry(Repeat::kChosenDays, 6, 45, 5400, 0x41);
  e.format = 1;
  e.pattern = "Matinale %autonumber%";
  EXPECT_EQ("lun dim 06:45, 90 min, Mp3, Matinale %autonumber%", entry_description(e));
  e = entry(Repeat::kOnce, 23, 0, 0);
  e.year = 2026, e.month = 12, e.day = 9;
  EXPECT_EQ("Le 09/12/2026 23:00, jusqu'à l'arrêt", entry_description(e));
}

class MapSection : public SettingsSection {
 public:
  bool read_bool(const char* name, bool fallback) override { return read_int(name, fallback) != 0; }
  int32_t read_int(const char* name, int32_t fallback) override {
    auto it = values.find(name);
    return it == values.end() ? fallback : std::atoi(it->second.c_str());
  }
  void write_bool(const char* name, bool value) override { values[name] = value ? "1" : "0"; }
  void write_int(const char* name, int32_t value) override { values[name] = std::to_string(value); }
  std::string read_text(const char* name, const char* fallback) override {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
  }
  void write_text(const char* name, const std::string& value) override { values[name] = value; }
  std::map<std::string, std::string> values;
};

TEST(ScheduleSettings, EntriesKeepEveryFieldAndUnusableOnesAreDropped) {
  ScheduleEntry a = entry(Repeat::kChosenDays, 6, 45, 5400, 0x15);
  a.pattern = "Matinale %autonumber%";
  a.format = 1;
  a.done_minute = 29000000;
  ScheduleEntry b = entry(Repeat::kOnce, 23, 59, 0);
  b.year = 2028, b.month = 2, b.day = 29;
  b.file = "C:\\Enr\\nuit.wav";
  MapSection section;
  save_schedule(section, {a, b});
  EXPECT_EQ("2", section.values["Count"]);
  EXPECT_EQ("645", section.values["Entry0Time"]);
  EXPECT_EQ("20280229", section.values["Entry1Date"]);
  std::vector<ScheduleEntry> back = load_schedule(section);
  ASSERT_EQ(2u, back.size());
  EXPECT_EQ(Repeat::kChosenDays, back[0].repeat);
  EXPECT_EQ(0x15, back[0].days);
  EXPECT_EQ(5400, back[0].duration_secs);
  EXPECT_EQ("Matinale %autonumber%", back[0].pattern);
  EXPECT_EQ(1, back[0].format);
  EXPECT_EQ(29000000, back[0].done_minute);
  EXPECT_EQ("C:\\Enr\\nuit.wav", back[1].file);
  EXPECT_EQ(-1, back[1].format);
  EXPECT_EQ(29, back[1].day);

  section.values["Entry1Date"] = "20270229";  // no such day
  section.values["Entry0Time"] = "2461";
  EXPECT_TRUE(load_schedule(section).empty());
}

}  // namespace
}  // namespace vt

#include "gui/schedule_page_win.h"

#include <algorithm>
#include <cstdio>

#include "gui/options_page_win.h"
#include "gui/schedule_page_res.h"
#include "recorder/scheduler_win.h"

namespace vt {

namespace {

const char* const kRepeatNames[] = {"Une fois", "Tous les jours", "Du lundi au vendredi", "Jours choisis"};
// The format list: the recording's own (the Format setting at the slot's start), then 0, 1, 2.
const char* const kFormatChoices[] = {"Actuel", "Wav", "Mp3", "AIFF"};

void tell(HWND page, const char* text, const char* caption) {
  MessageBoxA(page, text, caption, MB_OK | MB_ICONERROR);
}

}  // namespace

PROPSHEETPAGEA SchedulePage::sheet_page() { return make_sheet_page(IDD_SCHEDULE_PAGE); }

INT_PTR SchedulePage::handle(UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      on_init();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case IDC_SCHEDULE_LIST:
          if (HIWORD(wparam) == LBN_SELCHANGE)
            show_entry(static_cast<int>(SendDlgItemMessageA(page_, IDC_SCHEDULE_LIST, LB_GETCURSEL, 0, 0)));
          return TRUE;
        case IDC_SCHEDULE_REPEAT:
          if (HIWORD(wparam) == CBN_SELCHANGE) update_enabling();
          return TRUE;
        case IDC_SCHEDULE_ADD: add_entry(); return TRUE;
        case IDC_SCHEDULE_CHANGE: change_entry(); return TRUE;
        case IDC_SCHEDULE_REMOVE: remove_entry(); return TRUE;
        default: return FALSE;
      }
  }
  return FALSE;
}

void SchedulePage::on_init() {
  entries_ = load_schedule(store_);
  touched_.assign(entries_.size(), false);
  for (const char* name : kRepeatNames) SendDlgItemMessageA(page_, IDC_SCHEDULE_REPEAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  for (const char* name : kFormatChoices) SendDlgItemMessageA(page_, IDC_SCHEDULE_FORMAT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  SendDlgItemMessageA(page_, IDC_SCHEDULE_REPEAT, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(page_, IDC_SCHEDULE_FORMAT, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageA(page_, IDC_SCHEDULE_PATTERN, EM_LIMITTEXT, 200, 0);
  // The fields start at the next full hour, as an example to change.
  const LocalTime now = utc_to_local(system_utc_now() + 3600, SystemTimeZone());
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", now.year % 10000, now.month % 100, now.day % 100);
  SetDlgItemTextA(page_, IDC_SCHEDULE_DATE, text);
  std::snprintf(text, sizeof text, "%02d:00", now.hour % 100);
  SetDlgItemTextA(page_, IDC_SCHEDULE_TIME, text);
  SetDlgItemInt(page_, IDC_SCHEDULE_MINUTES, 60, FALSE);
  fill_list();
  update_enabling();
}

void SchedulePage::fill_list() {
  HWND list = GetDlgItem(page_, IDC_SCHEDULE_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const ScheduleEntry& entry : entries_)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry_description(entry).c_str()));
}

void SchedulePage::show_entry(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  const ScheduleEntry& e = entries_[index];
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", e.hour % 100, e.minute % 100);
  SetDlgItemTextA(page_, IDC_SCHEDULE_TIME, text);
  if (e.repeat == Repeat::kOnce) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", e.year % 10000, e.month % 100, e.day % 100);
    SetDlgItemTextA(page_, IDC_SCHEDULE_DATE, text);
  }
  SetDlgItemInt(page_, IDC_SCHEDULE_MINUTES, static_cast<UINT>((e.duration_secs + 59) / 60), FALSE);
  SendDlgItemMessageA(page_, IDC_SCHEDULE_REPEAT, CB_SETCURSEL, static_cast<WPARAM>(e.repeat), 0);
  for (int d = 0; d < 7; ++d) set_ticked(page_, IDC_SCHEDULE_DAY_FIRST + d, (e.days >> d) & 1);
  SetDlgItemTextA(page_, IDC_SCHEDULE_PATTERN, e.file.empty() ? e.pattern.c_str() : e.file.c_str());
  SendDlgItemMessageA(page_, IDC_SCHEDULE_FORMAT, CB_SETCURSEL, static_cast<WPARAM>(e.format + 1), 0);
  update_enabling();
}

void SchedulePage::update_enabling() {
  const auto repeat = SendDlgItemMessageA(page_, IDC_SCHEDULE_REPEAT, CB_GETCURSEL, 0, 0);
  EnableWindow(GetDlgItem(page_, IDC_SCHEDULE_DATE), repeat == static_cast<LRESULT>(Repeat::kOnce));
  for (int d = 0; d < 7; ++d)
    EnableWindow(GetDlgItem(page_, IDC_SCHEDULE_DAY_FIRST + d), repeat == static_cast<LRESULT>(Repeat::kChosenDays));
  const bool selected = SendDlgItemMessageA(page_, IDC_SCHEDULE_LIST, LB_GETCURSEL, 0, 0) != LB_ERR;
  EnableWindow(GetDlgItem(page_, IDC_SCHEDULE_CHANGE), selected);
  EnableWindow(GetDlgItem(page_, IDC_SCHEDULE_REMOVE), selected);
}

bool SchedulePage::read_fields(ScheduleEntry* entry) {
  ScheduleEntry e;
  if (!parse_clock_text(dialog_item_text(page_, IDC_SCHEDULE_TIME), &e.hour, &e.minute)) {
    tell(page_, "Veuillez entrer une heure de début valide (HH:MM).", "Heure invalide");
    return false;
  }
  BOOL number = FALSE;
  const UINT duration = GetDlgItemInt(page_, IDC_SCHEDULE_MINUTES, &number, FALSE);
  if (!number || duration > 24 * 60) {
    tell(page_, "Veuillez entrer une durée valide, de 0 à 1440 minutes.", "Durée invalide");
    return false;
  }
  e.duration_secs = static_cast<int32_t>(duration) * 60;
  const auto repeat = SendDlgItemMessageA(page_, IDC_SCHEDULE_REPEAT, CB_GETCURSEL, 0, 0);
  e.repeat = repeat >= 0 && repeat <= 3 ? static_cast<Repeat>(repeat) : Repeat::kOnce;
  if (e.repeat == Repeat::kOnce) {
    if (!parse_date_text(dialog_item_text(page_, IDC_SCHEDULE_DATE), &e.year, &e.month, &e.day)) {
      tell(page_, "Veuillez entrer une date valide (AAAA-MM-JJ).", "Date invalide");
      return false;
    }
    LocalTime start;
    start.year = e.year, start.month = e.month, start.day = e.day, start.hour = e.hour, start.minute = e.minute;
    if (local_to_utc(start, SystemTimeZone()) <= system_utc_now()) {
      tell(page_, "Cette heure est déjà passée : veuillez choisir une heure à venir.", "Heure invalide");
      return false;
    }
  }
  if (e.repeat == Repeat::kChosenDays) {
    for (int d = 0; d < 7; ++d)
      if (is_ticked(page_, IDC_SCHEDULE_DAY_FIRST + d)) e.days |= 1 << d;
    if (e.days == 0) {
      tell(page_, "Veuillez cocher au moins un jour.", "Jours choisis");
      return false;
    }
  }
  const std::string name = dialog_item_text(page_, IDC_SCHEDULE_PATTERN);
  // A full path names the file itself; anything else is a pattern in the destination folder.
  if (name.find_first_of("\\/") != std::string::npos)
    e.file = name;
  else
    e.pattern = name;
  e.format = static_cast<int>(SendDlgItemMessageA(page_, IDC_SCHEDULE_FORMAT, CB_GETCURSEL, 0, 0)) - 1;
  if (e.format < -1 || e.format > 2) e.format = -1;
  *entry = e;
  return true;
}

void SchedulePage::add_entry() {
  ScheduleEntry entry;
  if (static_cast<int>(entries_.size()) >= kMaxScheduleEntries || !read_fields(&entry)) return;
  entries_.push_back(entry);
  touched_.push_back(true);
  fill_list();
  SendDlgItemMessageA(page_, IDC_SCHEDULE_LIST, LB_SETCURSEL, entries_.size() - 1, 0);
  update_enabling();
}

void SchedulePage::change_entry() {
  const int index = static_cast<int>(SendDlgItemMessageA(page_, IDC_SCHEDULE_LIST, LB_GETCURSEL, 0, 0));
  ScheduleEntry entry;
  if (index < 0 || index >= static_cast<int>(entries_.size()) || !read_fields(&entry)) return;
  entries_[index] = entry;
  touched_[index] = true;
  fill_list();
  SendDlgItemMessageA(page_, IDC_SCHEDULE_LIST, LB_SETCURSEL, index, 0);
  update_enabling();
}

void SchedulePage::remove_entry() {
  const int index = static_cast<int>(SendDlgItemMessageA(page_, IDC_SCHEDULE_LIST, LB_GETCURSEL, 0, 0));
  if (index < 0 || index >= static_cast<int>(entries_.size())) return;
  entries_.erase(entries_.begin() + index);
  touched_.erase(touched_.begin() + index);
  fill_list();
  update_enabling();
}

namespace {

bool same_entry(const ScheduleEntry& a, const ScheduleEntry& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
         a.duration_secs == b.duration_secs && a.repeat == b.repeat && a.days == b.days && a.pattern == b.pattern &&
         a.file == b.file && a.format == b.format;
}

}  // namespace

// Entries added or changed count from now: a slot already under way is not started by
// surprise when the sheet closes. The others take what the running schedule has done
// while the sheet was open (a slot started, a one-shot entry finished and gone), so
// nothing starts twice.
bool SchedulePage::apply() {
  const int64_t now_minute = system_utc_now() / 60;
  const std::vector<ScheduleEntry> stored = load_schedule(store_);
  std::vector<ScheduleEntry> kept;
  for (size_t i = 0; i < entries_.size(); ++i) {
    ScheduleEntry entry = entries_[i];
    if (touched_[i]) {
      entry.done_minute = now_minute;
    } else {
      const ScheduleEntry* found = nullptr;
      for (const ScheduleEntry& s : stored)
        if (same_entry(s, entry) && (!found || s.done_minute > found->done_minute)) found = &s;
      if (!found) continue;
      entry.done_minute = std::max(entry.done_minute, found->done_minute);
    }
    kept.push_back(entry);
  }
  save_schedule(store_, kept);
  return true;
}

}  // namespace vt

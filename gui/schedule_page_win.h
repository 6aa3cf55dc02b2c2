// The scheduled recordings page ("Programmation", dialog 12): the list of entries with
// add, modify and remove; the list is written to the Schedule section on the sheet's OK.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <vector>

#include "recorder/schedule.h"
#include "ui/sheet_page_win.h"

namespace vt {

class SchedulePage : public SheetPage {
 public:
  // `store` (the Schedule section) must outlive the sheet, as must this object.
  explicit SchedulePage(SettingsSection& store) : store_(store) {}
  SchedulePage(const SchedulePage&) = delete;
  SchedulePage& operator=(const SchedulePage&) = delete;

  PROPSHEETPAGEA sheet_page();

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_init();
  void fill_list();
  void show_entry(int index);
  // The fields as an entry; false (after telling why) when one is unusable.
  bool read_fields(ScheduleEntry* entry);
  void add_entry();
  void change_entry();
  void remove_entry();
  void update_enabling();
  bool apply() override;

  SettingsSection& store_;
  std::vector<ScheduleEntry> entries_;
  std::vector<bool> touched_;  // added or modified while the page was open
};

}  // namespace vt

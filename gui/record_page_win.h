// The record options page ("Enreg.", dialog 2): input device, mixer line and volume,
// voice activation, maximum duration, and opening the list after a recording.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "gui/options_hooks.h"

#include "ui/sheet_page_win.h"

namespace vt {

class RecordPage : public SheetPage {
 public:
  // `hooks` reach the input mixer; they must outlive the page.
  explicit RecordPage(OptionsHooks& hooks) : hooks_(hooks) {}
  RecordPage(const RecordPage&) = delete;
  RecordPage& operator=(const RecordPage&) = delete;

  // The page for the options sheet; this object must outlive the sheet. Registers
  // the decibel slider class with this program if that was not done yet.
  PROPSHEETPAGEA sheet_page();

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_init();
  bool on_command(int id, int notification);
  void fill_devices();
  void fill_inputs(int select);
  int mixer_device() const;
  void show_volume_or_mixer();
  void update_enabling();
  bool apply() override;
  int selection(int id) const;

  OptionsHooks& hooks_;
};

// The device list: "[Son Initial Entrant]" then every input device (left empty past
// 126 devices).
void fill_input_device_list(HWND list);
// The input list: the Windows-mixer entry then the source lines `names`, with entry
// `select` chosen.
void fill_input_line_list(HWND list, const std::vector<std::string>& names, int select);

}  // namespace vt

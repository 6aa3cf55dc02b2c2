// The transmit options page ("Transmettre", dialog 9): which delivery methods run
// on every finished recording, and their addresses, folders and program.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <string>

#include "gui/options_hooks.h"

#include "ui/sheet_page_win.h"
#include "win/settings_win.h"

namespace vt {

class TransmitPage : public SheetPage {
 public:
  // `hooks` open the e-mail settings and the help; they must outlive the page.
  explicit TransmitPage(OptionsHooks& hooks) : hooks_(hooks) {}
  TransmitPage(const TransmitPage&) = delete;
  TransmitPage& operator=(const TransmitPage&) = delete;

  // The page for the options sheet; this object must outlive the sheet.
  PROPSHEETPAGEA sheet_page();

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_init();
  bool on_command(int id, int notification);
  void update_enabling();
  void browse_mirror_folder();
  void browse_program();
  bool apply() override;
  bool apply_email();
  bool apply_ftp();
  bool apply_mirror();
  bool apply_program();
  std::string text(int id) const;

  OptionsHooks& hooks_;
  RegistrySection core_{Hive::Machine, kSectionSettings};
  RegistrySection email_{Hive::Machine, kSectionEmail};
  RegistrySection ftp_{Hive::Machine, kSectionFtp};
};

// Whether a file can be created in `folder` (a scratch file of a name no file has, removed again).
bool folder_is_writable(const std::string& folder);

}  // namespace vt

// The hotkeys options page ("Commandes", dialog 7): the list of key bindings of the
// Keys section, with adding, removing and changing a binding. The page writes the
// settings as the user works; the bindings take effect when the options dialog
// closes and the hotkeys are registered again.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <string>

#include "gui/options_hooks.h"

#include "ui/sheet_page_win.h"

namespace vt {

class CommandsPage : public SheetPage {
 public:
  // `hooks` capture keys and choose commands; they must outlive the page.
  explicit CommandsPage(OptionsHooks& hooks) : hooks_(hooks) {}
  CommandsPage(const CommandsPage&) = delete;
  CommandsPage& operator=(const CommandsPage&) = delete;

  // The page for the options sheet; this object must outlive the sheet.
  PROPSHEETPAGEA sheet_page();

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_init();
  bool on_command(int id);
  void fill_list();
  int selected_row() const;
  void update_enabling();
  void remove_selected();
  void modify_selected();
  void tell_refused();

  OptionsHooks& hooks_;
  std::string notice_;
};

}  // namespace vt

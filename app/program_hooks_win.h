// What the running program attaches to its main window: the options dialog, the
// companion programs and the web pages. The delivery queue, the recordings list and
// the hotkeys join here as they are built.
#pragma once
#include <windows.h>

#include "gui/options_hooks.h"
#include "app/recorder_hooks.h"

namespace vt {

class ProgramHooks : public RecorderHooks, public OptionsHooks {
 public:
  void set_owner(HWND owner) { owner_ = owner; }
  bool show_options(int first_page) override;
  void launch_companion(int menu_id) override;
  void open_web_page(int index) override;
  void show_about() override;
  void unregister_hotkeys() override {}
  void register_hotkeys() override {}

 private:
  HWND owner_ = nullptr;
};

// The help menu's pages of the product web site, in menu order from id 9021.
struct WebMenuEntry {
  const char* label;
  const char* page;
};
extern const WebMenuEntry kWebMenuEntries[];
extern const int kWebMenuEntryCount;

}  // namespace vt

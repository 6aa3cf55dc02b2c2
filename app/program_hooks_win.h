// What the running program offers the options dialog (the hotkeys are off while it is
// open) and the main window's help menu: the web site's pages and the about box.
#pragma once
#include <windows.h>

#include "gui/options_hooks.h"
#include "recorder/recorder_neighbours.h"

namespace vt {

class ProgramHooks : public OptionsHooks {
 public:
  explicit ProgramHooks(const RecorderNeighbours& neighbours) : neighbours_(neighbours) {}
  void unregister_hotkeys() override {
    if (neighbours_.hotkeys) neighbours_.hotkeys->unregister_all();
  }
  void register_hotkeys() override {
    if (neighbours_.hotkeys) neighbours_.hotkeys->register_all();
  }
  std::string take_hotkey_notice() override {
    return neighbours_.hotkeys ? neighbours_.hotkeys->take_refusal_notice() : std::string();
  }

 private:
  const RecorderNeighbours& neighbours_;
};

// The help menu's pages of the product web site, in menu order from id 9021.
struct WebMenuEntry {
  const char* label;
  const char* page;
};
extern const WebMenuEntry kWebMenuEntries[];
extern const int kWebMenuEntryCount;

void open_web_menu_page(int index);
void show_about_box(HWND owner);

}  // namespace vt

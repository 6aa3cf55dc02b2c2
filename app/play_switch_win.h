// Until the program has its recordings list, the list's part that -play needs: the
// player panel opened on the file named by the switch.
#pragma once
#include <windows.h>

#include <string>

#include "recorder/recorder_neighbours.h"
#include "win/notifier_win.h"

namespace vt {

class PanelOnlyList : public RecordingsList, private NotificationTarget {
 public:
  PanelOnlyList() : notifier_(this) {}
  void set_owner(HWND owner) { owner_ = owner; }
  // A file name alone is looked for in the output folder; a missing file does nothing.
  void play(const std::string& file) override;

 private:
  void on_notify() override;

  Notifier notifier_;
  HWND owner_ = nullptr;
  std::string pending_;
  bool showing_ = false;
};

}  // namespace vt

// The main window's status panel: recorder state, time, file, format, free space and
// the level meter, drawn double-buffered on an LPC panel.
#pragma once
#include <windows.h>

#include <string>

#include "recorder/recorder_win.h"
#include "ui/custom_panel_win.h"
#include "win/handles_win.h"

namespace vt {

struct StatusPanelData {
  int display_state = kDisplayReady;
  std::string file_name;   // without folder and extension
  std::string file_info;   // the format text
  std::string free_space;  // "%5.2f MB"
  bool low_disk = false;
  std::string time_text = "0:00:00.00";
  // The recorder's notice (a lost input, a silent one); shown in place of the state line.
  std::string recorder_notice;
  // The schedule's line (the next planned recording, or its notice); shown in place of "Prêt".
  std::string schedule_line;
};

class StatusPanel : public CustomPanel {
 public:
  StatusPanel();
  ~StatusPanel() override;
  // Takes over the panel window 111 and creates its level meter 199.
  void attach(HWND panel);
  void update(const StatusPanelData& data);
  const StatusPanelData& data() const { return data_; }
  HWND meter() const { return meter_; }
  HWND window() const { return panel_; }
  // Places the meter for the panel's current size.
  void place_meter();
  // Sizes drawn for 96 DPI are scaled to this one; the fonts are made again.
  void set_dpi(int dpi);
  void paint(PAINTSTRUCT& paint_record) override;

 private:
  HWND panel_ = nullptr;
  HWND meter_ = nullptr;
  StatusPanelData data_;
  int dpi_ = 96;
  OwnedFont normal_font_, bold_font_, time_font_;
  CriticalSection lock_;
};

}  // namespace vt

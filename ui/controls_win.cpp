#include "ui/controls_win.h"

#include "ui/custom_panel_win.h"
#include "ui/db_slider_win.h"
#include "ui/hyperlink_win.h"
#include "ui/level_meter_win.h"

namespace vt {

bool register_ui_controls(HINSTANCE instance) {
  bool meter = register_level_meter(instance);
  bool slider = register_db_slider(instance);
  bool panel = register_custom_panel(instance);
  bool link = register_hyperlink(instance);
  return meter && slider && panel && link;
}

}  // namespace vt

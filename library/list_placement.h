// Where the recordings list window may stand: inside the desktop.
#pragma once

namespace vt {

struct ScreenRect {
  int left, top, right, bottom;
};

// The window's size limited to the desktop's, then the window moved so that no edge
// lies outside the desktop.
ScreenRect keep_inside(const ScreenRect& window, const ScreenRect& desktop);

}  // namespace vt

#include "library/list_placement.h"

#include <algorithm>

namespace vt {

ScreenRect keep_inside(const ScreenRect& window, const ScreenRect& desktop) {
  int width = std::min(window.right - window.left, desktop.right - desktop.left);
  int height = std::min(window.bottom - window.top, desktop.bottom - desktop.top);
  int left = std::max(window.left, desktop.left);
  int top = std::max(window.top, desktop.top);
  if (left + width > desktop.right) left = desktop.right - width;
  if (top + height > desktop.bottom) top = desktop.bottom - height;
  return ScreenRect{left, top, left + width, top + height};
}

}  // namespace vt

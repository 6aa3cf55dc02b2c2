// LPC: a panel whose painting and input belong to an owning object. The owner creates
// the window, then attaches itself with attach_panel_owner; until then the panel only
// does the default.
#pragma once
#include <windows.h>

#include "base/key_codes.h"

namespace vt {

extern const char kCustomPanelClass[];  // "LPC"
constexpr int kCustomPanelExtraBytes = 4;

class CustomPanel {
 public:
  // The paint record's rectangle is already clipped to the panel's width and to a
  // non-negative top.
  virtual void paint(PAINTSTRUCT& paint_record) {}
  virtual void mouse_entered() {}
  virtual void mouse_left() {}
  virtual void mouse_moved(int x, int y) {}
  virtual void left_button_down(int x, int y) {}
  virtual void left_button_up(int x, int y) {}
  // True when the owner handled the key; it then goes no further.
  virtual bool key_pressed(int key_code) { return false; }
  // Dispatches the panel's messages to the operations above; owners may extend it.
  virtual LRESULT window_proc(HWND panel, UINT message, WPARAM wparam, LPARAM lparam);
  virtual ~CustomPanel() = default;

  int panel_width() const { return width_; }
  int panel_height() const { return height_; }
  void set_panel_size(int width, int height) { width_ = width, height_ = height; }

 private:
  int width_ = 0, height_ = 0;  // client size, refreshed on every resize
};

bool register_custom_panel(HINSTANCE instance);
// Makes `owner` receive `panel`'s messages (null detaches) and repaints the panel.
void attach_panel_owner(HWND panel, CustomPanel* owner);
// Key code of a key-down message: the virtual key with the flags of the modifiers held.
int key_code_with_modifiers(UINT message, WPARAM virtual_key, LPARAM key_data);

}  // namespace vt

// Tooltips for a window's controls, and push buttons that show a picture instead of
// a text (their text becomes the tooltip's).
#pragma once
#include <windows.h>

namespace vt {

// The tooltip window of `owner` (destroyed with it).
HWND create_tooltips(HWND owner);
// Shows `text` over `tool`, a child of `owner`.
void add_tooltip(HWND tooltips, HWND owner, HWND tool, const char* text);

// One tooltip window for the controls of `owner`; destroyed with this object.
class Tooltips {
 public:
  Tooltips() = default;
  ~Tooltips();
  Tooltips(const Tooltips&) = delete;
  Tooltips& operator=(const Tooltips&) = delete;

  // Creates the tooltip window once; true when it exists.
  bool create(HWND owner);
  // Shows `text` while the pointer rests on `tool`, a child of the owner.
  void add(HWND tool, const char* text);
  // Destroys the tooltip window now (its owner is going); create may follow.
  void destroy();
  HWND window() const { return tips_; }

 private:
  HWND owner_ = nullptr;
  HWND tips_ = nullptr;
};

// Makes `button` show `picture` (an icon or a bitmap, which the caller keeps alive)
// and, when `tooltips` is given, the tooltip `tip`.
void make_picture_button(HWND button, HANDLE picture, bool is_icon, Tooltips* tooltips, const char* tip);

}  // namespace vt

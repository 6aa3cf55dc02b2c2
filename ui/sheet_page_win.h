// A page of a property sheet bound to its object: the page's dialog procedure finds the
// object at WM_INITDIALOG and forwards every message to `handle`; the sheet's OK and
// Apply reach `apply`, which refuses by returning false (after telling the user why,
// see refuse_apply).
#pragma once
#include <windows.h>
#include <prsht.h>

namespace vt {

class SheetPage {
 public:
  virtual ~SheetPage() = default;

 protected:
  // The sheet's page record for the dialog template `template_id` of this module; with
  // `has_help` the sheet shows its help button on this page.
  PROPSHEETPAGEA make_sheet_page(int template_id, bool has_help = false);
  virtual INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  // Validates and saves what the page shows; false keeps the sheet open on this page.
  virtual bool apply() { return true; }
  HWND page_ = nullptr;

 private:
  static INT_PTR CALLBACK dialog_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
};

// Refuses the sheet's OK from `page`: the sheet shows `page`, a message box with the
// error icon (caption null: the system's own) tells why. The page's apply then
// returns false.
void refuse_apply(HWND page, const char* text, const char* caption);

}  // namespace vt

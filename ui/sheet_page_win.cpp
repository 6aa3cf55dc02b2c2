#include "ui/sheet_page_win.h"

namespace vt {

PROPSHEETPAGEA SheetPage::make_sheet_page(int template_id, bool has_help) {
  PROPSHEETPAGEA page = {};
  page.dwSize = sizeof page;
  if (has_help) page.dwFlags = PSP_HASHELP;
  page.hInstance = GetModuleHandleA(nullptr);
  page.pszTemplate = MAKEINTRESOURCEA(template_id);
  page.pfnDlgProc = dialog_proc;
  page.lParam = reinterpret_cast<LPARAM>(this);
  return page;
}

INT_PTR CALLBACK SheetPage::dialog_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<SheetPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lparam)->lParam);
    SetWindowLongPtrA(page, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->page_ = page;
  }
  auto* self = reinterpret_cast<SheetPage*>(GetWindowLongPtrA(page, DWLP_USER));
  return self ? self->handle(message, wparam, lparam) : FALSE;
}

}  // namespace vt

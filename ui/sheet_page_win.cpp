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
  if (!self) return FALSE;
  if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lparam)->code == PSN_APPLY) {
    bool accepted = self->apply();
    SetWindowLongPtrA(page, DWLP_MSGRESULT, accepted ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
    return TRUE;
  }
  return self->handle(message, wparam, lparam);
}

void refuse_apply(HWND page, const char* text, const char* caption) {
  // The refusing page may not be the one in front: bring it there before the box,
  // which it owns, so that the user sees what to correct.
  HWND sheet = GetParent(page);
  int index = static_cast<int>(SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
  if (index >= 0) SendMessageA(sheet, PSM_SETCURSEL, index, 0);
  MessageBoxA(page, text, caption, MB_OK | MB_ICONERROR);
}

}  // namespace vt

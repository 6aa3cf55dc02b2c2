// The general options page ("Général", dialog 6): tones, start-up and the low-disk
// warning, written to the settings on the sheet's OK.
#pragma once
#include <windows.h>
#include <prsht.h>

namespace vt {

class GeneralPage {
 public:
  GeneralPage() = default;
  GeneralPage(const GeneralPage&) = delete;
  GeneralPage& operator=(const GeneralPage&) = delete;

  // The page for the options sheet; this object must outlive the sheet.
  PROPSHEETPAGEA sheet_page();

 private:
  static INT_PTR CALLBACK dialog_proc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam);
  void on_init();
  void update_enabling();
  bool apply();

  HWND page_ = nullptr;
};

}  // namespace vt

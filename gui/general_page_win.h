// The general options page ("Général", dialog 6): tones, start-up and the low-disk
// warning, written to the settings on the sheet's OK.
#pragma once
#include <windows.h>
#include <prsht.h>

#include "ui/sheet_page_win.h"

namespace vt {

class GeneralPage : public SheetPage {
 public:
  GeneralPage() = default;
  GeneralPage(const GeneralPage&) = delete;
  GeneralPage& operator=(const GeneralPage&) = delete;

  // The page for the options sheet; this object must outlive the sheet.
  PROPSHEETPAGEA sheet_page();

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_init();
  void update_enabling();
  bool apply() override;

};

}  // namespace vt

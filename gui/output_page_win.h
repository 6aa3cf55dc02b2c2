// The output options page ("Sortie ", dialog 3) of the options sheet: recording
// format, destination folder and file naming.
#pragma once
#include <windows.h>
#include <prsht.h>

#include <cstdint>
#include <string>

#include "ui/sheet_page_win.h"

namespace vt {

// What the page asks of the rest of the program. The defaults are the real thing;
// tests replace single operations.
class OutputPageServices {
 public:
  virtual ~OutputPageServices() = default;
  // The codec format dialog on WavCodec.wff; saves the chosen format.
  virtual void choose_wav_format(HWND owner);
  // The MP3 encoder options dialog (LMp3EncodeDlg) on the MP3Encoder section.
  virtual bool has_mp3_options();
  virtual void edit_mp3_options(HWND owner);
  // The shell's folder browser opened at `start`; false when cancelled.
  virtual bool pick_folder(HWND owner, const std::string& start, std::string* chosen);
  // Bytes free for this user on the drive (e.g. "C:\"); false when it cannot be told.
  virtual bool free_space(const std::string& drive, uint64_t* bytes);
  // The MP3 encoder component is present (offering to install it when missing).
  virtual bool ensure_mp3_component(HWND owner);
  // Told during Apply when the destination folder differs from the saved one.
  virtual void destination_changed() {}
};

class OutputPage : public SheetPage {
 public:
  // `services` (null: the defaults) must outlive the page.
  explicit OutputPage(OutputPageServices* services = nullptr);
  OutputPage(const OutputPage&) = delete;
  OutputPage& operator=(const OutputPage&) = delete;

  // The page for the options sheet; this object must outlive the sheet.
  PROPSHEETPAGEA sheet_page();
  // Apply saved a destination folder other than the one saved before: the recordings
  // list must read the new folder.
  bool destination_changed() const { return destination_changed_; }

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_init();
  void on_command(int id, int notification);
  void update_enabling();
  void mark_changed();
  void on_format_options();
  void on_browse();
  void on_preview();
  bool apply() override;
  bool apply_pattern();
  bool apply_folder();
  bool apply_format();
  std::string item_text(int id) const;
  int selected_format() const;

  OutputPageServices default_services_;
  OutputPageServices* services_;
  bool destination_changed_ = false;
};

}  // namespace vt

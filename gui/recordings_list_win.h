// The recordings list window (template 8): the recordings of the destination folder,
// one row each, with the commands that play, edit, rename, delete, save, tag and hand
// them on. Modeless and resizable, owned by the main window; the recorder reaches it
// through RecordingsList.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "library/recordings_model.h"
#include "recorder/recorder_neighbours.h"
#include "ui/dialog_win.h"
#include "win/handles_win.h"

namespace vt {

// Sent to the owner when the list closes: once before the window goes, once more
// at the end of its destruction.
constexpr UINT kListClosedMessage = WM_USER + 21;

class RecordingsListWindow : public Dialog, public RecordingsList {
 public:
  // `owner` gives the main window when the list opens (it may not exist yet when
  // this object is made).
  RecordingsListWindow(HINSTANCE instance, std::function<HWND()> owner);
  ~RecordingsListWindow() override;

  // RecordingsList.
  bool is_open() override { return window_ != nullptr; }
  void open() override;
  void close() override;
  void refresh() override;
  bool has_row(const std::string& name, const char* format_name) override;
  void play(const std::string& file) override;
  void list_key(int key_code) override;
  std::string selected_path() override;

  // For tests: the rows in the order shown, and the list control.
  std::vector<RecordingRow> shown_rows();
  HWND list_view() const { return list_; }
  const std::string& folder() const { return folder_; }

 private:
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void destroyed() override;

  bool on_init() override;
  void create_toolbar();
  void restore_placement();
  void save_placement();
  void layout(WPARAM size_kind);
  bool on_command(int id, int code) override;
  INT_PTR notify(NMHDR* header);
  INT_PTR custom_draw(NMLVCUSTOMDRAW* draw);
  void update_commands();
  void sort();
  void show_sort_arrow();
  void drop_down_cd(const NMTOOLBARA* button);

  // The commands.
  void play_selected();
  void edit_selected();
  void rename_selected();
  void finish_rename(int item, const char* typed);
  void delete_selected();
  void save_selected_as();
  void edit_selected_tags();
  void convert_selected();
  void copy_selected_to_cd(bool audio_cd);
  void show_help();

  int first_selected() const;
  std::vector<int> selected_items() const;
  const RecordingRow& row_of(int item) const;
  size_t row_index_of(int item) const;
  void select_only(int item);

  HINSTANCE instance_;
  std::function<HWND()> owner_of_;
  HWND owner_ = nullptr;
  HWND list_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND status_ = nullptr;
  HWND tooltips_ = nullptr;
  HIMAGELIST images_ = nullptr;
  OwnedBrush menu_brush_;
  std::string folder_;
  std::vector<RecordingRow> rows_;  // the list items' lParam indexes these
  int sort_column_ = kColumnName;
  bool ascending_ = true;
};

}  // namespace vt

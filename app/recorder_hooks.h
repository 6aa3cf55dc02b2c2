// What the recorder hands to the parts of the program around it: the delivery queue,
// the recordings list, the hotkeys and the set-up wizard. Each does nothing until the
// part it stands for is attached.
#pragma once
#include <string>

namespace vt {

class RecorderHooks {
 public:
  virtual ~RecorderHooks() {}
  // Every closed recording, exactly once.
  virtual void recording_finished(const std::string& path) {}
  virtual bool recordings_list_open() { return false; }
  virtual void open_recordings_list() {}
  virtual void close_recordings_list() {}
  virtual void refresh_recordings_list() {}
  // True when the open list shows a recording of this name (without extension,
  // compared case-insensitively) and this format name.
  virtual bool recordings_list_has(const std::string& name, const char* format_name) { return false; }
  // Opens the list if needed and plays the first recording of this file name.
  virtual void play_recording(const std::string& file) {}
  virtual void register_hotkeys() {}
  virtual void unregister_hotkeys() {}
  virtual void run_setup_wizard() {}
  // The options dialog on one of its pages; true when the program must now close
  // (the destination folder changed).
  virtual bool show_options(int first_page) { return false; }
  virtual void launch_companion(int menu_id) {}
  virtual void open_web_page(int index) {}
  virtual void show_about() {}
  // The recordings list's own keys (play, rename, delete, edit, save as), while it is open.
  virtual void list_key(int key_code) {}
  virtual void stop_delivery() {}
};

}  // namespace vt

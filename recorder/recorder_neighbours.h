// The parts of the program the recorder hands work to, one small interface each. The
// defaults do nothing, so the recorder works alone (in tests, or before a part is
// attached); app/ wires the real ones once.
#pragma once
#include <string>

namespace vt {

// The delivery queue: every closed recording, exactly once.
class RecordingDelivery {
 public:
  virtual ~RecordingDelivery() = default;
  virtual void recording_finished(const std::string& path) {}
  // At the end of the program: stop the worker (it keeps what it has not sent).
  virtual void stop() {}
};

// The recordings list window.
class RecordingsList {
 public:
  virtual ~RecordingsList() = default;
  virtual bool is_open() { return false; }
  virtual void open() {}
  virtual void close() {}
  virtual void refresh() {}
  // True when the open list shows a recording of this name (without extension,
  // compared case-insensitively) and this format name; false while it is closed.
  virtual bool has_row(const std::string& name, const char* format_name) { return false; }
  // Opens the list if needed and plays the first recording of this file name.
  virtual void play(const std::string& file) {}
  // The list's own keys (play, rename, delete, edit, save as) while it is open.
  virtual void list_key(int key_code) {}
  // The full path of the first selected recording; empty when none is selected.
  virtual std::string selected_path() { return std::string(); }
};

// The system-wide hotkeys.
class HotkeyRegistry {
 public:
  virtual ~HotkeyRegistry() = default;
  virtual void register_all() {}
  virtual void unregister_all() {}
  // What the system refused at start-up, kept for the person to read later; empty
  // once taken.
  virtual std::string take_refusal_notice() { return std::string(); }
};

// The audio set-up wizard.
class SetupWizard {
 public:
  virtual ~SetupWizard() = default;
  virtual void run() {}
};

// The system's sleep: held off while the recorder means to record.
class StayAwake {
 public:
  virtual ~StayAwake() = default;
  virtual void stay_awake(bool on) {}
};

// Everything at once, for the places that wire them.
struct RecorderNeighbours {
  RecordingDelivery* delivery = nullptr;
  RecordingsList* list = nullptr;
  HotkeyRegistry* hotkeys = nullptr;
  SetupWizard* wizard = nullptr;
  StayAwake* awake = nullptr;  // null: the system's own (SetThreadExecutionState)
};

}  // namespace vt

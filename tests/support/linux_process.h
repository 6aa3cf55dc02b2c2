// Starts Linux programs (sox, paplay, pactl, xdotool) from a Win32 test under Wine.
// Wine runs a Unix executable named in CreateProcess but gives no handle to wait on, so
// the command runs inside a small shell script that records its pid and exit status in
// files beside it; the test waits on those files and ends the process by its id.
#pragma once
#include <string>

namespace vt_test {

class LinuxProcess {
 public:
  // `command` is a /bin/sh command line; nothing runs until start().
  explicit LinuxProcess(const std::string& command);
  ~LinuxProcess();  // ends the process if it is still running
  bool start();
  // Waits for the command to end; true with its exit status when it did in time.
  bool wait(int timeout_ms, int* exit_status = nullptr);
  void kill();

 private:
  std::string command_;
  std::string base_;  // Linux path of the script; .pid and .status beside it
  bool started_ = false;
  bool finished_ = false;
};

// A steady 1 kHz tone at 16-bit peak 8,192 (0 dB on the meter) played into the test
// environment's null sink, whose monitor is the recording input; ended with the object.
LinuxProcess* start_steady_tone();

// A local test server: the Python script tests/peers/<script> run with its own
// `arguments` and --port-file/--log in the scratch folder `name`; it writes the port it
// listens on once it listens. Ended by its id when the object goes.
struct LocalServer {
  LocalServer(const std::string& name, const std::string& script, const std::string& arguments = "");
  std::string folder;       // Linux path, made afresh
  std::string request_log;  // Linux path
  LinuxProcess process;
  std::string port;         // empty when none came within 20 s
};

// The xdotool commands that press a chord such as "ctrl+shift+F10": the modifiers go
// down first and Wine is given time to take them in (it syncs its key state when a
// window gets the focus) before the key itself, so that a loaded machine cannot see
// the key without them.
std::string xdotool_chord(const std::string& keys);

// Runs a command to its end; its exit status, or -1 when it did not end in time.
int run_linux(const std::string& command, int timeout_ms = 60000);
// The build tree's Linux path (windows_path of win32_driver.h maps it for Windows calls).
std::string build_dir();

}  // namespace vt_test

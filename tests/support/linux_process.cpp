#include "tests/support/linux_process.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"

namespace vt_test {

namespace {

bool read_file(const std::string& linux_path, std::string* text) {
  std::ifstream in(windows_path(linux_path));
  if (!in) return false;
  std::stringstream all;
  all << in.rdbuf();
  *text = all.str();
  return true;
}

std::string escape_single_quotes(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out;
}

}  // namespace

LocalServer::LocalServer(const std::string& name, const std::string& script, const std::string& arguments)
    : folder((scratch_folder(name), build_dir() + "/test-scratch/" + name)),
      request_log(folder + "/requests.log"),
      process("exec /usr/bin/python3 " + env("VT_SOURCE_DIR") + "/tests/peers/" + script + " " + arguments +
              " --port-file " + folder + "/port --log " + request_log) {
  if (!process.start()) return;
  wait_until([&] {
    std::ifstream in(windows_path(folder + "/port"));
    std::getline(in, port);
    return !port.empty();
  }, 20000);
}

std::string xdotool_chord(const std::string& keys) {
  const size_t last = keys.rfind('+');
  if (last == std::string::npos) return "key " + keys;
  const std::string modifiers = keys.substr(0, last);
  return "sleep 0.3 keydown " + modifiers + " sleep 0.3 key " + keys.substr(last + 1) + " sleep 0.1 keyup " + modifiers;
}

std::string build_dir() {
  std::string dir = env("VT_BUILD_DIR");
  return dir.empty() ? "/tmp" : dir;
}

LinuxProcess::LinuxProcess(const std::string& command) : command_(command) {
  // Wine reuses process ids from one test program to the next, so the name also carries
  // the moment it was made: a file left by an earlier program must never be read as ours.
  static int counter = 0;
  LARGE_INTEGER now = {};
  QueryPerformanceCounter(&now);
  base_ = build_dir() + "/linux-process-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) +
          "-" + std::to_string(now.QuadPart);
}

LinuxProcess::~LinuxProcess() {
  if (started_ && !finished_) kill();
  for (const char* suffix : {".sh", ".pid", ".status"}) DeleteFileA(windows_path(base_ + suffix).c_str());
}

bool LinuxProcess::start() {
  for (const char* suffix : {".pid", ".status"}) DeleteFileA(windows_path(base_ + suffix).c_str());
  std::ofstream script(windows_path(base_ + ".sh"), std::ios::binary);
  // The command runs as its own process group, so that ending it ends every program of
  // its pipeline; the group's id is what the .pid file holds.
  script << "#!/bin/sh\n"
         << "setsid -w /bin/sh -c 'echo $$ > \"$1.pid.tmp\" && mv \"$1.pid.tmp\" \"$1.pid\"; exec /bin/sh -c \"$0\"' '"
         << escape_single_quotes(command_) << "' '" << base_ << "' &\n"
         << "wait $!\necho $? > '" << base_ << ".status.tmp' && mv '" << base_ << ".status.tmp' '" << base_
         << ".status'\n";
  script.close();
  std::string line = "/bin/sh " + base_ + ".sh";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return false;
  if (info.hProcess) CloseHandle(info.hProcess);
  if (info.hThread) CloseHandle(info.hThread);
  started_ = true;
  std::string pid;
  return wait_until([&] { return read_file(base_ + ".pid", &pid) && !pid.empty(); }, 10000);
}

bool LinuxProcess::wait(int timeout_ms, int* exit_status) {
  std::string status;
  if (!wait_until([&] { return read_file(base_ + ".status", &status) && !status.empty(); }, timeout_ms)) return false;
  finished_ = true;
  if (exit_status) *exit_status = std::atoi(status.c_str());
  return true;
}

void LinuxProcess::kill() {
  std::string pid;
  if (!read_file(base_ + ".pid", &pid) || std::atoi(pid.c_str()) <= 0) return;
  const std::string group = std::to_string(std::atoi(pid.c_str()));
  LinuxProcess killer("kill -TERM -" + group + " 2>/dev/null; true");
  if (killer.start()) killer.wait(10000);
  // The script notes the group's end after it has gone; wait for that note so that the
  // destructor removes it rather than leaving it behind.
  wait(10000, nullptr);
  finished_ = true;
}

LinuxProcess* start_steady_tone() {
  auto* tone = new LinuxProcess(
      "sox -n -r 44100 -b 16 -c 1 -t raw - synth 600 sine 1000 vol 0.25 | paplay --raw --format=s16le "
      "--rate=44100 --channels=1 -d \"$VT_PULSE_SINK\"");
  tone->start();
  return tone;
}

int run_linux(const std::string& command, int timeout_ms) {
  LinuxProcess process(command);
  int status = -1;
  if (!process.start() || !process.wait(timeout_ms, &status)) return -1;
  return status;
}

}  // namespace vt_test

#include "tests/support/linux_process.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

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

}  // namespace

std::string build_dir() {
  std::string dir = env("VT_BUILD_DIR");
  return dir.empty() ? "/tmp" : dir;
}

LinuxProcess::LinuxProcess(const std::string& command) : command_(command) {
  static int counter = 0;
  base_ = build_dir() + "/linux-process-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

LinuxProcess::~LinuxProcess() {
  if (started_ && !finished_) kill();
  for (const char* suffix : {".sh", ".pid", ".status"}) DeleteFileA(windows_path(base_ + suffix).c_str());
}

bool LinuxProcess::start() {
  std::ofstream script(windows_path(base_ + ".sh"), std::ios::binary);
  script << "#!/bin/sh\necho $$ > '" << base_ << ".pid.tmp' && mv '" << base_ << ".pid.tmp' '" << base_ << ".pid'\n"
         << "( " << command_ << " )\necho $? > '" << base_ << ".status.tmp' && mv '" << base_ << ".status.tmp' '"
         << base_ << ".status'\n";
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
  // The script's children first (the command itself), then the script.
  LinuxProcess killer("pkill -P " + std::to_string(std::atoi(pid.c_str())) + "; kill " +
                      std::to_string(std::atoi(pid.c_str())) + " 2>/dev/null; true");
  if (killer.start()) killer.wait(10000);
  finished_ = true;
}

int run_linux(const std::string& command, int timeout_ms) {
  LinuxProcess process(command);
  int status = -1;
  if (!process.start() || !process.wait(timeout_ms, &status)) return -1;
  return status;
}

}  // namespace vt_test

// Program entry: the role of this program file, one running copy per desktop (a second
// copy forwards its switches and ends), and the main thread's message loop.
#include <windows.h>
#include <objbase.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "base/product_name.h"
#include "delivery/delivery_queue_win.h"
#include "gui/recordings_list_win.h"
#include "recorder/recorder_win.h"
#include "win/settings_win.h"
#include "win/handles_win.h"
#include "base/paths.h"
#include "app/main_window_res.h"
#include "app/run_mutex_win.h"
#include "app/startup_rules.h"
#include "gui/setup_roles_win.h"
#include "gui/update_offers_win.h"
#include "setup/companions_win.h"
#include "ui/controls_win.h"
#include "ui/dpi_win.h"

namespace {

const char* const kMainWindowTitle = vt::kProductName;
const char kDialogClass[] = "#32770";
const char kUpdatedVersionPage[] = "kb/10015";  // the knowledge-base page on the updated version

// Every closed recording goes to the delivery queue; at the end of the window the
// worker gets 5,000 ms to stop (the queue's own end waits 7,000 ms more).
class QueuedDelivery : public vt::RecordingDelivery {
 public:
  explicit QueuedDelivery(vt::DeliveryQueue& queue) : queue_(queue) {}
  void recording_finished(const std::string& path) override { queue_.enqueue_recording(path); }
  void stop() override { queue_.stop(5000); }

 private:
  vt::DeliveryQueue& queue_;
};

uint32_t read_role_marker(const std::string& program) {
  vt::OwnedHandle file(
      CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return 0;
  uint32_t marker = 0;
  DWORD read = 0;
  if (SetFilePointer(file.get(), -4, nullptr, FILE_END) == INVALID_SET_FILE_POINTER ||
      !ReadFile(file.get(), &marker, 4, &read, nullptr) || read != 4)
    marker = 0;
  return marker;
}

bool windows_newer_than_vista() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  return info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion != 0);
}

// The running copy's main window. The name prompt has the same class and caption and
// may sit above it: only the window with the status panel is the main window.
HWND find_running_copy() {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, kDialogClass, kMainWindowTitle)) != nullptr)
    if (GetDlgItem(window, IDC_STATUS_PANEL)) return window;
  return nullptr;
}

// How long the installer and uninstaller wait for an asked copy to have ended: its
// window goes first, then it finishes its file and stops its deliveries (5 s).
constexpr DWORD kClosedCopyEndMs = 10000;

// Up to six times: ask the running copy to close, then give it a second. Files and
// settings are then only replaced or removed once the copies asked have ended.
bool close_running_copies() {
  std::vector<vt::OwnedHandle> asked;
  for (int i = 0; i < 6; ++i) {
    HWND running = find_running_copy();
    if (!running) break;
    DWORD process_id = 0;
    GetWindowThreadProcessId(running, &process_id);
    vt::OwnedHandle process(OpenProcess(SYNCHRONIZE, FALSE, process_id));
    if (process) asked.push_back(std::move(process));
    PostMessageA(running, vt::kCloseNowMessage, 0, 0);
    PostMessageA(running, WM_CLOSE, 0, 0);
    Sleep(1000);
  }
  for (const vt::OwnedHandle& process : asked) WaitForSingleObject(process.get(), kClosedCopyEndMs);
  return true;
}

void forward_switches(HWND running, const std::vector<std::string>& args) {
  std::vector<uint8_t> record = vt::build_forwarded_record(args);
  COPYDATASTRUCT data = {};
  data.dwData = 0;
  data.cbData = static_cast<DWORD>(record.size());
  data.lpData = record.data();
  SendMessageA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

// The installer reads its payload from its own file; the command line's first word
// may not name it in full.
std::string own_program_file(const std::string& argv0) {
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length && length < sizeof path ? std::string(path) : argv0;
}

// The recorder and its window live until the message loop has ended, so that nothing
// still running after the window has gone (the rest of a forwarded command line, a
// pump inside a progress task, an engine report) reaches freed memory.
void run_application(HINSTANCE instance, const std::vector<std::string>& args) {
  vt::ComScope com;
  vt::declare_dpi_awareness();  // where no manifest said so already
  InitCommonControls();
  vt::register_ui_controls(instance);
  // Outlives the recorder, which hands it every closed recording.
  vt::DeliveryQueue queue;
  vt::Recorder recorder(instance);
  vt::MainWindow main(instance, recorder);
  // The parts the recorder hands on to are attached here as the program gains them.
  vt::RecordingsListWindow list(instance, [&main] { return main.window(); });
  vt::RecorderNeighbours neighbours;
  QueuedDelivery delivery(queue);
  neighbours.delivery = &delivery;
  neighbours.list = &list;
  neighbours.hotkeys = &main.hotkeys();
  neighbours.wizard = &main.setup_wizard();
  recorder.set_neighbours(neighbours);
  if (!main.create(args)) return;
  // What an earlier run left undelivered goes first.
  queue.resume_pending(vt::join_path(vt::shared_data_folder(), "bgsend.lst"));
  ShowWindow(main.window(), SW_SHOW);
  main.run_switches(args);
  vt::release_run_mutex();
  // The periodic offers come after the switches, so that a scripted start records first.
  if (main.window()) vt::run_update_offers(main.window());
  MSG message;
  while (main.window()) {
    if (GetMessageA(&message, nullptr, 0, 0) != 1) {
      if (main.window()) DestroyWindow(main.window());
      break;
    }
    if (main.pre_translate_message(message)) continue;
    if (main.window() && IsDialogMessageA(main.window(), &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::vector<std::string> args(__argv, __argv + __argc);
  const std::string program = args.empty() ? std::string() : args[0];
  SetCurrentDirectoryA(vt::folder_of(program).c_str());

  const uint32_t marker = read_role_marker(program);
  if (vt::program_base_name_upper(program).find("SETUP") != std::string::npos && marker != vt::kInstallerFileMarker) {
    MessageBoxA(nullptr,
                "Fichier d’installation corrompu.\n\nUne erreur de checksum a été détectée dans votre fichier "
                "d’installation. Veuillez réinstaller le fichier.",
                "Erreur d’installation", MB_OK | MB_ICONWARNING);
    return 0;
  }
  if (windows_newer_than_vista()) {
    MessageBoxA(nullptr,
                "Cette version 2.01 de Vocatrack Sound Recorder ne fonctionne que sous Windows Vista ou une version "
                "antérieure.\n\nUne version mise à jour peut être téléchargée sur notre site web.",
                "Updated Version Required", MB_OK | MB_ICONERROR);
    vt::open_web_page(kUpdatedVersionPage);  // where the updated version is offered
    return 0;
  }
  switch (vt::role_of_marker(marker)) {
    case vt::kRoleInstaller:
      close_running_copies();
      vt::run_installer_role(own_program_file(program));
      return 0;
    case vt::kRoleUninstaller:
      close_running_copies();
      vt::run_uninstaller_role(args);
      return 0;
    case vt::kRoleRecorder:
      break;
  }

  vt::wait_for_run_mutex();
  if (HWND running = find_running_copy()) {
    forward_switches(running, args);
    vt::release_run_mutex();
    return 0;
  }
  if (vt::should_relaunch_with_block(args)) {
    // The relaunched copy becomes the running one; this one ends at once.
    vt::release_run_mutex();
    std::string command = std::string(GetCommandLineA()) + " -block";
    WinExec(command.c_str(), SW_SHOWDEFAULT);
    return 0;
  }
  run_application(instance, args);
  return 0;
}

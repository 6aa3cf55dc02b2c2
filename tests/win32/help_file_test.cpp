// The help file made by scripts/make_help.py, opened by Wine's own help viewer through
// WinHelp at the places the program asks for: the contents (the main window's Help
// command) and the option pages' context numbers.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "gui/commands_page_res.h"
#include "gui/transmit_page_res.h"
#include "tests/support/linux_process.h"
#include "tests/support/win32_driver.h"

namespace {

using vt_test::wait_until;

std::string help_path() { return vt_test::windows_path(vt_test::build_dir() + "/app/app.hlp"); }

// Text of every child window of the viewer, joined: the topic is shown in one of them.
std::string viewer_text(HWND viewer) {
  std::string text;
  EnumChildWindows(
      viewer,
      [](HWND child, LPARAM out) -> BOOL {
        *reinterpret_cast<std::string*>(out) += vt_test::window_text(child) + "\n";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

class HelpFileTest : public testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowA("STATIC", "help owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    // The viewer is a process WinHelp started: ended by its id.
    if (HWND viewer = FindWindowA("MS_WINHELP", nullptr)) {
      DWORD id = 0;
      GetWindowThreadProcessId(viewer, &id);
      if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
      }
    }
    DestroyWindow(owner_);
  }

  // Asks for a topic and waits until the viewer shows `expected`.
  bool shows(UINT command, ULONG_PTR data, const std::string& expected, std::string* seen) {
    if (!WinHelpA(owner_, help_path().c_str(), command, data)) return false;
    return wait_until([&] {
      HWND viewer = FindWindowA("MS_WINHELP", nullptr);
      *seen = viewer ? viewer_text(viewer) : "";
      return seen->find(expected) != std::string::npos;
    }, 30000);
  }

  HWND owner_ = nullptr;
};

TEST_F(HelpFileTest, ViewerOpensTheContentsAndThePagesContexts) {
  std::string seen;
  EXPECT_TRUE(shows(HELP_CONTEXT, TRANSMIT_PAGE_HELP_CONTEXT, "Options : Transmettre", &seen)) << seen;
  EXPECT_NE(std::string::npos, seen.find("Chaque enregistrement terminé peut être envoyé")) << seen;
  vt_test::save_screenshot("help_transmit_page");
  EXPECT_TRUE(shows(HELP_CONTEXT, COMMANDS_PAGE_HELP_CONTEXT, "Options : Commandes", &seen)) << seen;
  EXPECT_EQ(std::string::npos, seen.find("Options : Transmettre")) << seen;
  EXPECT_TRUE(shows(HELP_CONTENTS, 0, "Fenêtre principale", &seen)) << seen;
  EXPECT_NE(std::string::npos, seen.find("Vocatrack Sound Recorder enregistre le son")) << seen;
}

}  // namespace

// The help as the program opens it (ui/help_win.h). Where the system has a WinHelp
// viewer (Wine does), app.hlp made by scripts/make_help.py is shown by that viewer at
// the places the program asks for: the contents (the main window's Help command) and
// the context numbers of the option pages and the recordings list. Where the viewer is
// missing, the HTML page of the same topic goes to the program registered for .htm
// files: here the stand-in program (standin.cpp), which logs the page it was given.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "gui/commands_page_res.h"
#include "gui/transmit_page_res.h"
#include "tests/support/linux_process.h"
#include "tests/support/win32_driver.h"
#include "ui/help_win.h"

namespace {

using vt_test::wait_until;

std::string program_folder() { return vt_test::windows_path(vt_test::build_dir() + "/app"); }
std::string help_path() { return program_folder() + "\\app.hlp"; }

const int kRecordingsListContext = 105;

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

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
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

  // Waits until the viewer shows `expected`.
  bool viewer_shows(const std::string& expected, std::string* seen) {
    return wait_until([&] {
      HWND viewer = FindWindowA("MS_WINHELP", nullptr);
      *seen = viewer ? viewer_text(viewer) : "";
      return seen->find(expected) != std::string::npos;
    }, 30000);
  }

  // Asks WinHelp itself for a topic and waits until the viewer shows `expected`.
  bool shows(UINT command, ULONG_PTR data, const std::string& expected, std::string* seen) {
    if (!WinHelpA(owner_, help_path().c_str(), command, data)) return false;
    return viewer_shows(expected, seen);
  }

  HWND owner_ = nullptr;
};

TEST_F(HelpFileTest, ViewerOpensTheContentsAndThePagesContexts) {
  std::string seen;
  EXPECT_TRUE(shows(HELP_CONTEXT, TRANSMIT_PAGE_HELP_CONTEXT, "Options : Transmettre", &seen)) << seen;
  EXPECT_NE(std::string::npos, seen.find("Chaque enregistrement terminé est mis dans une file d'envoi")) << seen;
  vt_test::save_screenshot("help_transmit_page");
  EXPECT_TRUE(shows(HELP_CONTEXT, COMMANDS_PAGE_HELP_CONTEXT, "Options : Commandes", &seen)) << seen;
  EXPECT_EQ(std::string::npos, seen.find("Options : Transmettre")) << seen;
  EXPECT_TRUE(shows(HELP_CONTENTS, 0, "Vocatrack Sound Recorder enregistre le son", &seen)) << seen;
}

// The program's launcher takes WinHelp where the viewer exists, with the numbers the
// windows pass: the recordings list's topic, and a long topic that fills more than
// one of the file's 4 KB blocks, shown to its last paragraph.
TEST_F(HelpFileTest, LauncherUsesTheViewerWhereItExists) {
  ASSERT_TRUE(vt::winhelp_available());
  std::string seen;
  ASSERT_TRUE(vt::open_help_in(owner_, program_folder(), kRecordingsListContext));
  EXPECT_TRUE(viewer_shows("Liste des enregistrements", &seen)) << seen;
  EXPECT_NE(std::string::npos, seen.find("«Liste d'Enregistrement Vocatrack»")) << seen;
  ASSERT_TRUE(vt::open_help_in(owner_, program_folder(), TRANSMIT_PAGE_HELP_CONTEXT));
  EXPECT_TRUE(viewer_shows("ou sans droit d'écriture, et un programme externe vide", &seen)) << seen;
}

// Run in a throw-away copy of the prefix (see CMakeLists.txt); even so the viewer file
// and the .htm association are put back afterwards.
class HelpPagesTest : public HelpFileTest {
 protected:
  void SetUp() override {
    HelpFileTest::SetUp();
    // The viewer where WinHelp finds it (Wine keeps it in the system folder).
    char viewer[MAX_PATH] = {};
    if (SearchPathA(nullptr, "winhlp32.exe", nullptr, sizeof viewer, viewer, nullptr)) viewer_ = viewer;
    hidden_ = viewer_ + ".vt-hidden";
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    log_ = std::string(temp) + "vt-help-browser.log";
    DeleteFileA(log_.c_str());
    SetEnvironmentVariableA("VT_STANDIN_LOG", log_.c_str());
    for (const char* extension : {".htm", ".html"}) saved_[extension] = class_default(extension);
  }
  void TearDown() override {
    if (GetFileAttributesA(hidden_.c_str()) != INVALID_FILE_ATTRIBUTES) MoveFileA(hidden_.c_str(), viewer_.c_str());
    for (const auto& saved : saved_) set_class_default(saved.first, saved.second);
    for (const char* key : {"\\shell\\open\\command", "\\shell\\open", "\\shell", ""})
      RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(kProgId) + key).c_str());
    SetEnvironmentVariableA("VT_STANDIN_LOG", nullptr);
    DeleteFileA(log_.c_str());
    HelpFileTest::TearDown();
  }

  static std::string class_default(const char* key_name) {
    char value[256] = {};
    LONG size = sizeof value;
    return RegQueryValueA(HKEY_CLASSES_ROOT, key_name, value, &size) == ERROR_SUCCESS ? value : "";
  }
  static void set_class_default(const std::string& key_name, const std::string& value) {
    RegSetValueA(HKEY_CLASSES_ROOT, key_name.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
  }

  // The stand-in program opens .htm and .html files in place of a browser.
  void register_standin_browser() {
    std::string standin = vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe");
    set_class_default(std::string(kProgId) + "\\shell\\open\\command", "\"" + standin + "\" companion \"%1\"");
    set_class_default(".htm", kProgId);
    set_class_default(".html", kProgId);
  }

  // Waits until the stand-in has been given a page; returns its line of the log.
  std::string next_opened_page(size_t* lines_seen) {
    std::string line;
    wait_until([&] {
      std::string log = read_text(log_);
      std::istringstream lines(log);
      std::string current;
      size_t n = 0;
      while (std::getline(lines, current))
        if (++n > *lines_seen) {
          line = current;
          *lines_seen = n;
          return true;
        }
      return false;
    }, 60000);
    return line;
  }

  static constexpr const char* kProgId = "VtHelpTestPage";
  std::string viewer_, hidden_, log_;
  std::map<std::string, std::string> saved_;
};

TEST_F(HelpPagesTest, HtmlPagesOpenInTheBrowserWhereWinHelpIsMissing) {
  ASSERT_FALSE(viewer_.empty());
  ASSERT_TRUE(vt::winhelp_available()) << viewer_;
  ASSERT_TRUE(MoveFileA(viewer_.c_str(), hidden_.c_str())) << viewer_;
  ASSERT_FALSE(vt::winhelp_available());
  register_standin_browser();

  struct Place {
    int context;
    const char* page;
    const char* title;
  };
  const Place places[] = {
      {vt::kHelpContents, "index.htm", "Vocatrack Sound Recorder"},
      {TRANSMIT_PAGE_HELP_CONTEXT, "transmit_page.htm", "Options : Transmettre"},
      {kRecordingsListContext, "recordings_list.htm", "Liste des enregistrements"},
      {COMMANDS_PAGE_HELP_CONTEXT, "commands_page.htm", "Options : Commandes"},
      {4711, "index.htm", "Vocatrack Sound Recorder"},  // a number without a topic: the contents
  };
  size_t lines_seen = 0;
  for (const Place& place : places) {
    SCOPED_TRACE(place.context);
    ASSERT_TRUE(vt::open_help_in(owner_, program_folder(), place.context));
    const std::string opened = next_opened_page(&lines_seen);
    const std::string expected = program_folder() + "\\aide\\" + place.page;
    EXPECT_NE(std::string::npos, lower(opened).find(lower("companion ")));
    EXPECT_NE(std::string::npos, lower(opened).find(lower("\"" + expected + "\""))) << opened;
    const std::string page = read_text(program_folder() + "\\aide\\" + place.page);
    EXPECT_NE(std::string::npos, page.find(std::string("<h1>") + place.title + "</h1>")) << place.page;
  }
  // No viewer was started on the way.
  EXPECT_EQ(nullptr, FindWindowA("MS_WINHELP", nullptr));
  // The HTML and the help file say the same (a sentence without accents: the help
  // file's text is Windows-1252, the page's UTF-8).
  const std::string sentence = "est mis dans une file d'envoi";
  EXPECT_NE(std::string::npos, read_text(program_folder() + "\\aide\\transmit_page.htm").find(sentence));
  EXPECT_NE(std::string::npos, read_text(help_path()).find(sentence));
}

}  // namespace

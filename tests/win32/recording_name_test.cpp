// Choosing the name of a new recording: the name prompt with its refusals and the
// question before a recording is replaced, driven from this thread while a second
// thread asks as the recorder would.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "win/settings_win.h"
#include "recorder/recording_name_win.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "ui/text_edit_dlg_res.h"

namespace vt {
namespace {

using vt_test::control_text;
using vt_test::find_window;
using vt_test::wait_until;

constexpr int kBoxTextId = 0xFFFF;
constexpr int kBoxIconId = 0x0440;
const char kPromptCaption[] = "Vocatrack Sound Recorder";

// The recordings list the next NameRun asks (null: no list open).
RecordingsList* g_rows = nullptr;
void set_rows(RecordingsList* rows) { g_rows = rows; }

// new_recording_name on its own thread.
class NameRun {
 public:
  NameRun() {
    thread_ = std::thread([this] {
      thread_id_ = GetCurrentThreadId();
      chosen_ = new_recording_name(nullptr, g_rows, &path_);
      done_ = true;
    });
  }
  // A test that failed half-way leaves a dialog open: cancel whatever the thread shows.
  ~NameRun() {
    if (!thread_.joinable()) return;
    DWORD id = thread_id_;
    wait_until([&] {
      EnumThreadWindows(id, [](HWND window, LPARAM) -> BOOL {
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
      }, 0);
      return done_.load();
    }, 10000);
    thread_.join();
  }
  bool finish() {
    bool ended = wait_until([&] { return done_.load(); }, 10000);
    if (ended) thread_.join();
    return ended;
  }
  bool chosen() const { return chosen_; }
  const std::string& path() const { return path_; }
  bool done() const { return done_; }

 private:
  std::thread thread_;
  std::atomic<bool> done_{false};
  std::atomic<DWORD> thread_id_{0};
  bool chosen_ = false;
  std::string path_;
};

// The prompt: checks what it shows, types `text` and presses `button`.
void answer_prompt(const std::string& shown, const std::string& text, int button, const char* screenshot = nullptr) {
  HWND dialog = find_window("#32770", kPromptCaption, 20000);
  ASSERT_NE(nullptr, dialog);
  ASSERT_TRUE(wait_until([&] { return IsWindowVisible(dialog) != FALSE; }, 20000));
  EXPECT_EQ("Entrez le Nom de Fichier", control_text(dialog, IDC_TEXT_EDIT_PROMPT));
  EXPECT_EQ(shown, control_text(dialog, IDC_TEXT_EDIT_VALUE));
  if (screenshot) EXPECT_FALSE(vt_test::save_screenshot(screenshot).empty());
  vt_test::set_control_text(dialog, IDC_TEXT_EDIT_VALUE, text);
  PostMessageA(dialog, WM_COMMAND, button, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }, 20000));
}

void answer_box(const char* caption, const char* text, LPCSTR icon, int button) {
  HWND box = find_window("#32770", caption, 20000);
  ASSERT_NE(nullptr, box) << caption;
  ASSERT_TRUE(wait_until([&] { return IsWindowVisible(box) != FALSE; }, 20000));
  std::string shown;
  wait_until([&] { return !(shown = control_text(box, kBoxTextId)).empty(); }, 10000);
  EXPECT_EQ(text, shown);
  EXPECT_EQ(LoadIconA(nullptr, icon),
            reinterpret_cast<HICON>(SendDlgItemMessageA(box, kBoxIconId, STM_GETICON, 0, 0)));
  EXPECT_NE(nullptr, GetDlgItem(box, button));
  PostMessageA(box, WM_COMMAND, button, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(box); }, 20000));
}

const char kReplaceText[] = "Un fichier de même nom et format existe déjà. Voulez vous le remplacer? ";

class ListRows : public RecordingsList {
 public:
  bool has_row(const std::string& name, const char* format_name) override {
    asked_name = name;
    asked_format = format_name;
    return lstrcmpiA(name.c_str(), row_name.c_str()) == 0 && lstrcmpiA(format_name, row_format.c_str()) == 0;
  }
  std::string row_name, row_format, asked_name, asked_format;
};

class RecordingNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = vt_test::scratch_folder("recording_name");
    write_setting(kOutputFolder, folder_.c_str());
    write_setting(kFormat, 0);
    touch("Existe.wav");
    touch("Prise 01.wav");
  }
  void TearDown() override { set_rows(nullptr); }
  void touch(const std::string& name) {
    CloseHandle(CreateFileA((folder_ + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }

  vt_test::SettingGuard pattern_guard_{Hive::User, kSectionSettings, "FileNameFormat"};
  vt_test::SettingGuard prompt_guard_{Hive::User, kSectionSettings, "PromptForName"};
  vt_test::SettingGuard folder_guard_{Hive::User, kSectionSettings, "OutputFolder"};
  vt_test::SettingGuard format_guard_{Hive::User, kSectionSettings, "Format"};
  std::string folder_;
};

TEST_F(RecordingNameTest, PromptRefusesEmptyNamesAndAsksBeforeReplacing) {
  write_setting(kPromptForName, true);
  NameRun run;
  answer_prompt("", "..:*", IDOK, "text_edit_dlg");
  answer_box("Nom Invalide", "Le nom doit comporter du texte.", IDI_INFORMATION, IDOK);
  answer_prompt("..:*", "Existe", IDOK);  // the earlier text comes back
  answer_box("Le Fichier Existe", kReplaceText, IDI_QUESTION, IDNO);
  answer_prompt("Existe", "Réunion: 2", IDOK);
  ASSERT_TRUE(run.finish());
  EXPECT_TRUE(run.chosen());
  EXPECT_EQ(folder_ + "\\Runion 2.wav", run.path());
}

TEST_F(RecordingNameTest, PromptYesKeepsTheNameAndCancelGivesNoRecording) {
  write_setting(kPromptForName, true);
  {
    NameRun run;
    answer_prompt("", "Existe", IDOK);
    answer_box("Le Fichier Existe", kReplaceText, IDI_QUESTION, IDYES);
    ASSERT_TRUE(run.finish());
    EXPECT_TRUE(run.chosen());
    EXPECT_EQ(folder_ + "\\Existe.wav", run.path());
  }
  {
    NameRun run;
    answer_prompt("", "Existe", IDOK);
    answer_box("Le Fichier Existe", kReplaceText, IDI_QUESTION, IDCANCEL);
    ASSERT_TRUE(run.finish());
    EXPECT_FALSE(run.chosen());
  }
  {
    NameRun run;
    answer_prompt("", "Autre", IDCANCEL);
    ASSERT_TRUE(run.finish());
    EXPECT_FALSE(run.chosen());
  }
  {
    // Another format's file of that name is no reason to ask.
    write_setting(kFormat, 2);
    NameRun run;
    answer_prompt("", "Existe", IDOK);
    ASSERT_TRUE(run.finish());
    EXPECT_TRUE(run.chosen());
    EXPECT_EQ(folder_ + "\\Existe.aif", run.path());
  }
}

TEST_F(RecordingNameTest, PatternNamesAskOnlyWhenTheNameIsTaken) {
  write_setting(kPromptForName, false);
  write_setting(kFileNameFormat, "Prise %autonumber%");
  {
    NameRun run;
    ASSERT_TRUE(run.finish());
    EXPECT_TRUE(run.chosen());
    EXPECT_EQ(folder_ + "\\Prise 02.wav", run.path());
  }

  // The recordings list shows the name (in another case) with this format.
  ListRows rows;
  rows.row_name = "PRISE 02";
  rows.row_format = "wav";
  set_rows(&rows);
  for (int button : {IDNO, IDCANCEL, IDYES}) {
    NameRun run;
    answer_box("Le Fichier Existe", kReplaceText, IDI_QUESTION, button);
    ASSERT_TRUE(run.finish());
    EXPECT_EQ(button == IDYES, run.chosen());
    if (button == IDYES) EXPECT_EQ(folder_ + "\\Prise 02.wav", run.path());
  }
  EXPECT_EQ("Prise 02", rows.asked_name);
  EXPECT_EQ("Wav", rows.asked_format);

  // A time pattern that meets an existing file asks too, although the list does not show it.
  set_rows(nullptr);
  write_setting(kFileNameFormat, "Existe %SS%");
  for (int second = 0; second < 60; ++second) touch("Existe " + std::string(second < 10 ? "0" : "") + std::to_string(second) + ".wav");
  {
    NameRun run;
    answer_box("Le Fichier Existe", kReplaceText, IDI_QUESTION, IDNO);
    ASSERT_TRUE(run.finish());
    EXPECT_FALSE(run.chosen());
  }

  // A stored pattern with nothing usable falls back to the default pattern.
  write_setting(kFileNameFormat, "...");
  NameRun run;
  ASSERT_TRUE(run.finish());
  EXPECT_TRUE(run.chosen());
  EXPECT_EQ(folder_ + "\\Untitled 01.wav", run.path());
}

}  // namespace
}  // namespace vt

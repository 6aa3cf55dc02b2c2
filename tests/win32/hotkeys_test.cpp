// Hotkeys under Wine: the key-capture dialog, adding a binding on the "Commandes"
// page, registration reached by X key presses from xdotool, and the about window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/about_dlg_res.h"
#include "gui/about_dlg_win.h"
#include "gui/commands_page_res.h"
#include "gui/hotkey_dialogs_res.h"
#include "gui/hotkey_dialogs_win.h"
#include "gui/options_sheet_win.h"
#include "hotkeys/hotkeys_win.h"
#include "tests/support/linux_process.h"
#include "tests/support/map_section.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "ui/controls_win.h"
#include "ui/hyperlink_win.h"
#include "win/settings_win.h"

namespace {

using vt::Hive;
using vt_test::wait_until;

constexpr int kCtrl = vt_test::kCtrl, kAlt = vt_test::kAlt, kShift = vt_test::kShift;

// Runs `run` on this thread and `drive` on another; the driver gets the top-level
// window captioned `caption` once it is visible.
template <class Run>
void drive_window(const char* caption, Run run, const std::function<void(HWND)>& drive) {
  std::atomic<bool> driven{false};
  std::thread driver([&] {
    HWND window = nullptr;
    if (wait_until([&] { return (window = FindWindowA(nullptr, caption)) && IsWindowVisible(window); }, 10000)) {
      drive(window);
      driven = true;
    } else {
      ADD_FAILURE() << "no window \"" << caption << "\"";
    }
  });
  run();
  driver.join();
  EXPECT_TRUE(driven);
}

// Presses keys into the capture dialog as the keyboard would.
void press_into(HWND dialog, int key_code) {
  // Found by its caption, the dialog may still be placing its own focus: ask again until
  // the focus holds.
  ASSERT_TRUE(wait_until([&] { return vt_test::focus(GetDlgItem(dialog, IDCANCEL), 500); }, 20000));
  ASSERT_TRUE(vt_test::press_key(key_code));
}

TEST(KeyCapture, TakesCombinationsAndRefusesBareCharacters) {
  int32_t key_code = 0;
  bool captured = false;
  drive_window(
      "Appuyez sur une touche", [&] { captured = vt::capture_key(nullptr, &key_code); },
      [&](HWND dialog) {
        EXPECT_EQ("Appuyez sur une touche ou un raccourci.", vt_test::control_text(dialog, IDC_KEY_CHANGE_TEXT));
        press_into(dialog, VK_CONTROL);  // Ctrl alone: nothing
        press_into(dialog, VK_RETURN);   // Enter: nothing
        press_into(dialog, 'A');         // a bare letter is refused, with a word why
        EXPECT_TRUE(wait_until(
            [&] { return vt_test::control_text(dialog, IDC_KEY_CHANGE_TEXT).find("Ctrl ou Alt") != std::string::npos; },
            3000));
        press_into(dialog, kShift | '5');  // Shift does not make a character key safe
        vt_test::pump_messages();
        EXPECT_TRUE(IsWindow(dialog));
        vt_test::save_screenshot("key_capture_dialog");
        press_into(dialog, kCtrl | kShift | VK_F9);
      });
  EXPECT_TRUE(captured);
  EXPECT_EQ(0x60078, key_code);
  std::string text = vt::key_text(key_code);
  EXPECT_EQ(0u, text.find("Ctrl+Shift+F9")) << text;

  drive_window(
      "Appuyez sur une touche", [&] { captured = vt::capture_key(nullptr, &key_code); },
      [&](HWND dialog) { press_into(dialog, VK_ESCAPE); });
  EXPECT_FALSE(captured);
  // F9 alone and Ctrl+letter are taken.
  drive_window(
      "Appuyez sur une touche", [&] { captured = vt::capture_key(nullptr, &key_code); },
      [&](HWND dialog) { press_into(dialog, VK_F9); });
  EXPECT_TRUE(captured);
  EXPECT_EQ(VK_F9, key_code);
}

class CommandsPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Count", "Key0", "Key0Command", "Key1", "Key1Command"})
      guards_.push_back(std::make_unique<vt_test::SettingGuard>(Hive::User, vt::kSectionKeys, name));
    vt::write_user_int(vt::kSectionKeys, "Count", 0);
    vt::write_user_int(vt::kSectionKeys, "Key0Command", 7);  // left behind by an earlier removal
  }
  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
};

TEST_F(CommandsPageTest, AddCapturesAKeyAndChoosesItsCommand) {
  vt::register_ui_controls(GetModuleHandleA(nullptr));
  drive_window(
      "Options", [&] { vt::show_options_dialog(nullptr, vt::kOptionsCommandsPage, nullptr); },
      [&](HWND sheet) {
        HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        vt_test::post_command(page, IDC_COMMANDS_ADD);
        HWND capture = vt_test::find_window("#32770", "Appuyez sur une touche", 15000);
        ASSERT_TRUE(capture);
        press_into(capture, kCtrl | kAlt | VK_F8);
        HWND choose = vt_test::find_window("#32770", "Sélectionner Commande", 15000);
        ASSERT_TRUE(choose);
        EXPECT_EQ(0u, vt_test::control_text(choose, IDC_HOTKEY_COMMAND_KEY).find("Ctrl+Alt+F8"));
        HWND list = GetDlgItem(choose, IDC_HOTKEY_COMMAND_LIST);
        EXPECT_EQ(5, SendMessageA(list, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(CB_ERR, SendMessageA(list, CB_GETCURSEL, 0, 0));  // command 7 has no entry
        SendMessageA(list, CB_SETCURSEL, 3, 0);
        vt_test::save_screenshot("hotkey_command_dialog");
        vt_test::post_command(choose, IDOK);
        HWND rows = GetDlgItem(page, IDC_COMMANDS_LIST);
        EXPECT_TRUE(wait_until([&] { return SendMessageA(rows, LVM_GETITEMCOUNT, 0, 0) == 1; }, 5000));
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      });
  EXPECT_EQ(1, vt::read_user_int(vt::kSectionKeys, "Count", 0));
  EXPECT_EQ(kCtrl | kAlt | VK_F8, vt::read_user_int(vt::kSectionKeys, "Key0", 0));
  EXPECT_EQ(3, vt::read_user_int(vt::kSectionKeys, "Key0Command", 0));
}

// A plain window that counts WM_HOTKEY by identifier.
std::vector<int> hotkeys_seen;
LRESULT CALLBACK hotkey_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_HOTKEY) hotkeys_seen.push_back(static_cast<int>(wparam));
  return DefWindowProcA(window, message, wparam, lparam);
}

// X key presses from outside Wine, into the X window of the test's window (there is
// no window manager to give it the X focus).
bool xdotool_key(const char* keys) {
  return vt_test::run_linux(std::string("xdotool search --name '^Hotkey target$' windowfocus --sync ") +
                            vt_test::xdotool_chord(keys)) == 0;
}

TEST(SystemHotkeys, XKeyPressesReachRegisteredBindingsOnly) {
  WNDCLASSA window_class = {};
  window_class.lpfnWndProc = hotkey_window_proc;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = "VtHotkeyTarget";
  RegisterClassA(&window_class);
  HWND window = CreateWindowExA(0, "VtHotkeyTarget", "Hotkey target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                                200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(window);
  ASSERT_TRUE(vt_test::focus(window));

  vt_test::MapSection keys;
  keys.values = {{"Count", "3"},  {"Key0", std::to_string(kCtrl | kShift | VK_F9)}, {"Key0Command", "3"},
                 {"Key1", std::to_string(kCtrl | kShift | VK_F9)}, {"Key1Command", "0"},
                 {"Key2", std::to_string(VK_F11)}, {"Key2Command", "7"}};
  vt::SystemHotkeys hotkeys;
  std::vector<int32_t> refused = hotkeys.register_all(window, keys);
  // The second binding of the same key is refused, and told once only.
  ASSERT_EQ(1u, refused.size());
  EXPECT_EQ(kCtrl | kShift | VK_F9, refused[0]);
  EXPECT_TRUE(hotkeys.register_all(window, keys).empty());
  EXPECT_NE(std::string::npos, vt::refused_hotkeys_text(refused).find("Ctrl+Shift+F9"));

  hotkeys_seen.clear();
  ASSERT_TRUE(xdotool_key("ctrl+shift+F9"));
  EXPECT_TRUE(wait_until([] { return hotkeys_seen.size() == 1; }, 5000));
  ASSERT_TRUE(xdotool_key("F11"));
  EXPECT_TRUE(wait_until([] { return hotkeys_seen.size() == 2; }, 5000));
  ASSERT_EQ(2u, hotkeys_seen.size());
  EXPECT_EQ(0, hotkeys_seen[0]);
  EXPECT_EQ(2, hotkeys_seen[1]);
  EXPECT_EQ(3, vt::SystemHotkeys::command_for(keys, hotkeys_seen[0]));
  EXPECT_EQ(7, vt::SystemHotkeys::command_for(keys, hotkeys_seen[1]));

  hotkeys.unregister_all();
  // A marker hotkey pressed after the others: key presses reach the window in order, so
  // anything still registered would have arrived before the marker does.
  const int kMarker = 99;
  ASSERT_TRUE(RegisterHotKey(window, kMarker, 0, VK_F8));
  ASSERT_TRUE(xdotool_key("ctrl+shift+F9"));
  ASSERT_TRUE(xdotool_key("F11"));
  ASSERT_TRUE(xdotool_key("F8"));
  EXPECT_TRUE(wait_until([] { return !hotkeys_seen.empty() && hotkeys_seen.back() == kMarker; }, 15000))
      << "the marker hotkey did not arrive";
  EXPECT_EQ((std::vector<int>{0, 2, kMarker}), hotkeys_seen);
  UnregisterHotKey(window, kMarker);

  // A modal loop disables the window: hotkeys must not run commands then.
  EXPECT_TRUE(vt::hotkey_may_run(window));
  EnableWindow(window, FALSE);
  EXPECT_FALSE(vt::hotkey_may_run(window));
  DestroyWindow(window);
}

TEST(AboutWindow, ShowsNameVersionAndLinks) {
  drive_window(
      "A propos de Vocatrack Sound Recorder", [&] { vt::show_about_window(nullptr); },
      [&](HWND about) {
        EXPECT_EQ("Vocatrack Sound Recorder", vt_test::control_text(about, IDC_ABOUT_NAME));
        EXPECT_EQ("Version 2.01", vt_test::control_text(about, IDC_ABOUT_VERSION));
        EXPECT_EQ("LHyperlink", vt_test::window_class(GetDlgItem(about, IDC_ABOUT_SITE)));
        EXPECT_EQ("LHyperlink", vt_test::window_class(GetDlgItem(about, IDC_ABOUT_SUPPORT)));
        vt_test::save_screenshot("about_window");
        vt_test::post_command(about, IDOK);
      });
  EXPECT_FALSE(FindWindowA(nullptr, "A propos de Vocatrack Sound Recorder"));
}

}  // namespace

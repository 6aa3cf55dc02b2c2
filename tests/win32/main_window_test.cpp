// The main window's shell: layout for every mix of toolbars and buttons, menu check
// marks, keys, and the position kept in the machine hive.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "app/main_window_res.h"
#include "app/main_window_win.h"
#include "app/startup_rules.h"
#include "formats/wave_format.h"
#include "win/settings_win.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "ui/controls_win.h"

namespace vt {
namespace {

class KeyLog : public RecordingsList {
 public:
  void list_key(int key_code) override { keys.push_back(key_code); }
  void open() override { ++opened; }
  bool is_open() override { return open_now; }
  std::vector<int> keys;
  int opened = 0;
  bool open_now = false;
};

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    register_ui_controls(GetModuleHandleA(nullptr));
  }
  void SetUp() override {
    for (const char* name : {"ShowButtons", "ShowMainToolbar", "ShowFormatToolbar", "MainWindowX", "MainWindowY"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Settings", name));
    for (const char* name : {"InstallWizRun", "ShowRecordingsList", "WarnSpaceBelow"})
      guards_.emplace_back(new vt_test::SettingGuard(Hive::User, "Settings", name));
    write_setting(kInstallWizRun, true);
    write_setting(kWarnSpaceBelow, 0);
    write_setting(kShowRecordingsList, false);
  }
  void TearDown() override {
    close();
    guards_.clear();
  }
  void open() {
    recorder_.reset(new Recorder(GetModuleHandleA(nullptr)));
    RecorderNeighbours neighbours;
    neighbours.list = &hooks_;
    recorder_->set_neighbours(neighbours);
    main_.reset(new MainWindow(GetModuleHandleA(nullptr), *recorder_));
    ASSERT_TRUE(main_->create({"vocatrack.exe"}));
    window_ = main_->window();
    ShowWindow(window_, SW_SHOW);
    vt_test::pump_messages();
  }
  void close() {
    if (window_ && IsWindow(window_)) {
      DestroyWindow(window_);
      vt_test::wait_until([&] { return !IsWindow(window_); }, 5000);
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    window_ = nullptr;
    main_.reset();
    recorder_.reset();
  }
  int client_height() {
    RECT r;
    GetClientRect(window_, &r);
    return r.bottom;
  }
  int height_of(int id) {
    RECT r = vt_test::rect_in_parent(GetDlgItem(window_, id));
    return r.bottom - r.top;
  }
  bool menu_checked(int id) { return GetMenuState(GetMenu(window_), id, MF_BYCOMMAND) & MF_CHECKED; }
  bool key(int virtual_key, LPARAM data = 1) {
    MSG message = {window_, WM_KEYDOWN, static_cast<WPARAM>(virtual_key), data, 0, {}};
    return main_->pre_translate_message(message);
  }

  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
  KeyLog hooks_;
  std::unique_ptr<Recorder> recorder_;
  std::unique_ptr<MainWindow> main_;
  HWND window_ = nullptr;
};

TEST_F(MainWindowTest, LayoutFollowsToolbarsAndButtons) {
  struct Case { bool main_toolbar, format_toolbar; int buttons; };
  const Case cases[] = {{true, true, 63}, {true, false, 63}, {false, true, 15}, {false, false, 63},
                        {false, false, 0}, {true, true, 0}, {false, false, 8}, {true, false, 6}};
  for (const Case& c : cases) {
    write_setting(kShowMainToolbar, c.main_toolbar);
    write_setting(kShowFormatToolbar, c.format_toolbar);
    write_setting(kShowButtons, c.buttons);
    open();
    SCOPED_TRACE(testing::Message() << c.main_toolbar << c.format_toolbar << " buttons " << c.buttons);
    const int toolbar = c.main_toolbar ? height_of(IDC_MAIN_TOOLBAR) : 0;
    const int format = c.format_toolbar ? height_of(IDC_FORMAT_TOOLBAR) : 0;
    EXPECT_EQ(177 + toolbar + format - (c.buttons == 0 ? 32 : 0), client_height());
    RECT client;
    GetClientRect(window_, &client);
    EXPECT_EQ(400, client.right);
    EXPECT_EQ(c.main_toolbar, vt_test::is_visible(GetDlgItem(window_, IDC_MAIN_TOOLBAR)));
    EXPECT_EQ(c.format_toolbar, vt_test::is_visible(GetDlgItem(window_, IDC_FORMAT_LIST)));
    // Shown buttons packed from the left in the order Record, Pause, Restart, Stop.
    const int ids[4] = {IDC_RECORD, IDC_PAUSE, IDC_RESTART, IDC_STOP}, bits[4] = {1, 4, 2, 8};
    const int menus[4] = {IDM_SHOW_RECORD, IDM_SHOW_PAUSE, IDM_SHOW_RESTART, IDM_SHOW_STOP};
    int x = 2;
    RECT status = vt_test::rect_in_parent(GetDlgItem(window_, IDC_STATUS_BAR));
    for (int i = 0; i < 4; ++i) {
      const bool shown = (c.buttons & bits[i]) != 0;
      HWND button = GetDlgItem(window_, ids[i]);
      EXPECT_EQ(shown, vt_test::is_visible(button)) << ids[i];
      EXPECT_EQ(shown, menu_checked(menus[i])) << ids[i];
      if (!shown) continue;
      RECT r = vt_test::rect_in_parent(button);
      EXPECT_EQ(x, r.left) << ids[i];
      EXPECT_EQ(ids[i] == IDC_STOP ? 96 : 98, r.right - r.left);
      EXPECT_EQ(30, r.bottom - r.top);
      EXPECT_EQ(status.top - 32, r.top);
      x += 100;
    }
    EXPECT_EQ(c.main_toolbar, menu_checked(IDM_MAIN_TOOLBAR));
    EXPECT_EQ(c.format_toolbar, menu_checked(IDM_FORMAT_TOOLBAR));
    RECT panel = vt_test::rect_in_parent(GetDlgItem(window_, IDC_STATUS_PANEL));
    EXPECT_EQ(toolbar + format + 1, panel.top);
    EXPECT_EQ(status.top - (c.buttons ? 32 : 0) - 1, panel.bottom);
    if (c.main_toolbar && c.format_toolbar && c.buttons == 63) vt_test::save_screenshot("main_window_toolbars");
    if (!c.main_toolbar && !c.format_toolbar && c.buttons == 0) vt_test::save_screenshot("main_window_bare");
    close();
  }
}

TEST_F(MainWindowTest, MenuCommandsChangeWhatIsShown) {
  write_setting(kShowMainToolbar, true);
  write_setting(kShowFormatToolbar, true);
  write_setting(kShowButtons, 63);
  open();
  const int full = client_height();
  vt_test::send_command(window_, IDM_MAIN_TOOLBAR, 0);
  EXPECT_FALSE(read_setting(kShowMainToolbar));
  EXPECT_LT(client_height(), full);
  vt_test::send_command(window_, IDM_SHOW_RECORD, 0);
  EXPECT_EQ(62, read_setting(kShowButtons));
  EXPECT_FALSE(vt_test::is_visible(GetDlgItem(window_, IDC_RECORD)));
  EXPECT_EQ(2, vt_test::rect_in_parent(GetDlgItem(window_, IDC_PAUSE)).left);
  vt_test::send_command(window_, IDM_HIDE_ALL, 0);
  EXPECT_EQ(0, read_setting(kShowButtons));
  vt_test::send_command(window_, IDM_SHOW_ALL, 0);
  EXPECT_EQ(63, read_setting(kShowButtons));
  vt_test::send_command(window_, IDM_MAIN_TOOLBAR, 0);
  EXPECT_EQ(full, client_height());
}

TEST_F(MainWindowTest, ListKeysActOnlyWhileTheListIsOpenAndRepeatsAreIgnored) {
  open();
  EXPECT_FALSE(key(VK_F9));  // the list is closed: F9 does nothing
  EXPECT_TRUE(hooks_.keys.empty());
  EXPECT_FALSE(key(VK_F5, 1 | (1 << 30)));  // an auto-repeat of a held key
  EXPECT_TRUE(recorder_->current_path().empty());
  EXPECT_TRUE(key('L' | 0, 1) == false);     // plain L is no command
}

TEST_F(MainWindowTest, KeysOfTheThreadsOtherWindowsReachTheMainWindow) {
  open();
  // The recordings list is a pop-up of its own, not a child of the main window.
  HWND popup = CreateWindowExA(0, "STATIC", "liste", WS_POPUP | WS_VISIBLE, 10, 10, 100, 50, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(popup);
  hooks_.open_now = true;
  MSG message = {popup, WM_KEYDOWN, VK_F9, 1, 0, {}};
  EXPECT_TRUE(main_->pre_translate_message(message));
  EXPECT_EQ(std::vector<int>{VK_F9}, hooks_.keys);
  DestroyWindow(popup);
}

TEST_F(MainWindowTest, LowDiskWarningShowsAHiddenWindowAgain) {
  open();
  ASSERT_TRUE(vt_test::wait_until([&] { return !main_->status().free_space.empty(); }, 5000));
  EXPECT_FALSE(main_->status().low_disk);
  EXPECT_NE(std::string::npos, main_->status().free_space.find(" MB"));
  ShowWindow(window_, SW_HIDE);
  write_setting(kWarnSpaceBelow, 2000000000);  // more than any disk here
  EXPECT_TRUE(vt_test::wait_until([&] { return main_->status().low_disk && IsWindowVisible(window_); }, 8000));
}

TEST_F(MainWindowTest, PositionIsKeptInTheMachineHive) {
  write_setting(kMainWindowX, 123);
  write_setting(kMainWindowY, 77);
  open();
  RECT r = vt_test::screen_rect(window_);
  EXPECT_EQ(123, r.left);
  EXPECT_EQ(77, r.top);
  SetWindowPos(window_, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  vt_test::pump_messages();
  EXPECT_EQ(200, read_setting(kMainWindowX));
  EXPECT_EQ(150, read_setting(kMainWindowY));
  // Minimised, the window is parked off screen: that place is not kept.
  ShowWindow(window_, SW_MINIMIZE);
  vt_test::wait_until([&] { return IsIconic(window_) != FALSE; }, 5000);
  vt_test::pump_messages();
  EXPECT_EQ(200, read_setting(kMainWindowX));
  EXPECT_EQ(150, read_setting(kMainWindowY));
  ShowWindow(window_, SW_RESTORE);
  vt_test::pump_messages();
  close();
  open();
  EXPECT_EQ(200, vt_test::screen_rect(window_).left);
}

TEST_F(MainWindowTest, FormatListFollowsAFormatChosenBySwitch) {
  open();
  HWND list = vt_test::child(window_, IDC_FORMAT_LIST);
  recorder_->set_format(kRecordAiff);  // as "-record aif" does
  EXPECT_EQ(kRecordAiff, SendMessageA(list, CB_GETCURSEL, 0, 0));
  EXPECT_FALSE(vt_test::is_enabled(vt_test::child(window_, IDC_FORMAT_BUTTON)));  // no settings for AIFF
  recorder_->set_format(kRecordMp3);
  EXPECT_EQ(kRecordMp3, SendMessageA(list, CB_GETCURSEL, 0, 0));
  EXPECT_TRUE(vt_test::is_enabled(vt_test::child(window_, IDC_FORMAT_BUTTON)));
  recorder_->set_format(kRecordWav);
  EXPECT_EQ(kRecordWav, SendMessageA(list, CB_GETCURSEL, 0, 0));
}

TEST_F(MainWindowTest, OptionsClosedUnchangedKeepTheEncoderValuesSetForThisRun) {
  open();
  const uint16_t stored = load_encoder_settings(recorder_->mp3_store()).bit_rate;
  const uint16_t for_this_run = stored == 40 ? 48 : 40;
  recorder_->mp3_settings().bit_rate = for_this_run;  // as an incomplete MP3 switch group leaves it
  std::atomic<bool> cancelled{false};
  std::thread closer([&] {
    HWND sheet = vt_test::find_window("#32770", "Options", 20000);
    if (sheet) PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    cancelled = sheet != nullptr;
  });
  vt_test::post_command(window_, IDM_OPTIONS);
  vt_test::wait_until([&] { return cancelled && !FindWindowA("#32770", "Options"); }, 30000);
  closer.join();
  ASSERT_TRUE(cancelled);
  EXPECT_EQ(for_this_run, recorder_->mp3_settings().bit_rate);
}

TEST_F(MainWindowTest, ForwardedSwitchesComeOnlyInTheSecondCopysRecord) {
  open();
  std::vector<uint8_t> record(kForwardedRecordBytes, 0);
  int32_t count = 2;
  std::memcpy(record.data(), &count, 4);
  std::memcpy(record.data() + 4 + kForwardedSlotBytes, "-hide", 6);
  auto send = [&](ULONG_PTR tag, DWORD size) {
    COPYDATASTRUCT data = {tag, size, record.data()};
    SendMessageA(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    vt_test::pump_messages();
  };
  send(7, kForwardedRecordBytes);                      // another tag
  EXPECT_TRUE(IsWindowVisible(window_));
  send(0, 4 + 2 * kForwardedSlotBytes);                // shorter than the record
  EXPECT_TRUE(IsWindowVisible(window_));
  send(0, kForwardedRecordBytes + 100);                // longer than the record
  EXPECT_TRUE(IsWindowVisible(window_));
  // The last slot without its terminating zero is read no further than the record.
  std::vector<uint8_t> unterminated(record);
  count = kForwardedSlots;
  std::memcpy(unterminated.data(), &count, 4);
  std::memset(unterminated.data() + kForwardedRecordBytes - kForwardedSlotBytes, 'x', kForwardedSlotBytes);
  COPYDATASTRUCT last = {0, static_cast<DWORD>(kForwardedRecordBytes), unterminated.data()};
  SendMessageA(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&last));
  vt_test::pump_messages();
  EXPECT_FALSE(IsWindowVisible(window_));
  ShowWindow(window_, SW_SHOW);
  send(0, kForwardedRecordBytes);                      // the real thing
  EXPECT_FALSE(IsWindowVisible(window_));
}

}  // namespace
}  // namespace vt

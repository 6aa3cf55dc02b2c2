// The main window's shell: layout for every mix of toolbars and buttons, menu check
// marks, keys, and the position kept in the machine hive.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "app/main_window_res.h"
#include "app/main_window_win.h"
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
  std::vector<int> keys;
  int opened = 0;
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
  close();
  open();
  EXPECT_EQ(200, vt_test::screen_rect(window_).left);
}

}  // namespace
}  // namespace vt

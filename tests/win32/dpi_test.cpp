// Every window at the DPI its prefix was given (LogPixels, set by
// scripts/dpi-prefix-run.sh; VT_EXPECT_DPI says which): no control cut by its parent
// or overlapping another, texts inside their controls, pictures scaled; a screenshot
// of each in <build>/screenshots. And the manifest in each program.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_window_res.h"
#include "app/main_window_win.h"
#include "gui/recordings_list_res.h"
#include "gui/recordings_list_win.h"
#include "setup/installer_file.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "ui/controls_win.h"
#include "ui/wave_window_win.h"
#include "win/settings_win.h"

namespace vt {
namespace {

int expected_dpi() {
  std::string asked = vt_test::env("VT_EXPECT_DPI");
  return asked.empty() ? 96 : std::atoi(asked.c_str());
}
int px(int size) { return MulDiv(size, expected_dpi(), 96); }
std::string suffix() { return "_" + std::to_string(expected_dpi()); }

std::string text_of(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string describe(HWND window) {
  std::ostringstream out;
  out << vt_test::window_class(window) << " " << GetDlgCtrlID(window) << " \"" << text_of(window) << "\"";
  return out.str();
}

RECT in_parent(HWND window) { return vt_test::rect_in_parent(window); }

std::string rect_text(const RECT& r) {
  std::ostringstream out;
  out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
  return out.str();
}

// Group boxes, frames and lines hold other controls; they may contain them whole.
bool is_container(HWND window) {
  const std::string type = vt_test::window_class(window);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if (lstrcmpiA(type.c_str(), "Button") == 0) return (style & BS_TYPEMASK) == BS_GROUPBOX;
  if (lstrcmpiA(type.c_str(), "Static") == 0) {
    const LONG kind = style & SS_TYPEMASK;
    return (kind >= SS_BLACKRECT && kind <= SS_WHITEFRAME) || kind == SS_ETCHEDFRAME;
  }
  return lstrcmpiA(type.c_str(), WC_TABCONTROLA) == 0;
}

bool contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The extent the control's own font gives its text, `width` wide when it wraps.
SIZE text_extent(HWND control, const std::string& text, bool wraps, int width) {
  WindowDC dc(control);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  SelectedObject font_in(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  RECT r = {0, 0, wraps ? width : 0, 0};
  DrawTextA(dc.get(), text.c_str(), -1, &r, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  return {r.right, r.bottom};
}

// What of the text does not fit; empty when it does.
std::string text_fault(HWND control) {
  const std::string text = text_of(control);
  if (text.empty()) return "";
  const std::string type = vt_test::window_class(control);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  RECT r;
  GetClientRect(control, &r);
  int room = r.right, height = r.bottom;
  bool wraps = false;
  if (lstrcmpiA(type.c_str(), "Static") == 0) {
    const LONG kind = style & SS_TYPEMASK;
    if (kind != SS_LEFT && kind != SS_CENTER && kind != SS_RIGHT && kind != SS_LEFTNOWORDWRAP) return "";
    wraps = kind != SS_LEFTNOWORDWRAP;
  } else if (lstrcmpiA(type.c_str(), "Button") == 0) {
    const LONG kind = style & BS_TYPEMASK;
    wraps = (style & BS_MULTILINE) != 0;
    if (kind == BS_OWNERDRAW || (style & (BS_BITMAP | BS_ICON))) return "";
    if (kind == BS_GROUPBOX) {
      room -= px(16);  // the frame's corner before and after the caption
      height = room > 0 ? r.bottom : 0;
      SIZE single = text_extent(control, text, false, 0);
      if (single.cx > room) return "caption " + std::to_string(single.cx) + " wide in " + std::to_string(room);
      return "";
    }
    if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE ||
        kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON)
      room -= GetSystemMetrics(SM_CXMENUCHECK) + px(4);  // the box or dot and its gap
    else
      room -= px(4);  // the push button's edges
  } else {
    return "";
  }
  SIZE need = text_extent(control, text, wraps, room);
  std::ostringstream fault;
  if (need.cx > room) fault << "text " << need.cx << " wide in " << room;
  if (need.cy > height) fault << (fault.tellp() > 0 ? ", " : "") << "text " << need.cy << " high in " << height;
  return fault.str();
}

// The shown children of `parent`, each inside its parent, apart from the others (or
// held whole by a group box or frame), its text inside it.
// The recording-volume slider and the button that opens the system's mixer share one
// place; the pages show one or the other.
bool alternates(HWND a, HWND b) {
  const int pairs[][2] = {{1705, 1706}, {2204, 2205}};
  for (const auto& pair : pairs)
    if ((GetDlgCtrlID(a) == pair[0] && GetDlgCtrlID(b) == pair[1]) ||
        (GetDlgCtrlID(a) == pair[1] && GetDlgCtrlID(b) == pair[0]))
      return true;
  return false;
}

std::vector<std::string> layout_faults(HWND parent, const std::vector<int>& ignored = {}) {
  std::vector<std::string> faults;
  std::vector<HWND> shown;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    bool skip = (GetWindowLongA(c, GWL_STYLE) & WS_VISIBLE) == 0;
    for (int id : ignored) skip = skip || GetDlgCtrlID(c) == id;
    if (!skip) shown.push_back(c);
  }
  RECT client;
  GetClientRect(parent, &client);
  for (size_t i = 0; i < shown.size(); ++i) {
    const RECT a = in_parent(shown[i]);
    if (!contains(client, a))
      faults.push_back(describe(shown[i]) + " " + rect_text(a) + " outside its parent " + rect_text(client));
    std::string text = text_fault(shown[i]);
    if (!text.empty()) faults.push_back(describe(shown[i]) + ": " + text);
    for (size_t j = i + 1; j < shown.size(); ++j) {
      const RECT b = in_parent(shown[j]);
      RECT common;
      if (!IntersectRect(&common, &a, &b)) continue;
      if ((is_container(shown[i]) && contains(a, b)) || (is_container(shown[j]) && contains(b, a))) continue;
      if (alternates(shown[i], shown[j])) continue;
      faults.push_back(describe(shown[i]) + " " + rect_text(a) + " overlaps " + describe(shown[j]) + " " +
                       rect_text(b));
    }
  }
  return faults;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& line : lines) all += "\n  " + line;
  return all;
}

class DpiTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    register_ui_controls(GetModuleHandleA(nullptr));
    register_wave_window(GetModuleHandleA(nullptr));
  }
};

TEST_F(DpiTest, ProcessIsDpiAwareWithCommonControlsSix) {
  WindowDC screen(nullptr);
  EXPECT_EQ(expected_dpi(), GetDeviceCaps(screen.get(), LOGPIXELSY)) << "the prefix's LogPixels was not read";
  EXPECT_TRUE(IsProcessDPIAware());
  // The manifest binds the side-by-side assembly of common controls 6 (Wine 8's
  // DllGetVersion says 5.81 for both, so the file's place tells them apart).
  char path[MAX_PATH] = "";
  GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), path, sizeof path);
  CharLowerA(path);
  EXPECT_NE(nullptr, std::strstr(path, "\\winsxs\\")) << path;
  EXPECT_NE(nullptr, std::strstr(path, "microsoft.windows.common-controls_6595b64144ccf1df_6.0.")) << path;
}

int comctl32_major_version() {
  typedef HRESULT(CALLBACK * DllGetVersionFunction)(DLLVERSIONINFO*);
  HMODULE comctl = GetModuleHandleA("comctl32.dll");
  FARPROC function = comctl ? GetProcAddress(comctl, "DllGetVersion") : nullptr;
  auto get = reinterpret_cast<DllGetVersionFunction>(reinterpret_cast<void*>(function));
  DLLVERSIONINFO info = {};
  info.cbSize = sizeof info;
  return get && SUCCEEDED(get(&info)) ? static_cast<int>(info.dwMajorVersion) : 0;
}

// The manifest is resource 1 of type RT_MANIFEST in each program: the recorder, vtool
// and the installer made from the recorder's image.
std::string manifest_of(const std::string& path) {
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return "(cannot load " + path + ")";
  std::string text;
  if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
    HGLOBAL loaded = LoadResource(module, found);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    if (bytes) text.assign(bytes, SizeofResource(module, found));
  }
  FreeLibrary(module);
  return text;
}

TEST_F(DpiTest, EveryProgramCarriesItsManifest) {
  const std::string build = vt_test::env("VT_BUILD_DIR");
  ASSERT_FALSE(build.empty());
  const std::string program = vt_test::windows_path(build + "/app/vocatrack.exe");
  const std::string tool = vt_test::windows_path(build + "/tools/vtool.exe");
  const std::string folder = vt_test::scratch_folder("dpi_manifest");
  const std::string setup = folder + "\\vocatrack-setup.exe", help = folder + "\\app.hlp";
  {
    std::unique_ptr<BinaryFile> file = open_binary_file(help, FileAccess::kCreateReadShared);
    ASSERT_TRUE(file && file->write("help", 4));
  }
  std::string error;
  ASSERT_TRUE(write_installer({program, help, help}, setup, &error)) << error;
  struct Expected {
    std::string path;
    const char* level;
  };
  for (const Expected& each : {Expected{program, "level=\"asInvoker\""}, Expected{tool, "level=\"asInvoker\""},
                               Expected{setup, "level=\"requireAdministrator\" uiAccess"}}) {
    SCOPED_TRACE(each.path);
    const std::string manifest = manifest_of(each.path);
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""))
        << manifest;
    EXPECT_NE(std::string::npos, manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"));  // Windows 10 and 11
    EXPECT_NE(std::string::npos, manifest.find(each.level));
  }
  const std::string recorder = manifest_of(program);
  EXPECT_NE(std::string::npos, recorder.find(">PerMonitorV2, PerMonitor</dpiAwareness>"));
  EXPECT_NE(std::string::npos, recorder.find(">true/pm</dpiAware>"));
}

INT_PTR CALLBACK plain_dialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

BOOL CALLBACK add_name(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
  auto* names = reinterpret_cast<std::vector<std::string>*>(list);
  names->push_back(IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name)) : std::string(name));
  return TRUE;
}

// Every dialog template and property page as its template lays it out. The main window
// and the recordings list place their controls in code and are checked below.
TEST_F(DpiTest, EveryDialogAndPageFitsItsControls) {
  std::vector<std::string> names;
  EnumResourceNamesA(nullptr, MAKEINTRESOURCEA(5), add_name, reinterpret_cast<LONG_PTR>(&names));
  ASSERT_GE(names.size(), 15u);
  HWND host = CreateWindowExA(0, "STATIC", "hôte", WS_POPUP | WS_VISIBLE, 0, 0, 1200, 1000, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  for (const std::string& name : names) {
    if (name == "#" + std::to_string(IDD_MAIN) || name == "#" + std::to_string(IDD_RECORDINGS_LIST)) continue;
    SCOPED_TRACE("dialog " + name);
    LPCSTR resource = name[0] == '#' ? MAKEINTRESOURCEA(std::atoi(name.c_str() + 1)) : name.c_str();
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), resource, host, plain_dialog, 0);
    ASSERT_NE(nullptr, dialog) << GetLastError();
    SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    vt_test::pump_messages();
    std::vector<std::string> faults = layout_faults(dialog);
    EXPECT_TRUE(faults.empty()) << joined(faults);
    std::string shot = name[0] == '#' ? "dialog_" + name.substr(1) : name;
    vt_test::save_screenshot("dpi_" + shot + suffix());
    DestroyWindow(dialog);
  }
  DestroyWindow(host);
}

class NoList : public RecordingsList {
 public:
  void list_key(int) override {}
  void open() override {}
  bool is_open() override { return false; }
};

TEST_F(DpiTest, MainWindowScalesItsChrome) {
  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards;
  for (const char* name : {"ShowButtons", "ShowMainToolbar", "ShowFormatToolbar", "MainWindowX", "MainWindowY"})
    guards.emplace_back(new vt_test::SettingGuard(Hive::Machine, "Settings", name));
  for (const char* name : {"InstallWizRun", "ShowRecordingsList", "WarnSpaceBelow"})
    guards.emplace_back(new vt_test::SettingGuard(Hive::User, "Settings", name));
  write_setting(kInstallWizRun, true);
  write_setting(kWarnSpaceBelow, 0);
  write_setting(kShowRecordingsList, false);
  write_setting(kShowButtons, kShowAllButtons);
  write_setting(kShowMainToolbar, true);
  write_setting(kShowFormatToolbar, true);
  write_setting(kMainWindowX, 0);
  write_setting(kMainWindowY, 0);
  NoList hooks;
  Recorder recorder(GetModuleHandleA(nullptr));
  RecorderNeighbours neighbours;
  neighbours.list = &hooks;
  recorder.set_neighbours(neighbours);
  {
    MainWindow main(GetModuleHandleA(nullptr), recorder);
    ASSERT_TRUE(main.create({"vocatrack.exe"}));
    HWND window = main.window();
    ShowWindow(window, SW_SHOW);
    vt_test::pump_messages();

    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(px(400), client.right);
    // The record buttons keep their row and their labels beside the icons.
    RECT record = in_parent(GetDlgItem(window, IDC_RECORD)), stop = in_parent(GetDlgItem(window, IDC_STOP));
    EXPECT_EQ(px(2), record.left);
    EXPECT_EQ(px(98), record.right - record.left);
    EXPECT_EQ(px(30), record.bottom - record.top);
    EXPECT_EQ(px(302), stop.left);
    for (int id : {IDC_RECORD, IDC_PAUSE, IDC_RESTART, IDC_STOP}) {
      HWND button = GetDlgItem(window, id);
      SIZE label = text_extent(button, text_of(button), false, 0);
      RECT r;
      GetClientRect(button, &r);
      EXPECT_LE(px(28) + label.cx, r.right) << describe(button);
      EXPECT_LE(label.cy, r.bottom) << describe(button);
    }
    // Chrome: nothing outside the window or on top of another part (the format list
    // and its button lie on their toolbar container 106).
    std::vector<std::string> faults = layout_faults(window, {IDC_FORMAT_TOOLBAR});
    EXPECT_TRUE(faults.empty()) << joined(faults);
    RECT format = in_parent(GetDlgItem(window, IDC_FORMAT_TOOLBAR));
    for (int id : {IDC_FORMAT_LIST, IDC_FORMAT_BUTTON}) EXPECT_TRUE(contains(format, in_parent(GetDlgItem(window, id))));
    // The main toolbar's buttons within the window's width.
    HWND toolbar = GetDlgItem(window, IDC_MAIN_TOOLBAR);
    const int buttons = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    RECT last = {};
    SendMessageA(toolbar, TB_GETITEMRECT, buttons - 1, reinterpret_cast<LPARAM>(&last));
    EXPECT_LE(last.right, client.right);
    // The level meter at the panel's bottom right, below the last text line.
    HWND panel = GetDlgItem(window, IDC_STATUS_PANEL);
    HWND meter = GetDlgItem(panel, IDC_LEVEL_METER);
    RECT panel_client, meter_rect = in_parent(meter);
    GetClientRect(panel, &panel_client);
    EXPECT_TRUE(contains(panel_client, meter_rect)) << rect_text(meter_rect) << " in " << rect_text(panel_client);
    EXPECT_EQ(px(12), meter_rect.bottom - meter_rect.top);
    EXPECT_EQ(px(130), meter_rect.left);
    // Every text line ends inside the panel: its last columns keep the background
    // above the meter (a cut line runs into the edge).
    {
      WindowDC dc(panel);
      const COLORREF face = GetSysColor(COLOR_BTNFACE);
      int drawn = 0;
      for (int y = 0; y < meter_rect.top; ++y) {
        for (int x = panel_client.right - px(3); x < panel_client.right; ++x)
          if (GetPixel(dc.get(), x, y) != face) ++drawn;
      }
      EXPECT_EQ(0, drawn) << "text drawn into the panel's right edge";
      // And the text is there: the format line's first letters lie in its rows.
      int ink = 0;
      for (int y = px(67); y < px(86); ++y)
        for (int x = px(130); x < px(150); ++x)
          if (GetPixel(dc.get(), x, y) != face) ++ink;
      EXPECT_GT(ink, px(10));
    }
    vt_test::save_screenshot("dpi_main_window" + suffix());
    DestroyWindow(window);
    vt_test::pump_messages();
  }
}

// The recordings list's toolbar pictures grow with the DPI; with common controls 6 the
// header shows the system's own sort arrow.
TEST_F(DpiTest, RecordingsListScalesItsToolbarAndShowsTheHeaderArrow) {
  vt_test::SettingGuard folder_setting(Hive::User, kSectionSettings, "OutputFolder");
  const std::string folder = vt_test::scratch_folder("dpi_list");
  write_setting(kOutputFolder, folder.c_str());
  {
    std::unique_ptr<BinaryFile> file = open_binary_file(folder + "\\Entretien.wav", FileAccess::kCreateReadShared);
    ASSERT_TRUE(file && file->write("RIFF", 4));
  }
  HWND owner = CreateWindowExA(0, "STATIC", "propriétaire", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  {
    RecordingsListWindow list(GetModuleHandleA(nullptr), [owner] { return owner; });
    list.open();
    HWND window = list.window();
    ASSERT_NE(nullptr, window);
    SetWindowPos(window, HWND_TOP, 0, 0, px(600), px(242), SWP_SHOWWINDOW);
    vt_test::pump_messages();
    HWND toolbar = GetDlgItem(window, IDC_LIST_TOOLBAR);
    int width = 0, height = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0)), &width, &height);
    EXPECT_EQ(px(22), width);
    EXPECT_EQ(px(24), height);
    // Every button inside the toolbar, a row below the other when they need it.
    RECT bar;
    GetClientRect(toolbar, &bar);
    const int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      RECT button = {};
      SendMessageA(toolbar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&button));
      EXPECT_TRUE(contains(bar, button)) << "button " << i << " " << rect_text(button) << " in " << rect_text(bar);
    }
    // The headers and the row's texts inside their columns.
    HWND view = GetDlgItem(window, IDC_LIST_VIEW);
    for (int column = 1; column < 4; ++column) {
      char header_text[64] = "", cell[64] = "";
      LVCOLUMNA description = {};
      description.mask = LVCF_TEXT;
      description.pszText = header_text;
      description.cchTextMax = sizeof header_text;
      SendMessageA(view, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&description));
      ListView_GetItemText(view, 0, column, cell, sizeof cell);
      const int width = ListView_GetColumnWidth(view, column);
      for (const char* text : {static_cast<const char*>(header_text), static_cast<const char*>(cell)}) {
        const int need = static_cast<int>(SendMessageA(view, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
        EXPECT_LE(need + px(12), width) << "\"" << text << "\" in column " << column;
      }
    }
    HWND header = ListView_GetHeader(view);
    HDITEMA item = {};
    item.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    // The system's own arrow where common controls report version 6, shell32's
    // picture on the right otherwise.
    if (comctl32_major_version() >= 6)
      EXPECT_EQ(HDF_SORTDOWN, item.fmt & (HDF_SORTUP | HDF_SORTDOWN | HDF_BITMAP));
    else
      EXPECT_EQ(HDF_BITMAP | HDF_BITMAP_ON_RIGHT,
                item.fmt & (HDF_SORTUP | HDF_SORTDOWN | HDF_BITMAP | HDF_BITMAP_ON_RIGHT));
    std::vector<std::string> faults = layout_faults(window);
    EXPECT_TRUE(faults.empty()) << joined(faults);
    vt_test::save_screenshot("dpi_recordings_list" + suffix());
    list.close();
    vt_test::pump_messages();
  }
  DestroyWindow(owner);
}

}  // namespace
}  // namespace vt

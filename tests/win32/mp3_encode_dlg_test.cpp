// The MP3 encoder options dialog, driven from a second thread while the test
// thread runs it as the program would.
#include <gtest/gtest.h>

#include "tests/support/map_section.h"
#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include "gui/mp3_encode_dlg_res.h"
#include "gui/mp3_encode_dlg_win.h"
#include "tests/support/win32_driver.h"

namespace {

using vt_test::MapSection;

HWND find_dialog(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM out) -> BOOL {
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Runs the dialog on this thread and `drive` on another once it is shown.
// Returns the dialog's result; a driver that could not find the dialog fails.
bool run_dialog(vt::EncoderSettings& settings, MapSection& store, std::function<void(HWND)> drive) {
  DWORD thread = GetCurrentThreadId();
  std::atomic<bool> driven{false};
  std::thread driver([&] {
    HWND dialog = nullptr;
    if (vt_test::wait_until([&] { return (dialog = find_dialog(thread)) != nullptr; }, 10000)) {
      drive(dialog);
      driven = true;
    } else {
      ADD_FAILURE() << "the dialog did not appear";
    }
  });
  bool result = vt::show_encoder_dialog(settings, nullptr, store);
  driver.join();
  EXPECT_TRUE(driven);
  return result;
}

std::string item_text(HWND dialog, int id) {
  char text[64] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

bool enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

LRESULT selection(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0); }

void click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool painted(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return false;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetUpdateRect(child, nullptr, FALSE)) return false;
  }
  return true;
}

// Saves the dialog's client area as a BMP in the build tree for a look at its
// layout (without a window manager the frame is not drawn).
void save_screenshot(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  vt_test::wait_until([&] { return painted(window); }, 3000);
  RECT client;
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  int width = client.right, height = client.bottom;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  SelectObject(memory, old);
  std::string folder = "Z:" + vt_test::env("VT_BUILD_DIR") + "/screenshots";
  for (char& c : folder) c = c == '/' ? '\\' : c;
  CreateDirectoryA(folder.c_str(), nullptr);
  DWORD row = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + row * height;
  HANDLE out = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(out, &file, sizeof file, &written, nullptr);
    WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
    WriteFile(out, bits, row * height, &written, nullptr);
    CloseHandle(out);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

TEST(Mp3EncodeDialog, ShowsTheRecordAndEnablesByMode) {
  vt::EncoderSettings settings;
  settings.constant_bit_rate = false;
  settings.bit_rate = 100;  // typed once, not in the list
  settings.min_bit_rate = 40;
  settings.max_bit_rate = 256;
  settings.quality = 7;
  settings.channel_mode = 3;
  settings.error_protection = true;
  settings.high_quality = false;
  MapSection store;
  bool result = run_dialog(settings, store, [](HWND dialog) {
    char title[64] = {};
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_STREQ("Pamètres de l'Encodeur MP3", title);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_MP3_VARIABLE));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_MP3_CONSTANT));
    EXPECT_EQ("100", item_text(dialog, IDC_MP3_BITRATE));
    EXPECT_EQ("40", item_text(dialog, IDC_MP3_MINRATE));
    EXPECT_EQ("256", item_text(dialog, IDC_MP3_MAXRATE));
    EXPECT_EQ(7, selection(dialog, IDC_MP3_QUALITY));
    EXPECT_EQ(3, selection(dialog, IDC_MP3_CHANNELMODE));
    EXPECT_EQ("Mono", item_text(dialog, IDC_MP3_CHANNELMODE));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_MP3_CRC));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_MP3_HIGHQUALITY));
    EXPECT_EQ(18, SendDlgItemMessageA(dialog, IDC_MP3_BITRATE, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(10, SendDlgItemMessageA(dialog, IDC_MP3_QUALITY, CB_GETCOUNT, 0, 0));
    // Variable mode: only its three boxes take input.
    EXPECT_FALSE(enabled(dialog, IDC_MP3_BITRATE));
    EXPECT_FALSE(enabled(dialog, IDC_MP3_HIGHQUALITY));
    EXPECT_TRUE(enabled(dialog, IDC_MP3_MINRATE));
    EXPECT_TRUE(enabled(dialog, IDC_MP3_MAXRATE));
    EXPECT_TRUE(enabled(dialog, IDC_MP3_QUALITY));
    click(dialog, IDC_MP3_CONSTANT);
    EXPECT_TRUE(enabled(dialog, IDC_MP3_BITRATE));
    EXPECT_TRUE(enabled(dialog, IDC_MP3_HIGHQUALITY));
    EXPECT_FALSE(enabled(dialog, IDC_MP3_MINRATE));
    EXPECT_FALSE(enabled(dialog, IDC_MP3_MAXRATE));
    EXPECT_FALSE(enabled(dialog, IDC_MP3_QUALITY));
    EXPECT_TRUE(enabled(dialog, IDC_MP3_CHANNELMODE));
    EXPECT_TRUE(enabled(dialog, IDC_MP3_CRC));
    save_screenshot(dialog, "LMp3EncodeDlg.bmp");
    click(dialog, IDCANCEL);
  });
  EXPECT_FALSE(result);
  EXPECT_TRUE(store.values.empty());
  EXPECT_FALSE(settings.constant_bit_rate);  // Cancel leaves the record alone
  EXPECT_EQ(100, settings.bit_rate);
}

TEST(Mp3EncodeDialog, RestoreFillsTheDefaultsAndOkSaves) {
  vt::EncoderSettings settings;
  settings.constant_bit_rate = false;
  settings.bit_rate = 320;
  settings.quality = 0;
  settings.channel_mode = 0;
  settings.error_protection = true;
  MapSection store;
  bool result = run_dialog(settings, store, [&store](HWND dialog) {
    click(dialog, IDC_MP3_RESTORE);
    EXPECT_TRUE(store.values.empty());  // nothing is saved before OK
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_MP3_CONSTANT));
    EXPECT_EQ("128", item_text(dialog, IDC_MP3_BITRATE));
    EXPECT_EQ("32", item_text(dialog, IDC_MP3_MINRATE));
    EXPECT_EQ("128", item_text(dialog, IDC_MP3_MAXRATE));
    EXPECT_EQ(4, selection(dialog, IDC_MP3_QUALITY));
    EXPECT_EQ(1, selection(dialog, IDC_MP3_CHANNELMODE));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(dialog, IDC_MP3_CRC));
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(dialog, IDC_MP3_HIGHQUALITY));
    EXPECT_TRUE(enabled(dialog, IDC_MP3_BITRATE));
    EXPECT_FALSE(enabled(dialog, IDC_MP3_MINRATE));
    // A rate typed outside the list is taken as it is.
    SetDlgItemTextA(dialog, IDC_MP3_BITRATE, "100");
    click(dialog, IDOK);
  });
  EXPECT_TRUE(result);
  EXPECT_TRUE(settings.constant_bit_rate);
  EXPECT_EQ(100, settings.bit_rate);
  EXPECT_EQ(4, settings.quality);
  EXPECT_EQ(1, settings.channel_mode);
  EXPECT_FALSE(settings.error_protection);
  EXPECT_EQ("1", store.values["ConstantBitRate"]);
  EXPECT_EQ("100", store.values["CBRBitRate"]);
  EXPECT_EQ("1", store.values["HighQuality"]);
  EXPECT_EQ("32", store.values["VBRMinBitRate"]);
  EXPECT_EQ("128", store.values["VBRMaxBitRate"]);
  EXPECT_EQ("4", store.values["VBRQuality"]);
  EXPECT_EQ("0", store.values["ErrorProtection"]);
  EXPECT_EQ("1", store.values["ChannelMode"]);
}

}  // namespace

// The program's own controls in a real window under Wine: the level meter's bytes,
// pixels and repaint areas, the decibel slider's typing, dragging, keys and
// notifications, and the custom panel's forwarding to its owner.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/support/win32_driver.h"
#include "ui/controls_win.h"
#include "ui/custom_panel_win.h"
#include "ui/db_slider_win.h"
#include "ui/hyperlink_win.h"
#include "ui/tooltips_win.h"
#include "ui/level_meter_win.h"
#include "ui/meter_geometry.h"

namespace vt {
namespace {

enum { kIdMeter = 201, kIdSlider = 202, kIdCompact = 203, kIdPanel = 204, kIdLink = 205, kIdButton = 206 };
const char kHostClass[] = "VtControlsTestHost";

struct Notice {
  int id, code;
};
std::vector<Notice> g_notices;
int g_close_requests = 0;

LRESULT CALLBACK host_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      g_notices.push_back({LOWORD(wparam), HIWORD(wparam)});
      return 0;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) {
        ++g_close_requests;  // a key the panel let through reached the top level
        return 0;
      }
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

int word(HWND window, int offset) { return static_cast<short>(GetWindowWord(window, offset)); }

class UiControls : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(register_ui_controls(instance));
    WNDCLASSA host = {};
    host.lpfnWndProc = host_proc;
    host.hInstance = instance;
    host.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    host.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    host.lpszClassName = kHostClass;
    RegisterClassA(&host);
  }

  void SetUp() override {
    g_notices.clear();
    g_close_requests = 0;
    host_ = CreateWindowExA(0, kHostClass, "Contrôles", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 420, 260, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(host_, nullptr);
    SendMessageA(host_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  }
  void TearDown() override {
    DestroyWindow(host_);
    vt_test::pump_messages();
  }

  HWND make(const char* window_class, int id, DWORD style, int x, int y, int width, int height) {
    HWND control = CreateWindowExA(0, window_class, "", WS_CHILD | WS_VISIBLE | style, x, y, width, height, host_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                   nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return control;
  }
  static int notices_with(int id, int code) {
    int count = 0;
    for (const Notice& notice : g_notices) count += notice.id == id && notice.code == code;
    return count;
  }

  HWND host_ = nullptr;
};

// ---------------------------------------------------------------- level meter

bool is_green(COLORREF c) { return GetGValue(c) > GetRValue(c) + 40 && GetGValue(c) > GetBValue(c) + 40; }
bool is_red(COLORREF c) { return GetRValue(c) > GetGValue(c) + 40 && GetRValue(c) > GetBValue(c) + 40; }

// Screen pixels of the meter as painted (the window must be shown and up to date).
COLORREF pixel(HWND window, int x, int y) {
  HDC dc = GetDC(window);
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(window, dc);
  return colour;
}

TEST_F(UiControls, MeterStoresClampedLevelsAndItsBitmaps) {
  HWND meter = make(kLevelMeterClass, kIdMeter, 0, 10, 10, 193, 17);
  ASSERT_NE(meter, nullptr);
  EXPECT_EQ(vt_test::window_class(meter), "LDBDisplay");
  EXPECT_EQ(GetClassLongA(meter, GCL_CBWNDEXTRA), 34);
  EXPECT_EQ(word(meter, 0), 0);  // inactive until levels arrive
  for (int offset : {18, 22, 26, 30}) EXPECT_NE(GetWindowLongA(meter, offset), 0) << offset;
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(GetWindowLongA(meter, 18)))),
            static_cast<DWORD>(OBJ_BITMAP));
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(GetWindowLongA(meter, 30)))),
            static_cast<DWORD>(OBJ_BRUSH));

  const signed char levels[] = {-127, 20, -5, 0, 12, -36, -37, 13, 99};
  set_levels(meter, 9, levels);  // at most 8 channels
  EXPECT_EQ(word(meter, 0), 8);
  const int expected[] = {-36, 12, -5, 0, 12, -36, -36, 12};
  for (int channel = 0; channel < 8; ++channel) EXPECT_EQ(word(meter, 2 + 2 * channel), expected[channel]);
  set_levels(meter, 0, nullptr);
  EXPECT_EQ(word(meter, 0), 0);
}

TEST_F(UiControls, MeterPaintsGreenRedAndBlackBands) {
  // 193 wide: 4 columns per dB, 0 dB at column 144; 17 high: bands 0…7 and 8…15.
  HWND meter = make(kLevelMeterClass, kIdMeter, 0, 10, 10, 193, 17);
  const signed char levels[] = {-12, 6};
  set_levels(meter, 2, levels);
  UpdateWindow(meter);
  // Channel 1 at −12 dB: green to column 96, then black.
  EXPECT_TRUE(is_green(pixel(meter, 0, 3)));
  EXPECT_TRUE(is_green(pixel(meter, 95, 3)));
  EXPECT_EQ(pixel(meter, 96, 3), RGB(0, 0, 0));
  EXPECT_EQ(pixel(meter, 191, 7), RGB(0, 0, 0));
  // Channel 2 at +6 dB: green to 144, red to 168, black to the edge.
  EXPECT_TRUE(is_green(pixel(meter, 143, 12)));
  EXPECT_TRUE(is_red(pixel(meter, 144, 12)));
  EXPECT_TRUE(is_red(pixel(meter, 167, 8)));
  EXPECT_EQ(pixel(meter, 168, 15), RGB(0, 0, 0));
  // The white edge along the bottom row and up the right column.
  EXPECT_EQ(pixel(meter, 0, 16), RGB(255, 255, 255));
  EXPECT_EQ(pixel(meter, 192, 0), RGB(255, 255, 255));
  EXPECT_EQ(pixel(meter, 192, 16), RGB(255, 255, 255));

  // Off and overload: an empty band and a full one.
  const signed char extremes[] = {-127, 20};
  set_levels(meter, 2, extremes);
  UpdateWindow(meter);
  EXPECT_EQ(pixel(meter, 0, 3), RGB(0, 0, 0));
  EXPECT_EQ(pixel(meter, 100, 3), RGB(0, 0, 0));
  EXPECT_TRUE(is_red(pixel(meter, 191, 12)));
  EXPECT_EQ(pixel(meter, 192, 12), RGB(255, 255, 255));

  // Disabled, or no channels: all stock gray.
  EnableWindow(meter, FALSE);
  UpdateWindow(meter);
  EXPECT_EQ(pixel(meter, 50, 3), RGB(128, 128, 128));
  EXPECT_EQ(pixel(meter, 192, 16), RGB(128, 128, 128));
  EnableWindow(meter, TRUE);
  set_levels(meter, 0, nullptr);
  UpdateWindow(meter);
  EXPECT_EQ(pixel(meter, 150, 12), RGB(128, 128, 128));
}

TEST_F(UiControls, MeterPrintsIntoABitmap) {
  HWND meter = make(kLevelMeterClass, kIdMeter, 0, 10, 10, 193, 17);
  const signed char levels[] = {0, 12};
  set_levels(meter, 2, levels);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, 193, 17);
  HGDIOBJ old = SelectObject(memory, picture);
  ASSERT_TRUE(PrintWindow(meter, memory, PW_CLIENTONLY));
  EXPECT_TRUE(is_green(GetPixel(memory, 143, 4)));
  EXPECT_EQ(GetPixel(memory, 144, 4), RGB(0, 0, 0));
  EXPECT_TRUE(is_red(GetPixel(memory, 191, 10)));
  EXPECT_EQ(GetPixel(memory, 192, 10), RGB(255, 255, 255));
  SelectObject(memory, old);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

TEST_F(UiControls, MeterRepaintsOnlyTheChangedPartOfABand) {
  HWND meter = make(kLevelMeterClass, kIdMeter, 0, 10, 10, 193, 17);
  const signed char before[] = {-12, 6};
  set_levels(meter, 2, before);
  UpdateWindow(meter);
  RECT dirty;
  EXPECT_FALSE(GetUpdateRect(meter, &dirty, FALSE));

  const signed char after[] = {-12, -6};  // channel 2 falls from column 168 to 120
  set_levels(meter, 2, after);
  ASSERT_TRUE(GetUpdateRect(meter, &dirty, FALSE));
  EXPECT_EQ(dirty.left, 120);
  EXPECT_EQ(dirty.right, 168);
  EXPECT_EQ(dirty.top, 8);
  EXPECT_EQ(dirty.bottom, 16);
  UpdateWindow(meter);
  EXPECT_TRUE(is_green(pixel(meter, 119, 12)));
  EXPECT_EQ(pixel(meter, 120, 12), RGB(0, 0, 0));
  EXPECT_EQ(pixel(meter, 150, 12), RGB(0, 0, 0));

  set_levels(meter, 2, after);  // nothing changed, nothing to paint
  EXPECT_FALSE(GetUpdateRect(meter, &dirty, FALSE));

  const signed char mono[] = {-12};
  set_levels(meter, 1, mono);  // a new channel count repaints everything
  ASSERT_TRUE(GetUpdateRect(meter, &dirty, FALSE));
  EXPECT_EQ(dirty.left, 0);
  EXPECT_EQ(dirty.right, 193);
  EXPECT_EQ(dirty.bottom, 17);
}

TEST_F(UiControls, MeterWithOddHeightSplitsRowsByIntegerDivision) {
  HWND meter = make(kLevelMeterClass, kIdMeter, 0, 10, 10, 193, 16);  // 15 rows: 7 and 8
  const signed char levels[] = {-36, 12};
  set_levels(meter, 2, levels);
  UpdateWindow(meter);
  EXPECT_EQ(pixel(meter, 50, 6), RGB(0, 0, 0));
  EXPECT_TRUE(is_green(pixel(meter, 50, 7)));
  EXPECT_TRUE(is_green(pixel(meter, 50, 14)));
  EXPECT_EQ(pixel(meter, 50, 15), RGB(255, 255, 255));
}

// ---------------------------------------------------------------- decibel slider

HWND text_box_of(HWND slider) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(GetWindowLongA(slider, kSliderTextBoxOffset)));
}

SliderLayout layout_of(HWND slider) {
  RECT client;
  GetClientRect(slider, &client);
  HWND box = text_box_of(slider);
  int box_width = box ? vt_test::rect_in_parent(box).right : 0;
  return slider_layout(client.right, client.bottom, box_width, word(slider, 4),
                       word(slider, 2));
}

TEST_F(UiControls, SliderStartsWithItsRangeAndTextBox) {
  HWND slider = make(kDbSliderClass, kIdSlider, 0, 10, 40, 240, 22);
  HWND compact = make(kDbSliderClass, kIdCompact, 0x8, 10, 70, 240, 16);
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(GetClassLongA(slider, GCL_CBWNDEXTRA), 18);
  EXPECT_EQ(word(slider, 0), 0);
  EXPECT_EQ(word(slider, 2), 12);
  EXPECT_EQ(word(slider, 4), -36);
  HWND box = text_box_of(slider);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(vt_test::window_class(box), "Edit");
  EXPECT_EQ(GetParent(box), slider);
  EXPECT_EQ(vt_test::window_text(box), "0dB");
  EXPECT_EQ(text_box_of(compact), nullptr);
  EXPECT_EQ(GetWindow(compact, GW_CHILD), nullptr);

  // The thumb's place from the last paint.
  UpdateWindow(slider);
  SliderLayout layout = layout_of(slider);
  EXPECT_EQ(word(slider, 12), layout.thumb_left(0));
  EXPECT_EQ(word(slider, 14), 2);
  EXPECT_EQ(word(slider, 16), 20);
  EXPECT_EQ(pixel(slider, layout.track_left + 2, 10), RGB(0, 176, 0));  // green left of the thumb
  EXPECT_EQ(pixel(slider, layout.track_right - 2, 10), RGB(128, 128, 128));

  // Focus goes to the text box with its text selected; enabling follows the slider.
  SetFocus(slider);
  EXPECT_EQ(GetFocus(), box);
  DWORD start = 0, end = 0;
  SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 3u);
  EnableWindow(slider, FALSE);
  EXPECT_FALSE(IsWindowEnabled(box));
  EnableWindow(slider, TRUE);
  EXPECT_TRUE(IsWindowEnabled(box));
}

TEST_F(UiControls, SetSliderValueClampsAndRefreshesTheText) {
  HWND slider = make(kDbSliderClass, kIdSlider, 0, 10, 40, 240, 22);
  set_slider_value(host_, kIdSlider, -7);
  EXPECT_EQ(word(slider, 0), -7);
  EXPECT_EQ(vt_test::window_text(text_box_of(slider)), "-7dB");
  set_slider_value(host_, kIdSlider, 40);
  EXPECT_EQ(word(slider, 0), 12);
  EXPECT_EQ(vt_test::window_text(text_box_of(slider)), "12dB");
  set_slider_value(host_, kIdSlider, -100);
  EXPECT_EQ(word(slider, 0), -36);
  EXPECT_EQ(vt_test::window_text(text_box_of(slider)), "-36dB");
  // A range reaching "off" shows it as dashes.
  SetWindowWord(slider, 4, static_cast<WORD>(-127));
  set_slider_value(host_, kIdSlider, -127);
  EXPECT_EQ(word(slider, 0), -127);
  EXPECT_EQ(vt_test::window_text(text_box_of(slider)), "--dB");
  vt_test::pump_messages();
  EXPECT_TRUE(g_notices.empty());  // the parent's own changes are not reported back

  // Only the track around the old and the new thumb is repainted.
  set_slider_value(host_, kIdSlider, -10);
  UpdateWindow(slider);
  SliderLayout layout = layout_of(slider);
  set_slider_value(host_, kIdSlider, -5);
  RECT dirty;
  ASSERT_TRUE(GetUpdateRect(slider, &dirty, FALSE));
  EXPECT_EQ(dirty.left, layout.position(-10) - 12);
  EXPECT_EQ(dirty.right, layout.position(-5) + 13);
  EXPECT_EQ(dirty.top, 2);
  EXPECT_EQ(dirty.bottom, 20);
}

TEST_F(UiControls, TypedTextIsParsedStoredAndReported) {
  HWND slider = make(kDbSliderClass, kIdSlider, 0, 10, 40, 240, 22);
  HWND box = text_box_of(slider);
  set_slider_value(host_, kIdSlider, -10);
  g_notices.clear();

  SetWindowTextA(box, "-");  // a lone minus reads as 0
  EXPECT_EQ(word(slider, 0), 0);
  EXPECT_EQ(notices_with(kIdSlider, 0x300), 1);  // sent, so already here
  EXPECT_EQ(vt_test::window_text(box), "-");

  SetWindowTextA(box, "40dB");  // beyond the maximum: stored as the maximum, text kept
  EXPECT_EQ(word(slider, 0), 12);
  EXPECT_EQ(vt_test::window_text(box), "40dB");
  SetWindowTextA(box, "-100");
  EXPECT_EQ(word(slider, 0), -36);
  EXPECT_EQ(vt_test::window_text(box), "-100");
  EXPECT_EQ(notices_with(kIdSlider, 0x300), 3);

  SetWindowTextA(box, "-36dB");  // the same value: nothing to report
  EXPECT_EQ(notices_with(kIdSlider, 0x300), 3);

  // Typed for real: the focus selects the text, the key replaces it.
  ASSERT_TRUE(vt_test::focus(box));
  SetFocus(slider);  // passes the focus on and selects the text
  ASSERT_EQ(GetFocus(), box);
  ASSERT_TRUE(vt_test::press_key('5'));
  ASSERT_TRUE(vt_test::wait_until([&] { return word(slider, 0) == 5; }, 5000)) << vt_test::window_text(box);
  EXPECT_EQ(vt_test::window_text(box), "5");
  EXPECT_EQ(notices_with(kIdSlider, 0x300), 4);
}

TEST_F(UiControls, DraggingSetsTheValueAndPostsTheChange) {
  HWND slider = make(kDbSliderClass, kIdSlider, 0, 10, 40, 240, 22);
  set_slider_value(host_, kIdSlider, -20);
  UpdateWindow(slider);
  SliderLayout layout = layout_of(slider);
  g_notices.clear();

  int thumb_x = word(slider, 12) + 6;
  SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(thumb_x, 10));
  EXPECT_EQ(GetCapture(), slider);
  int target_x = layout.position(3) + 1;
  SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(target_x, 10));
  EXPECT_EQ(word(slider, 0), 3);
  EXPECT_EQ(vt_test::window_text(text_box_of(slider)), "3dB");
  EXPECT_EQ(notices_with(kIdSlider, 0x300), 0);  // posted, not sent
  vt_test::pump_messages();
  EXPECT_EQ(notices_with(kIdSlider, 0x300), 1);

  // Past both ends of the track: the bounds.
  SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-30, 10));
  EXPECT_EQ(word(slider, 0), -36);
  SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1000, 10));
  EXPECT_EQ(word(slider, 0), 12);
  // Another button held as well: no change.
  SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, MAKELPARAM(target_x, 10));
  EXPECT_EQ(word(slider, 0), 12);
  SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(1000, 10));
  EXPECT_NE(GetCapture(), slider);
  vt_test::pump_messages();
  EXPECT_EQ(notices_with(kIdSlider, 0x300), 3);

  // Without the capture, moving with the button down changes nothing.
  SendMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(target_x, 10));
  EXPECT_EQ(word(slider, 0), 12);

  // Hovering: the thumb takes the capture, leaving it gives it back.
  UpdateWindow(slider);
  int thumb_left = word(slider, 12);
  SendMessageA(slider, WM_MOUSEMOVE, 0, MAKELPARAM(thumb_left + 3, 10));
  EXPECT_EQ(GetCapture(), slider);
  UpdateWindow(slider);
  EXPECT_EQ(pixel(slider, thumb_left + 2, 10), RGB(204, 204, 204));
  SendMessageA(slider, WM_MOUSEMOVE, 0, MAKELPARAM(thumb_left - 20, 10));
  EXPECT_NE(GetCapture(), slider);
  SetFocus(nullptr);
  UpdateWindow(slider);
  EXPECT_EQ(pixel(slider, thumb_left + 2, 10), RGB(230, 230, 230));
}

TEST_F(UiControls, CompactSliderStepsWithKeypadKeys) {
  HWND compact = make(kDbSliderClass, kIdCompact, 0x1, 10, 70, 240, 16);
  set_slider_value(host_, kIdCompact, 11);
  SetFocus(compact);
  EXPECT_EQ(GetFocus(), compact);
  SendMessageA(compact, WM_KEYDOWN, VK_ADD, 1);
  EXPECT_EQ(word(compact, 0), 12);
  SendMessageA(compact, WM_KEYDOWN, VK_ADD, 1);  // at the maximum already
  EXPECT_EQ(word(compact, 0), 12);
  SendMessageA(compact, WM_KEYDOWN, VK_SUBTRACT, 1);
  SendMessageA(compact, WM_KEYDOWN, VK_SUBTRACT, 1);
  EXPECT_EQ(word(compact, 0), 10);
  vt_test::pump_messages();
  EXPECT_EQ(notices_with(kIdCompact, 0x300), 3);

  // A slider with a text box does not step.
  HWND slider = make(kDbSliderClass, kIdSlider, 0, 10, 40, 240, 22);
  SendMessageA(slider, WM_KEYDOWN, VK_ADD, 1);
  EXPECT_EQ(word(slider, 0), 0);
}

TEST_F(UiControls, SliderWithAnEmptyRange) {
  HWND compact = make(kDbSliderClass, kIdCompact, 0x2, 10, 70, 240, 16);
  set_slider_range(compact, 5, 5);
  EXPECT_EQ(word(compact, 0), 5);
  UpdateWindow(compact);
  SendMessageA(compact, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 8));
  SendMessageA(compact, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 8));
  SendMessageA(compact, WM_LBUTTONUP, 0, MAKELPARAM(150, 8));
  EXPECT_EQ(word(compact, 0), 5);
}

// ---------------------------------------------------------------- custom panel

class RecordingPanel : public CustomPanel {
 public:
  void paint(PAINTSTRUCT& paint_record) override {
    ++paints;
    painted = paint_record.rcPaint;
    FillRect(paint_record.hdc, &paint_record.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  void mouse_entered() override { calls += "enter "; }
  void mouse_left() override { calls += "leave "; }
  void mouse_moved(int x, int y) override { calls += "move(" + std::to_string(x) + "," + std::to_string(y) + ") "; }
  void left_button_down(int x, int y) override { calls += "down(" + std::to_string(x) + ") "; }
  void left_button_up(int x, int y) override { calls += "up(" + std::to_string(x) + ") "; }
  bool key_pressed(int key_code) override {
    keys.push_back(key_code);
    return handles_keys;
  }

  int paints = 0;
  RECT painted = {};
  std::string calls;
  std::vector<int> keys;
  bool handles_keys = true;
};

TEST_F(UiControls, PanelForwardsPaintSizeAndMouse) {
  HWND panel = make(kCustomPanelClass, kIdPanel, 0, 10, 100, 200, 80);
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(GetClassLongA(panel, GCL_CBWNDEXTRA), 4);
  EXPECT_EQ(GetWindowLongPtrA(panel, GWLP_USERDATA), 0);
  RecordingPanel owner;
  attach_panel_owner(panel, &owner);
  EXPECT_EQ(owner.panel_width(), 200);
  EXPECT_EQ(owner.panel_height(), 80);
  UpdateWindow(panel);
  EXPECT_EQ(owner.paints, 1);
  EXPECT_EQ(owner.painted.right, 200);

  HDC dc = GetDC(panel);
  EXPECT_EQ(SendMessageA(panel, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  ReleaseDC(panel, dc);

  SetWindowPos(panel, nullptr, 0, 0, 150, 60, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(owner.panel_width(), 150);
  EXPECT_EQ(owner.panel_height(), 60);
  // The paint area never goes beyond the remembered width.
  owner.set_panel_size(100, 60);
  InvalidateRect(panel, nullptr, FALSE);
  UpdateWindow(panel);
  EXPECT_EQ(owner.painted.right, 100);
  EXPECT_EQ(owner.painted.top, 0);
  int paints = owner.paints;
  EnableWindow(panel, FALSE);
  UpdateWindow(panel);
  EXPECT_EQ(owner.paints, paints + 1);

  RECT screen = vt_test::screen_rect(panel);
  SetCursorPos(screen.left + 20, screen.top + 20);
  EnableWindow(panel, TRUE);
  SendMessageA(panel, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  SendMessageA(panel, WM_MOUSEMOVE, 0, MAKELPARAM(21, 22));
  SendMessageA(panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(21, 22));
  SendMessageA(panel, WM_LBUTTONUP, 0, MAKELPARAM(23, 22));
  SendMessageA(panel, WM_MOUSELEAVE, 0, 0);
  SendMessageA(panel, WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
  EXPECT_EQ(owner.calls, "enter move(20,20) move(21,22) down(21) up(23) leave enter move(5,6) ");
  attach_panel_owner(panel, nullptr);
}

TEST_F(UiControls, PanelForwardsKeysWithModifierFlags) {
  HWND panel = make(kCustomPanelClass, kIdPanel, 0, 10, 100, 200, 80);
  RecordingPanel owner;
  attach_panel_owner(panel, &owner);

  // The modifiers as this thread's keyboard state sees them.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  BYTE held[256];
  memcpy(held, keys, sizeof held);
  held[VK_CONTROL] = held[VK_SHIFT] = 0x80;
  SetKeyboardState(held);
  SendMessageA(panel, WM_KEYDOWN, VK_F5, 1);
  SetKeyboardState(keys);
  SendMessageA(panel, WM_KEYDOWN, VK_HOME, 1);
  SendMessageA(panel, WM_KEYDOWN, VK_HOME, 1 | (1 << 30));  // auto-repeat: not forwarded
  SendMessageA(panel, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));   // Alt+F4
  ASSERT_EQ(owner.keys.size(), 3u);
  EXPECT_EQ(owner.keys[0], VK_F5 | 0x20000 | 0x40000);
  EXPECT_EQ(owner.keys[1], VK_HOME);
  EXPECT_EQ(owner.keys[2], VK_F4 | 0x10000);
  vt_test::pump_messages();
  EXPECT_EQ(g_close_requests, 0);  // handled by the owner: it went no further

  owner.handles_keys = false;
  SendMessageA(panel, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));
  EXPECT_EQ(owner.keys.size(), 4u);
  ASSERT_TRUE(vt_test::wait_until([] { return g_close_requests == 1; }, 2000));
  attach_panel_owner(panel, nullptr);
}

// ---------------------------------------------------------------- link and buttons

TEST_F(UiControls, HyperlinkIsBlueUnderlinedAndTellsItsParent) {
  SetWindowPos(host_, HWND_TOP, 40, 40, 420, 260, SWP_SHOWWINDOW);
  HWND link = make(kHyperlinkClass, kIdLink, WS_TABSTOP, 10, 10, 300, 20);
  SetWindowTextA(link, "WWWWWWWW");
  SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  UpdateWindow(link);
  // The text is drawn in the link colour, underlined: the row under the letters holds
  // a run of blue.
  HDC dc = GetDC(link);
  int blue = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x)
      if (GetPixel(dc, x, y) == kHyperlinkColour) ++blue;
  ReleaseDC(link, dc);
  EXPECT_GT(blue, 40);
  g_notices.clear();
  // Without an address, a click only reaches the parent (no browser in tests). A click
  // is a press and a release over the link: a press elsewhere released over it, or a
  // press on it released outside, is none.
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(0, notices_with(kIdLink, STN_CLICKED));
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(400, 5));
  EXPECT_EQ(0, notices_with(kIdLink, STN_CLICKED));
  SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(6, 6));
  EXPECT_EQ(1, notices_with(kIdLink, STN_CLICKED));
  // Enter on the focused link opens it through the dialog keys, rather than pressing
  // the default button (IDOK to the parent).
  ASSERT_TRUE(vt_test::focus(link));
  MSG enter = {link, WM_KEYDOWN, VK_RETURN, 1};
  if (!IsDialogMessageA(host_, &enter)) DispatchMessageA(&enter);
  EXPECT_EQ(2, notices_with(kIdLink, STN_CLICKED));
  EXPECT_EQ(0, notices_with(IDOK, BN_CLICKED));
  ASSERT_EQ(2u, g_notices.size());
  EXPECT_EQ(kIdLink, g_notices[0].id);
}

TEST_F(UiControls, PictureButtonShowsItsIconAndTooltip) {
  HWND button = CreateWindowExA(0, "BUTTON", "Lire", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 40, 40, 30, host_,
                                reinterpret_cast<HMENU>(kIdButton), GetModuleHandleA(nullptr), nullptr);
  Tooltips tips;
  ASSERT_TRUE(tips.create(host_));
  HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_INFORMATION));
  make_picture_button(button, icon, true, &tips, "Lire l'enregistrement");
  EXPECT_TRUE(GetWindowLongPtrA(button, GWL_STYLE) & BS_ICON);
  EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(button, BM_GETIMAGE, IMAGE_ICON, 0));
  EXPECT_EQ(1, SendMessageA(tips.window(), TTM_GETTOOLCOUNT, 0, 0));
  char text[80] = {};
  TOOLINFOA info = {};
  info.cbSize = TTTOOLINFOA_V1_SIZE;
  info.hwnd = host_;
  info.uId = reinterpret_cast<UINT_PTR>(button);
  info.lpszText = text;
  SendMessageA(tips.window(), TTM_GETTEXTA, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_STREQ("Lire l'enregistrement", text);
  DestroyWindow(button);
}

// ---------------------------------------------------------------- all together

TEST_F(UiControls, Screenshot) {
  SetWindowPos(host_, HWND_TOP, 40, 40, 420, 260, SWP_SHOWWINDOW);
  HWND meter = make(kLevelMeterClass, kIdMeter, 0, 10, 10, 385, 25);
  const signed char levels[] = {-12, 6};
  set_levels(meter, 2, levels);
  make(kDbSliderClass, kIdSlider, 0, 10, 50, 240, 22);
  set_slider_value(host_, kIdSlider, -6);
  make(kDbSliderClass, kIdCompact, 0x1, 10, 80, 240, 16);
  set_slider_value(host_, kIdCompact, 4);
  HWND panel = make(kCustomPanelClass, kIdPanel, 0, 10, 110, 200, 80);
  RecordingPanel owner;
  attach_panel_owner(panel, &owner);
  UpdateWindow(host_);
  vt_test::pump_messages();
  std::string saved = vt_test::save_screenshot("ui_controls");
  EXPECT_FALSE(saved.empty());
  attach_panel_owner(panel, nullptr);
}

}  // namespace
}  // namespace vt

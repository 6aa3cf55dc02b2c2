#include "ui/level_meter_win.h"

#include <algorithm>

#include "ui/controls_res.h"
#include "ui/meter_geometry.h"

namespace vt {

const char kLevelMeterClass[] = "LDBDisplay";

namespace {

enum : int {
  kGreenBitmapOffset = 18,
  kRedBitmapOffset = 22,
  kGreenBrushOffset = 26,
  kRedBrushOffset = 30,
};

// GDI handles keep their meaning in 32 bits (sign-extended on 64-bit Windows), which
// lets them sit in the meter's 4-byte slots.
template <typename Handle>
Handle handle_at(HWND meter, int offset) {
  return reinterpret_cast<Handle>(static_cast<LONG_PTR>(GetWindowLongA(meter, offset)));
}
void store_handle(HWND meter, int offset, HGDIOBJ handle) {
  SetWindowLongA(meter, offset, static_cast<LONG>(reinterpret_cast<LONG_PTR>(handle)));
}

int channel_count(HWND meter) { return static_cast<short>(GetWindowWord(meter, kMeterChannelsOffset)); }
int channel_level(HWND meter, int channel) {
  return static_cast<short>(GetWindowWord(meter, kMeterLevelsOffset + 2 * channel));
}

void create_brushes(HWND meter) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetClassLongPtrA(meter, GCLP_HMODULE));
  HBITMAP green = LoadBitmapA(instance, IDB_LDB_GREEN);
  HBITMAP red = LoadBitmapA(instance, IDB_LDB_RED);
  store_handle(meter, kGreenBitmapOffset, green);
  store_handle(meter, kRedBitmapOffset, red);
  // Without the bitmaps (a module lacking the resources) the meter still works in plain colours.
  store_handle(meter, kGreenBrushOffset, green ? CreatePatternBrush(green) : CreateSolidBrush(RGB(0, 200, 0)));
  store_handle(meter, kRedBrushOffset, red ? CreatePatternBrush(red) : CreateSolidBrush(RGB(220, 0, 0)));
}

void delete_brushes(HWND meter) {
  for (int offset : {kGreenBrushOffset, kRedBrushOffset, kGreenBitmapOffset, kRedBitmapOffset}) {
    HGDIOBJ object = handle_at<HGDIOBJ>(meter, offset);
    if (object) DeleteObject(object);
    store_handle(meter, offset, nullptr);
  }
}

void fill(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
  if (right <= left || bottom <= top) return;
  RECT rect = {left, top, right, bottom};
  FillRect(dc, &rect, brush);
}

void paint(HWND meter, HDC dc, const RECT& area) {
  RECT client;
  GetClientRect(meter, &client);
  const int width = client.right, height = client.bottom;
  const int channels = channel_count(meter);
  if (channels <= 0 || !IsWindowEnabled(meter)) {
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    return;
  }
  HBRUSH green = handle_at<HBRUSH>(meter, kGreenBrushOffset);
  HBRUSH red = handle_at<HBRUSH>(meter, kRedBrushOffset);
  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const int zero_x = meter_x(0, width);
  for (int channel = 0; channel < std::min(channels, kMeterMaxChannels); ++channel) {
    RowSpan rows = channel_rows(channel, channels, height);
    if (rows.bottom <= area.top || rows.top >= area.bottom) continue;
    const int level = channel_level(meter, channel);
    // Each band's pattern starts at its own top row, so all bands look alike.
    SetBrushOrgEx(dc, 0, rows.top, nullptr);
    fill(dc, 0, rows.top, meter_x(std::min(level, 0), width), rows.bottom, green);
    if (level > 0) fill(dc, zero_x, rows.top, meter_x(level, width), rows.bottom, red);
    fill(dc, meter_x(level, width), rows.top, width - 1, rows.bottom, black);
  }
  // The white edge along the bottom and up the right side; band repaints never reach it.
  if (area.bottom >= height || area.right >= width) {
    HGDIOBJ old_pen = SelectObject(dc, GetStockObject(WHITE_PEN));
    MoveToEx(dc, 0, height - 1, nullptr);
    LineTo(dc, width - 1, height - 1);
    LineTo(dc, width - 1, -1);
    SelectObject(dc, old_pen);
  }
}

LRESULT CALLBACK level_meter_proc(HWND meter, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      create_brushes(meter);
      return 0;
    case WM_DESTROY:
      delete_brushes(meter);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint_record;
      HDC dc = BeginPaint(meter, &paint_record);
      paint(meter, dc, paint_record.rcPaint);
      EndPaint(meter, &paint_record);
      return 0;
    }
    case WM_PRINTCLIENT: {  // PrintWindow and other copies of the meter's picture
      RECT client;
      GetClientRect(meter, &client);
      paint(meter, reinterpret_cast<HDC>(wparam), client);
      return 0;
    }
    case WM_ENABLE:
      InvalidateRect(meter, nullptr, FALSE);
      return 0;
  }
  return DefWindowProcA(meter, message, wparam, lparam);
}

}  // namespace

bool register_level_meter(HINSTANCE instance) {
  WNDCLASSA window_class = {};
  window_class.style = CS_HREDRAW | CS_VREDRAW | CS_BYTEALIGNWINDOW;
  window_class.lpfnWndProc = level_meter_proc;
  window_class.cbWndExtra = kLevelMeterExtraBytes;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.lpszClassName = kLevelMeterClass;
  return RegisterClassA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void set_levels(HWND meter, int channels, const signed char* levels) {
  if (!levels) channels = 0;
  channels = std::clamp(channels, 0, kMeterMaxChannels);
  const int old_channels = channel_count(meter);
  RECT client;
  GetClientRect(meter, &client);
  for (int channel = 0; channel < channels; ++channel) {
    const int old_level = channel_level(meter, channel);
    const int level = clamp_meter_level(levels[channel]);
    if (level == old_level) continue;
    SetWindowWord(meter, kMeterLevelsOffset + 2 * channel, static_cast<WORD>(static_cast<short>(level)));
    if (channels != old_channels) continue;
    // Only the columns between the old and the new end of the bar change.
    RowSpan rows = channel_rows(channel, channels, client.bottom);
    int old_x = meter_x(old_level, client.right), new_x = meter_x(level, client.right);
    RECT changed = {std::min(old_x, new_x), rows.top, std::max(old_x, new_x), rows.bottom};
    InvalidateRect(meter, &changed, FALSE);
  }
  if (channels != old_channels) {
    SetWindowWord(meter, kMeterChannelsOffset, static_cast<WORD>(channels));
    InvalidateRect(meter, nullptr, FALSE);
  }
}

}  // namespace vt

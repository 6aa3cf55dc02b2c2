#include "ui/db_slider_win.h"

#include <algorithm>

#include "ui/dpi_win.h"
#include "ui/meter_geometry.h"
#include "win/handles_win.h"

namespace vt {

const char kDbSliderClass[] = "LDBEdit";

namespace {

const int kTextBoxId = 1;
const COLORREF kTrackGreen = RGB(0, 176, 0);
const COLORREF kTrackRed = RGB(224, 0, 0);
const COLORREF kTrackGray = RGB(128, 128, 128);
const COLORREF kThumbActive = RGB(204, 204, 204);  // captured or focused
const COLORREF kThumbIdle = RGB(230, 230, 230);
const COLORREF kThumbOutline = RGB(64, 64, 64);
const COLORREF kThumbGrip = RGB(128, 128, 128);

int word_at(HWND slider, int offset) { return static_cast<short>(GetWindowWord(slider, offset)); }
void set_word(HWND slider, int offset, int value) {
  SetWindowWord(slider, offset, static_cast<WORD>(static_cast<short>(value)));
}
int minimum(HWND slider) { return word_at(slider, kSliderMinimumOffset); }
int maximum(HWND slider) { return word_at(slider, kSliderMaximumOffset); }
int clamp_to_range(HWND slider, int value) {
  return std::max(std::min(value, maximum(slider)), minimum(slider));
}

// Window handles keep their meaning in 32 bits, so the text box fits the 4-byte slot.
HWND text_box(HWND slider) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(GetWindowLongA(slider, kSliderTextBoxOffset)));
}

bool is_compact(HWND slider) { return (GetWindowLongA(slider, GWL_STYLE) & kDbSliderCompactStyles) != 0; }

// Size of the text box: "-00dB" in the control's font, plus 2 each way; 0 without one.
SIZE text_box_size(HWND slider) {
  SIZE extent = {0, 0};
  HWND box = text_box(slider);
  if (!box) return extent;
  WindowDC dc(slider);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0));
  SelectedObject font_in(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  GetTextExtentPoint32A(dc.get(), "-00dB", 5, &extent);
  return {extent.cx + 2, extent.cy + 2};
}
int text_box_width(HWND slider) { return text_box_size(slider).cx; }

SliderLayout layout_of(HWND slider) {
  RECT client;
  GetClientRect(slider, &client);
  return slider_layout(client.right, client.bottom, text_box_width(slider), minimum(slider), maximum(slider),
                       dpi_of(slider));
}

void place_text_box(HWND slider) {
  HWND box = text_box(slider);
  if (!box) return;
  RECT client;
  GetClientRect(slider, &client);
  // One line of text, centred on the track.
  SIZE size = text_box_size(slider);
  int height = std::min<int>(size.cy, client.bottom);
  MoveWindow(box, 0, (client.bottom - height) / 2, size.cx, height, TRUE);
}

void refresh_text_box(HWND slider) {
  HWND box = text_box(slider);
  if (!box) return;
  char text[16];
  format_db_text(word_at(slider, kSliderValueOffset), text, sizeof text);
  SetWindowTextA(box, text);
}

void invalidate_thumb(HWND slider) {
  RECT thumb = {word_at(slider, kSliderThumbLeftOffset), word_at(slider, kSliderThumbTopOffset),
                word_at(slider, kSliderThumbLeftOffset) + layout_of(slider).thumb_width,
                word_at(slider, kSliderThumbBottomOffset)};
  InvalidateRect(slider, &thumb, FALSE);
}

// Stores an in-range value and repaints the track between the two thumb positions.
void move_to(HWND slider, int value) {
  const int old_value = word_at(slider, kSliderValueOffset);
  set_word(slider, kSliderValueOffset, value);
  SliderLayout layout = layout_of(slider);
  ColumnSpan span = slider_repaint_span(layout, old_value, value);
  RECT changed = {std::max(span.left, layout.track_left), layout.track_top, std::min(span.right, layout.track_right),
                  layout.track_bottom};
  InvalidateRect(slider, &changed, FALSE);
}

void notify_parent(HWND slider, bool post) {
  WPARAM wparam = MAKEWPARAM(GetDlgCtrlID(slider), kDbSliderChanged);
  LPARAM lparam = reinterpret_cast<LPARAM>(slider);
  if (post)
    PostMessageA(GetParent(slider), WM_COMMAND, wparam, lparam);
  else
    SendMessageA(GetParent(slider), WM_COMMAND, wparam, lparam);
}

// Every edit of the text box: a number that differs from the value is stored (within
// the range) and reported; the typed text stays as it is.
void text_box_changed(HWND slider) {
  char text[64];
  GetWindowTextA(text_box(slider), text, sizeof text);
  int typed = parse_db_text(text);
  if (typed == word_at(slider, kSliderValueOffset)) return;
  move_to(slider, clamp_to_range(slider, typed));
  notify_parent(slider, false);
}

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
  if (right <= left || bottom <= top) return;
  RECT rect = {left, top, right, bottom};
  SetBkColor(dc, colour);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);  // a solid fill without a brush
}

void paint(HWND slider, HDC dc) {
  RECT client;
  GetClientRect(slider, &client);
  SliderLayout layout = layout_of(slider);
  const int value = word_at(slider, kSliderValueOffset);
  const int thumb_left = layout.thumb_left(value);
  const int thumb_right = thumb_left + layout.thumb_width;
  const int top = layout.track_top, bottom = layout.track_bottom;

  // Background around the track; the text box is clipped out and paints itself.
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  fill(dc, 0, 0, client.right, top, face);
  fill(dc, 0, bottom, client.right, client.bottom, face);
  fill(dc, 0, top, layout.track_left, bottom, face);
  fill(dc, layout.track_right, top, client.right, bottom, face);

  // Left of the thumb: green up to 0 dB, red beyond it; right of the thumb: gray.
  const bool enabled = IsWindowEnabled(slider);
  const int zero = std::clamp(layout.position(0), layout.track_left, layout.track_right);
  fill(dc, layout.track_left, top, std::min(thumb_left, zero), bottom, enabled ? kTrackGreen : kTrackGray);
  if (value > 0) fill(dc, zero, top, thumb_left, bottom, enabled ? kTrackRed : kTrackGray);
  fill(dc, thumb_right, top, layout.track_right, bottom, kTrackGray);

  // A slider with a text box counts as focused while its text box is.
  const HWND focus = GetFocus();
  const bool active = GetCapture() == slider || focus == slider || (focus && focus == text_box(slider));
  fill(dc, thumb_left, top, thumb_right, bottom, active ? kThumbActive : kThumbIdle);
  {
    OwnedPen outline(CreatePen(PS_SOLID, 1, kThumbOutline));
    OwnedPen grip(CreatePen(PS_SOLID, 1, kThumbGrip));
    SelectedObject pen_in(dc, outline.get());
    SelectedObject brush_in(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, thumb_left, top, thumb_right, bottom);
    SelectedObject grip_in(dc, grip.get());
    const int dpi = dpi_of(slider);
    for (int x : {thumb_left + scale(4, dpi), thumb_left + scale(7, dpi)}) {
      MoveToEx(dc, x, top + scale(3, dpi), nullptr);
      LineTo(dc, x, bottom - scale(3, dpi));
    }
  }

  set_word(slider, kSliderThumbLeftOffset, thumb_left);
  set_word(slider, kSliderThumbTopOffset, top);
  set_word(slider, kSliderThumbBottomOffset, bottom);
}

bool on_thumb(HWND slider, int x, int y) {
  int left = word_at(slider, kSliderThumbLeftOffset);
  return x >= left && x < left + layout_of(slider).thumb_width && y >= word_at(slider, kSliderThumbTopOffset) &&
         y < word_at(slider, kSliderThumbBottomOffset);
}

void on_mouse_move(HWND slider, WPARAM buttons, int x, int y) {
  const bool captured = GetCapture() == slider;
  const WPARAM any_button = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_XBUTTON1 | MK_XBUTTON2;
  if ((buttons & any_button) == MK_LBUTTON) {
    if (!captured) return;
    int value = clamp_to_range(slider, layout_of(slider).value_at(x));
    if (value == word_at(slider, kSliderValueOffset)) return;
    move_to(slider, value);
    refresh_text_box(slider);
    notify_parent(slider, true);
  } else if ((buttons & any_button) == 0) {
    // Hovering over the thumb holds the capture so leaving it can be seen.
    bool over = on_thumb(slider, x, y);
    if (over && !captured) {
      SetCapture(slider);
      invalidate_thumb(slider);
    } else if (!over && captured) {
      ReleaseCapture();
    }
  }
}

void step(HWND slider, int delta) {
  int value = clamp_to_range(slider, word_at(slider, kSliderValueOffset) + delta);
  if (value == word_at(slider, kSliderValueOffset)) return;
  move_to(slider, value);
  notify_parent(slider, true);
}

void on_create(HWND slider) {
  set_word(slider, kSliderMaximumOffset, kMeterMaxDb);
  set_word(slider, kSliderMinimumOffset, kMeterMinDb);
  if (is_compact(slider)) return;
  SetWindowLongA(slider, GWL_STYLE, GetWindowLongA(slider, GWL_STYLE) | WS_CLIPCHILDREN);
  DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | (IsWindowEnabled(slider) ? 0 : WS_DISABLED);
  HWND box = CreateWindowExA(0, "EDIT", "", style, 0, 0, 0, 0, slider,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextBoxId)),
                             reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(slider, GWLP_HINSTANCE)), nullptr);
  if (!box) return;
  SendMessageA(box, WM_SETFONT, SendMessageA(GetParent(slider), WM_GETFONT, 0, 0), FALSE);
  SetWindowLongA(slider, kSliderTextBoxOffset, static_cast<LONG>(reinterpret_cast<LONG_PTR>(box)));
  place_text_box(slider);
  refresh_text_box(slider);
}

LRESULT CALLBACK db_slider_proc(HWND slider, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      on_create(slider);
      return 0;
    case WM_SIZE:
      place_text_box(slider);
      return 0;
    case WM_SETFONT:
      if (HWND box = text_box(slider)) {
        SendMessageA(box, WM_SETFONT, wparam, lparam);
        place_text_box(slider);
        InvalidateRect(slider, nullptr, FALSE);
      }
      return 0;
    case WM_GETFONT:
      return text_box(slider) ? SendMessageA(text_box(slider), WM_GETFONT, 0, 0) : 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_PAINT: {
      PAINTSTRUCT paint_record;
      HDC dc = BeginPaint(slider, &paint_record);
      paint(slider, dc);
      EndPaint(slider, &paint_record);
      return 0;
    }
    case WM_PRINTCLIENT:
      paint(slider, reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(slider);
      SetCapture(slider);
      if (HCURSOR hand = LoadCursorA(nullptr, IDC_HAND))
        SetCursor(hand);
      else
        SetCursor(LoadCursorA(nullptr, IDC_SIZENS));
      invalidate_thumb(slider);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == slider) ReleaseCapture();
      return 0;
    case WM_MOUSEMOVE:
      on_mouse_move(slider, wparam, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      return 0;
    case WM_CAPTURECHANGED:
    case WM_KILLFOCUS:
      invalidate_thumb(slider);
      return 0;
    case WM_SETFOCUS:
      if (HWND box = text_box(slider)) {
        SetFocus(box);
        SendMessageA(box, EM_SETSEL, 0, -1);
      } else {
        invalidate_thumb(slider);
      }
      return 0;
    case WM_ENABLE:
      if (HWND box = text_box(slider)) EnableWindow(box, static_cast<BOOL>(wparam));
      InvalidateRect(slider, nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
      if (is_compact(slider) && (wparam == VK_ADD || wparam == VK_SUBTRACT)) {
        step(slider, wparam == VK_ADD ? 1 : -1);
        return 0;
      }
      break;
    case WM_COMMAND:
      if (lparam && reinterpret_cast<HWND>(lparam) == text_box(slider)) {
        if (HIWORD(wparam) == EN_CHANGE) text_box_changed(slider);
        if (HIWORD(wparam) == EN_SETFOCUS || HIWORD(wparam) == EN_KILLFOCUS) invalidate_thumb(slider);
      }
      return 0;
  }
  return DefWindowProcA(slider, message, wparam, lparam);
}

}  // namespace

bool register_db_slider(HINSTANCE instance) {
  WNDCLASSA window_class = {};
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = db_slider_proc;
  window_class.cbWndExtra = kDbSliderExtraBytes;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.lpszClassName = kDbSliderClass;
  return RegisterClassA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int slider_value(HWND slider) { return word_at(slider, kSliderValueOffset); }

void set_slider_value(HWND dialog, int control_id, int value) {
  HWND slider = GetDlgItem(dialog, control_id);
  if (!slider) return;
  move_to(slider, clamp_to_range(slider, value));
  refresh_text_box(slider);
}

void set_slider_range(HWND slider, int minimum, int maximum) {
  set_word(slider, kSliderMinimumOffset, std::min(minimum, maximum));
  set_word(slider, kSliderMaximumOffset, std::max(minimum, maximum));
  set_word(slider, kSliderValueOffset, clamp_to_range(slider, word_at(slider, kSliderValueOffset)));
  InvalidateRect(slider, nullptr, FALSE);
  refresh_text_box(slider);
}

}  // namespace vt

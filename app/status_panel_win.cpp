#include "app/status_panel_win.h"

#include <algorithm>

#include "app/main_window_res.h"
#include "ui/dpi_win.h"
#include "ui/level_meter_win.h"

namespace vt {

namespace {

const COLORREF kTextColour = RGB(32, 32, 32);
const COLORREF kAlertColour = RGB(219, 11, 0);
const COLORREF kTimeColour = RGB(0, 100, 199);
// The state pictures by display state: ready, recording, waiting for voice.
const int kStateBitmaps[3] = {IDB_STATE_READY, IDB_STATE_RECORDING, IDB_STATE_WAITING};

HFONT make_font(int height, int weight) {
  return CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Shell Dlg");
}

// A line wider than the room up to `right` is drawn in narrower letters rather than
// cut: the system's stand-in for the dialog font may be wider than the font it
// replaces. Down to half the width; beyond that the end is cut.
void draw_text(HDC dc, int x, int y, int right, const std::string& text, COLORREF colour, HFONT font) {
  const int length = static_cast<int>(text.size());
  SelectObject(dc, font);
  SetTextColor(dc, colour);
  SIZE size = {};
  GetTextExtentPoint32A(dc, text.c_str(), length, &size);
  OwnedFont narrow;
  if (size.cx > right - x && right > x) {
    LOGFONTA description = {};
    GetObjectA(font, sizeof description, &description);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    const LONG least = std::max<LONG>(1, metrics.tmAveCharWidth / 2);
    description.lfWidth = std::max<LONG>(least, metrics.tmAveCharWidth * (right - x) / size.cx);
    for (int tries = 0; tries < 8; ++tries) {
      narrow.reset(CreateFontIndirectA(&description));
      SelectObject(dc, narrow.get());
      GetTextExtentPoint32A(dc, text.c_str(), length, &size);
      if (size.cx <= right - x || description.lfWidth <= least) break;
      --description.lfWidth;
    }
  }
  TextOutA(dc, x, y, text.c_str(), length);
  SelectObject(dc, font);  // before the narrow font goes
}

const char* state_line(int state) {
  switch (state) {
    case kDisplayRecording: return "Enregistrement en cours...";
    case kDisplayWaiting: return "En attente d'entrée vocale...";
    default: return "Prêt";
  }
}

}  // namespace

StatusPanel::StatusPanel()
    : normal_font_(make_font(14, FW_NORMAL)), bold_font_(make_font(14, FW_BOLD)), time_font_(make_font(22, FW_NORMAL)) {}

StatusPanel::~StatusPanel() {
  if (panel_) attach_panel_owner(panel_, nullptr);
}

void StatusPanel::attach(HWND panel) {
  panel_ = panel;
  meter_ = CreateWindowExA(0, kLevelMeterClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 12, panel,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LEVEL_METER)), GetModuleHandleA(nullptr),
                           nullptr);
  RECT client;
  GetClientRect(panel, &client);
  set_panel_size(client.right, client.bottom);
  attach_panel_owner(panel, this);
  place_meter();
}

void StatusPanel::place_meter() {
  if (!meter_) return;
  RECT client;
  GetClientRect(panel_, &client);
  MoveWindow(meter_, scale(130, dpi_), client.bottom - scale(14, dpi_), client.right - scale(138, dpi_),
             scale(12, dpi_), TRUE);
}

void StatusPanel::set_dpi(int dpi) {
  if (dpi == dpi_) return;
  CriticalSectionLock hold(lock_);
  dpi_ = dpi;
  normal_font_.reset(make_font(scale(14, dpi), FW_NORMAL));
  bold_font_.reset(make_font(scale(14, dpi), FW_BOLD));
  time_font_.reset(make_font(scale(22, dpi), FW_NORMAL));
  if (panel_) InvalidateRect(panel_, nullptr, FALSE);
}

void StatusPanel::update(const StatusPanelData& data) {
  {
    CriticalSectionLock hold(lock_);
    data_ = data;
  }
  if (panel_) InvalidateRect(panel_, nullptr, FALSE);
}

void StatusPanel::paint(PAINTSTRUCT& paint_record) {
  RECT client;
  GetClientRect(panel_, &client);
  const int width = client.right, height = client.bottom;
  if (width <= 0 || height <= 0) return;
  CriticalSectionLock hold(lock_);
  const int dpi = dpi_;
  auto px = [dpi](int size) { return scale(size, dpi); };
  MemoryDC dc(paint_record.hdc);
  OwnedBitmap canvas(CreateCompatibleBitmap(paint_record.hdc, width, height));
  SelectedObject canvas_in(dc.get(), canvas.get());
  SelectedObject font_in(dc.get(), normal_font_.get());
  FillRect(dc.get(), &client, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc.get(), TRANSPARENT);

  OwnedBitmap picture(
      LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kStateBitmaps[data_.display_state % 3])));
  if (picture) {
    MemoryDC picture_dc(dc.get());
    SelectedObject picture_in(picture_dc.get(), picture.get());
    // Halftone keeps the picture smooth where the DPI enlarges it.
    SetStretchBltMode(dc.get(), HALFTONE);
    SetBrushOrgEx(dc.get(), 0, 0, nullptr);
    StretchBlt(dc.get(), px(2), 0, px(126), px(100), picture_dc.get(), 0, 0, 126, 100, SRCCOPY);
  }
  const bool recording = data_.display_state == kDisplayRecording;
  const int x = px(130), right = width - px(4);
  HFONT normal = normal_font_.get();
  if (data_.recorder_notice.empty() && data_.display_state == kDisplayReady && !data_.schedule_line.empty())
    draw_text(dc.get(), x, px(6), right, data_.schedule_line, kTextColour, normal);
  else if (data_.recorder_notice.empty())
    draw_text(dc.get(), x, px(6), right, state_line(data_.display_state), recording ? kAlertColour : kTextColour,
              normal);
  else
    draw_text(dc.get(), x, px(6), right, data_.recorder_notice, kAlertColour, bold_font_.get());
  draw_text(dc.get(), x, px(22), right, data_.time_text, kTimeColour, time_font_.get());
  draw_text(dc.get(), x, px(48), right, "Nom de Fichier: " + data_.file_name, kTextColour, normal);
  draw_text(dc.get(), x, px(67), right, "Info sur le Fichier: " + data_.file_info, kTextColour, normal);
  draw_text(dc.get(), x, px(86), right, "Espace Disponible: " + data_.free_space,
            data_.low_disk ? kAlertColour : kTextColour, normal);
  if (data_.low_disk)
    draw_text(dc.get(), px(10), height - px(16), x - px(2), "ESPACE DISQUE FAIBLE", kAlertColour, bold_font_.get());

  const RECT& area = paint_record.rcPaint;
  BitBlt(paint_record.hdc, area.left, area.top, area.right - area.left, area.bottom - area.top, dc.get(), area.left,
         area.top, SRCCOPY);
}

}  // namespace vt

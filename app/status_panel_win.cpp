#include "app/status_panel_win.h"

#include "app/main_window_res.h"
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

void draw_text(HDC dc, int x, int y, const std::string& text, COLORREF colour, HFONT font) {
  SelectObject(dc, font);
  SetTextColor(dc, colour);
  TextOutA(dc, x, y, text.c_str(), static_cast<int>(text.size()));
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
  MoveWindow(meter_, 130, client.bottom - 14, client.right - 138, 12, TRUE);
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
    BitBlt(dc.get(), 2, 0, 126, 100, picture_dc.get(), 0, 0, SRCCOPY);
  }
  const bool recording = data_.display_state == kDisplayRecording;
  HFONT normal = normal_font_.get();
  if (data_.recorder_notice.empty() && data_.display_state == kDisplayReady && !data_.schedule_line.empty())
    draw_text(dc.get(), 130, 6, data_.schedule_line, kTextColour, normal);
  else if (data_.recorder_notice.empty())
    draw_text(dc.get(), 130, 6, state_line(data_.display_state), recording ? kAlertColour : kTextColour, normal);
  else
    draw_text(dc.get(), 130, 6, data_.recorder_notice, kAlertColour, bold_font_.get());
  draw_text(dc.get(), 130, 22, data_.time_text, kTimeColour, time_font_.get());
  draw_text(dc.get(), 130, 48, "Nom de Fichier: " + data_.file_name, kTextColour, normal);
  draw_text(dc.get(), 130, 67, "Info sur le Fichier: " + data_.file_info, kTextColour, normal);
  draw_text(dc.get(), 130, 86, "Espace Disponible: " + data_.free_space, data_.low_disk ? kAlertColour : kTextColour,
            normal);
  if (data_.low_disk) draw_text(dc.get(), 10, height - 16, "ESPACE DISQUE FAIBLE", kAlertColour, bold_font_.get());

  const RECT& area = paint_record.rcPaint;
  BitBlt(paint_record.hdc, area.left, area.top, area.right - area.left, area.bottom - area.top, dc.get(), area.left,
         area.top, SRCCOPY);
}

}  // namespace vt

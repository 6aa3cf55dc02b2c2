#include "gui/play_dlg_win.h"

#include <commctrl.h>

#include <algorithm>

#include "audio/tempo_filter.h"
#include "base/time_units.h"
#include "gui/play_dlg_res.h"
#include "player/output_mixer_win.h"
#include "player/panel_positions.h"
#include "ui/db_slider_win.h"
#include "ui/dpi_win.h"
#include "ui/level_meter_win.h"
#include "ui/tooltips_win.h"

namespace vt {

namespace {

const WORD kCuePressed = 0x10, kCueReleased = 0x11;

struct TransportButton {
  int id;
  const char* bitmap;
  const char* tooltip;
};

const TransportButton kTransportButtons[] = {
    {IDC_PLAY_PLAY, "PlayBitmap", "Reproduire (F9)"},
    {IDC_PLAY_SCRUB, "ScrubBitmap", "Scrub (Space)"},
    {IDC_PLAY_STOP, "StopBitmap", "Stop (Esc)"},
    {IDC_PLAY_START, "StartBitmap", "Aller au Début (Home)"},
    {IDC_PLAY_REWIND, "RewindBitmap", "Rembobiner (<-)"},
    {IDC_PLAY_FORWARD, "ForwardBitmap", "Défiler (->)"},
    {IDC_PLAY_END, "EndBitmap", "Aller à la Fin (End)"},
};

const struct {
  int id;
  const char* tooltip;
} kOtherTooltips[] = {
    {IDC_PLAY_NAME, "Nom"},
    {IDC_PLAY_DEVICE, "Périphérique de Reproduction"},
    {IDC_PLAY_VOLUME, "Volume"},
};

const char kDeviceRefusedText[] =
    "Le périphérique de reproduction a refusé de jouer l'enregistrement. La lecture a été arrêtée.";

}  // namespace

PlayDialog::PlayDialog(const PlayItem& item, SettingsSection& settings, const WaveOutCalls& device_calls)
    : item_(&item), settings_(settings), player_(device_calls) {
  register_level_meter(GetModuleHandleA(nullptr));
  register_db_slider(GetModuleHandleA(nullptr));
}

PlayDialog::~PlayDialog() {
  if (window_) DestroyWindow(window_);
}

HWND PlayDialog::create(HWND parent) {
  parent_ = parent;
  return create_modeless(parent, "LPlayDlg");
}

int PlayDialog::show(HWND parent) {
  if (!create(parent)) return 1;
  if (parent) EnableWindow(parent, FALSE);
  MSG message;
  while (window_) {
    int got = GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));  // the outer loop ends too
      if (window_) DestroyWindow(window_);
      break;
    }
    pump_message(message);
  }
  if (parent) {
    EnableWindow(parent, TRUE);
    SetActiveWindow(parent);
  }
  return 1;
}

void PlayDialog::pump_message(MSG& message) {
  // A key kept by a text box or the device list goes straight to it, not through the
  // dialog's navigation either (Enter there would press the default button).
  if (key_stays_in_box(message)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return;
  }
  if (translate_key(message)) return;
  if (window_ && IsDialogMessageA(window_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

// Typing in the volume's text box or moving in the device list uses these keys for
// themselves; the panel's other keys (F9, F10, Esc) still act from there.
bool PlayDialog::key_stays_in_box(const MSG& message) const {
  if (message.message != WM_KEYDOWN && message.message != WM_KEYUP && message.message != WM_CHAR) return false;
  if (!window_ || !IsChild(window_, message.hwnd)) return false;
  char type[16] = {};
  GetClassNameA(message.hwnd, type, sizeof type);
  if (lstrcmpiA(type, "Edit") != 0 && lstrcmpiA(type, "ComboBox") != 0 && lstrcmpiA(type, "ComboLBox") != 0)
    return false;
  if (message.message == WM_CHAR) return message.wParam == '\r' || message.wParam == ' ';
  switch (message.wParam) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
    case VK_RETURN:
    case VK_SPACE:
      return true;
  }
  return false;
}

// The panel's keys act wherever the focus is inside it (but see key_stays_in_box). The arrows stand for holding
// the rewind and forward buttons; their auto-repeats are swallowed so that the focus
// does not wander while cueing.
bool PlayDialog::translate_key(const MSG& message) {
  if (!window_ || (message.hwnd != window_ && !IsChild(window_, message.hwnd))) return false;
  const bool repeat = (message.lParam & (1 << 30)) != 0;
  const WPARAM key = message.wParam;
  if (message.message == WM_KEYDOWN) {
    switch (key) {
      case VK_LEFT:
      case VK_RIGHT:
        if (!repeat)
          SendMessageA(GetDlgItem(window_, key == VK_LEFT ? IDC_PLAY_REWIND : IDC_PLAY_FORWARD), WM_LBUTTONDOWN,
                       MK_LBUTTON, 0);
        return true;
      case VK_F9:
      case VK_SPACE:
      case VK_ESCAPE:
      case VK_HOME:
      case VK_END:
      case VK_RETURN:
        if (repeat) return true;
        if (key == VK_F9) play();
        if (key == VK_SPACE) (player_.state() & kPlayerScrubBit) ? play() : scrub();
        if (key == VK_ESCAPE) stop();
        if (key == VK_HOME) go_to_start();
        if (key == VK_END) go_to_end();
        if (key == VK_RETURN) DestroyWindow(window_);
        return true;
    }
    return false;
  }
  if (message.message == WM_KEYUP && (key == VK_LEFT || key == VK_RIGHT)) {
    SendMessageA(GetDlgItem(window_, key == VK_LEFT ? IDC_PLAY_REWIND : IDC_PLAY_FORWARD), WM_LBUTTONUP, 0, 0);
    return true;
  }
  if (message.message == WM_SYSKEYDOWN && (key == VK_F9 || key == VK_F10)) {
    if (repeat) return true;
    if (key == VK_F9 && (message.lParam & (1 << 29)))
      play_end();
    else if (key == VK_F10)
      scrub();
    return true;
  }
  return false;
}

INT_PTR PlayDialog::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lparam) == GetDlgItem(window_, IDC_PLAY_SCROLL)) scroll(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window_);
      return TRUE;
    case WM_DESTROY:
      end();
      return FALSE;
  }
  return Dialog::handle(message, wparam, lparam);
}

bool PlayDialog::on_init() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const signed char silent = -127;
  set_levels(GetDlgItem(window_, IDC_PLAY_METER), 1, &silent);
  HWND wave = GetDlgItem(window_, IDC_PLAY_WAVE);
  waveform_.attach(wave);
  EnableWindow(wave, FALSE);

  SetDlgItemTextA(window_, IDC_PLAY_NAME, item_->name.c_str());
  EnableWindow(GetDlgItem(window_, IDC_PLAY_NAME), FALSE);

  stored_ = load_player_settings(settings_);
  set_slider_value(window_, IDC_PLAY_VOLUME, stored_.volume_db);
  const int dpi = dpi_of(window_);
  bold_font_.reset(CreateFontA(scale(16, dpi), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Shell Dlg"));
  SendDlgItemMessageA(window_, IDC_PLAY_TIME, WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_.get()), FALSE);
  for (int id : {IDC_PLAY_REWIND, IDC_PLAY_FORWARD})
    SetWindowSubclass(GetDlgItem(window_, id), cue_button_procedure, 1, reinterpret_cast<DWORD_PTR>(this));
  tooltips_.create(window_);
  for (size_t i = 0; i < sizeof kTransportButtons / sizeof kTransportButtons[0]; ++i) {
    const TransportButton& button = kTransportButtons[i];
    // The 16 x 16 pictures, enlarged by whole pixels for the window's DPI.
    bitmaps_[i].reset(load_scaled_bitmap(instance, button.bitmap, scale(16, dpi), scale(16, dpi), false));
    make_picture_button(GetDlgItem(window_, button.id), bitmaps_[i].get(), false, &tooltips_, button.tooltip);
  }
  for (const auto& other : kOtherTooltips) tooltips_.add(GetDlgItem(window_, other.id), other.tooltip);
  SetScrollRange(GetDlgItem(window_, IDC_PLAY_SCROLL), SB_CTL, 0, 100, FALSE);

  HWND devices = GetDlgItem(window_, IDC_PLAY_DEVICE);
  SendMessageA(devices, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(output_device_name(0).c_str()));
  for (int i = 0, count = output_device_count(); i < count; ++i)
    SendMessageA(devices, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(output_device_name(i + 1).c_str()));
  SendMessageA(devices, CB_SETCURSEL, static_cast<WPARAM>(stored_.device), 0);
  LRESULT selected = SendMessageA(devices, CB_GETCURSEL, 0, 0);
  player_.device = selected > 0 ? static_cast<uint32_t>(selected) : 0;
  player_.set_listener(this, 0);
  apply_output_volume(static_cast<int>(player_.device) - 1, stored_.volume_db, 0);
  load_item();
  return true;
}

// Learns the item's length and rate, plays it from the start and shows its waveform.
void PlayDialog::load_item() {
  SourceRef stream = item_->open_stream();
  rate_ = stream->sample_rate;
  length_ms_ = frames_to_ms32(stream->length(), rate_);
  show_position(0);
  play();
  if (!waveform_.running()) {
    SourceRef picture = item_->open_stream();
    waveform_.set_length(picture->length());
    waveform_.load(picture);
    show_position(length_ms_);
  }
  refresh_buttons();
}

void PlayDialog::switch_to(std::unique_ptr<PlayItem> item) {
  if (!window_ || !item) return;
  if (cueing_) ReleaseCapture();
  cueing_ = false;
  cue_resume_ = 0;
  player_.close();
  waveform_.unload();
  switched_item_ = std::move(item);
  item_ = switched_item_.get();
  SetDlgItemTextA(window_, IDC_PLAY_NAME, item_->name.c_str());
  position_ms_ = 0;
  load_item();
}

void PlayDialog::end() {
  // Both workers are told at once, so that a file that hangs costs one wait, not two.
  waveform_.request_stop();
  player_.set_listener(nullptr, 0);
  const DWORD started = GetTickCount();
  player_.close();
  const DWORD spent = GetTickCount() - started;
  waveform_.unload(spent < 5000 ? 5000 - spent : 0);
  LRESULT selected = SendDlgItemMessageA(window_, IDC_PLAY_DEVICE, CB_GETCURSEL, 0, 0);
  stored_.device = selected > 0 ? static_cast<int32_t>(selected) : 0;
  stored_.volume_db = static_cast<int8_t>(slider_value(GetDlgItem(window_, IDC_PLAY_VOLUME)));
  save_player_settings(settings_, stored_);
  tooltips_.destroy();
  for (int id : {IDC_PLAY_REWIND, IDC_PLAY_FORWARD})
    RemoveWindowSubclass(GetDlgItem(window_, id), cue_button_procedure, 1);
  SendDlgItemMessageA(window_, IDC_PLAY_TIME, WM_SETFONT, 0, FALSE);
  bold_font_.reset();
}

bool PlayDialog::on_command(int id, int code) {
  switch (id) {
    case IDC_PLAY_PLAY:
      if (code == BN_CLICKED) play();
      break;
    case IDC_PLAY_SCRUB:
      if (code == BN_CLICKED) scrub();
      break;
    case IDC_PLAY_STOP:
      if (code == BN_CLICKED) stop();
      break;
    case IDC_PLAY_START:
      if (code == BN_CLICKED) go_to_start();
      break;
    case IDC_PLAY_END:
      if (code == BN_CLICKED) go_to_end();
      break;
    case IDC_PLAY_REWIND:
    case IDC_PLAY_FORWARD:
      if (code == kCuePressed) cue_begin(id == IDC_PLAY_FORWARD);
      if (code == kCueReleased) cue_end();
      break;
    case IDC_PLAY_WAVE:
      if (code == kWaveWindowClicked) waveform_clicked();
      break;
    case IDC_PLAY_DEVICE:
      if (code == CBN_SELCHANGE) {
        LRESULT selected = SendDlgItemMessageA(window_, IDC_PLAY_DEVICE, CB_GETCURSEL, 0, 0);
        player_.device = selected > 0 ? static_cast<uint32_t>(selected) : 0;  // at the next Open
      }
      break;
    case IDC_PLAY_VOLUME:
      if (code == kDbSliderChanged)
        apply_output_volume(static_cast<int>(player_.device) - 1, slider_value(GetDlgItem(window_, IDC_PLAY_VOLUME)), 0);
      break;
    case IDOK:
    case IDCANCEL:
      // Enter and Esc reach the panel as keys (translate_key); these come only from the
      // system menu or a default-button press.
      if (id == IDOK) DestroyWindow(window_);
      break;
  }
  return true;
}

void PlayDialog::scroll(int code, int thumb) {
  switch (code) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
      move_to(step_back_ms(position_ms_));
      break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
      move_to(step_forward_ms(position_ms_));
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      move_to(ms_at_percent(length_ms_, thumb));
      break;
    case SB_TOP:
      go_to_start();
      break;
    case SB_BOTTOM:
      go_to_end();
      break;
  }
}

bool PlayDialog::open_for_play(SourceRef& stream) {
  stream = item_->open_stream();
  if (stream->status != kSourceOk) return false;
  rate_ = stream->sample_rate;
  length_ms_ = frames_to_ms32(stream->length(), rate_);
  return true;
}

void PlayDialog::play() {
  if (player_.state() & kPlayerScrubBit) {
    player_.play();
  } else {
    player_.close();
    SourceRef stream;
    if (open_for_play(stream)) {
      if (position_ms_ != 0) stream->seek(ms_to_frames(position_ms_, rate_));
      player_.open(stream);
    }
  }
  refresh_buttons();
}

void PlayDialog::play_end() {
  player_.close();
  SourceRef stream;
  if (open_for_play(stream)) {
    show_position(play_end_start_ms(length_ms_));
    stream->seek(ms_to_frames(position_ms_, rate_));
    player_.open(stream);
  }
  refresh_buttons();
}

void PlayDialog::scrub() {
  if (player_.state() == kPlayerClosed) play();
  player_.scrub();
  refresh_buttons();
}

void PlayDialog::stop() {
  player_.close();
  refresh_buttons();
}

void PlayDialog::go_to_start() {
  show_position(0);
  if (player_.state() != kPlayerClosed) player_.seek(0);
}

void PlayDialog::go_to_end() {
  if (player_.state() != kPlayerClosed) {
    move_to(end_button_ms(length_ms_));
  } else {
    show_position(length_ms_);
  }
}

void PlayDialog::move_to(int32_t ms) {
  show_position(ms);
  if (player_.state() != kPlayerClosed) player_.seek(ms_to_frames(position_ms_, rate_));
}

void PlayDialog::waveform_clicked() {
  int32_t frame = waveform_.cursor();
  if (player_.state() != kPlayerClosed)
    player_.seek(std::max(frame, 0));
  else
    show_position(frames_to_ms32(std::max(frame, 0), rate_));
}

// Holding rewind or forward plays the recording through the tempo filter from the panel
// position; releasing resumes what was going on before, from where the cue got to.
void PlayDialog::cue_begin(bool forward) {
  if (cueing_ && cue_forward_ == forward) return;
  if (cueing_) cue_end();
  const uint16_t state = player_.state();
  cue_resume_ = state == kPlayerClosed ? 0 : (state & kPlayerScrubBit) ? 1 : 2;
  player_.close();
  SourceRef stream;
  if (!open_for_play(stream)) return;
  stream->seek(ms_to_frames(position_ms_, rate_));
  CueSpeeds speeds = cue_speeds(forward, cue_resume_ == 1);
  cueing_ = true;
  cue_forward_ = forward;
  player_.open(SourceRef(new TempoFilter(stream, speeds.start, speeds.end, kCueGlideMs)));
  refresh_buttons();
}

void PlayDialog::cue_end() {
  if (!cueing_) return;
  player_.close();
  const int resume = cue_resume_;
  cueing_ = false;
  cue_resume_ = 0;
  if (resume == 1) scrub();
  if (resume == 2) play();
  refresh_buttons();
}

void PlayDialog::show_position(int32_t ms) {
  if (!window_) return;
  const int32_t p = std::max(ms, 0);
  position_ms_ = p;
  SetDlgItemTextA(window_, IDC_PLAY_TIME, time_text(p).c_str());
  SetScrollPos(GetDlgItem(window_, IDC_PLAY_SCROLL), SB_CTL, scroll_percent(p, length_ms_), TRUE);
  if (waveform_.running() && rate_ > 0) {
    const int32_t frame = ms_to_frames(p, rate_);
    const int32_t span = (player_.state() & kPlayerScrubBit) ? ms_to_frames(25, rate_) : 0;
    waveform_.set_cursor(frame, span);
    waveform_.request(std::max(frame - rate_, 0), 2 * rate_);
  }
}

void PlayDialog::refresh_buttons() {
  if (!window_) return;
  const uint16_t state = player_.state();
  CheckDlgButton(window_, IDC_PLAY_PLAY, state != kPlayerClosed && !(state & kPlayerScrubBit) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, IDC_PLAY_SCRUB, (state & kPlayerScrubBit) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, IDC_PLAY_STOP, state == kPlayerClosed ? BST_CHECKED : BST_UNCHECKED);
}

void PlayDialog::on_stopped(uint32_t) {
  if (!window_) return;
  const signed char silent = -127;
  set_levels(GetDlgItem(window_, IDC_PLAY_METER), 1, &silent);
  refresh_buttons();
}

void PlayDialog::on_levels(const LevelRecord& levels, uint32_t) {
  if (!window_ || player_.state() == kPlayerClosed) return;
  set_levels(GetDlgItem(window_, IDC_PLAY_METER), levels.channel_count,
             reinterpret_cast<const signed char*>(levels.db));
}

void PlayDialog::on_device_refused(uint32_t) {
  if (window_) MessageBoxA(window_, kDeviceRefusedText, nullptr, MB_OK | MB_ICONERROR);
}

// A press on rewind or forward starts the cue and its release ends it; the button's
// own handling follows as usual.
LRESULT CALLBACK PlayDialog::cue_button_procedure(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                                  UINT_PTR, DWORD_PTR) {
  if (message == WM_LBUTTONDOWN) {
    SetCapture(button);
    SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), kCuePressed),
                 reinterpret_cast<LPARAM>(button));
  } else if (message == WM_LBUTTONUP) {
    SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), kCueReleased),
                 reinterpret_cast<LPARAM>(button));
  }
  return DefSubclassProc(button, message, wparam, lparam);
}

}  // namespace vt

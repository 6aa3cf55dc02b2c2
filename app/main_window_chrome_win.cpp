// The main window's chrome: toolbars, status bar, tooltips, menu, the drawn record
// buttons, the layout and the keys. The recorder itself is in recorder_win.cpp.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>

#include "app/main_window_res.h"
#include "app/main_window_win.h"
#include "base/paths.h"
#include "app/program_hooks_win.h"
#include "gui/options_sheet_win.h"
#include "setup/companions_win.h"
#include "win/settings_win.h"
#include "ui/format_chooser_win.h"
#include "gui/mp3_encode_dlg_win.h"
#include "recorder/recording_format_win.h"
#include "formats/recording_formats.h"
#include "formats/wave_format.h"
#include "ui/custom_panel_win.h"
#include "ui/tooltips_win.h"
#include "ui/dpi_win.h"
#include "ui/help_win.h"

namespace vt {

namespace {

const int kWindowWidth = 400;
// The record buttons in row order, with their ShowButtons bits, menu items and icons.
struct RecordButton {
  int id, bit, menu_id, icon;
  const char* tooltip;
};
const RecordButton kRecordButtons[4] = {
    {IDC_RECORD, kShowRecordButton, IDM_SHOW_RECORD, IDI_RECORD, "Commencer l'Enregistrement (F5)"},
    {IDC_PAUSE, kShowPauseButton, IDM_SHOW_PAUSE, IDI_PAUSE, "Suspendre l'Enregistrement (F6)"},
    {IDC_RESTART, kShowRestartButton, IDM_SHOW_RESTART, IDI_RESTART, "Aller au Début (Accueil)"},
    {IDC_STOP, kShowStopButton, IDM_SHOW_STOP, IDI_STOP, "Stop et Repère (F7)"},
};
const COLORREF kMenuColour = RGB(225, 226, 235);

// What the status bar shows in turn, one line every 8 seconds.
const char* const kStatusLines[] = {
    "Vocatrack Sound Recorder 2.01 - l'enregistreur de sons simple et fiable",
    "Astuce : F5 enregistre, F6 suspend, F7 termine et marque l'enregistrement",
    "Astuce : l'activation vocale n'enregistre que lorsque vous parlez",
    "Astuce : vos enregistrements peuvent partir par e-mail ou FTP dès leur fin",
    "Trimwell : retouchez vos enregistrements avec notre éditeur audio",
    "Discwright : gravez vos enregistrements sur CD en un clic",
};

struct ToolbarButton {
  int command;
  const char* label;
  const char* tooltip;
  BYTE style;
};
const ToolbarButton kToolbarButtons[3] = {
    {IDT_RECORDINGS_LIST, "Liste de lecture", "Lire et Gérer les Enregistrements dans le Répertoire de Destination",
     BTNS_CHECK},
    {IDT_OPTIONS, "Options", "Options", BTNS_BUTTON},
    {IDT_HELP, "Aide", "Afficher le manuel", BTNS_BUTTON},
};

// Measured whether or not the window is shown yet (the first layout runs before it is).
int window_height(HWND window) {
  if (!window) return 0;
  RECT r;
  GetWindowRect(window, &r);
  return r.bottom - r.top;
}

}  // namespace

void MainWindow::create_chrome() {
  HINSTANCE instance = instance_;
  tooltips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);
  for (const RecordButton& button : kRecordButtons)
    add_tooltip(tooltips_, window_, GetDlgItem(window_, button.id), button.tooltip);

  main_toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                                  WS_CHILD | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                      CCS_NORESIZE | CCS_NOPARENTALIGN,
                                  0, 0, kWindowWidth, 26, window_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_TOOLBAR)), instance, nullptr);
  SendMessageA(main_toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(main_toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  for (const ToolbarButton& entry : kToolbarButtons) {
    TBBUTTON button = {};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = entry.command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = static_cast<BYTE>(entry.style | BTNS_AUTOSIZE | BTNS_SHOWTEXT);
    button.iString = reinterpret_cast<INT_PTR>(entry.label);
    SendMessageA(main_toolbar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
  }
  SendMessageA(main_toolbar_, TB_AUTOSIZE, 0, 0);
  if (HWND toolbar_tips = reinterpret_cast<HWND>(SendMessageA(main_toolbar_, TB_GETTOOLTIPS, 0, 0))) {
    for (const ToolbarButton& entry : kToolbarButtons) {
      TOOLINFOA info = {};
      info.cbSize = sizeof info;
      info.hwnd = main_toolbar_;
      info.uId = entry.command;
      info.lpszText = const_cast<char*>(entry.tooltip);
      SendMessageA(toolbar_tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
    }
  }

  status_bar_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), instance, nullptr);

  {
    shell_font_.reset(CreateFontA(-MulDiv(9, dpi_of(window_), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                  DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, DEFAULT_PITCH, "MS Shell Dlg"));
  }
  SendDlgItemMessageA(window_, IDC_FORMAT_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(shell_font_.get()), TRUE);
  SendDlgItemMessageA(window_, IDC_FORMAT_BUTTON, WM_SETFONT, reinterpret_cast<WPARAM>(shell_font_.get()), TRUE);
  add_tooltip(tooltips_, window_, GetDlgItem(window_, IDC_FORMAT_LIST), "Cliquez pour sélectionner le format de sortie");
  add_tooltip(tooltips_, window_, GetDlgItem(window_, IDC_FORMAT_BUTTON),
              "Cliquez pour modifier les paramètres de format");
  fill_format_list();

  // The menu's background colour, where user32 offers it.
  menu_brush_.reset(CreateSolidBrush(kMenuColour));
  MENUINFO menu_info = {};
  menu_info.cbSize = sizeof menu_info;
  menu_info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
  menu_info.hbrBack = menu_brush_.get();
  SetMenuInfo(GetMenu(window_), &menu_info);

  // The web site's pages go into the help menu before "A propos de...", then a separator.
  HMENU help = GetSubMenu(GetMenu(window_), GetMenuItemCount(GetMenu(window_)) - 1);
  for (int i = 0; i < kWebMenuEntryCount; ++i)
    InsertMenuA(help, IDM_ABOUT, MF_BYCOMMAND | MF_STRING, IDM_WEB_FIRST + i, kWebMenuEntries[i].label);
  InsertMenuA(help, IDM_ABOUT, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
}

void MainWindow::fill_format_list() {
  HWND list = GetDlgItem(window_, IDC_FORMAT_LIST);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (const RecordingFormatRow& row : kRecordingFormats)
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.name));
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(read_setting(kFormat)), 0);
}

void MainWindow::show_next_status_line() {
  const size_t count = sizeof kStatusLines / sizeof kStatusLines[0];
  SendMessageA(status_bar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(kStatusLines[status_line_ % count]));
  status_line_ = (status_line_ + 1) % count;
}

// Sizes are those of 96 DPI, scaled to the window's.
void MainWindow::layout() {
  const int dpi = dpi_of(window_);
  auto px = [dpi](int size) { return scale(size, dpi); };
  const int width = px(kWindowWidth);
  const int buttons = read_setting(kShowButtons);
  const bool main_toolbar = read_setting(kShowMainToolbar);
  const bool format_toolbar = read_setting(kShowFormatToolbar);
  RECT toolbar_rect = {};
  SendMessageA(main_toolbar_, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&toolbar_rect));
  const int toolbar_height = toolbar_rect.bottom > 0 ? toolbar_rect.bottom + 2 : px(26);
  RECT list_rect;
  GetWindowRect(GetDlgItem(window_, IDC_FORMAT_LIST), &list_rect);
  const int format_height = list_rect.bottom - list_rect.top + 2;

  int height = px(177) + (main_toolbar ? toolbar_height : 0) + (format_toolbar ? format_height : 0);
  if (buttons == 0) height -= px(32);
  // The layout's sizes are those of the client area, inside the caption, menu and frame.
  RECT frame = {0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)), GetMenu(window_) != nullptr,
                     static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
  SetWindowPos(window_, nullptr, read_setting(kMainWindowX), read_setting(kMainWindowY), frame.right - frame.left,
               frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(window_, &client);
  if (client.bottom != height) {
    // A menu bar that wrapped onto two lines: grow by the difference.
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + height - client.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    GetClientRect(window_, &client);
  }
  const int client_height = client.bottom;

  SendMessageA(status_bar_, WM_SIZE, 0, 0);
  const int status_height = window_height(status_bar_);
  MoveWindow(status_bar_, 0, client_height - status_height, width, status_height, TRUE);
  int remaining = client_height - status_height;

  HMENU menu = GetMenu(window_);
  int x = px(2);
  for (const RecordButton& entry : kRecordButtons) {
    HWND button = GetDlgItem(window_, entry.id);
    const bool shown = buttons != 0 && (buttons & entry.bit) != 0;
    CheckMenuItem(menu, entry.menu_id, MF_BYCOMMAND | (shown ? MF_CHECKED : MF_UNCHECKED));
    ShowWindow(button, shown ? SW_SHOW : SW_HIDE);
    if (shown) {
      MoveWindow(button, x, remaining - px(32), px(entry.id == IDC_STOP ? 96 : 98), px(30), TRUE);
      x += px(100);
    }
  }
  if (buttons != 0) remaining -= px(32);

  CheckMenuItem(menu, IDM_MAIN_TOOLBAR, MF_BYCOMMAND | (main_toolbar ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(menu, IDM_FORMAT_TOOLBAR, MF_BYCOMMAND | (format_toolbar ? MF_CHECKED : MF_UNCHECKED));
  int top = 0;
  ShowWindow(main_toolbar_, main_toolbar ? SW_SHOW : SW_HIDE);
  if (main_toolbar) {
    MoveWindow(main_toolbar_, 0, 0, width, toolbar_height, TRUE);
    top = toolbar_height;
  }
  const int format_show = format_toolbar ? SW_SHOW : SW_HIDE;
  for (int id : {IDC_FORMAT_TOOLBAR, IDC_FORMAT_LIST, IDC_FORMAT_BUTTON, IDC_FORMAT_SEPARATOR})
    ShowWindow(GetDlgItem(window_, id), format_show);
  if (format_toolbar) {
    MoveWindow(GetDlgItem(window_, IDC_FORMAT_TOOLBAR), 0, top, width, format_height, TRUE);
    MoveWindow(GetDlgItem(window_, IDC_FORMAT_LIST), 1, top + 1, px(120), px(100), TRUE);
    MoveWindow(GetDlgItem(window_, IDC_FORMAT_BUTTON), px(124), top + 1, px(90), format_height - 2, TRUE);
    top += format_height;
    MoveWindow(GetDlgItem(window_, IDC_FORMAT_SEPARATOR), 0, top, width, 1, TRUE);
  }
  MoveWindow(panel_.window(), 0, top + 1, width, remaining - top - 2, TRUE);
  RECT panel;
  GetClientRect(panel_.window(), &panel);
  panel_.set_panel_size(panel.right, panel.bottom);
  panel_.set_dpi(dpi);
  panel_.place_meter();
}

void MainWindow::on_dpi_changed() {
  shell_font_.reset(CreateFontA(-MulDiv(9, dpi_of(window_), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                DEFAULT_QUALITY, DEFAULT_PITCH, "MS Shell Dlg"));
  SendDlgItemMessageA(window_, IDC_FORMAT_LIST, WM_SETFONT, reinterpret_cast<WPARAM>(shell_font_.get()), TRUE);
  SendDlgItemMessageA(window_, IDC_FORMAT_BUTTON, WM_SETFONT, reinterpret_cast<WPARAM>(shell_font_.get()), TRUE);
  SendMessageA(main_toolbar_, TB_AUTOSIZE, 0, 0);
  layout();
}

void MainWindow::refresh_controls() {
  if (!window_) return;  // Quitter: the window went while its command ran
  // The format can change only while no file is open.
  const bool idle = !recorder_.file_open();
  HWND list = GetDlgItem(window_, IDC_FORMAT_LIST);
  const int selected = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
  if (!idle && GetFocus() == list) SetFocus(GetDlgItem(window_, IDC_RECORD));
  EnableWindow(list, idle);
  const RecordingFormatRow* format = recording_format(selected);
  EnableWindow(GetDlgItem(window_, IDC_FORMAT_BUTTON), idle && (!format || format->options != FormatOptions::kNone));
  for (const RecordButton& entry : kRecordButtons) InvalidateRect(GetDlgItem(window_, entry.id), nullptr, FALSE);
}

void MainWindow::draw_record_button(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return;
  const int id = static_cast<int>(item.CtlID);
  int icon = IDI_RECORD;
  for (const RecordButton& entry : kRecordButtons)
    if (entry.id == id) icon = entry.icon;
  bool pressed = (item.itemState & ODS_SELECTED) != 0;
  if (id == IDC_RECORD) {
    pressed = recorder_.record_lit();
    if (pressed) icon = IDI_RECORD_LIT;
  } else if (id == IDC_PAUSE) {
    pressed = recorder_.pause_lit();
  }
  RECT r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(item.hDC, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  const int shift = pressed ? 1 : 0;
  const int dpi = dpi_of(item.hwndItem), side = scale(16, dpi);
  // The icon files hold 32 x 32 pictures beside the 16 x 16 ones for large DPIs.
  HICON picture = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(icon), IMAGE_ICON, side, side, 0));
  if (picture) {
    DrawIconEx(item.hDC, r.left + scale(8, dpi) + shift, (r.top + r.bottom - side) / 2 + shift, picture, side, side, 0,
               nullptr, DI_NORMAL);
    DestroyIcon(picture);
  }
  char label[32];
  GetWindowTextA(item.hwndItem, label, sizeof label);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  RECT text = {r.left + scale(28, dpi) + shift, r.top + shift, r.right + shift, r.bottom + shift};
  DrawTextA(item.hDC, label, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -scale(3, dpi), -scale(3, dpi));
    DrawFocusRect(item.hDC, &focus);
  }
}

void MainWindow::show_help() { open_help(window_, kHelpContents); }

void MainWindow::toggle_recordings_list() {
  const bool checked = SendMessageA(main_toolbar_, TB_ISBUTTONCHECKED, IDT_RECORDINGS_LIST, 0) != 0;
  SendMessageA(main_toolbar_, TB_CHECKBUTTON, IDT_RECORDINGS_LIST, MAKELONG(!checked, 0));
  if (!checked)
    list().open();
  else
    list().close();
}

void MainWindow::show_options(int page) {
  // The dialog takes the hotkeys away while it is open and gives them back.
  const EncoderSettings stored = load_encoder_settings(recorder_.mp3_store());
  const bool must_close = show_options_dialog(window_, page, &program_hooks_) == OptionsOutcome::kExitRequested;
  // Settings the output page stored replace those in use; otherwise values that switches
  // set for this run stay.
  const EncoderSettings now = load_encoder_settings(recorder_.mp3_store());
  const bool same = stored.constant_bit_rate == now.constant_bit_rate && stored.bit_rate == now.bit_rate &&
                    stored.high_quality == now.high_quality && stored.min_bit_rate == now.min_bit_rate &&
                    stored.max_bit_rate == now.max_bit_rate && stored.quality == now.quality &&
                    stored.error_protection == now.error_protection && stored.channel_mode == now.channel_mode;
  if (!same) recorder_.reload_mp3_settings();
  fill_format_list();
  show_format_text();
  check_schedule();  // the "Programmation" page may have changed the entries
  if (must_close) recorder_.exit();
}

void MainWindow::change_format_settings() {
  const RecordingFormatRow* format =
      recording_format(static_cast<int>(SendDlgItemMessageA(window_, IDC_FORMAT_LIST, CB_GETCURSEL, 0, 0)));
  if (format && format->options == FormatOptions::kCodecFormat) {
    FormatBuffer record = stored_recording_format();
    if (choose_codec_format(record)) save_recording_format(record);
  } else if (format && format->options == FormatOptions::kEncoder) {
    show_encoder_dialog(recorder_.mp3_settings(), window_, recorder_.mp3_store());
  }
  show_format_text();
}

bool MainWindow::on_chrome_command(int id, int notification) {
  switch (id) {
    case IDC_FORMAT_LIST:
      if (notification == CBN_SELCHANGE) {
        int format = static_cast<int>(SendDlgItemMessageA(window_, IDC_FORMAT_LIST, CB_GETCURSEL, 0, 0));
        if (format >= 0) recorder_.set_format(format);
      }
      return true;
    case IDC_FORMAT_BUTTON: change_format_settings(); return true;
    case IDT_RECORDINGS_LIST:
      // The toolbar has already flipped its check mark.
      if (SendMessageA(main_toolbar_, TB_ISBUTTONCHECKED, IDT_RECORDINGS_LIST, 0))
        list().open();
      else
        list().close();
      return true;
    case IDM_SHOW_LIST: toggle_recordings_list(); return true;
    case IDM_OPTIONS: show_options(0); return true;
    case IDM_OPTIONS_RECORD: case IDM_OPTIONS_OUTPUT: case IDM_OPTIONS_SEND: case IDM_OPTIONS_GENERAL:
      show_options(id - IDM_OPTIONS_RECORD);
      return true;
    case IDM_SETUP_WIZARD:
      if (SetupWizard* wizard = recorder_.neighbours().wizard) wizard->run();
      return true;
    case IDM_LAUNCH_EDITOR: case IDM_LAUNCH_BURNER: case IDM_LAUNCH_RIPPER: case IDM_LAUNCH_CONVERTER:
      launch_from_menu(id, list().is_open() ? list().selected_path() : std::string(), window_);
      return true;
    case IDM_MAIN_TOOLBAR: write_setting(kShowMainToolbar, !read_setting(kShowMainToolbar)); layout(); return true;
    case IDM_FORMAT_TOOLBAR:
      write_setting(kShowFormatToolbar, !read_setting(kShowFormatToolbar));
      layout();
      return true;
    case IDM_SHOW_ALL: write_setting(kShowButtons, kShowAllButtons); layout(); return true;
    case IDM_HIDE_ALL: write_setting(kShowButtons, 0); layout(); return true;
    case IDT_HELP: case IDM_HELP_CONTENTS: show_help(); return true;
    case IDM_ABOUT: show_about_box(window_); return true;
    default: break;
  }
  for (const RecordButton& entry : kRecordButtons) {
    if (entry.menu_id == id) {
      write_setting(kShowButtons, read_setting(kShowButtons) ^ entry.bit);
      layout();
      return true;
    }
  }
  if (id >= IDM_WEB_FIRST && id < IDM_ABOUT) {
    open_web_menu_page(id - IDM_WEB_FIRST);
    return true;
  }
  return false;
}

bool MainWindow::handle_key(int key_code) {
  switch (key_code) {
    case VK_F5: recorder_.record(); return true;
    case VK_F6: recorder_.pause(); return true;
    case VK_HOME: recorder_.restart(); return true;
    case VK_F7: recorder_.stop_and_mark(); return true;
    case VK_F1: show_help(); return true;
    case 'L' | kKeyCtrl: toggle_recordings_list(); return true;
    case VK_F9: case VK_F2: case VK_DELETE: case 'E' | kKeyCtrl: case 'S' | kKeyCtrl:
      // The recordings list's keys act only while it is open.
      if (!list().is_open()) return false;
      list().list_key(key_code);
      return true;
    default:
      return false;
  }
}

}  // namespace vt

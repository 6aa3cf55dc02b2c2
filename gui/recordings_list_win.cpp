#include "gui/recordings_list_win.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>

#include "base/paths.h"
#include "base/product_name.h"
#include "formats/recording_formats.h"
#include "gui/list_peers_win.h"
#include "gui/recordings_list_res.h"
#include "gui/recording_save_as_win.h"
#include "library/list_hand_over.h"
#include "library/list_placement.h"
#include "setup/companions_win.h"
#include "ui/dpi_win.h"
#include "ui/help_win.h"
#include "win/settings_win.h"

namespace vt {

namespace {

const COLORREF kMenuColour = RGB(225, 226, 235);
const COLORREF kStripeColour = RGB(245, 245, 245);
const char* const kStatusText = kProductNameAndVersion;
const int kHelpContext = 105;
const int kKeyCtrl = 0x20000;
// Plays the selected row from the message loop (see play()).
const UINT kPlaySelectedMessage = WM_APP + 1;

// Placement of the window (user hive).
const IntSetting kListX = {kSectionPlayListDialog, "X", Hive::User, 160};
const IntSetting kListY = {kSectionPlayListDialog, "Y", Hive::User, 80};
const IntSetting kListWidth = {kSectionPlayListDialog, "Width", Hive::User, 600};
const IntSetting kListHeight = {kSectionPlayListDialog, "Height", Hive::User, 242};
const BoolSetting kListMaximized = {kSectionPlayListDialog, "Maximized", Hive::User, false};

struct Column {
  const char* header;
  int width;
};
const Column kColumns[kListColumnCount] = {
    {"Nom", 100}, {"Format", 50}, {"Date de Création", 120}, {"Taille", 60}};

struct ToolButton {
  int command;
  int bitmap;
  const char* label;
  const char* tooltip;
};
// In toolbar order; a null label stands for the separator.
const ToolButton kToolButtons[] = {
    {IDM_LIST_PLAY, IDB_LIST_PLAY, "Lire", "Reproduire le fichier sélectionné (F9)"},
    {IDM_LIST_EDIT, IDB_LIST_EDIT, "Editer", "Editer le fichier sélectionné (Ctrl+E)"},
    {IDM_LIST_RENAME, IDB_LIST_RENAME, "Renommer", "Renommer le fichier sélectionné (F2)"},
    {IDM_LIST_DELETE, IDB_LIST_DELETE, "Supprimer", "Supprimer les fichiers sélectionnés (Del)"},
    {IDM_LIST_SAVE_AS, IDB_LIST_SAVE_AS, "Enregistrer Sous",
     "Enregistrer le fichier sélectionné sous un nouveau nom (Ctrl+S)"},
    {0, 0, nullptr, nullptr},
    {IDM_LIST_CONVERT, IDB_LIST_CONVERT, "Convertir", "Convertir les fichiers sélectionnés dans un autre format"},
    {IDM_LIST_AUDIO_CD, IDB_LIST_BURN, "Graver", "Copier les fichiers sélectionnés sur le CD"},
};

// Commands that need a selected row.
const int kToolbarSelectionCommands[] = {IDM_LIST_PLAY,    IDM_LIST_EDIT,    IDM_LIST_RENAME,  IDM_LIST_DELETE,
                                         IDM_LIST_SAVE_AS, IDM_LIST_AUDIO_CD, IDM_LIST_CONVERT};
const int kMenuSelectionCommands[] = {IDM_LIST_PLAY,     IDM_LIST_EDIT,    IDM_LIST_RENAME,
                                      IDM_LIST_DELETE,   IDM_LIST_SAVE_AS, IDM_LIST_AUDIO_CD,
                                      IDM_LIST_DATA_CD,  IDM_LIST_EDIT_TAGS, IDM_LIST_CONVERT};

ScreenRect desktop_rect() {
  RECT r;
  GetWindowRect(GetDesktopWindow(), &r);
  return ScreenRect{r.left, r.top, r.right, r.bottom};
}

// Common controls 6 draw sort arrows themselves; older ones get shell32's pictures.
bool has_header_sort_arrows() {
  HMODULE comctl = GetModuleHandleA("comctl32.dll");
  typedef HRESULT(CALLBACK * DllGetVersionFunction)(DLLVERSIONINFO*);
  DllGetVersionFunction get = comctl ? reinterpret_cast<DllGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion"))) : nullptr;
  DLLVERSIONINFO info = {};
  info.cbSize = sizeof info;
  return get && SUCCEEDED(get(&info)) && info.dwMajorVersion >= 6;
}

// A column's width at the window's DPI, widened where the list's font needs more for
// the header (with its sort arrow) or the column's longest usual text: the system's
// stand-in for the dialog font may be wider than the font the widths were made for.
int column_width(HWND list, int column, int dpi) {
  static const char* const kLongestTexts[kListColumnCount] = {"", "AIFF", "0000-00-00 00:00:00", "000000 KB"};
  auto text_width = [list](const char* text) {
    return static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
  };
  const int header = text_width(kColumns[column].header) + scale(28, dpi);
  const int content = text_width(kLongestTexts[column]) + scale(14, dpi);
  return std::max(scale(kColumns[column].width, dpi), column == 0 ? 0 : std::max(header, content));
}

HBITMAP old_sort_arrow(bool ascending) {
  static HBITMAP arrows[2] = {};
  static bool loaded = false;
  if (!loaded) {
    loaded = true;
    HMODULE shell = LoadLibraryA("shell32.dll");  // kept for the process's life
    if (shell) {
      arrows[0] = static_cast<HBITMAP>(LoadImageA(shell, MAKEINTRESOURCEA(133), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
      arrows[1] = static_cast<HBITMAP>(LoadImageA(shell, MAKEINTRESOURCEA(134), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    }
  }
  return arrows[ascending ? 0 : 1];
}

void info_box(HWND owner, const char* text, const char* caption) {
  MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

RecordingsListWindow::RecordingsListWindow(HINSTANCE instance, std::function<HWND()> owner)
    : instance_(instance), owner_of_(owner) {}

RecordingsListWindow::~RecordingsListWindow() {
  if (window_) DestroyWindow(window_);
  if (images_) ImageList_Destroy(images_);
}

void RecordingsListWindow::open() {
  if (window_) {
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    SetActiveWindow(window_);
    return;
  }
  owner_ = owner_of_ ? owner_of_() : nullptr;
  if (create_modeless(owner_, MAKEINTRESOURCEA(IDD_RECORDINGS_LIST))) ShowWindow(window_, SW_SHOW);
}

void RecordingsListWindow::close() {
  if (!window_) return;
  save_placement();
  if (owner_) SendMessageA(owner_, kListClosedMessage, 0, 0);
  DestroyWindow(window_);
}

void RecordingsListWindow::destroyed() {
  list_ = toolbar_ = status_ = tooltips_ = nullptr;
  // The toolbar has gone with the window; the next opening makes its own pictures.
  if (images_) ImageList_Destroy(images_);
  images_ = nullptr;
  if (owner_) SendMessageA(owner_, kListClosedMessage, 0, 0);
}

INT_PTR RecordingsListWindow::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      layout(wparam);
      return TRUE;
    case 0x02E0: {  // WM_DPICHANGED: the suggested rectangle keeps the window's look
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return TRUE;
    }
    case WM_NOTIFY:
      return notify(reinterpret_cast<NMHDR*>(lparam));
    case WM_CONTEXTMENU: {
      if (reinterpret_cast<HWND>(wparam) != list_) return FALSE;
      POINT where = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
      if (where.x == -1 && where.y == -1) GetCursorPos(&where);
      TrackPopupMenu(GetSubMenu(GetMenu(window_), 0), TPM_LEFTALIGN | TPM_RIGHTBUTTON, where.x, where.y, 0, window_,
                     nullptr);
      return TRUE;
    }
    case WM_HELP:
      show_help();
      return TRUE;
    case WM_CLOSE:
      close();
      return TRUE;
    case kPlaySelectedMessage:
      play_selected();
      return TRUE;
  }
  return Dialog::handle(message, wparam, lparam);
}

bool RecordingsListWindow::on_init() {
  SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(1))));
  SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadIconA(instance_, MAKEINTRESOURCEA(1))));
  list_ = GetDlgItem(window_, IDC_LIST_VIEW);
  status_ = GetDlgItem(window_, IDC_LIST_STATUS);
  tooltips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
  TOOLINFOA tip = {};
  tip.cbSize = sizeof tip;
  tip.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tip.hwnd = window_;
  tip.uId = reinterpret_cast<UINT_PTR>(list_);
  tip.lpszText = const_cast<char*>("Enregistrement(s) dans le répertoire de destination");
  SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tip));
  create_toolbar();
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
  for (int i = 0; i < kListColumnCount; ++i) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(kColumns[i].header);
    column.cx = column_width(list_, i, dpi_of(window_));
    column.iSubItem = i;
    SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  refresh();
  restore_placement();
  menu_brush_.reset(CreateSolidBrush(kMenuColour));
  MENUINFO menu_info = {};
  menu_info.cbSize = sizeof menu_info;
  menu_info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
  menu_info.hbrBack = reinterpret_cast<HBRUSH>(menu_brush_.get());
  SetMenuInfo(GetMenu(window_), &menu_info);
  SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(kStatusText));
  return true;
}

void RecordingsListWindow::create_toolbar() {
  toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                             // Wraps onto a second row rather than cut "Graver" in a narrow window.
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE |
                                 CCS_TOP,
                             0, 0,
                             0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LIST_TOOLBAR)), instance_,
                             nullptr);
  SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  // The 22 x 24 pictures, enlarged by whole pixels for the window's DPI.
  const int dpi = dpi_of(window_), picture_width = scale(22, dpi), picture_height = scale(24, dpi);
  SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELONG(picture_width, picture_height));
  images_ = ImageList_Create(picture_width, picture_height, ILC_COLOR24 | ILC_MASK, 8, 0);
  for (const ToolButton& entry : kToolButtons) {
    TBBUTTON button = {};
    if (!entry.label) {
      button.fsStyle = BTNS_SEP;
      SendMessageA(toolbar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
      continue;
    }
    HBITMAP picture =
        load_scaled_bitmap(instance_, MAKEINTRESOURCEA(entry.bitmap), picture_width, picture_height, false);
    button.iBitmap = picture ? ImageList_AddMasked(images_, picture, RGB(255, 0, 255)) : I_IMAGENONE;
    if (picture) DeleteObject(picture);
    button.idCommand = entry.command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = static_cast<BYTE>(BTNS_AUTOSIZE | BTNS_SHOWTEXT |
                                       (entry.command == IDM_LIST_AUDIO_CD ? BTNS_DROPDOWN : BTNS_BUTTON));
    button.iString = reinterpret_cast<INT_PTR>(entry.label);
    SendMessageA(toolbar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
  }
  SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
  SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
  if (HWND tips = reinterpret_cast<HWND>(SendMessageA(toolbar_, TB_GETTOOLTIPS, 0, 0))) {
    for (const ToolButton& entry : kToolButtons) {
      if (!entry.label) continue;
      TOOLINFOA info = {};
      info.cbSize = sizeof info;
      info.hwnd = toolbar_;
      info.uId = entry.command;
      info.lpszText = const_cast<char*>(entry.tooltip);
      SendMessageA(tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
}

void RecordingsListWindow::restore_placement() {
  const int x = read_setting(kListX), y = read_setting(kListY);
  const int width = read_setting(kListWidth), height = read_setting(kListHeight);
  if (read_setting(kListMaximized)) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    placement.flags = WPF_RESTORETOMAXIMIZED;
    placement.showCmd = SW_SHOWMAXIMIZED;
    placement.rcNormalPosition = RECT{x, y, x + width, y + height};
    SetWindowPlacement(window_, &placement);
    return;
  }
  ScreenRect placed = keep_inside(ScreenRect{x, y, x + width, y + height}, desktop_rect());
  MoveWindow(window_, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, TRUE);
}

void RecordingsListWindow::save_placement() {
  RECT r;
  GetWindowRect(window_, &r);
  write_setting(kListWindowX, static_cast<int>(r.left));
  write_setting(kListWindowY, static_cast<int>(r.top));
  if (IsZoomed(window_)) {
    write_setting(kListMaximized, true);
    return;
  }
  if (IsIconic(window_)) return;
  write_setting(kListMaximized, false);
  r.right = std::min(r.right, static_cast<LONG>(desktop_rect().right));
  write_setting(kListX, static_cast<int>(r.left));
  write_setting(kListY, static_cast<int>(r.top));
  write_setting(kListWidth, static_cast<int>(r.right - r.left));
  write_setting(kListHeight, static_cast<int>(r.bottom - r.top));
}

void RecordingsListWindow::layout(WPARAM size_kind) {
  if (!list_ || !toolbar_) return;
  SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
  // A restored window goes back to its anchor; a maximised or minimised one stays.
  if (size_kind == SIZE_RESTORED) {
    RECT r;
    GetWindowRect(window_, &r);
    const int x = read_setting(kListWindowX), y = read_setting(kListWindowY);
    ScreenRect placed = keep_inside(ScreenRect{x, y, x + (r.right - r.left), y + (r.bottom - r.top)}, desktop_rect());
    if (placed.left != r.left || placed.top != r.top)
      SetWindowPos(window_, nullptr, placed.left, placed.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT client, bar, status;
  GetClientRect(window_, &client);
  GetWindowRect(toolbar_, &bar);
  SendMessageA(status_, WM_SIZE, 0, 0);
  GetWindowRect(status_, &status);
  const int top = bar.bottom - bar.top, status_height = status.bottom - status.top;
  const int height = std::max(0, static_cast<int>(client.bottom) - top - status_height);
  MoveWindow(status_, 0, client.bottom - status_height, client.right, status_height, TRUE);
  MoveWindow(list_, 0, top, client.right, height, TRUE);
  RECT inside;
  GetClientRect(list_, &inside);
  int others = 0;
  for (int i = 1; i < kListColumnCount; ++i) others += ListView_GetColumnWidth(list_, i);
  const int least = scale(30, dpi_of(window_));
  ListView_SetColumnWidth(list_, kColumnName, std::max(least, static_cast<int>(inside.right) - others));
  InvalidateRect(window_, nullptr, TRUE);
}

void RecordingsListWindow::refresh() {
  if (!list_) return;
  ListView_DeleteAllItems(list_);
  rows_.clear();
  folder_ = output_folder();
  for (const RecordingFormatRow& format : kRecordingFormats) {
    WIN32_FIND_DATAA found;
    std::string pattern = join_path(folder_, std::string("*") + format.extension);
    FindHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (!search) continue;
    do {
      if (!strcmp(found.cFileName, ".") || !strcmp(found.cFileName, "..")) continue;
      ListedFile file;
      file.file_name = found.cFileName;
      OwnedHandle handle(CreateFileA(join_path(folder_, found.cFileName).c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
      FILETIME created, local;
      SYSTEMTIME time;
      if (handle && GetFileTime(handle.get(), &created, nullptr, nullptr) && FileTimeToLocalFileTime(&created, &local) &&
          FileTimeToSystemTime(&local, &time)) {
        file.has_date = true;
        file.year = time.wYear, file.month = time.wMonth, file.day = time.wDay;
        file.hour = time.wHour, file.minute = time.wMinute, file.second = time.wSecond;
      }
      LARGE_INTEGER size;
      if (handle && GetFileSizeEx(handle.get(), &size)) file.size = size.QuadPart;
      rows_.push_back(make_row(file));
      const RecordingRow& row = rows_.back();
      LVITEMA item = {};
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = ListView_GetItemCount(list_);
      item.pszText = const_cast<char*>(row.name.c_str());
      item.lParam = static_cast<LPARAM>(rows_.size() - 1);
      int at = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
      for (int column = 1; column < kListColumnCount; ++column) {
        std::string text = column_text(row, column);
        ListView_SetItemText(list_, at, column, const_cast<char*>(text.c_str()));
      }
    } while (FindNextFileA(search.get(), &found));
  }
  sort();
  if (ListView_GetItemCount(list_) > 0) select_only(0);
  update_commands();
}

namespace {

struct SortOrder {
  const std::vector<RecordingRow>* rows;
  int column;
  bool ascending;
};

int CALLBACK compare_items(LPARAM a, LPARAM b, LPARAM order_param) {
  const SortOrder* order = reinterpret_cast<const SortOrder*>(order_param);
  int result = compare_rows((*order->rows)[static_cast<size_t>(a)], (*order->rows)[static_cast<size_t>(b)],
                            order->column);
  return order->ascending ? result : -result;
}

}  // namespace

void RecordingsListWindow::sort() {
  SortOrder order = {&rows_, sort_column_, ascending_};
  ListView_SortItems(list_, compare_items, reinterpret_cast<LPARAM>(&order));
  show_sort_arrow();
}

void RecordingsListWindow::show_sort_arrow() {
  HWND header = ListView_GetHeader(list_);
  const bool modern = has_header_sort_arrows();
  for (int i = 0; i < kListColumnCount; ++i) {
    HDITEMA item = {};
    item.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN | HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    if (i == sort_column_) {
      if (modern) {
        item.fmt |= ascending_ ? HDF_SORTDOWN : HDF_SORTUP;
      } else if (HBITMAP arrow = old_sort_arrow(ascending_)) {
        item.mask |= HDI_BITMAP;
        item.hbm = arrow;
        item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
      }
    }
    SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
  }
}

INT_PTR RecordingsListWindow::notify(NMHDR* header) {
  if (header->hwndFrom == toolbar_ && header->code == TBN_DROPDOWN) {
    drop_down_cd(reinterpret_cast<const NMTOOLBARA*>(header));
    SetWindowLongPtrA(window_, DWLP_MSGRESULT, TBDDRET_DEFAULT);
    return TRUE;
  }
  if (header->hwndFrom != list_) return FALSE;
  switch (header->code) {
    case NM_CUSTOMDRAW:
      SetWindowLongPtrA(window_, DWLP_MSGRESULT, custom_draw(reinterpret_cast<NMLVCUSTOMDRAW*>(header)));
      return TRUE;
    case NM_DBLCLK:
      if (first_selected() >= 0) play_selected();
      return TRUE;
    case LVN_ITEMCHANGED:
      update_commands();
      return TRUE;
    case LVN_COLUMNCLICK: {
      int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
      if (column == sort_column_)
        ascending_ = !ascending_;
      else
        sort_column_ = column;
      sort();
      return TRUE;
    }
    case LVN_BEGINLABELEDITA:
      SetWindowLongPtrA(window_, DWLP_MSGRESULT, FALSE);
      return TRUE;
    case LVN_ENDLABELEDITA: {
      NMLVDISPINFOA* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      if (info->item.pszText) finish_rename(info->item.iItem, info->item.pszText);
      // The row's text is set by the rename itself, never by the control.
      SetWindowLongPtrA(window_, DWLP_MSGRESULT, FALSE);
      return TRUE;
    }
  }
  return FALSE;
}

INT_PTR RecordingsListWindow::custom_draw(NMLVCUSTOMDRAW* draw) {
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      if (draw->nmcd.dwItemSpec % 2 == 0) draw->clrTextBk = kStripeColour;
      return CDRF_DODEFAULT;
  }
  return CDRF_DODEFAULT;
}

void RecordingsListWindow::update_commands() {
  if (!window_) return;
  const bool selected = first_selected() >= 0;
  for (int id : kToolbarSelectionCommands) SendMessageA(toolbar_, TB_ENABLEBUTTON, id, MAKELONG(selected, 0));
  HMENU menu = GetMenu(window_);
  for (int id : kMenuSelectionCommands) EnableMenuItem(menu, id, MF_BYCOMMAND | (selected ? MF_ENABLED : MF_GRAYED));
}

void RecordingsListWindow::drop_down_cd(const NMTOOLBARA* button) {
  RECT r;
  SendMessageA(toolbar_, TB_GETRECT, button->iItem, reinterpret_cast<LPARAM>(&r));
  MapWindowPoints(toolbar_, nullptr, reinterpret_cast<POINT*>(&r), 2);
  HMENU file = GetSubMenu(GetMenu(window_), 0);
  HMENU cd = nullptr;
  for (int i = 0, n = GetMenuItemCount(file); i < n && !cd; ++i) {
    HMENU sub = GetSubMenu(file, i);
    if (sub && GetMenuItemID(sub, 0) == static_cast<UINT>(IDM_LIST_AUDIO_CD)) cd = sub;
  }
  if (cd) TrackPopupMenu(cd, TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, window_, nullptr);
}

bool RecordingsListWindow::on_command(int id, int) {
  switch (id) {
    case IDM_LIST_PLAY: play_selected(); return true;
    case IDM_LIST_EDIT: edit_selected(); return true;
    case IDM_LIST_RENAME: rename_selected(); return true;
    case IDM_LIST_DELETE: delete_selected(); return true;
    case IDM_LIST_SAVE_AS: save_selected_as(); return true;
    case IDM_LIST_EDIT_TAGS: edit_selected_tags(); return true;
    case IDM_LIST_CONVERT: convert_selected(); return true;
    case IDM_LIST_AUDIO_CD: copy_selected_to_cd(true); return true;
    case IDM_LIST_DATA_CD: copy_selected_to_cd(false); return true;
    case IDM_LIST_HELP: show_help(); return true;
    case IDM_LIST_CLOSE: close(); return true;
    // Enter and Esc (from the label editor or elsewhere) do not close the list.
    case IDOK: case IDCANCEL: return true;
  }
  return false;
}

void RecordingsListWindow::list_key(int key_code) {
  if (!window_) return;
  // While a name is being edited its keys belong to the edit box.
  if (HWND editor = ListView_GetEditControl(list_)) {
    if (key_code == VK_DELETE) SendMessageA(editor, WM_KEYDOWN, VK_DELETE, 0);
    return;
  }
  switch (key_code) {
    case VK_F9: play_selected(); break;
    case VK_F2: rename_selected(); break;
    case VK_DELETE: delete_selected(); break;
    case 'E' | kKeyCtrl: edit_selected(); break;
    case 'S' | kKeyCtrl: save_selected_as(); break;
  }
}

// Rows and selection.

int RecordingsListWindow::first_selected() const {
  return list_ ? ListView_GetNextItem(list_, -1, LVNI_SELECTED) : -1;
}

std::vector<int> RecordingsListWindow::selected_items() const {
  std::vector<int> items;
  for (int item = first_selected(); item >= 0; item = ListView_GetNextItem(list_, item, LVNI_SELECTED))
    items.push_back(item);
  return items;
}

size_t RecordingsListWindow::row_index_of(int item) const {
  LVITEMA query = {};
  query.mask = LVIF_PARAM;
  query.iItem = item;
  SendMessageA(list_, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
  return static_cast<size_t>(query.lParam);
}

const RecordingRow& RecordingsListWindow::row_of(int item) const { return rows_[row_index_of(item)]; }

void RecordingsListWindow::select_only(int item) {
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(list_, item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, item, FALSE);
}

std::vector<RecordingRow> RecordingsListWindow::shown_rows() {
  std::vector<RecordingRow> shown;
  if (!list_) return shown;
  for (int i = 0, n = ListView_GetItemCount(list_); i < n; ++i) shown.push_back(row_of(i));
  return shown;
}

std::string RecordingsListWindow::selected_path() {
  int item = first_selected();
  return item < 0 ? std::string() : row_path(folder_, row_of(item));
}

bool RecordingsListWindow::has_row(const std::string& name, const char* format_name) {
  if (!window_) return false;
  for (const RecordingRow& row : rows_)
    if (row_matches(row, name, format_name ? format_name : "")) return true;
  return false;
}

void RecordingsListWindow::play(const std::string& file) {
  open();
  if (!window_) return;
  int found = find_row_for_file(shown_rows(), file);
  if (found < 0) return;
  select_only(found);
  // The panel runs its own loop: started from the message loop, not inside the
  // switch handling, so that a copy forwarding -play is not held until it closes.
  PostMessageA(window_, kPlaySelectedMessage, 0, 0);
}

// The commands.

void RecordingsListWindow::play_selected() {
  int item = first_selected();
  if (item < 0) return;
  const RecordingRow row = row_of(item);
  if (play_in_panel(window_, row.name, row_path(folder_, row)) == 0)
    MessageBoxA(window_, "Impossible de lire le fichier sélectionné.", nullptr, MB_OK | MB_ICONERROR);
}

void RecordingsListWindow::edit_selected() {
  int item = first_selected();
  if (item < 0) return;
  launch_companion(edit_launch(quoted_argument(row_path(folder_, row_of(item)))), window_);
}

void RecordingsListWindow::rename_selected() {
  int item = first_selected();
  if (item < 0) return;
  SetFocus(list_);
  ListView_EditLabel(list_, item);
}

void RecordingsListWindow::finish_rename(int item, const char* typed) {
  const size_t index = row_index_of(item);
  std::string cleaned;
  switch (check_rename(rows_, index, typed, folder_, &cleaned)) {
    case kRenameEmpty:
      info_box(window_, "Le nom doit comporter du texte.", "Nom Invalide");
      return;
    case kRenameTaken:
      info_box(window_,
               "L'enregistrement ne peut être renommé car il existe déjà un autre enregistrement de même nom et de "
               "même format. Veuillez essayer un autre nom.",
               "Le Nom de l'Enregistrement Existe Déjà");
      return;
    case kRenameAccepted:
      break;
  }
  RecordingRow renamed = rows_[index];
  renamed.name = cleaned;
  const std::string from = row_path(folder_, rows_[index]), to = row_path(folder_, renamed);
  if (from != to && !MoveFileA(from.c_str(), to.c_str())) {
    // The file keeps its name, and so does the row.
    MessageBoxA(window_,
                "L'enregistrement n'a pas pu être renommé: le fichier est peut-être en cours d'utilisation, ou un "
                "autre fichier porte déjà ce nom.",
                "Renommer", MB_OK | MB_ICONERROR);
    return;
  }
  rows_[index] = renamed;
  ListView_SetItemText(list_, item, kColumnName, const_cast<char*>(cleaned.c_str()));
}

void RecordingsListWindow::delete_selected() {
  std::vector<int> items = selected_items();
  if (items.empty()) return;
  if (MessageBoxA(window_,
                  "Etes vous sûr de vouloir supprimer les fichiers sélectionnés?. Les fichiers seront définitivement "
                  "supprimées de votre ordinateur.",
                  "Confirmer suppression", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
    return;
  for (int item : items) DeleteFileA(row_path(folder_, row_of(item)).c_str());
  refresh();
}

void RecordingsListWindow::save_selected_as() {
  int item = first_selected();
  if (item < 0) return;
  save_recording_as(window_, row_path(folder_, row_of(item)));
}

void RecordingsListWindow::edit_selected_tags() {
  int item = first_selected();
  if (item < 0) return;
  edit_recording_tags(window_, row_path(folder_, row_of(item)));
}

void RecordingsListWindow::convert_selected() {
  std::vector<std::string> paths;
  for (int item : selected_items()) paths.push_back(row_path(folder_, row_of(item)));
  for (const std::string& path : paths) launch_companion(convert_launch(quoted_argument(path)), window_);
}

void RecordingsListWindow::copy_selected_to_cd(bool audio_cd) {
  std::vector<std::string> paths;
  for (int item : selected_items()) paths.push_back(row_path(folder_, row_of(item)));
  if (paths.empty()) return;
  char temp[MAX_PATH] = {};
  GetTempPathA(sizeof temp, temp);
  const std::string list_path = join_path(temp, kBurnerListFileName);
  const std::string text = burner_list_text(paths);
  {
    OwnedHandle file(CreateFileA(list_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    DWORD written = 0;
    if (file) WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  }
  launch_companion(copy_to_cd_launch(burner_switches(audio_cd, list_path)), window_);
  DeleteFileA(list_path.c_str());
}

void RecordingsListWindow::show_help() { open_help(window_, kHelpContext); }

}  // namespace vt

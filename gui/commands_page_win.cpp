#include "gui/commands_page_win.h"

#include <commctrl.h>

#include <cstdio>

#include "gui/commands_page_res.h"
#include "win/settings_win.h"

namespace vt {

namespace {

// The commands a hotkey can run, by number (Record, Pause, Restart, Stop-and-mark,
// show or hide the recordings list).
static const char* const kCommandNames[] = {"Enreg.", "Pause", "Aller au Début", "Stop",
                                            "Ouvrir la Liste d'Enregistrements"};
constexpr int kCommandCount = 5;

// Key code modifier bits.
constexpr int kAltBit = 0x10000, kCtrlBit = 0x20000, kShiftBit = 0x40000;

constexpr int kKeyColumnWidth = 150, kCommandColumnWidth = 200, kMinimumKeyColumnWidth = 30;

// A damaged count must not make the page read millions of values.
int binding_count() {
  int count = read_user_int(kSectionKeys, "Count", 0);
  return count < 0 ? 0 : count > kMaxKeyBindings ? kMaxKeyBindings : count;
}

std::string binding_name(int binding, const char* suffix) {
  char name[32];
  std::snprintf(name, sizeof name, "Key%d%s", binding, suffix);
  return name;
}

int binding_value(int binding, const char* suffix) {
  return read_user_int(kSectionKeys, binding_name(binding, suffix).c_str(), 0);
}

void set_binding_value(int binding, const char* suffix, int value) {
  write_user_int(kSectionKeys, binding_name(binding, suffix).c_str(), value);
}

}  // namespace

std::string hotkey_text(int key_code) {
  std::string text;
  if (key_code & kCtrlBit) text += "Ctrl+";
  if (key_code & kAltBit) text += "Alt+";
  if (key_code & kShiftBit) text += "Shift+";
  UINT scan_code = MapVirtualKeyA(key_code & 0xFFFF, MAPVK_VK_TO_VSC);
  char name[260] = {};
  GetKeyNameTextA(static_cast<LONG>(scan_code << 16), name, static_cast<int>(sizeof name - text.size()));
  text += name;
  return text;
}

const char* hotkey_command_name(int command) {
  return command >= 0 && command < kCommandCount ? kCommandNames[command] : "";
}

PROPSHEETPAGEA CommandsPage::sheet_page() {
  return make_sheet_page(IDD_COMMANDS_PAGE, true);
}

INT_PTR CommandsPage::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init();
      return TRUE;
    case WM_COMMAND:
      return HIWORD(wparam) == BN_CLICKED && on_command(LOWORD(wparam));
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->idFrom == IDC_COMMANDS_LIST) {
        if (header->code == LVN_ITEMCHANGED) update_enabling();
        if (header->code == NM_DBLCLK && selected_row() >= 0) modify_selected();
        return FALSE;
      }
      if (header->code == PSN_HELP) {
        hooks_.show_help(page_, COMMANDS_PAGE_HELP_CONTEXT);
        return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

void CommandsPage::on_init() {
  HWND list = GetDlgItem(page_, IDC_COMMANDS_LIST);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNA column = {};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.cx = kKeyColumnWidth;
  column.pszText = const_cast<char*>("Clé");
  SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  column.cx = kCommandColumnWidth;
  column.pszText = const_cast<char*>("Ordre");
  SendMessageA(list, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
  // The key column takes what the command column leaves of the list's width.
  RECT client;
  GetClientRect(list, &client);
  int key_width = client.right - kCommandColumnWidth;
  SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, key_width < kMinimumKeyColumnWidth ? kMinimumKeyColumnWidth : key_width);
  fill_list();
}

bool CommandsPage::on_command(int id) {
  switch (id) {
    case IDC_COMMANDS_ADD:
      if (hooks_.add_hotkey(page_)) fill_list();
      return true;
    case IDC_COMMANDS_REMOVE:
      remove_selected();
      return true;
    case IDC_COMMANDS_MODIFY:
      modify_selected();
      return true;
  }
  return false;
}

void CommandsPage::fill_list() {
  HWND list = GetDlgItem(page_, IDC_COMMANDS_LIST);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  int count = binding_count();
  for (int binding = 0; binding < count; ++binding) {
    std::string key = hotkey_text(binding_value(binding, ""));
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = binding;
    item.pszText = const_cast<char*>(key.c_str());
    int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(hotkey_command_name(binding_value(binding, "Command")));
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
  }
  update_enabling();
}

int CommandsPage::selected_row() const {
  return static_cast<int>(SendDlgItemMessageA(page_, IDC_COMMANDS_LIST, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

void CommandsPage::update_enabling() {
  bool selected = selected_row() >= 0;
  EnableWindow(GetDlgItem(page_, IDC_COMMANDS_REMOVE), selected);
  EnableWindow(GetDlgItem(page_, IDC_COMMANDS_MODIFY), selected);
}

// The bindings after the removed one move down by one; the last pair stays behind,
// past the count, where nothing reads it.
void CommandsPage::remove_selected() {
  int removed = selected_row();
  int count = binding_count();
  if (removed < 0 || count <= 0 || removed >= count) return;
  for (int binding = removed; binding < count - 1; ++binding) {
    set_binding_value(binding, "", binding_value(binding + 1, ""));
    set_binding_value(binding, "Command", binding_value(binding + 1, "Command"));
  }
  write_user_int(kSectionKeys, "Count", count - 1);
  fill_list();
}

void CommandsPage::modify_selected() {
  int binding = selected_row();
  if (binding >= 0 && hooks_.modify_hotkey(page_, binding)) fill_list();
}

}  // namespace vt

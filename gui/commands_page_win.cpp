#include "gui/commands_page_win.h"

#include <commctrl.h>

#include "base/product_name.h"
#include "gui/commands_page_res.h"
#include "hotkeys/hotkey_bindings.h"
#include "hotkeys/hotkeys_win.h"
#include "win/settings_win.h"

namespace vt {

namespace {

constexpr int kKeyColumnWidth = 150, kCommandColumnWidth = 200, kMinimumKeyColumnWidth = 30;
// Posted by the page to itself, so that the refused bindings are told over the shown page.
constexpr UINT kTellRefusedMessage = WM_APP + 1;

}  // namespace

PROPSHEETPAGEA CommandsPage::sheet_page() {
  return make_sheet_page(IDD_COMMANDS_PAGE, true);
}

INT_PTR CommandsPage::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      on_init();
      return TRUE;
    case kTellRefusedMessage:
      tell_refused();
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
  notice_ = hooks_.take_hotkey_notice();
  if (!notice_.empty()) PostMessageA(page_, kTellRefusedMessage, 0, 0);
}

void CommandsPage::tell_refused() {
  if (notice_.empty()) return;
  const std::string text = notice_;
  notice_.clear();
  MessageBoxA(GetParent(page_), text.c_str(), kProductName, MB_OK | MB_ICONWARNING);
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
  RegistrySection keys(Hive::User, kSectionKeys);
  std::vector<HotkeyBinding> bindings = load_hotkey_bindings(keys);
  for (int binding = 0; binding < static_cast<int>(bindings.size()); ++binding) {
    std::string key = key_text(bindings[binding].key_code);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = binding;
    item.pszText = const_cast<char*>(key.c_str());
    int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = const_cast<char*>(hotkey_command_name(bindings[binding].command));
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

void CommandsPage::remove_selected() {
  RegistrySection keys(Hive::User, kSectionKeys);
  remove_hotkey_binding(keys, selected_row());
  fill_list();
}

void CommandsPage::modify_selected() {
  int binding = selected_row();
  if (binding >= 0 && hooks_.modify_hotkey(page_, binding)) fill_list();
}

}  // namespace vt

// Identifiers of the key-capture dialog (template "LKeyChangeDlg") and of the
// choose-command dialog (dialog 18).
#pragma once

#define IDC_KEY_CHANGE_TEXT 1801

#define IDD_HOTKEY_COMMAND 18
#define IDC_HOTKEY_COMMAND_KEY 101
#define IDC_HOTKEY_COMMAND_CHANGE_KEY 102
#define IDC_HOTKEY_COMMAND_LIST 103

// Resource and control identifiers of the hotkeys options page ("Commandes", dialog 7).
#pragma once

#define IDD_COMMANDS_PAGE 7

#define IDC_COMMANDS_LIST 101
#define IDC_COMMANDS_ADD 102
#define IDC_COMMANDS_REMOVE 103
#define IDC_COMMANDS_MODIFY 104

// Help context of the page in app.hlp.
#define COMMANDS_PAGE_HELP_CONTEXT 106

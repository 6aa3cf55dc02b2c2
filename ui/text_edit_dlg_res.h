// Control identifiers of the text-entry dialog (template LTextEditDlg).
#pragma once

#define IDC_TEXT_EDIT_PROMPT 1101
#define IDC_TEXT_EDIT_VALUE 1102

// Control identifiers of the progress dialog (template LProgressDialog).
#pragma once

#define IDC_PROGRESS_ICON 98
#define IDC_PROGRESS_LINE0 100  // text line 0; line n is IDC_PROGRESS_LINE0 + n
#define IDC_PROGRESS_LINE1 101
#define IDC_PROGRESS_BAR 102    // range 0 to 100
#define IDC_PROGRESS_RULE 199

// Control identifiers of the installer's and the related programs' wizard pages
// (templates LTerms, LSelectRelatedDlg, LInstallingDlg).
#pragma once

// LTerms
#define IDC_TERMS_AGREE 101
#define IDC_TERMS_DISAGREE 102
#define IDC_TERMS_TEXT 199

// LSelectRelatedDlg: one check box per related program, its description below it.
#define IDC_RELATED_INTRO 200
#define IDC_RELATED_FIRST_CHECK 201  // program n: 201 + n
#define IDC_RELATED_FIRST_TEXT 211   // program n: 211 + n

// LInstallingDlg: the progress lines and bar of a progress task.
#define IDC_INSTALLING_LINE0 100
#define IDC_INSTALLING_LINE1 101
#define IDC_INSTALLING_BAR 102

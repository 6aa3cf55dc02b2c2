// Resource and control identifiers of the main window (dialog 1).
#pragma once

#define IDD_MAIN 1
#define IDR_MAIN_MENU 1
#define IDW_START_TONE 1
#define IDW_STOP_TONE 2
#define IDI_MAIN 1
#define IDI_RECORDING 5

#define IDC_STATUS_BAR 101
#define IDC_RECORD 102
#define IDC_PAUSE 103
#define IDC_RESTART 104
#define IDC_STOP 105
#define IDC_FORMAT_TOOLBAR 106
#define IDC_STATUS_PANEL 111
#define IDC_LEVEL_METER 199
#define IDC_FORMAT_SEPARATOR 88

// Menu commands of the recorder.
#define IDM_RECORD 1001
#define IDM_PAUSE 1002
#define IDM_STOP_AND_MARK 1003
#define IDM_RESTART 1004
#define IDM_EXIT 1010

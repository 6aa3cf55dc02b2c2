// Resource and control identifiers of the main window (dialog 1).
#pragma once

#define IDD_MAIN 1
#define IDR_MAIN_MENU 1
#include "recorder/tones_res.h"
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

#define IDC_FORMAT_BUTTON 90
#define IDC_FORMAT_LIST 91
#define IDC_MAIN_TOOLBAR 107
#define IDC_TOOLTIPS 108

// Icons of the record buttons and the status panel's state pictures.
#define IDI_RECORD_LIT 28
#define IDI_RECORD 29
#define IDI_PAUSE 30
#define IDI_RESTART 31
#define IDI_STOP 32
#define IDB_STATE_READY 40
#define IDB_STATE_RECORDING 41
#define IDB_STATE_WAITING 42

// Main toolbar.
#define IDT_RECORDINGS_LIST 120
#define IDT_OPTIONS 1005
#define IDT_HELP 9

// Menu commands of the recorder.
#define IDM_RECORD 1001
#define IDM_PAUSE 1002
#define IDM_STOP_AND_MARK 1003
#define IDM_RESTART 1004
#define IDM_EXIT 1010
#define IDM_OPTIONS 1005
#define IDM_LAUNCH_EDITOR 1011
#define IDM_LAUNCH_BURNER 1012
#define IDM_LAUNCH_RIPPER 1013
#define IDM_LAUNCH_CONVERTER 1014
#define IDM_SHOW_LIST 1015
#define IDM_SETUP_WIZARD 1017
#define IDM_SHOW_RECORD 2001
#define IDM_SHOW_RESTART 2002
#define IDM_SHOW_STOP 2003
#define IDM_SHOW_PAUSE 2004
#define IDM_SHOW_ALL 2007
#define IDM_HIDE_ALL 2008
#define IDM_MAIN_TOOLBAR 2009
#define IDM_FORMAT_TOOLBAR 2010
#define IDM_OPTIONS_RECORD 3001
#define IDM_OPTIONS_OUTPUT 3002
#define IDM_OPTIONS_SEND 3003
#define IDM_OPTIONS_GENERAL 3004
#define IDM_HELP_CONTENTS 6000
#define IDM_WEB_FIRST 9021
#define IDM_ABOUT 9090

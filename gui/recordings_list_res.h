// Resource and control identifiers of the recordings list window (dialog 8).
#pragma once

#define IDD_RECORDINGS_LIST 8
#define IDR_RECORDINGS_LIST_MENU 2

#define IDC_LIST_TOOLBAR 89
#define IDC_LIST_VIEW 201
#define IDC_LIST_STATUS 202

// Commands of menu 2, its toolbar and its context menu.
#define IDM_LIST_PLAY 7001
#define IDM_LIST_EDIT 7002
#define IDM_LIST_RENAME 7003
#define IDM_LIST_DELETE 7004
#define IDM_LIST_SAVE_AS 7005
#define IDM_LIST_CLOSE 7006
#define IDM_LIST_AUDIO_CD 7007
#define IDM_LIST_DATA_CD 7008
#define IDM_LIST_EDIT_TAGS 7009
#define IDM_LIST_CONVERT 7010
#define IDM_LIST_HELP 9

// Toolbar pictures, by the number each command's button shows.
#define IDB_LIST_PLAY 3
#define IDB_LIST_EDIT 4
#define IDB_LIST_RENAME 12
#define IDB_LIST_DELETE 18
#define IDB_LIST_SAVE_AS 19
#define IDB_LIST_BURN 28
#define IDB_LIST_CONVERT 29

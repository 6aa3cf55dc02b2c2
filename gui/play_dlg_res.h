// Control identifiers of the player panel (template LPlayDlg).
#pragma once

#define IDC_PLAY_TIME 103
#define IDC_PLAY_METER 104
#define IDC_PLAY_WAVE 105
#define IDC_PLAY_SCROLL 106
#define IDC_PLAY_DEVICE 107
#define IDC_PLAY_VOLUME 108
#define IDC_PLAY_PLAY 111
#define IDC_PLAY_SCRUB 112
#define IDC_PLAY_STOP 113
#define IDC_PLAY_START 114
#define IDC_PLAY_REWIND 115
#define IDC_PLAY_FORWARD 116
#define IDC_PLAY_END 117
#define IDC_PLAY_NAME 120

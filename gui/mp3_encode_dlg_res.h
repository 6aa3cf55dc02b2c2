// Control identifiers of the MP3 encoder options dialog (template LMp3EncodeDlg).
#pragma once

// The two mode radio buttons keep consecutive numbers (CheckRadioButton).
#define IDC_MP3_CONSTANT 3401
#define IDC_MP3_VARIABLE 3402
#define IDC_MP3_BITRATE 3403
#define IDC_MP3_HIGHQUALITY 3404
#define IDC_MP3_MINRATE 3405
#define IDC_MP3_MAXRATE 3406
#define IDC_MP3_QUALITY 3407
#define IDC_MP3_CHANNELMODE 3408
#define IDC_MP3_CRC 3409
#define IDC_MP3_RESTORE 3410

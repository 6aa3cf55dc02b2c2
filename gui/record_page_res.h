// Resource and control identifiers of the record options page ("Enreg.", dialog 2).
#pragma once

#define IDD_RECORD_PAGE 2

#define IDC_RECORD_DEVICE 2201
#define IDC_RECORD_INPUT 2202
#define IDC_RECORD_VOLUME_LABEL 2203
#define IDC_RECORD_VOLUME 2204
#define IDC_RECORD_MIXER 2205
#define IDC_RECORD_VOICE 2206
#define IDC_RECORD_VOICE_LEVEL 2207
#define IDC_RECORD_LIMIT 2208
#define IDC_RECORD_MAX_TIME 2209
#define IDC_RECORD_AT_MAX_LABEL 2210
// The two radio buttons keep consecutive numbers (CheckRadioButton).
#define IDC_RECORD_STOP_AT_MAX 2211
#define IDC_RECORD_CONTINUE_AT_MAX 2212
#define IDC_RECORD_OPEN_LIST 2213
#define IDC_RECORD_RESUME 2214
#define IDC_RECORD_STAY_AWAKE 2215
#define IDC_RECORD_WARN_SILENCE 2216
#define IDC_RECORD_SILENCE_SECS 2217

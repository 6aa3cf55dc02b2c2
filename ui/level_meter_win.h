// LDBDisplay: the horizontal peak-level meter, one bar per channel, −36…+12 dB.
// Its state lives in the window's extra bytes so any number of meters can share a dialog:
//   word 0        channels shown (0: meter inactive, drawn gray)
//   words 2…16    level of channels 1…8 in dB, clamped to −36…+12
//   longs 18, 22  the LDBGreen and LDBRed bitmaps; longs 26, 30 their pattern brushes
#pragma once
#include <windows.h>

namespace vt {

extern const char kLevelMeterClass[];  // "LDBDisplay"
constexpr int kLevelMeterExtraBytes = 34;
constexpr int kMeterChannelsOffset = 0;
constexpr int kMeterLevelsOffset = 2;

bool register_level_meter(HINSTANCE instance);

// Shows `channels` levels (signed dB, as in a level record). Only the part of each
// band between its old and new level is repainted; a new channel count repaints all.
void set_levels(HWND meter, int channels, const signed char* levels);

}  // namespace vt

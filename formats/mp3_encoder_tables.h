// Fixed texts and values of the MP3 encoder options.
#pragma once
#include <cstdint>

namespace vt {

// Channel modes by index, as stored in `ChannelMode`: names shown in the
// options dialog, and the letters of the encoder's -m switch (LAME's manual:
// s stereo, j joint stereo, f forced mid/side stereo, m mono).
static const char* const kChannelModeNames[4] = {"Stéréo", "Raccordement", "Force", "Mono"};
static const char* const kChannelModeLetters[4] = {"s", "j", "f", "m"};
constexpr uint8_t kChannelModeMono = 3;

// Bit rates offered by the options dialog, kbit/s (the MPEG-1 and MPEG-2
// Layer III rates, ISO/IEC 11172-3 and 13818-3, merged).
static const uint16_t kEncoderBitRates[18] = {8,   16,  24,  32,  40,  48,  56,  64,  80,
                                              96,  112, 128, 144, 160, 192, 224, 256, 320};

// Standard input rates and the ranges snapped to them, highest first.
struct RateSnap {
  int32_t low, high, rate;
};
static const RateSnap kEncoderRateSnaps[] = {
    {44101, 47999, 44100}, {32001, 44099, 44100}, {24001, 31999, 32000}, {22051, 23999, 22050},
    {16001, 22049, 22050}, {11026, 15999, 11025}, {8001, 11024, 11025},
};

}  // namespace vt

namespace vt {

// Entries of the options dialog's quality list, by quality value.
static const char* const kEncoderQualityNames[10] = {
    "0 (Le plus élevé)", "1", "2", "3", "4", "5", "6", "7", "8", "9 (Le plus bas)"};

}  // namespace vt

// Values of the Windows multimedia mixer that the volume logic uses, so that the
// portable code and its tests need no windows.h (mmsystem.h's MIXERLINE_COMPONENTTYPE_*
// and MIXERCONTROL_CONTROLTYPE_* values).
#pragma once
#include <cstdint>

namespace vt {

// Line component types.
constexpr uint32_t kMixerSpeakersDestination = 4;   // MIXERLINE_COMPONENTTYPE_DST_SPEAKERS
constexpr uint32_t kMixerWaveInDestination = 7;     // MIXERLINE_COMPONENTTYPE_DST_WAVEIN
constexpr uint32_t kMixerMicrophoneSource = 0x1003; // MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE
constexpr uint32_t kMixerLineInSource = 0x1002;     // MIXERLINE_COMPONENTTYPE_SRC_LINE
constexpr uint32_t kMixerCdSource = 0x1005;         // MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC
constexpr uint32_t kMixerWaveOutSource = 0x1008;    // MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT

// Control types. Volume and fader are treated alike.
constexpr uint32_t kMixerFaderControl = 0x50030000;   // MIXERCONTROL_CONTROLTYPE_FADER
constexpr uint32_t kMixerVolumeControl = 0x50030001;  // MIXERCONTROL_CONTROLTYPE_VOLUME
constexpr uint32_t kMixerOnOffControl = 0x20010001;   // MIXERCONTROL_CONTROLTYPE_ONOFF
constexpr uint32_t kMixerMuteControl = 0x20010002;    // MIXERCONTROL_CONTROLTYPE_MUTE
// One source selectable / several sources selectable.
constexpr uint32_t kMixerMultiplexerControl = 0x70010001;  // MIXERCONTROL_CONTROLTYPE_MUX
constexpr uint32_t kMixerMixerControl = 0x71010001;        // MIXERCONTROL_CONTROLTYPE_MIXER

}  // namespace vt

// What the codec readers, writers and the format chooser share about the
// system's audio compression manager.
#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#include "formats/wave_format.h"

namespace vt {

// 16-bit PCM, the format every codec conversion of the program starts or ends in.
WAVEFORMATEX pcm16_format(int channels, int rate);
// Opens a conversion, first as real-time and, failing that, as non-real-time;
// `flags` may add ACM_STREAMOPENF_QUERY (then `stream` may be null).
bool open_acm_conversion(HACMSTREAM* stream, const WAVEFORMATEX* from, const WAVEFORMATEX* to, DWORD flags = 0);
// True for PCM, and for a codec format that some installed codec produces from 16-bit PCM
// with the same channels and rate.
bool codec_format_encodable(const FormatBuffer& format);
// A format of codec `tag` that an installed codec suggests for 16-bit PCM input.
bool suggest_codec_format(uint16_t tag, int channels, int rate, FormatBuffer& format);

// Frames in one codec block where the descriptor (`bytes` long) tells them exactly, else 0.
uint32_t codec_frames_per_block(const uint8_t* format, int bytes);

inline const WAVEFORMATEX* as_wfx(const FormatBuffer& format) {
  return reinterpret_cast<const WAVEFORMATEX*>(&format);
}
inline WAVEFORMATEX* as_wfx(FormatBuffer& format) { return reinterpret_cast<WAVEFORMATEX*>(&format); }

}  // namespace vt

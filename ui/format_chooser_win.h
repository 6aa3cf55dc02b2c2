// The WAV codec format dialog.
#pragma once
#include "formats/wave_format.h"

namespace vt {

// Shows the system's format chooser on `format` (a 1,024-byte record) until the user
// picks a format that can be made from 16-bit PCM, or cancels (false; the caller then
// keeps its stored format).
bool choose_codec_format(FormatBuffer& format);

}  // namespace vt

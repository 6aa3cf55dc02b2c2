// The recording format as the settings store keeps it: the `Format` index and the
// WAV codec format in WavCodec.wff in the per-user data folder.
#pragma once
#include <string>

#include "audio/stream.h"
#include "formats/wave_format.h"

namespace vt {

// Fills `format` from WavCodec.wff; false (and `format` untouched) unless the file holds 1,024 bytes.
bool load_recording_format(FormatBuffer& format);
bool save_recording_format(const FormatBuffer& format);
// The stored WAV format, or the default recording format when the file cannot be read.
FormatBuffer stored_recording_format();

// The sink for a new recording at `path` in format `format_index`: WAV in the stored codec
// format, the MP3 encoder with `mp3` asked for 44,100 Hz stereo, or AIFF; a failed sink
// for an index without a row.
SinkRef open_recording_sink(const std::string& path, int format_index, const EncoderSettings& mp3);
// The same in the current `Format` with the stored encoder settings.
SinkRef open_recording_sink(const std::string& path);

// The format line of the main window for a format index, from the stored settings.
std::string format_description(int format_index);

}  // namespace vt

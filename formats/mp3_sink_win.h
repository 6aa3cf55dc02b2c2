// The encoder pipe sink: MP3 files are written by the outside encoder, run as a
// hidden child process that reads 16-bit PCM from a pipe on its standard input.
#pragma once
#include <string>

#include "formats/mp3_encoder.h"
#include "audio/stream.h"

namespace vt {

// A sink feeding the encoder at `encoder_path` (the component mp3el; empty when
// it is not installed) with the rate and channels the settings allow, or a
// NullSink when the command cannot be built. When the encoder cannot be
// started the sink's failed bit is set.
SinkRef open_mp3_sink(const EncoderSettings& settings, const std::string& encoder_path,
                      const std::string& output_path, int32_t rate, int channels);

// The same with the installed component mp3el.
SinkRef open_mp3_sink(const EncoderSettings& settings, const std::string& output_path, int32_t rate,
                      int channels);

// Runs `command_line` as the encoder and feeds it PCM of this format.
SinkRef open_encoder_pipe(const std::string& command_line, int32_t rate, int channels);

}  // namespace vt

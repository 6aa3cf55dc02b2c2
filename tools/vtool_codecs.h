// What vtool can do only where the system's codecs (and the MP3 encoder) are.
#pragma once
#include <cstdio>
#include <string>

#include "audio/stream.h"

namespace vt {

// A WAV writer in the codec format `tag` (decimal or 0x hex) for these channels and rate;
// false with `error` when no installed codec offers one.
bool open_codec_writer(const std::string& tag, const std::string& path, int rate, int channels, SinkRef& sink,
                       std::string& error);
// The MP3 encoder with the stored encoder settings; false where there is none.
bool open_mp3_writer(const std::string& path, int rate, int channels, SinkRef& sink);

// `text` as it must be written to `stream`: a Windows console shows its own code page.
std::string console_text(FILE* stream, const std::string& text);

}  // namespace vt

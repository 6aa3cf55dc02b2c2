// The sources that read WAV and AIFF files. Opening never fails with null: a file
// that cannot be opened gives status 4, an unreadable or unsupported layout status 3,
// a format no installed codec decodes status 5.
#pragma once
#include <string>

#include "audio/stream.h"
#include "formats/wave_format.h"

namespace vt {

SourceRef open_wav_reader(const std::string& path);
// The descriptor of a WAV file as the reader finds it (plain PCM for extensible PCM).
bool probe_wav_format(const std::string& path, WaveFormat& format);
SourceRef open_aiff_reader(const std::string& path);

// By the file's extension, without regard to case: ".wav", ".aif"/".aiff", ".mp3" (the
// MP3 decoder); anything else gives status 3.
SourceRef open_audio_file(const std::string& path);

}  // namespace vt

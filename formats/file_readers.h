// The sources that read WAV and AIFF files. Opening never fails with null: a file
// that cannot be opened gives status 4, an unreadable or unsupported layout status 3,
// a format no installed codec decodes status 5.
#pragma once
#include <memory>
#include <string>

#include "base/binary_file.h"

#include "audio/stream.h"
#include "formats/wave_format.h"

namespace vt {

SourceRef open_wav_reader(const std::string& path);
// The descriptor of a WAV file as the reader finds it (plain PCM for extensible PCM).
bool probe_wav_format(const std::string& path, WaveFormat& format);
// A WAV file of packed 16-bit PCM frames placed at its first frame, with its rate, channel
// count and the number of frames its reader gives; null for any other file.
std::unique_ptr<BinaryFile> open_wav_little16(const std::string& path, int& rate, int& channels, int64_t& frames);
SourceRef open_aiff_reader(const std::string& path);

// The reader of the recording format the extension names, without regard to case
// (".wav", ".aif"/".aiff", ".mp3"); anything else gives status 3.
SourceRef open_audio_file(const std::string& path);

}  // namespace vt

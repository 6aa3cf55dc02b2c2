// The sources that read WAV and AIFF files. Opening never fails with null: a file
// that cannot be opened gives status 4, an unreadable or unsupported layout status 3,
// a format no installed codec decodes status 5.
#pragma once
#include <string>

#include "audio/stream.h"

namespace vt {

SourceRef open_wav_reader(const std::string& path);
SourceRef open_aiff_reader(const std::string& path);

// By the file's extension, without regard to case: ".wav", ".aif"/".aiff", ".mp3"
// (through the opener set below); anything else gives status 3.
SourceRef open_audio_file(const std::string& path);

// Where the MP3 decoder plugs in; until it does, ".mp3" files give status 3.
using Mp3ReaderOpener = SourceRef (*)(const std::string& path);
void set_mp3_reader_opener(Mp3ReaderOpener opener);

}  // namespace vt

// Codec WAV files go through the system's audio compression manager. These two
// openers are its whole surface towards the portable readers and writers; builds
// without it (the native tree) fail them with a failed sink and status 5.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "base/binary_file.h"
#include "audio/stream.h"
#include "formats/wave_format.h"

namespace vt {

// A codec WAV writer for `format` (any tag other than PCM); never null.
AudioSink* new_codec_wav_writer(const FormatBuffer& format, const std::string& path);

// A decoder over the data chunk of `file`: `format` is the file's descriptor with its
// codec bytes (`format_bytes` long, at least 18), `data_bytes` -1 for "to the end of the
// file". Never null: a source with status 5 when no installed codec decodes the format.
AudioSource* new_codec_reader(std::unique_ptr<BinaryFile> file, const uint8_t* format, int format_bytes,
                              int64_t data_start, int64_t data_bytes);

}  // namespace vt

// The sinks that write recordings and conversions into WAV and AIFF files.
// Failures show only in the sink's status bit; the final sizes are written when
// the last reference goes.
#pragma once
#include <memory>
#include <string>

#include "base/binary_file.h"
#include "audio/stream.h"
#include "audio/transforms.h"
#include "formats/wave_format.h"

namespace vt {

// PCM up to 8 bits: 8-bit writer; 9 to 16: 16-bit writer; more: a failed sink.
// Any other tag: the codec writer (a failed sink where no codec manager exists).
SinkRef open_wav_writer(const FormatBuffer& format, const std::string& path);
SinkRef open_wav_writer(const WaveFormat& format, const std::string& path);
// The recording format: 44,100 Hz, stereo, 16 bits.
SinkRef open_aiff_writer(const std::string& path);
// Any rate and channel count (conversions), 16 bits.
SinkRef open_aiff_writer(const std::string& path, int rate, int channels);

// The PCM WAV and AIFF writers on a file the caller has opened (null: a failed sink),
// for callers that hold their own file; the header goes at offset 0.
SinkRef open_wav_writer_on(std::unique_ptr<BinaryFile> file, int rate, int channels, int bits);
SinkRef open_aiff_writer_on(std::unique_ptr<BinaryFile> file, int rate, int channels);

// Conversion without a rate or channel change: `frames` 16-bit little-endian frames read
// from `in` at its position go into a new 16-bit AIFF file with only their byte order
// changed (the bytes the conversion chain gives), in large blocks, the file's room set
// aside up front. The pump's outcome; `created` false when the output could not be made.
Outcome copy_little16_to_aiff(BinaryFile& in, int64_t frames, const std::string& path, int rate, int channels,
                          ProgressDisplay* progress, bool& created);

}  // namespace vt

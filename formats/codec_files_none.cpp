// Builds without the system's audio compression manager: no codec is installed.
#include "formats/codec_files.h"

namespace vt {

AudioSink* new_codec_wav_writer(const FormatBuffer&, const std::string&) { return new NullSink(); }

AudioSource* new_codec_reader(std::unique_ptr<BinaryFile>, const uint8_t*, int, int64_t, int64_t) {
  return new SilenceSource(kSourceNoCodec);
}

}  // namespace vt

// Fuzz target for conversion and playback chains: a fuzzed WAV, AIFF or MP3 file goes
// through the converters to random rates, channel counts and speeds, and into a writer.
// The first eight bytes choose the chain; the rest is the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/tempo_filter.h"
#include "audio/transforms.h"
#include "formats/file_readers.h"
#include "formats/file_writers.h"
#include "formats/mp3_decoder.h"

namespace {

const int32_t kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000, 192000, 196000};

std::string scratch_path(const char* name) {
  static std::string base = "/tmp/vt-chains-fuzz-" + std::to_string(getpid());
  return base + name;
}

// Lets a copy run for a few blocks only: inputs may claim lengths of hours.
class FewBlocks : public vt::ProgressDisplay {
 public:
  void set_progress_fraction(double) override {}
  bool pump_and_check_cancel() override { return ++calls_ > 24; }

 private:
  int calls_ = 0;
};

vt::SourceRef open_input(uint8_t kind, const uint8_t* data, size_t size) {
  // Reader: 0 WAV, 1 AIFF, 2 and 3 MP3.
  if (kind & 2) return vt::open_mp3_memory(data, size);
  std::string path = scratch_path(kind & 1 ? "-in.aif" : "-in.wav");
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return vt::SourceRef(new vt::SilenceSource(vt::kSourceCannotOpen));
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  return kind & 1 ? vt::open_aiff_reader(path) : vt::open_wav_reader(path);
}

double speed_of(uint8_t byte) { return (static_cast<int>(byte) - 128) / 16.0; }  // -8 ... +7.9

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const uint8_t kind = data[0], rate_pick = data[1], channels = 1 + (data[2] & 1), bits = data[2] & 2 ? 8 : 16;
  const int32_t rate = rate_pick < 200 ? kRates[rate_pick % 10] : 1000 + (data[3] << 8 | data[4]) * 3;
  vt::SourceRef source = open_input(kind, data + 8, size - 8);
  if (source->status != vt::kSourceOk) return 0;

  if (kind & 4) {
    // Playback: speed glide, then the converters, read and sought a little.
    vt::SourceRef chain(new vt::TempoFilter(source, speed_of(data[5]), speed_of(data[6]), data[7] * 40));
    vt::convert_format(chain, rate, channels);
    std::vector<int32_t> buffer(static_cast<size_t>(vt::kMaxFramesPerCall) * chain->channels);
    for (int i = 0; i < 12; ++i) chain->read(buffer.data(), 1 + (i * 997 + data[7]) % vt::kMaxFramesPerCall);
    chain->seek(data[5] * 300);
    chain->read(buffer.data(), vt::kMaxFramesPerCall);
    chain->position();
    chain->length();
    return 0;
  }
  // Conversion into a file, as save-as does.
  std::string out = scratch_path(kind & 8 ? "-out.aif" : "-out.wav");
  vt::SinkRef sink = kind & 8 ? vt::open_aiff_writer(out, rate, channels)
                              : vt::open_wav_writer(vt::make_pcm_format(channels, bits, rate), out);
  FewBlocks progress;
  vt::pump_to_sink(source, sink, &progress);
  return 0;
}

#include "audio/stream.h"

#include <cstring>

namespace vt {

AudioSource::AudioSource(int32_t rate, int32_t bound, int channel_count)
    : sample_rate(rate), peak_bound(bound), channels(static_cast<uint8_t>(channel_count)) {
  if (sample_rate <= 0) {
    sample_rate = 44100;
    status = kSourceBadFormat;
  }
  if (channel_count <= 0 || channel_count > 255) {
    channels = 1;
    status = kSourceBadFormat;
  }
}

AudioSink::AudioSink(int32_t rate, int channel_count)
    : sample_rate(rate), channels(static_cast<uint8_t>(channel_count)) {
  if (channel_count <= 0 || channel_count > 255) {
    channels = 1;
    status |= kSinkFailed;
  }
}

SilenceSource::SilenceSource(uint8_t status_code) : AudioSource(11025, 0x200000, 1) {
  status = status_code;
}

void SilenceSource::read(int32_t* buffer, int frames) {
  if (frames > 0) std::memset(buffer, 0, sizeof(int32_t) * static_cast<size_t>(frames));
}

NullSink::NullSink() : AudioSink(44100, 1) { status |= kSinkFailed; }

AudioSource* new_placeholder(AudioSource*) { return new SilenceSource(kSourceEmpty); }
AudioSink* new_placeholder(AudioSink*) { return new NullSink(); }

AudioFilter::AudioFilter(const SourceRef& upstream)
    : AudioSource(upstream->sample_rate, upstream->peak_bound, upstream->channels), upstream_(upstream) {
  if (upstream->status != kSourceOk) status = kSourceUpstreamBad;
}

}  // namespace vt

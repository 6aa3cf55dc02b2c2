#include "audio/channel_converters.h"

namespace vt {

StereoToMono::StereoToMono(const SourceRef& upstream)
    : AudioFilter(upstream), work_(static_cast<size_t>(kMaxFramesPerCall) * upstream->channels) {
  channels = 1;
}

void StereoToMono::read(int32_t* buffer, int frames) {
  upstream_->read(work_.data(), frames);
  const int stride = upstream_->channels;
  const int32_t* in = work_.data();
  for (int i = 0; i < frames; ++i, in += stride) buffer[i] = in[0];
}

MonoToStereo::MonoToStereo(const SourceRef& upstream)
    : AudioFilter(upstream), work_(static_cast<size_t>(kMaxFramesPerCall) * upstream->channels) {
  channels = 2;
}

void MonoToStereo::read(int32_t* buffer, int frames) {
  upstream_->read(work_.data(), frames);
  const int stride = upstream_->channels;
  const int32_t* in = work_.data();
  for (int i = 0; i < frames; ++i, in += stride) {
    buffer[2 * i] = in[0];
    buffer[2 * i + 1] = in[0];
  }
}

}  // namespace vt

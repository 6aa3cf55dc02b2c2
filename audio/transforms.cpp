#include "audio/transforms.h"

#include <vector>

#include "audio/channel_converters.h"
#include "audio/peak_limiter.h"
#include "audio/resampler.h"
#include "audio/tempo_filter.h"

namespace vt {

SourceRef ChannelTransform::apply(const SourceRef& source) const {
  if (source->status != kSourceOk || target_ == 0 || source->channels == 0) return source;
  if (source->channels == 2 && target_ == 1) return SourceRef(new StereoToMono(source));
  if (source->channels == 1 && target_ == 2) return SourceRef(new MonoToStereo(source));
  return source;
}

SourceRef RateTransform::apply(const SourceRef& source) const {
  if (source->status != kSourceOk || source->sample_rate == target_) return source;
  if (target_ < source->sample_rate / 4) {
    // A large reduction goes in two stages: a steep one to twice the target first.
    SourceRef half_way(new Resampler(source, target_ * 2, true));
    return SourceRef(new Resampler(half_way, target_, false));
  }
  return SourceRef(new Resampler(source, target_, false));
}

SourceRef LimitTransform::apply(const SourceRef& source) const {
  if (limit_ < source->peak_bound) return SourceRef(new PeakLimiter(source, limit_));
  return source;
}

SourceRef TempoTransform::apply(const SourceRef& source) const {
  return SourceRef(new TempoFilter(source, speeds_[0], speeds_[1], glide_ms_));
}

void convert_format(SourceRef& source, int32_t target_rate, uint8_t target_channels) {
  // Fewer channels first, so that rate conversion works on fewer channels.
  if (target_channels < source->channels) source = ChannelTransform(target_channels).apply(source);
  if (target_rate != source->sample_rate) source = RateTransform(target_rate).apply(source);
  if (target_channels != source->channels) source = ChannelTransform(target_channels).apply(source);
}

Outcome pump_to_sink(SourceRef source, SinkRef sink, ProgressDisplay* progress, double start, double span) {
  if (source->status != kSourceOk || sink->failed()) return Outcome::kFailed;
  convert_format(source, sink->sample_rate, sink->channels);
  source = LimitTransform(kFullScale).apply(source);
  // A converter may refuse the rates it was given (a source far below the target).
  if (source->status != kSourceOk) return Outcome::kFailed;

  // Compressed sources refine their length as they are read (an estimate until the end):
  // the rest is asked again before every block.
  const int32_t first = source->position();
  int64_t copied = 0;
  std::vector<int32_t> buffer(static_cast<size_t>(kMaxFramesPerCall) * source->channels);
  for (;;) {
    int64_t remaining = static_cast<int64_t>(source->length()) - first - copied;
    if (remaining <= 0) break;
    if (progress && progress->pump_and_check_cancel()) return Outcome::kStopped;
    int n = remaining < kMaxFramesPerCall ? static_cast<int>(remaining) : kMaxFramesPerCall;
    source->read(buffer.data(), n);
    // The end may have turned up inside this block: only what lies before it is audio.
    const int64_t now = static_cast<int64_t>(source->length()) - first - copied;
    if (now < n) n = now > 0 ? static_cast<int>(now) : 0;
    if (n > 0) sink->write(buffer.data(), n);
    // A sink that failed mid-way (disk full, pipe closed) must not be reported as done.
    if (sink->failed()) return Outcome::kFailed;
    if (progress) progress->set_progress_fraction(start + static_cast<double>(copied) / (copied + remaining) * span);
    if (n <= 0) break;
    copied += n;
  }
  return Outcome::kDone;
}

}  // namespace vt

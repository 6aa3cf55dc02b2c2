#include "audio/tempo_filter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/time_units.h"
#include "audio/peak_limiter.h"

namespace vt {

namespace {

// Rounds a sample offset down to whole frames (towards minus infinity).
int64_t floor_to_frames(int64_t samples, int channels) {
  int64_t q = samples / channels;
  if (samples % channels != 0 && samples < 0) --q;
  return q * channels;
}

}  // namespace

TempoFilter::TempoFilter(const SourceRef& upstream, double start_speed, double end_speed, int32_t glide_ms)
    : AudioFilter(upstream) {
  int32_t w = sample_rate / 90;  // about 11 ms
  if (w < 20) w = 20;
  if (w > 2730) w = 2730;
  window_ = w * channels;
  hop_ = static_cast<int64_t>(window_ * start_speed);
  end_hop_ = static_cast<int64_t>(window_ * end_speed);
  glide_left_ = glide_ms > 0 ? static_cast<int64_t>(ms_to_frames(glide_ms, sample_rate)) * channels : 0;
  if (glide_left_ <= 0) hop_ = end_hop_;  // no glide: straight to the final speed

  crossfade_.resize(static_cast<size_t>(window_));
  const int32_t half = window_ / 2, m = window_ - half;
  for (int32_t k = 0; k < half; ++k) crossfade_[k] = kUnityGain;
  for (int32_t k = 0; k < m; ++k)
    crossfade_[half + k] = static_cast<int32_t>(std::floor((std::cos(M_PI * k / m) * 0.5 + 0.5) * 16777216.0 + 0.5));
  // A window needs 2w samples beyond its hop, backwards or forwards: room for the largest
  // hop of the glide as well as for the usual 8w.
  // Whole frames: hops are taken to whole frames (a backward one rounds away from zero),
  // and the buffer is filled frame by frame.
  const int64_t largest_hop = -floor_to_frames(-std::max(std::llabs(hop_), std::llabs(end_hop_)), channels);
  buffer_.assign(static_cast<size_t>(std::max<int64_t>(8 * int64_t{window_}, 4 * int64_t{window_} + largest_hop)), 0);
  scratch_.assign(static_cast<size_t>(kMaxFramesPerCall) * channels, 0);
  reset(static_cast<int64_t>(upstream_->position()) * channels);
}

void TempoFilter::fill_from_upstream(int64_t first, int32_t* dest, int64_t count) {
  // Before the stream's start there is silence.
  if (first < 0) {
    int64_t silent = std::min(count, -first);
    std::memset(dest, 0, sizeof(int32_t) * static_cast<size_t>(silent));
    dest += silent;
    count -= silent;
    first += silent;
  }
  if (count <= 0) return;
  if (first != upstream_at_) {
    upstream_->seek(static_cast<int32_t>(first / channels));
    upstream_at_ = first;
  }
  while (count > 0) {
    int64_t frames = std::min<int64_t>(count / channels, kMaxFramesPerCall);
    if (frames == 0) {  // never with whole-frame ranges; a part frame stays silent
      std::memset(dest, 0, sizeof(int32_t) * static_cast<size_t>(count));
      break;
    }
    upstream_->read(dest, static_cast<int>(frames));
    dest += frames * channels;
    count -= frames * channels;
    upstream_at_ += frames * channels;
  }
}

void TempoFilter::ensure_range(int64_t low, int64_t high) {
  const int64_t capacity = static_cast<int64_t>(buffer_.size());
  if (low >= origin_ && high <= origin_ + fill_) return;
  if (high - low > capacity || low < origin_ - 2 * window_ || low >= origin_ + fill_ || high <= origin_) {
    // Far away: start afresh at the range.
    origin_ = low;
    fill_ = capacity;
    fill_from_upstream(origin_, buffer_.data(), fill_);
    return;
  }
  if (low >= origin_) {
    // Forwards: keep what overlaps, move it down and fill the freed tail.
    int64_t keep = origin_ + fill_ - low;
    std::memmove(buffer_.data(), buffer_.data() + (low - origin_), sizeof(int32_t) * static_cast<size_t>(keep));
    origin_ = low;
    fill_from_upstream(origin_ + keep, buffer_.data() + keep, capacity - keep);
    fill_ = capacity;
  } else {
    // Backwards: move the content up and fill the front from further back.
    int64_t shift = origin_ - low;
    int64_t keep = std::min(fill_, capacity - shift);
    std::memmove(buffer_.data() + shift, buffer_.data(), sizeof(int32_t) * static_cast<size_t>(keep));
    origin_ = low;
    fill_from_upstream(origin_, buffer_.data(), shift);
    fill_ = shift + keep;
  }
}

void TempoFilter::reset(int64_t start_sample) {
  index_ = 0;
  origin_ = start_sample;
  fill_ = 0;
  upstream_at_ = start_sample;
  if (hop_ >= 0) {
    a_ = b_ = start_sample;
  } else {
    // Backwards the first segment lies just before the start point.
    a_ = b_ = floor_to_frames(start_sample - 2 * window_, channels);
  }
  ensure_range(std::min(a_, b_), std::max(a_ + window_, b_ + 2 * window_));
}

void TempoFilter::next_window() {
  const int64_t segment_start = b_;
  a_ = b_ + window_;  // A continues the segment that B faded in
  b_ = segment_start + floor_to_frames(hop_, channels);
  index_ = 0;
  if (glide_left_ > 0) {
    hop_ += (end_hop_ - hop_) * window_ / glide_left_;
    glide_left_ -= window_;
    if (glide_left_ <= 0) hop_ = end_hop_;
  }
  ensure_range(std::min(a_, b_), std::max(a_ + window_, b_ + 2 * window_));
}

void TempoFilter::read(int32_t* out, int frames) {
  int64_t samples = static_cast<int64_t>(frames) * channels;
  const int32_t half = window_ / 2;
  while (samples > 0) {
    if (index_ == window_) next_window();
    if (index_ < half) {
      // First half: the current segment unchanged.
      int64_t run = std::min<int64_t>(half - index_, samples);
      std::memcpy(out, buffer_.data() + (a_ + index_ - origin_), sizeof(int32_t) * static_cast<size_t>(run));
      out += run;
      index_ += static_cast<int32_t>(run);
      samples -= run;
      continue;
    }
    int32_t fade = crossfade_[index_];
    *out++ = q24_multiply(fade, sample_at(a_ + index_)) + q24_multiply(kUnityGain - fade, sample_at(b_ + index_));
    ++index_;
    --samples;
  }
}

int32_t TempoFilter::position() {
  int64_t frame = (b_ + index_) / channels;
  if (frame < 0) frame = 0;
  return static_cast<int32_t>(frame);
}

void TempoFilter::seek(int32_t frame) {
  if (frame < 0) frame = 0;
  upstream_->seek(frame);
  reset(static_cast<int64_t>(frame) * channels);
}

}  // namespace vt

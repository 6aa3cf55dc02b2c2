// Variable-speed playback (cueing) by overlapping windows with a raised-cosine crossfade.
// The pitch is kept; the input advances by one hop per window of output, backwards for
// negative speeds.
#pragma once
#include <cstdint>
#include <vector>

#include "audio/stream.h"

namespace vt {

class TempoFilter : public AudioFilter {
 public:
  // Glides from `start_speed` to `end_speed` over `glide_ms`; 1.0 is normal speed.
  TempoFilter(const SourceRef& upstream, double start_speed, double end_speed, int32_t glide_ms);
  void read(int32_t* buffer, int frames) override;
  int32_t position() override;
  int32_t length() override { return upstream_->length(); }
  void seek(int32_t frame) override;

  int32_t window_samples() const { return window_; }

 private:
  void reset(int64_t start_sample);
  void next_window();
  // Makes samples [low, high) (absolute upstream sample indices) available in the buffer.
  void ensure_range(int64_t low, int64_t high);
  void fill_from_upstream(int64_t first_sample, int32_t* dest, int64_t count);
  int32_t sample_at(int64_t absolute) const { return buffer_[static_cast<size_t>(absolute - origin_)]; }

  int32_t window_;   // w, in samples (frames times channels)
  int64_t hop_;      // h, in samples
  int64_t end_hop_;
  int64_t glide_left_;  // samples of glide still to go
  std::vector<int32_t> crossfade_;  // Q24, w entries
  std::vector<int32_t> buffer_;     // 8w samples of upstream audio, more for long hops
  std::vector<int32_t> scratch_;
  int64_t origin_ = 0;  // absolute sample index of buffer_[0]
  int64_t fill_ = 0;    // valid samples in buffer_
  int64_t upstream_at_ = 0;  // absolute sample index the upstream will deliver next
  int64_t a_ = 0;       // start of this window's A run (continues the previous B)
  int64_t b_ = 0;       // start of this window's B run (the new segment)
  int32_t index_ = 0;   // sample index within the window
};

}  // namespace vt

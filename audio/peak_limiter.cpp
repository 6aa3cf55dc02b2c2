#include "audio/peak_limiter.h"

#include <cstring>

#include "audio/levels.h"

namespace vt {

PeakLimiter::PeakLimiter(const SourceRef& upstream, int32_t limit) : AudioFilter(upstream) {
  if (limit > 0x3FFFFF) limit = 0x3FFFFF;
  if (limit < 1) limit = 1;
  limit_ = limit;
  peak_bound = limit;
  int32_t b = sample_rate / 35;  // about 29 ms
  if (b < 20) b = 20;
  if (b > kMaxFramesPerCall) b = kMaxFramesPerCall;
  block_ = b;
  for (auto& block : blocks_) block.assign(static_cast<size_t>(b) * channels, 0);
}

int32_t PeakLimiter::gain_of(int32_t peak) const {
  if (peak <= limit_) return kUnityGain;
  int32_t scaled_peak = static_cast<int32_t>((static_cast<int64_t>(peak) + 64) >> 6);
  return ((limit_ * 512) / scaled_peak) * 512;
}

void PeakLimiter::load_block(int slot) {
  upstream_->read(blocks_[slot].data(), block_);
  block_gain_[slot] = gain_of(peak_magnitude(blocks_[slot].data(), block_, channels));
}

// Sets the increment so that the running gain meets the target exactly at the block's end.
void PeakLimiter::ramp() {
  int32_t target = g_cur_ < g_next_ ? g_cur_ : g_next_;
  int32_t average = (g_prev_ + g_cur_ + g_next_ + g_after_) >> 2;
  if (average < target) target = average;
  int32_t d = target - gain_;
  gain_ += d % block_;
  delta_ = d / block_;
}

void PeakLimiter::prime() {
  for (int slot = 0; slot < 3; ++slot) load_block(slot);
  current_ = 0;
  g_prev_ = g_cur_ = block_gain_[0];
  g_next_ = block_gain_[1];
  g_after_ = block_gain_[2];
  gain_ = g_cur_;
  ramp();
  index_ = 0;
  primed_ = true;
}

void PeakLimiter::read(int32_t* out, int frames) {
  if (!primed_) prime();
  const int ch = channels;
  while (frames > 0) {
    if (index_ == block_) {
      // The block just played is the oldest: it receives the next upstream block.
      load_block(current_);
      int32_t newest = block_gain_[current_];
      current_ = (current_ + 1) % 3;
      g_prev_ = g_cur_;
      g_cur_ = g_next_;
      g_next_ = g_after_;
      g_after_ = newest;
      ramp();
      index_ = 0;
    }
    const int32_t* in = blocks_[current_].data() + static_cast<size_t>(index_) * ch;
    if (gain_ < kUnityGain || delta_ != 0) {
      for (int c = 0; c < ch; ++c) out[c] = q24_multiply(gain_, in[c]);
      gain_ += delta_;
      out += ch;
      ++index_;
      --frames;
    } else {
      int run = block_ - index_;
      if (run > frames) run = frames;
      std::memcpy(out, in, sizeof(int32_t) * static_cast<size_t>(run) * ch);
      out += run * ch;
      index_ += run;
      frames -= run;
    }
  }
}

int32_t PeakLimiter::position() {
  if (!primed_) return upstream_->position();
  return upstream_->position() + index_ - 3 * block_;
}

void PeakLimiter::seek(int32_t frame) {
  upstream_->seek(frame);
  prime();
}

}  // namespace vt

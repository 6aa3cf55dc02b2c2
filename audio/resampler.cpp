#include "audio/resampler.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vt {

namespace {

constexpr int kBufferFrames = 32768;
constexpr int kHistory = kResamplerTaps;  // frames kept ahead of each block

// Modified Bessel function of order 0 by its power series, six terms.
double bessel_i0(double x) {
  double sum = 1.0, term = 1.0, half = x / 2.0;
  for (int m = 1; m <= 6; ++m) {
    term *= (half / m) * (half / m);
    sum += term;
  }
  return sum;
}

int32_t round_half_away(double x) {
  return static_cast<int32_t>(x >= 0 ? std::floor(x + 0.5) : std::ceil(x - 0.5));
}

}  // namespace

ResamplerDesign design_resampler(int32_t source_rate, int32_t target_rate, bool steep) {
  ResamplerDesign d;
  double ratio = static_cast<double>(source_rate) / target_rate;
  // Smallest phase count whose rational step matches the ratio within 0.001.
  double best = ratio;
  bool matched = false;
  for (int i = 1; i <= 255; ++i) {
    uint16_t rounded = static_cast<uint16_t>(static_cast<int64_t>(ratio * i + 0.5));
    double error = std::fabs(ratio - static_cast<double>(rounded) / i);
    if (error < best) {
      d.phases = i;
      matched = error < 0.001;
      if (matched) break;
      best = error;
    }
  }
  d.step = static_cast<int>(ratio * d.phases + 0.5);
  // Where the search ends without a match, accept the step only when it is as close
  // relative to the ratio as the search's tolerance.
  if (d.step <= 0 || (!matched && std::fabs(static_cast<double>(d.step) / d.phases - ratio) > 0.001 * ratio)) {
    d.usable = false;
    d.phases = d.step = 1;
  }
  const bool upsampling = source_rate < target_rate;
  d.beta = upsampling ? 2.12 : 4.538;
  if (upsampling)
    d.cutoff = 0.975;
  else
    d.cutoff = static_cast<double>(target_rate) / source_rate - (steep ? 0.09375 : 0.046875);
  // Large reductions leave no room for the fixed transition band: the cut-off would fall
  // far into the band that is kept, or to zero and below. There, cut at half the
  // target's band: for the steep first stage, the whole band the final rate keeps.
  const double narrowest = 0.5 * target_rate / source_rate;
  if (!upsampling && d.cutoff < 0.5 * narrowest) d.cutoff = narrowest;

  d.taps.resize(static_cast<size_t>(d.phases) * kResamplerTaps);
  const double scale = 65536.0 * d.cutoff / bessel_i0(d.beta);
  for (int j = 0; j < d.phases; ++j) {
    for (int k = 0; k < kResamplerTaps; ++k) {
      double u = k - 31 - static_cast<double>(j) / d.phases;
      double tap;
      if (u == 0) {
        tap = 65536.0 * d.cutoff;
      } else {
        double x = M_PI * d.cutoff * u;
        tap = scale * bessel_i0(d.beta * std::sqrt(1.0 - u * u / 1024.0)) * std::sin(x) / x;
      }
      d.taps[static_cast<size_t>(j) * kResamplerTaps + k] = round_half_away(tap);
    }
  }
  return d;
}

Resampler::Resampler(const SourceRef& upstream, int32_t target_rate, bool steep)
    : AudioFilter(upstream),
      buffer_(static_cast<size_t>(kBufferFrames + kHistory) * upstream->channels, 0) {
  const int32_t source_rate = sample_rate;
  if (target_rate <= 0) {
    target_rate = 44100;
    status = kSourceBadFormat;
  }
  sample_rate = target_rate;
  design_ = design_resampler(source_rate, target_rate, steep);
  if (!design_.usable) status = kSourceBadFormat;
  // The filter can overshoot; bounds above 0x100000 are already generous.
  if (peak_bound <= 0x100000) peak_bound *= 2;
}

void Resampler::refill() {
  const int ch = channels;
  if (fill_ >= kBufferFrames - 256) {
    std::memmove(buffer_.data(), buffer_.data() + static_cast<size_t>(fill_) * ch,
                 sizeof(int32_t) * kHistory * ch);
    read_pos_ -= fill_;
    fill_ = 0;
  }
  int32_t* block = buffer_.data() + static_cast<size_t>(fill_) * ch;
  if (shift_ > 0) {
    for (int i = 0; i < kHistory * ch; ++i) block[i] = static_cast<int32_t>(static_cast<uint32_t>(block[i]) << shift_);
  }
  int m = kBufferFrames - fill_;
  if (m > kMaxFramesPerCall) m = kMaxFramesPerCall;
  upstream_->read(block + kHistory * ch, m);

  const int count = (m + kHistory) * ch;
  int32_t largest = 0, smallest = 0;
  block_extremes(kernel_, block, count, &largest, &smallest);
  uint32_t peak = static_cast<uint32_t>(largest);
  uint32_t negated = static_cast<uint32_t>(-static_cast<int64_t>(smallest));
  if (negated > peak) peak = negated;
  // Normalise the block to 15 bits so that the inner products fit 32-bit sums.
  int s = 0;
  while ((peak >> s) > 32767) ++s;
  shift_ = s;
  normalise_block(kernel_, block, count, s);
  if (kernel_ != ResamplerKernel::scalar && ch <= 2) {
    // The SIMD forms read 16-bit planes of the same samples.
    const size_t plane = kBufferFrames + kHistory;
    if (narrow_.size() != plane * ch) narrow_.assign(plane * ch, 0);
    int16_t* planes[2] = {narrow_.data() + fill_, ch > 1 ? narrow_.data() + plane + fill_ : nullptr};
    block_fits_ = narrow_block(kernel_, block, m + kHistory, ch, planes);
  }
  fill_ += m;
}

bool Resampler::use_kernel(ResamplerKernel kernel) {
  if (!resampler_kernel_supported(kernel)) return false;
  kernel_ = kernel;
  // The 16-bit planes follow the blocks from the next refill on.
  block_fits_ = false;
  return true;
}

void Resampler::read(int32_t* out, int frames) {
  if (!design_.usable) {
    std::memset(out, 0, sizeof(int32_t) * static_cast<size_t>(frames) * channels);
    return;
  }
  if (!narrow_ready_) {
    narrow_taps_ = narrow_taps(design_.taps, design_.phases);
    narrow_ready_ = true;
  }
  FilterRun run;
  run.wide = buffer_.data();
  run.channels = channels;
  run.taps = design_.taps.data();
  run.phases = design_.phases;
  run.step = design_.step;
  run.narrow_taps = &narrow_taps_;
  run.read_pos = read_pos_;
  run.phase = phase_;
  const size_t plane = kBufferFrames + kHistory;
  while (frames > 0) {
    run.fill = fill_;
    run.out_shift = 15 - shift_;
    const bool narrow = block_fits_ && kernel_ != ResamplerKernel::scalar;
    if (narrow) {
      run.narrow[0] = narrow_.data();
      run.narrow[1] = channels > 1 ? narrow_.data() + plane : nullptr;
    }
    int made = filter_run(narrow ? kernel_ : ResamplerKernel::scalar, run, out, frames);
    out += static_cast<size_t>(made) * channels;
    frames -= made;
    if (frames > 0) {
      // The next frame starts past the data: refill until it does not.
      read_pos_ = run.read_pos;
      phase_ = run.phase;
      while (read_pos_ >= fill_) refill();
      run.read_pos = read_pos_;
      run.wide = buffer_.data();
    }
  }
  read_pos_ = run.read_pos;
  phase_ = run.phase;
}

int32_t Resampler::position() {
  int32_t a = upstream_->position() + read_pos_ - fill_ - 32;
  return scale_frames(a, design_.phases, design_.step);
}

int32_t Resampler::length() { return scale_frames(upstream_->length(), design_.phases, design_.step); }

void Resampler::seek(int32_t frame) {
  if (frame < 0) frame = 0;
  const int ch = channels;
  const int L = design_.phases;
  int32_t start = scale_frames(frame, design_.step, L) - 31;
  fill_ = 0;
  read_pos_ = 32;
  phase_ = static_cast<int32_t>(static_cast<int64_t>(frame % L) * design_.step % L);
  shift_ = 0;
  // The 31 frames of history before the target; before the stream's start they are silence.
  int32_t* history = buffer_.data() + static_cast<size_t>(32) * ch;
  int silent = start < 0 ? -start : 0;
  std::memset(history, 0, sizeof(int32_t) * silent * ch);
  upstream_->seek(start < 0 ? 0 : start);
  if (silent < 31) upstream_->read(history + silent * ch, 31 - silent);
}

}  // namespace vt

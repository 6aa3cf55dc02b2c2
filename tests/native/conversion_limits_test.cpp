// Conversion chains at the edges of their range: rates far apart, fast cueing in both
// directions, and sources whose length is only known once their end has been read.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/resampler.h"
#include "audio/tempo_filter.h"
#include "audio/transforms.h"
#include "tests/native/test_streams.h"

namespace vt {
namespace {

using vt_test::read_all;
using vt_test::sine;
using vt_test::VectorSink;
using vt_test::VectorSource;

SourceRef source_of(std::vector<int32_t> samples, int32_t rate, int channels) {
  return SourceRef(new VectorSource(std::move(samples), rate, channels));
}

TEST(ResamplerLimits, SourceFarBelowTheTargetIsRefusedNotPlayedAtAWrongSpeed) {
  // 10 and 86 Hz left no step at all; 100 and 127 Hz found one at twice or more the speed.
  for (int32_t rate : {10, 86, 100, 127}) {
    SourceRef chain = source_of(std::vector<int32_t>(rate * 2, 1000), rate, 1);
    convert_format(chain, 44100, 1);
    EXPECT_EQ(kSourceBadFormat, chain->status) << rate;
    std::vector<int32_t> out = read_all(*chain, 1000);
    EXPECT_EQ(std::vector<int32_t>(1000, 0), out) << rate;
    EXPECT_GE(chain->length(), 0);

    auto* sink = new VectorSink(44100, 1);
    SinkRef sink_ref(sink);
    EXPECT_EQ(Outcome::kFailed, pump_to_sink(source_of(std::vector<int32_t>(rate * 2, 1000), rate, 1), sink_ref, nullptr))
        << rate;
    EXPECT_EQ(0, sink->frames_written) << rate;
  }
  // A near miss of the search that is still close relative to the ratio stays usable.
  ResamplerDesign near = design_resampler(44056, 22050, false);
  EXPECT_TRUE(near.usable);
  EXPECT_NEAR(44056.0 / 22050, double(near.step) / near.phases, 0.001 * 2);
  EXPECT_TRUE(design_resampler(8000, 44100, false).usable);
}

// Normalised correlation of `out` with a sine of `hz` at `rate`, and its level against `peak`.
void measure(const std::vector<int32_t>& out, int32_t rate, double hz, double peak, double* correlation,
             double* level_db) {
  double xy = 0, xx = 0, yy = 0;
  for (size_t i = rate / 10; i < out.size() - rate / 10; ++i) {
    double ref = std::sin(2 * M_PI * hz * double(i) / rate);
    xy += out[i] * ref;
    xx += double(out[i]) * out[i];
    yy += ref * ref;
  }
  *correlation = xy / std::sqrt(xx * yy + 1e-9);
  *level_db = 10 * std::log10(xx / (yy * peak * peak) + 1e-30);
}

TEST(ResamplerLimits, LargeReductionStillPassesItsBandAndStopsWhatWouldFoldBack) {
  const int32_t from = 196000, to = 8000, peak = 0x40000;
  double correlation = 0, level = 0;
  SourceRef kept = source_of(sine(from, 1000, peak, from), from, 1);
  convert_format(kept, to, 1);
  ASSERT_EQ(kSourceOk, kept->status);
  measure(read_all(*kept, to), to, 1000, peak, &correlation, &level);
  EXPECT_GT(correlation, 0.99);  // same sign, same shape
  EXPECT_NEAR(0.0, level, 1.5);

  // 14 kHz would fold back onto 2 kHz.
  SourceRef folded = source_of(sine(from, 14000, peak, from), from, 1);
  convert_format(folded, to, 1);
  measure(read_all(*folded, to), to, 2000, peak, &correlation, &level);
  EXPECT_LT(level, -40.0);
}

// Upstream frame i holds i + 1000, so every sample tells where it was read from.
SourceRef numbered_source(int32_t frames) {
  std::vector<int32_t> samples(static_cast<size_t>(frames));
  for (int32_t i = 0; i < frames; ++i) samples[i] = i + 1000;
  return source_of(std::move(samples), 44100, 1);
}

// The first half of every window is one untouched run of the upstream; successive runs
// start one hop apart.
void expect_runs_follow_the_hops(TempoFilter& tempo, int windows, double start_speed, double end_speed) {
  const int w = tempo.window_samples();
  std::vector<int32_t> out = read_all(tempo, w * windows);
  int32_t previous_start = 0;
  for (int k = 0; k < windows; ++k) {
    const int32_t* run = out.data() + static_cast<size_t>(k) * w;
    for (int i = 1; i < w / 2; ++i) ASSERT_EQ(run[0] + i, run[i]) << "window " << k << " sample " << i;
    ASSERT_GE(run[0], 1000) << "window " << k;
    if (k > 1) {
      int32_t hop = run[0] - previous_start;
      double low = std::min(start_speed, end_speed) * w - 1, high = std::max(start_speed, end_speed) * w + 1;
      ASSERT_GE(hop, low) << "window " << k;
      ASSERT_LE(hop, high) << "window " << k;
    }
    previous_start = run[0];
  }
}

TEST(TempoLimits, FastCueingInBothDirectionsReadsOnlyItsOwnBuffer) {
  const int32_t minute = 44100 * 60;
  {
    TempoFilter rewind(numbered_source(minute), -6.5, -6.5, 0);
    rewind.seek(44100 * 50);
    expect_runs_follow_the_hops(rewind, 500, -6.5, -6.5);  // 5.5 s of output, 36 s back
  }
  {
    TempoFilter glide(numbered_source(minute), -0.5, -7.0, 8000);
    glide.seek(44100 * 50);
    expect_runs_follow_the_hops(glide, 700, -7.0, -0.5);
  }
  {
    TempoFilter forward(numbered_source(minute), 8.0, 8.0, 0);
    expect_runs_follow_the_hops(forward, 500, 8.0, 8.0);
  }
}

// Stereo: left counts up, right holds the left plus 3,000,000. A crossfade of two
// segments keeps that difference but for the fixed-point rounding of its two products
// per channel; swapped channels turn it round.
class StereoCount : public AudioSource {
 public:
  explicit StereoCount(int32_t frames) : AudioSource(44100, kFullScale, 2), frames_(frames) {}
  void read(int32_t* out, int frames) override {
    for (int i = 0; i < frames; ++i, ++position_) {
      const int32_t value = position_ < frames_ ? position_ : 0;
      out[2 * i] = value;
      out[2 * i + 1] = value + 3000000;
    }
  }
  void seek(int32_t frame) override { position_ = frame; }
  int32_t position() override { return position_; }
  int32_t length() override { return frames_; }

 private:
  int32_t frames_, position_ = 0;
};

// Speeds whose hop is not a whole number of stereo frames (490-frame windows at -7.0625
// make 6,921.25 samples) once sized the buffer in part frames, and filling it never ended.
TEST(TempoLimits, HopsOfPartFramesKeepChannelsApartAndEnd) {
  for (double speed : {-7.0625, 5.15, 0.55}) {
    TempoFilter filter(SourceRef(new StereoCount(44100 * 60)), speed, speed, 0);
    filter.seek(44100 * 20);
    std::vector<int32_t> out(2 * 4096);
    for (int block = 0; block < 20; ++block) {
      filter.read(out.data(), 4096);
      for (size_t i = 0; i < out.size(); i += 2) ASSERT_NEAR(3000000, out[i + 1] - out[i], 16) << speed << " block " << block;
    }
  }
}

// Behaves as a compressed file does: its length is an estimate (`guess`) while it is
// read and becomes the frames really delivered once the end has been reached.
class EstimatingSource : public AudioSource {
 public:
  EstimatingSource(int32_t real, int32_t guess) : AudioSource(44100, kFullScale, 1), real_(real), length_(guess) {}
  void read(int32_t* out, int frames) override {
    for (int i = 0; i < frames; ++i) out[i] = position_ + i < real_ ? 1000 : 0;
    if (position_ < real_ && position_ + frames >= real_) length_ = real_;
    position_ += frames;
    // Still reading: at least one frame more than delivered so far.
    if (position_ < real_ && length_ <= position_) length_ = position_ + 1152;
  }
  int32_t position() override { return position_; }
  int32_t length() override { return length_; }

 private:
  int32_t real_, position_ = 0, length_;
};

TEST(PumpToSinkLengths, FollowsALengthThatIsRefinedWhileReading) {
  struct Case { int32_t real, guess, rate; };
  const Case cases[] = {{441000, 375000, 44100},    // estimate 15 % short
                        {20000, 180000, 44100},     // nine times too long
                        {441000, 375000, 48000}};   // the same through a resampler
  for (const Case& c : cases) {
    auto* sink = new VectorSink(c.rate, 1);
    SinkRef sink_ref(sink);
    EXPECT_EQ(Outcome::kDone, pump_to_sink(SourceRef(new EstimatingSource(c.real, c.guess)), sink_ref, nullptr));
    int32_t expected = static_cast<int32_t>(int64_t(c.real) * c.rate / 44100);
    EXPECT_NEAR(expected, sink->frames_written, expected / 1000 + 2) << c.real << " " << c.guess << " " << c.rate;
    // No silence was added after the audio.
    if (c.rate == 44100) {
      EXPECT_EQ(1000, sink->samples.back()) << c.real << " " << c.guess;
    }
  }
}

}  // namespace
}  // namespace vt

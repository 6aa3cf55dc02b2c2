#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

#include "audio/channel_converters.h"
#include "audio/levels.h"
#include "audio/peak_limiter.h"
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

SourceRef source_of(std::vector<int32_t> samples, int32_t rate, int channels, int32_t bound = kFullScale) {
  return SourceRef(new VectorSource(std::move(samples), rate, channels, bound));
}

// The filters of a chain, head first.
std::vector<AudioSource*> chain_of(const SourceRef& head) {
  std::vector<AudioSource*> chain;
  AudioSource* at = head.get();
  while (auto* filter = dynamic_cast<AudioFilter*>(at)) {
    chain.push_back(at);
    at = filter->upstream().get();
  }
  return chain;
}

TEST(StreamRef, CountsHoldersAndNeverHoldsNothing) {
  SourceRef a(new SilenceSource(kSourceOk));
  {
    SourceRef b = a;
    EXPECT_EQ(2, a->reference_count);
    b = b;  // self-assignment keeps the object
    EXPECT_EQ(2, b->reference_count);
  }
  EXPECT_EQ(1, a->reference_count);
  a.reset();
  EXPECT_EQ(kSourceEmpty, a->status);
  SinkRef sink;
  EXPECT_TRUE(sink->failed());
  SourceRef bad(new VectorSource({}, 0, 0));
  EXPECT_EQ(kSourceBadFormat, bad->status);
  EXPECT_EQ(44100, bad->sample_rate);
  EXPECT_EQ(1, bad->channels);
  StereoToMono over_bad(bad);
  EXPECT_EQ(kSourceUpstreamBad, over_bad.status);
}

TEST(Resampler, PhaseSearchMatchesTheRatio) {
  struct Case { int32_t from, to; int phases, step; };
  const Case cases[] = {{44100, 48000, 37, 34}, {48000, 44100, 34, 37}, {44100, 16000, 37, 102},
                        {16000, 8000, 1, 2},    {8000, 44100, 11, 2},   {22050, 44100, 2, 1}};
  for (const Case& c : cases) {
    ResamplerDesign d = design_resampler(c.from, c.to, false);
    EXPECT_EQ(c.phases, d.phases) << c.from << " -> " << c.to;
    EXPECT_EQ(c.step, d.step) << c.from << " -> " << c.to;
  }
}

TEST(Resampler, FullScaleSignalsStayInRange) {
  // Noise and a square wave at the Nyquist rate, both at full scale, through real chains.
  std::mt19937 random(7);
  std::uniform_int_distribution<int32_t> noise(-kFullScale, kFullScale);
  std::vector<int32_t> samples(44100 * 2);
  for (auto& s : samples) s = noise(random);
  std::vector<int32_t> square(44100 * 2);
  for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 2) % 2 ? kFullScale : -kFullScale;
  for (const auto& input : {samples, square})
  for (int32_t target : {48000, 8000, 96000}) {
    SourceRef chain = source_of(input, 44100, 2);
    convert_format(chain, target, 2);
    std::vector<int32_t> out = read_all(*chain, target / 2);
    int32_t peak = peak_magnitude(out.data(), target / 2, 2);
    EXPECT_LE(peak, chain->peak_bound) << target;
  }
}

// Signal-to-residual of a resampled 1 kHz sine against the best-fitting sine.
double sine_snr_db(int32_t from, int32_t to) {
  SourceRef chain = source_of(sine(from, 1000, 0x40000, from * 2), from, 1);
  convert_format(chain, to, 1);
  auto* resampler = dynamic_cast<Resampler*>(chain.get());
  const double effective_hz = 1000.0 * resampler->design().step / resampler->design().phases * to / from;
  std::vector<int32_t> out = read_all(*chain, to);
  const int skip = 200;
  double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
  for (int i = skip; i < to - skip; ++i) {
    double s = std::sin(2 * M_PI * effective_hz * i / to), c = std::cos(2 * M_PI * effective_hz * i / to);
    ss += s * s; sc += s * c; cc += c * c; ys += out[i] * s; yc += out[i] * c;
  }
  double det = ss * cc - sc * sc;
  double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
  double signal = 0, residual = 0;
  for (int i = skip; i < to - skip; ++i) {
    double fit = a * std::sin(2 * M_PI * effective_hz * i / to) + b * std::cos(2 * M_PI * effective_hz * i / to);
    signal += fit * fit;
    residual += (out[i] - fit) * (out[i] - fit);
  }
  return 10 * std::log10(signal / residual);
}

TEST(Resampler, SineKeepsItsShape) {
  double up = sine_snr_db(44100, 48000), down = sine_snr_db(48000, 44100);
  std::printf("signal-to-residual of a 1 kHz sine: 44100->48000 %.1f dB, 48000->44100 %.1f dB\n", up, down);
  RecordProperty("snr_44100_to_48000_db", std::to_string(up));
  RecordProperty("snr_48000_to_44100_db", std::to_string(down));
  EXPECT_GT(up, 55.0);
  EXPECT_GT(down, 70.0);
}

TEST(Resampler, PositionLengthAndSeekAgree) {
  // Quiet enough that no block is normalised, so a sought read matches a continuous one exactly.
  std::vector<int32_t> input = sine(44100, 440, 20000, 44100, 2);
  SourceRef continuous = source_of(input, 44100, 2);
  convert_format(continuous, 48000, 2);
  EXPECT_EQ(scale_frames(44100, 37, 34), continuous->length());
  EXPECT_EQ(0, continuous->position());
  std::vector<int32_t> all = read_all(*continuous, 30000);
  EXPECT_NEAR(30000, continuous->position(), 2);
  for (int32_t target : {0, 5, 12345, 29000}) {
    SourceRef sought = source_of(input, 44100, 2);
    convert_format(sought, 48000, 2);
    sought->seek(target);
    EXPECT_NEAR(target, sought->position(), 1);
    std::vector<int32_t> part = read_all(*sought, 500);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(all[static_cast<size_t>(target) * 2 + i], part[i]) << target << " " << i;
  }
}

TEST(ConvertFormat, BuildsOnlyTheStagesNeeded) {
  SourceRef a = source_of({}, 44100, 2);
  convert_format(a, 8000, 1);
  std::vector<AudioSource*> chain = chain_of(a);
  ASSERT_EQ(3u, chain.size());
  auto* last = dynamic_cast<Resampler*>(chain[0]);
  auto* first = dynamic_cast<Resampler*>(chain[1]);
  ASSERT_TRUE(last && first);
  EXPECT_EQ(8000, last->sample_rate);
  EXPECT_EQ(16000, first->sample_rate);
  EXPECT_EQ(102, first->design().step);
  EXPECT_EQ(2, last->design().step);  // a plain halving after the steep stage
  EXPECT_NEAR(16000.0 / 44100 - 0.09375, first->design().cutoff, 1e-12);
  EXPECT_NE(nullptr, dynamic_cast<StereoToMono*>(chain[2]));
  EXPECT_EQ(1, a->channels);

  SourceRef b = source_of({}, 44100, 1);
  convert_format(b, 44100, 2);
  ASSERT_EQ(1u, chain_of(b).size());
  EXPECT_NE(nullptr, dynamic_cast<MonoToStereo*>(b.get()));

  SourceRef c = source_of({}, 44100, 2);
  AudioSource* before = c.get();
  convert_format(c, 44100, 2);
  EXPECT_EQ(before, c.get());

  // A file reader's bound needs no limiter; a resampler doubles it, so one is added after it.
  SourceRef d = source_of({}, 44100, 1);
  EXPECT_EQ(d.get(), LimitTransform(kFullScale).apply(d).get());
  convert_format(d, 22050, 1);
  EXPECT_NE(nullptr, dynamic_cast<PeakLimiter*>(LimitTransform(kFullScale).apply(d).get()));
}

TEST(ChannelConverters, KeepTheLeftAndDoubleMono) {
  SourceRef stereo = source_of({0, kFullScale, 100, -100}, 44100, 2);
  StereoToMono mono(stereo);
  std::vector<int32_t> out = read_all(mono, 3);
  EXPECT_EQ((std::vector<int32_t>{0, 100, 0}), out);
  MonoToStereo doubled(source_of({7, -9}, 44100, 1));
  EXPECT_EQ((std::vector<int32_t>{7, 7, -9, -9}), read_all(doubled, 2));
}

class CancelAfter : public ProgressDisplay {
 public:
  explicit CancelAfter(int calls) : left_(calls) {}
  void set_progress_fraction(double f) override { fractions.push_back(f); }
  bool pump_and_check_cancel() override { return left_-- <= 0; }
  std::vector<double> fractions;

 private:
  int left_;
};

TEST(PumpToSink, CopiesConvertsCancelsAndFails) {
  auto* sink = new VectorSink(22050, 1);
  SinkRef sink_ref(sink);
  CancelAfter never(1000);
  EXPECT_EQ(Outcome::kDone, pump_to_sink(source_of(sine(44100, 500, 100000, 44100, 2), 44100, 2), sink_ref, &never));
  EXPECT_EQ(22050, sink->frames_written);
  EXPECT_LE(peak_magnitude(sink->samples.data(), 22050, 1), kFullScale);
  ASSERT_FALSE(never.fractions.empty());
  EXPECT_LT(never.fractions.back(), 1.0);

  // Nothing left to copy: nothing written, done.
  SourceRef at_end = source_of(std::vector<int32_t>(100, 1), 22050, 1);
  at_end->seek(100);
  auto* empty = new VectorSink(22050, 1);
  EXPECT_EQ(Outcome::kDone, pump_to_sink(at_end, SinkRef(empty), nullptr));

  CancelAfter soon(2);
  auto* partial = new VectorSink(44100, 1);
  SinkRef partial_ref(partial);
  EXPECT_EQ(Outcome::kStopped, pump_to_sink(source_of(std::vector<int32_t>(44100 * 3), 44100, 1), partial_ref, &soon));
  EXPECT_EQ(2 * kMaxFramesPerCall, partial->frames_written);

  auto* untouched = new VectorSink(44100, 1);
  SinkRef untouched_ref(untouched);
  EXPECT_EQ(Outcome::kFailed, pump_to_sink(SourceRef(new SilenceSource(kSourceCannotOpen)), untouched_ref, nullptr));
  EXPECT_EQ(Outcome::kFailed, pump_to_sink(source_of({1, 2}, 44100, 1), SinkRef(new NullSink()), nullptr));
  EXPECT_EQ(0, untouched->frames_written);

  // A sink that fails half-way is a failed copy, not a finished one.
  auto* full_disk = new VectorSink(44100, 1);
  full_disk->fail_after_frames = 10000;
  EXPECT_EQ(Outcome::kFailed, pump_to_sink(source_of(std::vector<int32_t>(44100), 44100, 1), SinkRef(full_disk), nullptr));
}

TEST(PeakLimiter, LeavesQuietAudioAndRampsDownBeforeLoudBlocks) {
  const int32_t limit = 100000;
  PeakLimiter probe(source_of({}, 44100, 1), limit);
  EXPECT_EQ(kUnityGain, probe.gain_of(limit));
  EXPECT_NEAR(0.5, probe.gain_of(2 * limit) / double(kUnityGain), 0.01);
  const int b = probe.block_frames();
  EXPECT_EQ(44100 / 35, b);

  // Quiet audio comes out untouched.
  std::vector<int32_t> quiet = sine(44100, 300, limit, b * 10);
  PeakLimiter untouched(source_of(quiet, 44100, 1), limit);
  EXPECT_EQ(quiet, read_all(untouched, b * 10));

  // Three quiet blocks, then a block at twice the limit, then quiet again.
  std::vector<int32_t> input(static_cast<size_t>(b) * 8, limit / 2);
  for (int i = 3 * b; i < 4 * b; ++i) input[i] = 2 * limit;
  PeakLimiter limiter(source_of(input, 44100, 1), limit);
  std::vector<int32_t> out = read_all(limiter, b * 8);
  for (int32_t v : out) EXPECT_LE(v, limit);
  EXPECT_EQ(limit / 2, out[b - 1]);                 // the first block is not touched
  EXPECT_LT(out[3 * b - 1], limit / 2 * 0.6);       // the gain falls during the block before
  EXPECT_NEAR(limit, out[4 * b - 1], limit * 0.02);  // about half gain on the loud block
  EXPECT_EQ(limit / 2, out[8 * b - 1]);             // and back to unity afterwards

  limiter.seek(b);
  EXPECT_EQ(b, limiter.position());
}

TEST(TempoFilter, NormalSpeedPassesAudioAndOtherSpeedsMoveTheInput) {
  std::vector<int32_t> input = sine(44100, 440, 200000, 44100 * 2, 2);
  TempoFilter same(source_of(input, 44100, 2), 1.0, 1.0, 0);
  std::vector<int32_t> out = read_all(same, 20000);
  for (size_t i = 0; i < out.size(); ++i) ASSERT_NEAR(input[i], out[i], 8) << i;  // under a 16-bit step

  // Constant input stays constant through every crossfade, at any speed.
  std::vector<int32_t> level(44100 * 4, 300000);
  for (double speed : {0.5, 1.7, 3.0, -1.0}) {
    TempoFilter tempo(source_of(level, 44100, 1), speed, speed, 0);
    if (speed < 0) tempo.seek(44100 * 3);
    std::vector<int32_t> run = read_all(tempo, 20000);
    for (size_t i = 0; i < run.size(); ++i) ASSERT_NEAR(300000, run[i], 8) << speed << " " << i;
    double moved = tempo.position() - (speed < 0 ? 44100 * 3 : 0);
    EXPECT_NEAR(speed * 20000, moved, 1500) << speed;
  }

  // A glide from normal speed to double speed ends moving twice as fast.
  TempoFilter glide(source_of(level, 44100, 1), 1.0, 2.0, 200);
  read_all(glide, 44100 / 2);
  int32_t before = glide.position();
  read_all(glide, 4410);
  EXPECT_NEAR(2 * 4410, glide.position() - before, 2 * 490);
}

TEST(Levels, DecibelsOfTheMeterScale) {
  std::vector<int32_t> reference = sine(44100, 1000, 8192 * 16, 4410);
  EXPECT_EQ(0, level_db(channel_mean_square(reference.data(), 4410, 1, 0)));
  std::vector<int32_t> full = sine(44100, 1000, 32767 * 16, 4410);
  EXPECT_EQ(12, level_db(channel_mean_square(full.data(), 4410, 1, 0)));
  std::vector<int32_t> stereo = sine(44100, 1000, 8192 * 16, 4410, 2);
  for (int i = 0; i < 4410; ++i) stereo[2 * i + 1] = 0;
  EXPECT_EQ(0, level_db(channel_mean_square(stereo.data(), 4410, 2, 0)));
  EXPECT_EQ(kSilenceDb, level_db(channel_mean_square(stereo.data(), 4410, 2, 1)));
  EXPECT_EQ(0u, channel_mean_square(stereo.data(), 0, 2, 0));
  EXPECT_EQ(-69, level_db(1));
  int32_t run[] = {5, 3, -9, 8};
  EXPECT_EQ(9, peak_magnitude(run, 2, 2));
  EXPECT_EQ(8, channel_peak_magnitude(run, 2, 2, 1));
}

}  // namespace
}  // namespace vt

// The resampler's SIMD forms against its portable form: identical output on random,
// full-scale and worst-case input, for every rate pair the chains build.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "audio/resampler.h"
#include "audio/resampler_kernels.h"
#include "tests/native/test_streams.h"

namespace vt {
namespace {

using vt_test::VectorSource;

const int32_t kRates[] = {8000, 11025, 12800, 16000, 22050, 32000, 44100, 48000, 96000};
const ResamplerKernel kFastKernels[] = {ResamplerKernel::sse2, ResamplerKernel::avx2};

std::vector<ResamplerKernel> fast_kernels_here() {
  std::vector<ResamplerKernel> kernels;
  for (ResamplerKernel k : kFastKernels)
    if (resampler_kernel_supported(k)) kernels.push_back(k);
  return kernels;
}

TEST(ResamplerKernels, EveryDesignHasExactNarrowTaps) {
#if defined(__x86_64__)
  EXPECT_TRUE(resampler_kernel_supported(ResamplerKernel::sse2));
  EXPECT_NE(ResamplerKernel::scalar, best_resampler_kernel());
#endif
  for (int32_t from : kRates)
    for (int32_t to : kRates)
      for (bool steep : {false, true}) {
        if (from == to) continue;
        ResamplerDesign d = design_resampler(from, to, steep);
        EXPECT_TRUE(narrow_taps(d.taps, d.phases).usable) << from << " -> " << to << " steep " << steep;
      }
}

// Samples matching (or opposing) the signs of one row's taps at full 16-bit scale: the
// largest sums a row can make, where 32-bit lanes would overflow first.
TEST(ResamplerKernels, WorstCaseRowsGiveTheSameSums) {
  std::vector<ResamplerKernel> fast = fast_kernels_here();
  for (int32_t from : kRates)
    for (int32_t to : kRates) {
      if (from == to) continue;
      ResamplerDesign d = design_resampler(from, to, from / 4 > to);
      NarrowTaps narrow = narrow_taps(d.taps, d.phases);
      for (int row = 0; row < d.phases; ++row) {
        std::vector<int32_t> wide(2 * 64);
        std::vector<int16_t> left(64), right(64);
        for (int k = 0; k < 63; ++k) {
          int32_t t = d.taps[static_cast<size_t>(row) * 63 + k];
          left[k] = static_cast<int16_t>(t >= 0 ? 32767 : -32768);
          right[k] = static_cast<int16_t>(t >= 0 ? -32768 : 32767);
          wide[2 * k] = left[k];
          wide[2 * k + 1] = right[k];
        }
        for (int out_shift : {15, 11, 0}) {
          FilterRun base;
          base.wide = wide.data();
          base.narrow[0] = left.data();
          base.narrow[1] = right.data();
          base.channels = 2;
          base.taps = d.taps.data();
          base.phases = d.phases;
          base.step = d.step;
          base.narrow_taps = &narrow;
          base.fill = 1;
          base.out_shift = out_shift;
          base.phase = row;
          int32_t expected[2], got[2];
          FilterRun reference = base;
          ASSERT_EQ(1, filter_run(ResamplerKernel::scalar, reference, expected, 1));
          for (ResamplerKernel kernel : fast) {
            FilterRun run = base;
            ASSERT_EQ(1, filter_run(kernel, run, got, 1));
            EXPECT_EQ(expected[0], got[0]) << from << " -> " << to << " row " << row << " kernel " << int(kernel);
            EXPECT_EQ(expected[1], got[1]) << from << " -> " << to << " row " << row << " kernel " << int(kernel);
            EXPECT_EQ(reference.read_pos, run.read_pos);
            EXPECT_EQ(reference.phase, run.phase);
          }
        }
      }
    }
}

// Random input: noise at full scale and beyond, quiet stretches, a block peaking at
// 65,535 (rounded to 32,768 by the normalisation), read in uneven pieces with seeks.
std::vector<int32_t> test_signal(int frames, int channels, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int32_t> full(-kFullScale, kFullScale), wild(-0x400000, 0x400000),
      quiet(-300, 300);
  std::vector<int32_t> v(static_cast<size_t>(frames) * channels);
  for (size_t i = 0; i < v.size(); ++i) {
    size_t frame = i / channels;
    if (frame < 9000) v[i] = full(random);
    else if (frame < 20000) v[i] = quiet(random);
    else if (frame < 30000) v[i] = frame % 3 ? 65535 : -65535;
    else if (frame < 36000) v[i] = wild(random);
    else v[i] = frame % 2 ? kFullScale : -kFullScale;
  }
  return v;
}

std::vector<int32_t> resample_with(ResamplerKernel kernel, const std::vector<int32_t>& input, int32_t from,
                                   int32_t to, int channels, bool steep) {
  Resampler resampler(SourceRef(new VectorSource(input, from, channels)), to, steep);
  EXPECT_TRUE(resampler.use_kernel(kernel));
  const int pieces[] = {1, 7, 8192, 333, 4095, 8191, 64, 2};
  std::vector<int32_t> out;
  std::vector<int32_t> buffer(static_cast<size_t>(kMaxFramesPerCall) * channels);
  int32_t total = resampler.length() + 50;
  for (int i = 0, done = 0; done < total; ++i) {
    if (i == 11) resampler.seek(done / 3);  // back, then on from there
    int n = pieces[i % 8];
    resampler.read(buffer.data(), n);
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<size_t>(n) * channels);
    done += n;
  }
  return out;
}

TEST(ResamplerKernels, ResamplersGiveTheSameOutputWithEveryKernel) {
  std::vector<ResamplerKernel> fast = fast_kernels_here();
  uint32_t seed = 1;
  for (int32_t from : kRates)
    for (int32_t to : kRates) {
      if (from == to) continue;
      for (int channels : {1, 2}) {
        bool steep = (from + to + channels) % 2 == 0;
        std::vector<int32_t> input = test_signal(40001, channels, seed++);
        std::vector<int32_t> expected = resample_with(ResamplerKernel::scalar, input, from, to, channels, steep);
        for (ResamplerKernel kernel : fast) {
          std::vector<int32_t> got = resample_with(kernel, input, from, to, channels, steep);
          ASSERT_EQ(expected.size(), got.size());
          size_t first = 0;
          while (first < got.size() && got[first] == expected[first]) ++first;
          EXPECT_EQ(got.size(), first) << from << " -> " << to << ", " << channels << " channels, kernel "
                                       << int(kernel) << ": first difference at sample " << first;
        }
      }
    }
}

}  // namespace
}  // namespace vt

// The player's ring arithmetic, level records, scrub loop, panel positions, output
// volume, settings, and cueing through the tempo filter.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/tempo_filter.h"
#include "player/output_volume.h"
#include "player/panel_positions.h"
#include "player/player_blocks.h"
#include "player/player_settings.h"
#include "tests/native/test_streams.h"
#include "tests/support/map_section.h"

namespace vt {
namespace {

TEST(PlayerRing, BufferFramesFollowTheRateWithinFloorAndCap) {
  EXPECT_EQ(800, player_buffer_frames(8000));
  EXPECT_EQ(4410, player_buffer_frames(44100));
  EXPECT_EQ(8192, player_buffer_frames(96000));  // 32 KB per stereo buffer
  EXPECT_EQ(20, player_buffer_frames(199));
  EXPECT_EQ(20, player_buffer_frames(0));
  EXPECT_EQ(1103, scrub_snippet_frames(4410));
  EXPECT_EQ(200, scrub_snippet_frames(800));
  EXPECT_EQ(5, scrub_snippet_frames(20));
}

TEST(PlayerRing, OutputSamplesRoundToSixteenBitsInEveryPosition) {
  // 19 samples: two unrolled groups of eight and a tail of three.
  std::vector<int32_t> in = {0, 7, 8, -8, -9, 0x7FFF0, -0x80000, 16, -16, 24, 0x12345, -0x12345, 100,
                             -100, 0x7FFF7, 1, -1, 40, -40};
  std::vector<int16_t> out(in.size());
  units_to_output16(in.data(), out.data(), static_cast<int>(in.size()));
  std::vector<int16_t> expected = {0, 0, 1, 0, -1, 32767, -32768, 1, -1, 2, 0x1234, -0x1234, 6, -6, 32767, 0, 0, 3, -2};
  EXPECT_EQ(expected, out);
}

TEST(PlayerRing, LevelRecordPerChannel) {
  // Left: a sine of 16-bit peak 8,192 (0 dB); right: silence; stereo interleaved.
  std::vector<int32_t> tone = vt_test::sine(44100, 1000, 8192 * 16, 4410);
  std::vector<int32_t> stereo(tone.size() * 2, 0);
  for (size_t i = 0; i < tone.size(); ++i) stereo[2 * i] = tone[i];
  LevelRecord record;
  measure_levels(stereo.data(), 4410, 2, record);
  EXPECT_EQ(2, record.channel_count);
  EXPECT_EQ(0, record.db[0]);
  EXPECT_EQ(-127, record.db[1]);
  // Full scale square wave: mean square of 16383^2 reads +15 dB.
  std::vector<int32_t> square(100);
  for (size_t i = 0; i < square.size(); ++i) square[i] = i % 2 ? kFullScale : -kFullScale;
  measure_levels(square.data(), 100, 1, record);
  EXPECT_EQ(15, record.db[0]);
  EXPECT_EQ(1, record.channel_count);
}

TEST(PlayerRing, ScrubLoopRepeatsTheSnippetAndCutsTheLastCopy) {
  const int channels = 2, frames = 10, snippet = 4;
  std::vector<int16_t> buffer(frames * channels, -1);
  for (int i = 0; i < snippet * channels; ++i) buffer[i] = static_cast<int16_t>(i + 1);
  repeat_snippet(buffer.data(), snippet, frames, channels);
  std::vector<int16_t> expected = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4};
  EXPECT_EQ(expected, buffer);
}

TEST(PanelPositions, LongRecordingsKeepExactArithmetic) {
  const int32_t eight_hours = 8 * 3600 * 1000;
  EXPECT_EQ(75, scroll_percent(6 * 3600 * 1000, eight_hours));
  EXPECT_EQ(99, scroll_percent(eight_hours - 60000, eight_hours));
  EXPECT_EQ(21600000, ms_at_percent(eight_hours, 75));
  EXPECT_EQ(eight_hours, ms_at_percent(eight_hours, 100));
  EXPECT_EQ(0, scroll_percent(1000, 0));
  EXPECT_EQ(0, play_end_start_ms(2000));
  EXPECT_EQ(0, play_end_start_ms(3000));
  EXPECT_EQ(1, play_end_start_ms(3001));
  EXPECT_EQ(0, end_button_ms(1200));
  EXPECT_EQ(58500, end_button_ms(60000));
  EXPECT_EQ(0, step_back_ms(1999));
  EXPECT_EQ(1, step_back_ms(2001));
  EXPECT_EQ(4000, step_forward_ms(2000));
}

TEST(PanelPositions, CueSpeedsByDirectionAndOrigin) {
  CueSpeeds s = cue_speeds(true, false);
  EXPECT_EQ(1.5, s.start);
  EXPECT_EQ(7.0, s.end);
  s = cue_speeds(true, true);
  EXPECT_EQ(0.1, s.start);
  EXPECT_EQ(3.0, s.end);
  s = cue_speeds(false, true);
  EXPECT_EQ(-0.1, s.start);
  EXPECT_EQ(-3.0, s.end);
  s = cue_speeds(false, false);
  EXPECT_EQ(-0.5, s.start);
  EXPECT_EQ(-7.0, s.end);
}

TEST(OutputVolume, WaveOutSumMapsToTheMixerRange) {
  EXPECT_EQ(58384, mixer_volume_of_sum(0, 5));
  EXPECT_EQ(65535, mixer_volume_of_sum(100, 30));
  EXPECT_EQ(0, mixer_volume_of_sum(-100, -30));
}

TEST(PlayerSettings, DefaultsRoundTripAndSignedByteVolume) {
  vt_test::MapSection section;
  PlayerSettings settings = load_player_settings(section);
  EXPECT_EQ(0, settings.device);
  EXPECT_EQ(0, settings.volume_db);
  settings.device = 2;
  settings.volume_db = -5;
  save_player_settings(section, settings);
  EXPECT_EQ("2", section.values["Device"]);
  EXPECT_EQ("-5", section.values["VolumeDB"]);
  EXPECT_EQ(-5, load_player_settings(section).volume_db);
  section.values["VolumeDB"] = "251";
  EXPECT_EQ(-5, load_player_settings(section).volume_db);
}

// Cueing as the panel does it: the tempo filter at the cue speeds, read buffer by buffer.
double zero_crossings_per_second(const std::vector<int32_t>& samples, int32_t rate) {
  int crossings = 0;
  for (size_t i = 1; i < samples.size(); ++i)
    if ((samples[i - 1] < 0) != (samples[i] < 0)) ++crossings;
  return crossings * static_cast<double>(rate) / samples.size();
}

TEST(Cueing, ForwardGlidesThroughSixtySecondsFasterThanRealTimeKeepingPitch) {
  const int32_t rate = 44100;
  SourceRef file(new vt_test::VectorSource(vt_test::sine(rate, 1000, 8192 * 16, 60 * rate), rate, 1));
  CueSpeeds speeds = cue_speeds(true, false);
  TempoFilter cue(file, speeds.start, speeds.end, kCueGlideMs);
  const int block = player_buffer_frames(rate);
  std::vector<int32_t> out(block);
  int32_t previous = cue.position();
  for (int i = 0; i < 80; ++i) {  // eight seconds of playing time
    cue.read(out.data(), block);
    EXPECT_GE(cue.position(), previous);
    previous = cue.position();
  }
  // 1.5x gliding to 7x over 8 s covers (1.5 + 7) / 2 x 8 = 34 s of the recording.
  EXPECT_NEAR(34.0, cue.position() / static_cast<double>(rate), 2.0);
  EXPECT_NEAR(1000, zero_crossings_per_second(out, rate) / 2, 100);
  while (cue.position() < cue.length()) cue.read(out.data(), block);
  EXPECT_EQ(60 * rate, cue.length());
}

TEST(Cueing, RewindGlidesBackAndKeepsPlayingSilenceAtTheStart) {
  const int32_t rate = 8000;
  SourceRef file(new vt_test::VectorSource(vt_test::sine(rate, 500, 8192 * 16, 60 * rate, 2), rate, 2));
  file->seek(50 * rate);
  CueSpeeds speeds = cue_speeds(false, false);
  TempoFilter cue(file, speeds.start, speeds.end, kCueGlideMs);
  const int block = player_buffer_frames(rate);
  std::vector<int32_t> out(static_cast<size_t>(block) * 2);
  for (int i = 0; i < 80; ++i) cue.read(out.data(), block);
  // 8 s of output gliding from -0.5x towards -7x: some 20 to 35 s back from 50 s.
  const double at = cue.position() / static_cast<double>(rate);
  EXPECT_GT(at, 15.0);
  EXPECT_LT(at, 30.0);
  for (int i = 0; i < 200; ++i) cue.read(out.data(), block);  // well past the start
  EXPECT_EQ(0, cue.position());
}

}  // namespace
}  // namespace vt

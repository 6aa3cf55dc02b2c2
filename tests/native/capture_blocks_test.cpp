#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "capture/capture_blocks.h"
#include "tests/native/test_streams.h"

namespace vt {
namespace {

// A sink that keeps its frames and honours truncate, as the file writers do.
class TruncatingSink : public vt_test::VectorSink {
 public:
  using VectorSink::VectorSink;
  void truncate(int32_t frames) override {
    if (frames >= frames_written) return;
    frames_written = frames;
    samples.resize(static_cast<size_t>(frames) * channels);
  }
};

class CaptureBlocksTest : public ::testing::Test {
 protected:
  void start(int32_t rate, int channels, int8_t threshold, int32_t hang_ms, int32_t max_ms = 14400000) {
    sink = new TruncatingSink(rate, channels);
    sink_ref = SinkRef(sink);
    blocks.begin(sink, max_ms, threshold, hang_ms);
    blocks.allocate(capture_block_frames(rate), channels);
    frames = capture_block_frames(rate);
  }
  // One block of a 1 kHz tone of 16-bit peak `peak` from frame `from` on (silence before).
  void feed(int peak, int from = 0, int channel_mask = 3) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * sink->channels, 0);
    for (int i = from; i < frames; ++i)
      for (int c = 0; c < sink->channels; ++c)
        if (channel_mask & (1 << c))
          pcm[static_cast<size_t>(i) * sink->channels + c] = static_cast<int16_t>(i % 8 == 2 ? peak : i % 8 == 6 ? -peak : 0);
    blocks.take_block(pcm.data());
    blocks.process_block();
  }
  void silence(int count) {
    for (int i = 0; i < count; ++i) feed(0);
  }

  CaptureBlocks blocks;
  TruncatingSink* sink = nullptr;
  SinkRef sink_ref;
  int frames = 0;
};

TEST_F(CaptureBlocksTest, BlockSizesFollowTheRate) {
  EXPECT_EQ(800, capture_block_frames(8000));
  EXPECT_EQ(4800, capture_block_frames(48000));
  EXPECT_EQ(8192, capture_block_frames(100000));
  EXPECT_EQ(32, capture_block_frames(100));
}

TEST_F(CaptureBlocksTest, LevelsReadPeaksOnTheMeterScale) {
  start(8000, 2, -127, 216000000);
  feed(8192);
  EXPECT_EQ(0, blocks.levels.db[0]);
  feed(32767, 0, 2);
  EXPECT_EQ(-127, blocks.levels.db[0]);
  EXPECT_EQ(12, blocks.levels.db[1]);
  EXPECT_EQ(2, blocks.levels.channel_count);
  EXPECT_EQ(1, blocks.levels_ready.load());
}

TEST_F(CaptureBlocksTest, WithoutVoiceActivationEverythingIsKept) {
  start(8000, 1, -127, 216000000);
  EXPECT_EQ(kCaptureWaitingForVoice, blocks.state.load());
  silence(1);
  EXPECT_EQ(kCaptureRecording, blocks.state.load());
  EXPECT_EQ(1, blocks.state_changed.load());
  feed(8192);
  silence(30);
  EXPECT_EQ(32 * 800, sink->frames_written);
  EXPECT_EQ(3200, blocks.last_loud_ms());
  blocks.finish();
  EXPECT_EQ(32 * 800, sink->frames_written);
  EXPECT_EQ(kCaptureStopped, blocks.state.load());
}

TEST_F(CaptureBlocksTest, VoiceInTheFirstHalfKeepsHalfABlockOfPreRoll) {
  start(8000, 1, -18, 5000);
  silence(3);
  EXPECT_EQ(0, sink->frames_written);
  EXPECT_EQ(kCaptureWaitingForVoice, blocks.state.load());
  feed(8192, 100);  // starts 12.5 ms into the block
  EXPECT_EQ(kCaptureRecording, blocks.state.load());
  EXPECT_EQ(400 + 800, sink->frames_written);  // 50 ms of the block before, then the block
}

TEST_F(CaptureBlocksTest, VoiceInTheSecondHalfStartsAtItsBlock) {
  start(8000, 1, -18, 5000);
  silence(3);
  feed(8192, 600);
  EXPECT_EQ(800, sink->frames_written);
  EXPECT_EQ(8192 * 16, sink->samples[602]);  // the block itself, no pre-roll
}

TEST_F(CaptureBlocksTest, LongSilenceIsCutBackAndRecordingResumesAtTheNextWord) {
  start(8000, 1, -18, 5000);
  feed(8192);
  feed(8192);
  EXPECT_EQ(200, blocks.last_loud_ms());
  silence(50);  // 5 s after the last loud block: not yet beyond the hang time
  EXPECT_EQ(kCaptureRecording, blocks.state.load());
  silence(1);
  EXPECT_EQ(kCaptureWaitingForVoice, blocks.state.load());
  EXPECT_EQ(8000 * 650 / 1000, sink->frames_written);  // 450 ms after the last loud block
  silence(20);
  EXPECT_EQ(5200, sink->frames_written);
  feed(8192);  // the previous block was silence: its second half comes first
  EXPECT_EQ(5200 + 400 + 800, sink->frames_written);
  EXPECT_EQ(kCaptureRecording, blocks.state.load());
}

TEST_F(CaptureBlocksTest, StopInSilenceKeepsFiftyMillisecondsAndTheWord) {
  start(8000, 1, -18, 5000);
  feed(8192);  // a word of one block opens the gate and must survive the cut
  silence(10);
  EXPECT_EQ(11 * 800, sink->frames_written);
  blocks.finish();
  EXPECT_EQ(8000 * 150 / 1000, sink->frames_written);
}

TEST_F(CaptureBlocksTest, StereoGatesOnTheLouderChannelAndMaximumIsFlagged) {
  start(8000, 2, -18, 5000, 250);
  feed(8192, 0, 2);  // right channel only
  EXPECT_EQ(kCaptureRecording, blocks.state.load());
  feed(8192, 0, 2);
  EXPECT_EQ(0, blocks.maximum_reached.load());
  feed(8192, 0, 2);
  EXPECT_EQ(1, blocks.maximum_reached.load());
}

// 16-bit peaks that read exactly these levels: 1031 is -18 dB, 919 is -19, 651 is -22
// and 580 is -23 (20 log10(peak / 8192), to the nearest decibel).
TEST_F(CaptureBlocksTest, GateOpensAtItsThresholdAndStaysOpenDownToFourDecibelsBelow) {
  start(8000, 1, -18, 5000);
  feed(919);
  EXPECT_EQ(-19, blocks.levels.db[0]);
  EXPECT_EQ(kCaptureWaitingForVoice, blocks.state.load());
  EXPECT_EQ(0, sink->frames_written);
  feed(1031);
  EXPECT_EQ(-18, blocks.levels.db[0]);
  ASSERT_EQ(kCaptureRecording, blocks.state.load());
  EXPECT_EQ(400 + 800, sink->frames_written);
  EXPECT_EQ(150, blocks.last_loud_ms());
  // Recording: -22 dB still counts as loud, -23 dB is quiet.
  feed(651);
  EXPECT_EQ(-22, blocks.levels.db[0]);
  EXPECT_EQ(250, blocks.last_loud_ms());
  feed(580);
  EXPECT_EQ(-23, blocks.levels.db[0]);
  EXPECT_EQ(250, blocks.last_loud_ms());
  feed(651);
  EXPECT_EQ(450, blocks.last_loud_ms());
  // Quiet blocks only, from 450 ms on: the gate closes once more than 5 s have passed.
  for (int i = 0; i < 50; ++i) feed(580);
  EXPECT_EQ(kCaptureRecording, blocks.state.load());
  feed(580);
  EXPECT_EQ(kCaptureWaitingForVoice, blocks.state.load());
  EXPECT_EQ(8000 * 900 / 1000, sink->frames_written);
  // Waiting again, a block between the two thresholds does not open the gate.
  feed(651);
  EXPECT_EQ(kCaptureWaitingForVoice, blocks.state.load());
  EXPECT_EQ(8000 * 900 / 1000, sink->frames_written);
}

// The lowest thresholds keep the hang threshold at -127 dB instead of wrapping below
// it: with a hang time of 5 s, quiet sound (-60 dB, a 16-bit peak of 8) still keeps
// the gate open.
TEST_F(CaptureBlocksTest, LowestThresholdsKeepEveryBlockWithAShortHangTime) {
  for (int8_t threshold : {-127, -125}) {
    SCOPED_TRACE(threshold);
    start(8000, 1, threshold, 5000);
    for (int i = 0; i < 70; ++i) feed(8);
    EXPECT_EQ(-60, blocks.levels.db[0]);
    EXPECT_EQ(kCaptureRecording, blocks.state.load());
    EXPECT_EQ(70 * 800, sink->frames_written);
    EXPECT_EQ(7000, blocks.last_loud_ms());
  }
}

TEST_F(CaptureBlocksTest, MaximumIsFlaggedOnlyPastItAndOnlyForRecordedTime) {
  start(8000, 1, -127, 216000000, 200);
  silence(2);
  EXPECT_EQ(1600, sink->frames_written);
  EXPECT_EQ(0, blocks.maximum_reached.load());  // exactly the maximum: not beyond it
  silence(1);
  EXPECT_EQ(1, blocks.maximum_reached.load());

  // No maximum at all (the engine clears the flag before each run).
  blocks.maximum_reached = 0;
  start(8000, 1, -127, 216000000, 0);
  silence(100);
  EXPECT_EQ(0, blocks.maximum_reached.load());

  // Waiting for voice adds nothing to the recorded time.
  blocks.maximum_reached = 0;
  start(8000, 1, -18, 5000, 200);
  silence(10);
  EXPECT_EQ(0, blocks.maximum_reached.load());
  feed(8192);  // half a block of pre-roll and the block: 150 ms
  EXPECT_EQ(0, blocks.maximum_reached.load());
  feed(8192);
  EXPECT_EQ(1, blocks.maximum_reached.load());
}

TEST_F(CaptureBlocksTest, FailedWriteIsFlaggedForTheEngineToEndTheRun) {
  start(8000, 1, -127, 216000000);
  sink->fail_after_frames = frames * 2;  // the disk fills during the third block
  silence(2);
  EXPECT_EQ(0, blocks.sink_failed.load());
  silence(1);
  EXPECT_EQ(1, blocks.sink_failed.load());
  // A new run starts without the flag.
  start(8000, 1, -127, 216000000);
  EXPECT_EQ(0, blocks.sink_failed.load());
}

// Digital silence is a peak of at most 2 (16-bit) on every channel, counted whatever
// the voice gate does, and any block above it starts the count again.
TEST_F(CaptureBlocksTest, DigitalSilenceIsTimedOnTheDeviceNotOnTheGate) {
  start(8000, 2, -18, 5000);
  for (int i = 0; i < 600; ++i) feed(2);
  EXPECT_EQ(60000, blocks.silent_run_ms());
  EXPECT_EQ(kCaptureWaitingForVoice, blocks.state.load());
  feed(3);  // quiet room noise, far below the gate: not the device's silence
  EXPECT_EQ(0, blocks.silent_run_ms());
  silence(3);
  EXPECT_EQ(300, blocks.silent_run_ms());
  feed(3, 0, 2);  // one channel alive is enough
  EXPECT_EQ(0, blocks.silent_run_ms());
  feed(8192);
  silence(2);
  EXPECT_EQ(kCaptureRecording, blocks.state.load());
  EXPECT_EQ(200, blocks.silent_run_ms());
  // A new run counts afresh.
  start(44100, 1, -127, 216000000);
  EXPECT_EQ(0, blocks.silent_run_ms());
  silence(1);
  EXPECT_EQ(100, blocks.silent_run_ms());
  EXPECT_EQ(0, blocks.device_lost.load());
}

TEST_F(CaptureBlocksTest, DrainWritesWholeFramesOnlyWhileRecording) {
  start(8000, 2, -127, 216000000);
  std::vector<int16_t> pcm(1601, 100);
  blocks.drain_block(pcm.data(), 1601);
  EXPECT_EQ(0, sink->frames_written);  // still waiting for the first block
  silence(1);
  blocks.drain_block(pcm.data(), 1601);
  EXPECT_EQ(800 + 800, sink->frames_written);
  EXPECT_EQ(1600, sink->samples.back());
}

}  // namespace
}  // namespace vt

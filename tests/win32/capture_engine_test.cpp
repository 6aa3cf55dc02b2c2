// Records for real: a signal played into the PulseAudio null sink comes back through the
// wave mapper (the sink's monitor is the default input) into the capture engine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <vector>

#include "capture/capture_engine_win.h"
#include "formats/mp3_sink_win.h"
#include "tests/support/linux_process.h"
#include "tests/support/win32_driver.h"

namespace vt {
namespace {

using vt_test::LinuxProcess;
using vt_test::wait_until;

class MemorySink : public AudioSink {
 public:
  MemorySink(int32_t rate, int channels) : AudioSink(rate, channels) {}
  void write(const int32_t* in, int frames) override {
    samples.insert(samples.end(), in, in + frames * channels);
    frames_written += frames;
    if (fail_after_frames >= 0 && frames_written > fail_after_frames) status |= kSinkFailed;
  }
  void truncate(int32_t frames) override {
    if (frames >= frames_written) return;
    frames_written = frames;
    samples.resize(static_cast<size_t>(frames) * channels);
  }
  std::vector<int32_t> samples;
  int32_t fail_after_frames = -1;
};

class Listener : public RecorderListener {
 public:
  void on_recording(uint32_t) override { state = kCaptureRecording; }
  void on_waiting_for_voice(uint32_t) override { state = kCaptureWaitingForVoice; }
  void on_stopped(uint32_t) override { state = kCaptureStopped; ++stops; }
  void on_time(uint32_t, int32_t ms) override { time_ms = ms; }
  void on_sink_failed(uint32_t) override { ++sink_failures; }
  void on_levels(uint32_t, const LevelRecord& record) override {
    channels = record.channel_count;
    for (int c = 0; c < record.channel_count; ++c) {
      if (record.db[c] > loudest[c]) loudest[c] = record.db[c];
      if (record.db[c] < quietest[c]) quietest[c] = record.db[c];
    }
    ++level_reports;
  }
  int state = -1, stops = 0, channels = 0, level_reports = 0, sink_failures = 0;
  int32_t time_ms = 0;
  int loudest[2] = {-128, -128}, quietest[2] = {127, 127};
};

// A segment of the played signal: seconds of a 1 kHz tone at 16-bit peak 8,192, or silence.
struct Segment {
  double seconds;
  bool tone;
  int channel_mask;  // which channels carry the tone
};

// Writes the signal as raw 16-bit PCM at 44.1 kHz and plays it into the null sink.
LinuxProcess* play(const std::vector<Segment>& segments, int channels) {
  std::string raw = vt_test::build_dir() + "/capture-signal.raw";
  std::ofstream out(vt_test::windows_path(raw), std::ios::binary);
  long frame = 0;
  for (const Segment& s : segments) {
    long end = frame + static_cast<long>(s.seconds * 44100);
    for (; frame < end; ++frame)
      for (int c = 0; c < channels; ++c) {
        int16_t v = 0;
        if (s.tone && (s.channel_mask & (1 << c))) v = static_cast<int16_t>(std::lround(8192 * std::sin(2 * M_PI * 1000 * frame / 44100.0)));
        out.write(reinterpret_cast<const char*>(&v), 2);
      }
  }
  out.close();
  auto* player = new LinuxProcess("paplay --raw --format=s16le --rate=44100 --channels=" + std::to_string(channels) +
                                  " -d \"$VT_PULSE_SINK\" '" + raw + "'");
  if (!player->start()) {
    delete player;
    return nullptr;
  }
  return player;
}

// Runs of tone in a recording, as (start, length) in ms, found in 10 ms windows.
std::vector<std::pair<int, int>> tone_runs(const MemorySink& sink, int channel) {
  std::vector<std::pair<int, int>> runs;
  const int window = sink.sample_rate / 100, ch = sink.channels;
  const int windows = sink.frames_written / window;
  int start = -1;
  for (int w = 0; w <= windows; ++w) {
    bool loud = false;
    if (w < windows)
      for (int i = 0; i < window; ++i)
        if (std::abs(sink.samples[static_cast<size_t>(w * window + i) * ch + channel]) > 4000 * 16) loud = true;
    if (loud && start < 0) start = w;
    if (!loud && start >= 0) {
      runs.push_back({start * 10, (w - start) * 10});
      start = -1;
    }
  }
  return runs;
}

class CaptureEngineTest : public ::testing::Test {
 protected:
  bool record(int channels, int8_t threshold, int32_t hang_ms, const std::vector<Segment>& signal) {
    sink = new MemorySink(44100, channels);
    keep = SinkRef(sink);  // the engine lets go of the sink when it stops
    engine.set_sink(keep);
    engine.set_listener(&listener, 7);
    if (!engine.start(14400000, threshold, hang_ms)) return false;
    std::unique_ptr<LinuxProcess> player(play(signal, channels));
    if (!player) return false;
    bool played = player->wait(60000);
    // Let the device deliver the blocks that hold the end of the signal.
    int32_t after = listener.time_ms;
    wait_until([&] { return listener.time_ms >= after + 300 || threshold > -127; }, 3000);
    engine.stop();
    return played;
  }

  CaptureEngine engine;
  Listener listener;
  MemorySink* sink = nullptr;
  SinkRef keep;
};

TEST_F(CaptureEngineTest, MonoWithoutVoiceActivationKeepsTheWholeSignal) {
  ASSERT_TRUE(record(1, -127, 216000000, {{1.0, false, 0}, {1.0, true, 1}, {1.0, false, 0}}));
  EXPECT_EQ(kCaptureStopped, listener.state);
  EXPECT_EQ(1, listener.stops);
  EXPECT_EQ(1, listener.channels);
  EXPECT_EQ(0, listener.loudest[0]);
  EXPECT_LE(listener.quietest[0], -60);
  auto runs = tone_runs(*sink, 0);
  ASSERT_EQ(1u, runs.size());
  EXPECT_NEAR(1000, runs[0].second, 30);
  EXPECT_GE(runs[0].first, 900);  // the second of silence before it is there
  // The length recorded is the time reported, within one block.
  EXPECT_NEAR(listener.time_ms, sink->frames_written * 1000.0 / 44100, 100);
  EXPECT_GE(sink->frames_written, 44100 * 3);
}

TEST_F(CaptureEngineTest, StereoLevelsPerChannel) {
  ASSERT_TRUE(record(2, -127, 216000000, {{0.5, false, 0}, {1.0, true, 1}, {0.5, false, 0}}));
  EXPECT_EQ(2, listener.channels);
  EXPECT_EQ(0, listener.loudest[0]);
  EXPECT_LE(listener.loudest[1], -60);
  EXPECT_EQ(1u, tone_runs(*sink, 0).size());
  EXPECT_TRUE(tone_runs(*sink, 1).empty());
}

TEST_F(CaptureEngineTest, VoiceActivationCutsLongSilenceAndResumes) {
  ASSERT_TRUE(record(1, -18, 5000, {{1.0, false, 0}, {1.0, true, 1}, {6.0, false, 0}, {1.0, true, 1}, {1.0, false, 0}}));
  auto runs = tone_runs(*sink, 0);
  ASSERT_EQ(2u, runs.size());
  EXPECT_LT(runs[0].first, 110);                    // at most the pre-roll and its own block before it
  EXPECT_NEAR(1000, runs[0].second, 30);
  int gap = runs[1].first - (runs[0].first + runs[0].second);
  EXPECT_GE(gap, 440);                               // 450 ms after the last loud block...
  EXPECT_LE(gap, 660);                               // ...plus at most a block and a pre-roll
  EXPECT_NEAR(1000, runs[1].second, 30);
  int tail = static_cast<int>(sink->frames_written * 1000.0 / 44100) - (runs[1].first + runs[1].second);
  EXPECT_LE(tail, 160);                              // Stop in silence keeps 50 ms after the last loud block
}

TEST_F(CaptureEngineTest, DeviceThatCannotOpenRefusesToStart) {
  sink = new MemorySink(44100, 1);
  keep = SinkRef(sink);
  engine.set_sink(keep);
  engine.device = 200;
  EXPECT_FALSE(engine.start(14400000, -127, 216000000));
  EXPECT_EQ(kCaptureStopped, engine.state());
  engine.set_sink(SinkRef(new NullSink()));
  engine.device = 0;
  EXPECT_FALSE(engine.start(14400000, -127, 216000000));  // a failed sink never starts
}

TEST_F(CaptureEngineTest, SourceDisappearingMidRecordingEndsCleanly) {
  sink = new MemorySink(44100, 1);
  keep = SinkRef(sink);
  engine.set_sink(keep);
  engine.set_listener(&listener, 1);
  ASSERT_TRUE(engine.start(14400000, -127, 216000000));
  ASSERT_TRUE(wait_until([&] { return listener.time_ms >= 500; }, 10000));
  ASSERT_EQ(0, vt_test::run_linux("pactl unload-module module-null-sink"));
  int32_t at = listener.time_ms;
  wait_until([&] { return listener.time_ms >= at + 1000; }, 3000);
  engine.stop();
  EXPECT_EQ(kCaptureStopped, engine.state());
  EXPECT_GE(sink->frames_written, 44100 / 2);
  // Put the sink back for whatever runs next.
  EXPECT_EQ(0, vt_test::run_linux("pactl load-module module-null-sink sink_name=$VT_PULSE_SINK rate=44100 channels=2 >/dev/null"
                                  " && pactl set-default-source $VT_PULSE_SINK.monitor"));
}

TEST_F(CaptureEngineTest, FullDiskEndsTheRunOnceAndSaysSo) {
  sink = new MemorySink(44100, 1);
  sink->fail_after_frames = 44100 / 2;  // the disk is full after half a second
  keep = SinkRef(sink);
  engine.set_sink(keep);
  engine.set_listener(&listener, 3);
  ASSERT_TRUE(engine.start(14400000, -127, 216000000));
  EXPECT_TRUE(wait_until([&] { return listener.sink_failures > 0; }, 10000));
  EXPECT_TRUE(wait_until([&] { return engine.state() == kCaptureStopped; }, 5000));
  const int32_t written = sink->frames_written;
  wait_until([] { return false; }, 600);
  EXPECT_EQ(1, listener.sink_failures);
  EXPECT_EQ(1, listener.stops);
  EXPECT_EQ(written, sink->frames_written);  // nothing more was written
  engine.stop();
  EXPECT_EQ(1, listener.stops);
}

// The stand-in encoder's process id from its log line "stall <id>"; 0 until it is there.
DWORD stalled_encoder_id(const std::string& log) {
  std::ifstream in(log);
  std::string word;
  DWORD id = 0;
  if (in >> word >> id && word == "stall") return id;
  return 0;
}

// An encoder pipe to the stand-in encoder that never reads; `encoder` its process id.
SinkRef open_stalled_encoder(const char* log_name, DWORD* encoder) {
  const std::string log = vt_test::windows_path(vt_test::build_dir() + "/" + log_name);
  DeleteFileA(log.c_str());
  SetEnvironmentVariableA("VT_STANDIN_LOG", log.c_str());
  const std::string standin = vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe");
  SinkRef stalled = open_encoder_pipe("\"" + standin + "\" stall", 44100, 2);
  *encoder = 0;
  if (!stalled->failed()) wait_until([&] { return (*encoder = stalled_encoder_id(log)) != 0; }, 20000);
  return stalled;
}

TEST_F(CaptureEngineTest, EncoderThatStopsReadingKeepsItsRunUntilItsThreadEnds) {
  DWORD encoder = 0;
  SinkRef stalled = open_stalled_encoder("stalled-encoder.log", &encoder);
  ASSERT_NE(0u, encoder);
  engine.set_sink(stalled);
  engine.set_listener(&listener, 5);
  ASSERT_TRUE(engine.start(14400000, -127, 216000000));
  // A second of sound is far more than the pipe holds: the thread is then stuck writing.
  wait_until([&] { return listener.time_ms >= 1000; }, 3000);
  const DWORD before = GetTickCount();
  engine.stop();
  const DWORD waited = GetTickCount() - before;
  EXPECT_GE(waited, 4500u);
  EXPECT_LT(waited, 10000u);
  EXPECT_EQ(kCaptureStopped, engine.state());
  EXPECT_EQ(1, listener.stops);
  EXPECT_EQ(2, stalled->reference_count);  // ours and the stuck run's

  // No second thread on the buffers the stuck one still uses.
  sink = new MemorySink(44100, 1);
  keep = SinkRef(sink);
  engine.set_sink(keep);
  EXPECT_FALSE(engine.start(14400000, -127, 216000000));
  EXPECT_EQ(kCaptureStopped, engine.state());

  // With the encoder gone the write fails, the thread ends and lets go of the sink.
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, encoder);
  ASSERT_NE(nullptr, process);
  TerminateProcess(process, 9);
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
  EXPECT_TRUE(wait_until([&] { return stalled->reference_count == 1; }, 10000));
  engine.set_sink(keep);
  ASSERT_TRUE(engine.start(14400000, -127, 216000000));
  EXPECT_TRUE(wait_until([&] { return listener.time_ms >= 300; }, 10000));
  engine.stop();
  EXPECT_EQ(2, listener.stops);
  EXPECT_GE(sink->frames_written, 44100 / 4);
}

// The engine going while its run is stuck (the program ending after such a stop):
// the encoder is ended so that the thread is done with the engine before it goes.
TEST_F(CaptureEngineTest, EngineGoingWhileItsRunIsStuckEndsTheRunFirst) {
  DWORD encoder = 0;
  SinkRef stalled = open_stalled_encoder("stalled-encoder-2.log", &encoder);
  ASSERT_NE(0u, encoder);
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, encoder);
  ASSERT_NE(nullptr, process);
  std::unique_ptr<CaptureEngine> own(new CaptureEngine);
  own->set_sink(stalled);
  own->set_listener(&listener, 6);
  ASSERT_TRUE(own->start(14400000, -127, 216000000));
  wait_until([&] { return listener.time_ms >= 1000; }, 3000);
  own->stop();
  ASSERT_EQ(2, stalled->reference_count);  // the stuck run still holds it

  const DWORD before = GetTickCount();
  own.reset();
  EXPECT_LT(GetTickCount() - before, 5000u);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, 5000));
  CloseHandle(process);
  EXPECT_EQ(1, stalled->reference_count);  // the thread let go of it before the engine went
}

}  // namespace
}  // namespace vt

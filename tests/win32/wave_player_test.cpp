// The wave player on the real device under Wine: what comes out of the PulseAudio null
// sink (recorded by parec from its monitor) is compared with the file played; then the
// ring's sizes, the end of the stream, seeking and the scrub loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "formats/file_readers.h"
#include "player/wave_player_win.h"
#include "tests/native/test_streams.h"
#include "tests/support/win32_driver.h"
#include "tests/win32/player_sound.h"

namespace vt {
namespace {

using player_test::Part;
using vt_test::wait_until;

class Reports : public PlayerListener {
 public:
  void on_started(uint32_t cookie) override { ++started; last_cookie = cookie; }
  void on_stopped(uint32_t) override { ++stopped; }
  void on_scrub_started(uint32_t) override { ++scrubs; }
  void on_position(int32_t ms, uint32_t) override {
    position_ms = ms;
    ++positions;
  }
  void on_device_refused(uint32_t) override { ++refused; }
  void on_levels(const LevelRecord& record, uint32_t) override {
    channels = record.channel_count;
    loudest = std::max<int>(loudest, record.db[0]);
    quietest = std::min<int>(quietest, record.db[0]);
    ++levels;
  }
  int started = 0, stopped = 0, scrubs = 0, positions = 0, levels = 0, channels = 0, refused = 0;
  int loudest = -128, quietest = 128;
  int32_t position_ms = -1;
  uint32_t last_cookie = 0;
};

TEST(WavePlayerSound, ToneAndSilenceComeOutAsInTheFile) {
  // -15.05 dB RMS tones (16-bit peak 8,192) at 1 kHz, with silence around them.
  std::string path = player_test::write_wav("player-tone.wav", 44100, 1,
                                            {{0.5, 0, 0}, {1.5, 1000, 8192}, {1.0, 0, 0}, {1.0, 1000, 8192}, {0.3, 0, 0}});
  ASSERT_FALSE(path.empty());
  player_test::SinkRecording sink;
  ASSERT_TRUE(sink.started());
  ASSERT_TRUE(sink.wait_for_more(1000, 10000));
  WavePlayer player;
  Reports reports;
  player.set_listener(&reports, 9);
  ASSERT_TRUE(player.open(open_audio_file(path)));
  EXPECT_EQ(kPlayerPlaying, player.state());
  EXPECT_EQ(4410, player.frames_per_buffer());
  ASSERT_TRUE(wait_until([&] { return reports.stopped == 1; }, 20000));
  ASSERT_TRUE(sink.wait_for_more(500, 10000));
  std::vector<int16_t> out = sink.stop();

  EXPECT_EQ(9u, reports.last_cookie);
  EXPECT_EQ(1, reports.started);
  EXPECT_EQ(4300, reports.position_ms);  // the end reports the full length
  EXPECT_EQ(kPlayerClosed, player.state());
  EXPECT_EQ(1, reports.channels);
  EXPECT_EQ(0, reports.loudest);  // 16-bit peak 8,192 reads 0 dB
  EXPECT_EQ(-127, reports.quietest);

  auto runs = player_test::sound_runs(out, 1000, 100);
  ASSERT_EQ(2u, runs.size());
  // Within the sound server's dropouts on a busy machine.
  EXPECT_NEAR(1500, runs[0].second, 100);
  EXPECT_NEAR(1000, runs[1].first - (runs[0].first + runs[0].second), 100);  // silence where the file is silent
  EXPECT_NEAR(1000, runs[1].second, 100);
  EXPECT_NEAR(3500, runs[1].first + runs[1].second - runs[0].first, 200);
  const double expected_db = 20 * std::log10(8192 / 32768.0) - 10 * std::log10(2.0);
  EXPECT_NEAR(expected_db, player_test::rms_db(out, runs[0].first + 100, runs[0].first + 1400), 0.5);
  EXPECT_NEAR(expected_db, player_test::rms_db(out, runs[1].first + 100, runs[1].first + 900), 0.5);
  EXPECT_NEAR(1000, player_test::frequency(out, runs[0].first + 100, runs[0].first + 1400), 10);
}

TEST(WavePlayerSound, ScrubLoopsTheSnippetUntilPlayResumes) {
  // 440 Hz for two seconds, then 2 kHz: the loop at 0.5 s keeps sounding 440 Hz.
  std::string path = player_test::write_wav("player-scrub.wav", 44100, 1, {{2.0, 440, 8192}, {2.0, 2000, 8192}});
  player_test::SinkRecording sink;
  ASSERT_TRUE(sink.started());
  ASSERT_TRUE(sink.wait_for_more(500, 10000));
  WavePlayer player;
  Reports reports;
  player.set_listener(&reports, 0);
  ASSERT_TRUE(player.open(open_audio_file(path)));
  player.seek(22050);
  EXPECT_EQ(500, reports.position_ms);
  int levels_before = reports.levels;
  player.scrub();
  EXPECT_EQ(kPlayerScrubbing, player.state());
  EXPECT_EQ(1, reports.scrubs);
  EXPECT_EQ(levels_before + 1, reports.levels);  // the snippet's level at once
  EXPECT_EQ(500, reports.position_ms);
  long scrub_started = sink.recorded_ms();
  ASSERT_TRUE(sink.wait_for_more(2500, 10000));  // longer than the rest of the 440 Hz part
  EXPECT_EQ(500, reports.position_ms);           // no thread reports while looping
  player.seek(44100 * 3);                         // the loop moves into the 2 kHz part
  EXPECT_EQ(kPlayerScrubbing, player.state());
  long moved = sink.recorded_ms();
  ASSERT_TRUE(sink.wait_for_more(1500, 10000));
  player.play();
  EXPECT_EQ(kPlayerPlaying, player.state());
  ASSERT_TRUE(wait_until([&] { return reports.stopped == 1; }, 10000));
  std::vector<int16_t> out = sink.stop();
  // Skip the device's latency at each change; the snippet repeats without a gap.
  EXPECT_NEAR(440, player_test::frequency(out, scrub_started + 500, moved), 25);
  EXPECT_NEAR(2000, player_test::frequency(out, moved + 800, moved + 1400), 60);
  // Once the switch to the loop is heard, it sounds without a break until moved.
  bool covered = false;
  std::string seen;
  for (auto run : player_test::sound_runs(out, 1000, 100)) {
    covered |= run.first <= scrub_started + 600 && run.first + run.second >= moved - 20;
    seen += " " + std::to_string(run.first) + "+" + std::to_string(run.second);
  }
  EXPECT_TRUE(covered) << "scrub from " << scrub_started << " to " << moved << ", sound:" << seen;
}

// Mono samples behind a channel count of 0, as a reader could report it.
class NoChannelsSource : public AudioSource {
 public:
  NoChannelsSource() : AudioSource(8000, kFullScale, 1) { channels = 0; }
  void read(int32_t* out, int frames) override {
    for (int i = 0; i < frames; ++i) out[i] = 0;
    position_ += frames;
  }
  int32_t position() override { return position_; }
  int32_t length() override { return 2000; }

 private:
  int32_t position_ = 0;
};

TEST(WavePlayer, RingSizesFollowTheRate) {
  WavePlayer player;
  struct Case {
    int32_t rate;
    int channels;
    int frames;
  } cases[] = {{8000, 1, 800}, {96000, 2, 8192}, {22050, 2, 2205}};
  for (const Case& c : cases) {
    SourceRef source(new vt_test::VectorSource(std::vector<int32_t>(static_cast<size_t>(c.rate) * c.channels), c.rate,
                                               c.channels));
    ASSERT_TRUE(player.open(source)) << c.rate;
    EXPECT_EQ(c.frames, player.frames_per_buffer());
    EXPECT_EQ(c.channels, player.channels());
    player.close();
  }
  // A source that reports no channels plays as mono, to its end.
  Reports reports;
  player.set_listener(&reports, 0);
  ASSERT_TRUE(player.open(SourceRef(new NoChannelsSource())));
  EXPECT_EQ(1, player.channels());
  EXPECT_EQ(800, player.frames_per_buffer());
  ASSERT_TRUE(wait_until([&] { return reports.stopped == 1; }, 10000));
  EXPECT_EQ(250, reports.position_ms);
}

TEST(WavePlayer, EmptyAndUnusableStreams) {
  WavePlayer player;
  Reports reports;
  player.set_listener(&reports, 0);
  ASSERT_TRUE(player.open(SourceRef(new vt_test::VectorSource({}, 44100, 1))));
  ASSERT_TRUE(wait_until([&] { return reports.stopped == 1; }, 5000));
  EXPECT_EQ(0, reports.position_ms);
  EXPECT_EQ(kPlayerClosed, player.state());
  EXPECT_FALSE(player.open(SourceRef(new SilenceSource(kSourceEmpty))));
  EXPECT_FALSE(player.open(open_audio_file("Z:\\nonexistent\\missing.wav")));
  player.device = 200;  // no such device, not even through the mapper
  EXPECT_FALSE(player.open(SourceRef(new vt_test::VectorSource(std::vector<int32_t>(8000), 8000, 1))));
  EXPECT_EQ(kPlayerClosed, player.state());
  // Operations on a closed player do nothing.
  player.play();
  player.scrub();
  player.seek(100);
  EXPECT_EQ(kPlayerClosed, player.state());
}

TEST(WavePlayer, SeekReportsTheNewPositionAndPlaysOnFromThere) {
  WavePlayer player;
  Reports reports;
  player.set_listener(&reports, 0);
  SourceRef source(new vt_test::VectorSource(vt_test::sine(8000, 500, 8192 * 16, 8000 * 20), 8000, 1));
  ASSERT_TRUE(player.open(source));
  EXPECT_EQ(0, reports.position_ms);
  player.seek(8000 * 19);
  EXPECT_EQ(19000, reports.position_ms);
  EXPECT_EQ(kPlayerPlaying, player.state());
  ASSERT_TRUE(wait_until([&] { return reports.stopped == 1; }, 5000));
  EXPECT_EQ(20000, reports.position_ms);
  // Reopening the same source at its end reports the end again at once.
  ASSERT_TRUE(player.open(source));
  ASSERT_TRUE(wait_until([&] { return reports.stopped == 2; }, 5000));
  EXPECT_EQ(20000, reports.position_ms);
}

// A source whose reads hang until released: the writer then misses its stop time-out.
class HangingSource : public AudioSource {
 public:
  HangingSource()
      : AudioSource(8000, kFullScale, 1),
        release(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
        reading(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~HangingSource() override {
    CloseHandle(release);
    CloseHandle(reading);
  }
  void read(int32_t* out, int frames) override {
    SetEvent(reading);
    WaitForSingleObject(release, 30000);
    for (int i = 0; i < frames; ++i) out[i] = 0;
    position_ += frames;
  }
  int32_t position() override { return position_; }
  int32_t length() override { return 8000 * 60; }
  HANDLE release;
  HANDLE reading;

 private:
  int32_t position_ = 0;
};

TEST(WavePlayer, CloseAfterTheStopTimeOutLeavesTheSourceToTheWriter) {
  WavePlayer player;
  Reports reports;
  player.set_listener(&reports, 0);
  auto* hanging = new HangingSource();
  SourceRef held(hanging);
  ASSERT_TRUE(player.open(held));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hanging->reading, 10000));
  player.close();  // waits 5 s for the writer, in vain
  EXPECT_EQ(kPlayerClosed, player.state());
  EXPECT_EQ(1, reports.stopped);
  EXPECT_EQ(2, held->reference_count);  // still the writer's
  SourceRef other(new vt_test::VectorSource(std::vector<int32_t>(8000), 8000, 1));
  EXPECT_FALSE(player.open(other));  // the ring is not free yet
  SetEvent(hanging->release);
  ASSERT_TRUE(wait_until([&] { return player.open(other); }, 10000));
  EXPECT_EQ(1, held->reference_count);  // let go once the writer had ended
  player.close();
}

TEST(WavePlayer, DestroyedWhileTheWriterHangsLeavesItsSourceToTheWriter) {
  auto* hanging = new HangingSource();
  SourceRef held(hanging);
  {
    WavePlayer player;
    ASSERT_TRUE(player.open(held));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hanging->reading, 10000));
  }  // waits for the writer once, in vain
  EXPECT_EQ(2, held->reference_count);  // still the writer's
  SetEvent(hanging->release);
  // The writer, once out of its read, frees what the player left it.
  EXPECT_TRUE(wait_until([&] { return held->reference_count == 1; }, 15000));
}

// A device that takes so many buffers and refuses every one after (or every header).
std::atomic<int> g_writes_left{0};
MMRESULT WINAPI refusing_write(HWAVEOUT out, WAVEHDR* header, UINT size) {
  if (g_writes_left.fetch_sub(1) <= 0) return MMSYSERR_NOMEM;
  return waveOutWrite(out, header, size);
}
MMRESULT WINAPI refusing_prepare(HWAVEOUT, WAVEHDR*, UINT) { return MMSYSERR_NOMEM; }
const WaveOutCalls kRefusingWrites = {waveOutOpen,  waveOutPrepareHeader, waveOutUnprepareHeader,
                                      refusing_write, waveOutReset,       waveOutClose};
const WaveOutCalls kRefusingHeaders = {waveOutOpen,  refusing_prepare, waveOutUnprepareHeader,
                                       waveOutWrite, waveOutReset,     waveOutClose};

TEST(WavePlayer, ABufferTheDeviceRefusesEndsPlaybackWhereItWas) {
  SourceRef source(new vt_test::VectorSource(vt_test::sine(8000, 500, 8192 * 16, 8000 * 20), 8000, 1));
  g_writes_left = 3;
  WavePlayer player(kRefusingWrites);
  Reports reports;
  player.set_listener(&reports, 0);
  ASSERT_TRUE(player.open(source));
  // The three buffers taken play out (800 frames each); then playback ends there.
  ASSERT_TRUE(wait_until([&] { return reports.stopped == 1; }, 10000));
  EXPECT_EQ(1, reports.refused);
  EXPECT_EQ(300, reports.position_ms);
  EXPECT_EQ(kPlayerClosed, player.state());
  // The scrub loop refused: closed at once, where it was.
  g_writes_left = 1000;
  source->seek(8000 * 5);
  ASSERT_TRUE(player.open(source));
  g_writes_left = 0;
  player.scrub();
  EXPECT_EQ(kPlayerClosed, player.state());
  EXPECT_EQ(2, reports.stopped);
  EXPECT_EQ(2, reports.refused);
  EXPECT_GE(reports.position_ms, 5000);  // the scrub point: what had played of the ring
  EXPECT_LE(reports.position_ms, 5000 + 6400);
  // A device that will not prepare the ring does not play.
  WavePlayer unprepared(kRefusingHeaders);
  unprepared.set_listener(&reports, 0);
  EXPECT_FALSE(unprepared.open(source));
  EXPECT_EQ(3, reports.refused);
  EXPECT_EQ(kPlayerClosed, unprepared.state());
}

// vtool play on the same player: positions and levels as it goes, the end, exit code 0.
TEST(VtoolPlay, PrintsPositionAndLevelsToTheEnd) {
  std::string path = player_test::write_wav("vtool-play.wav", 22050, 2, {{1.0, 1000, 8192}, {0.5, 0, 0}});
  std::string line = "\"" + vt_test::windows_path(vt_test::build_dir() + "/tools/vtool.exe") + "\" play \"" + path + "\" --device 0";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
  CloseHandle(write_end);
  std::string output;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(read_end, chunk, sizeof chunk, &got, nullptr) && got > 0) output.append(chunk, got);
  CloseHandle(read_end);
  DWORD exit_code = 99;
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 3);
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  EXPECT_EQ(0u, exit_code) << output;
  EXPECT_NE(std::string::npos, output.find("position 0:00:00.00 (0 ms)")) << output;
  EXPECT_NE(std::string::npos, output.find("niveaux 0 0 dB")) << output;
  EXPECT_NE(std::string::npos, output.find("niveaux -127 -127 dB")) << output;
  EXPECT_NE(std::string::npos, output.find("fin 0:00:01.50")) << output;
  // A file that cannot be read fails with one line.
  line = "\"" + vt_test::windows_path(vt_test::build_dir() + "/tools/vtool.exe") + "\" play Z:\\nowhere\\missing.wav";
  ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  WaitForSingleObject(process.hProcess, 20000);
  GetExitCodeProcess(process.hProcess, &exit_code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  EXPECT_EQ(2u, exit_code);
}

}  // namespace
}  // namespace vt

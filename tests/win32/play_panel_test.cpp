// The player panel LPlayDlg driven as a person would: keys posted to it and pumped
// through the panel's own loop, the scroll bar, the waveform; what it shows is compared
// with the file, and what it plays with what comes out of the null sink.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "gui/play_dlg_res.h"
#include "base/time_units.h"
#include "gui/play_dlg_win.h"
#include "tests/support/map_section.h"
#include "tests/support/message_box_answer.h"
#include "tests/support/win32_driver.h"
#include "tests/win32/player_sound.h"
#include "ui/controls_win.h"

namespace vt {
namespace {

using vt_test::MapSection;

class PlayPanelTest : public ::testing::Test {
 protected:
  void SetUp() override { register_ui_controls(GetModuleHandleA(nullptr)); }

  void open(const std::string& path, const WaveOutCalls& calls = system_wave_out()) {
    if (!item) item.reset(new PlayItem("essai.wav", path));
    panel.reset(new PlayDialog(*item, settings, calls));
    window = panel->create(nullptr);
    ASSERT_TRUE(window != nullptr);
    ShowWindow(window, SW_SHOW);
  }
  void TearDown() override {
    if (panel && panel->window()) DestroyWindow(panel->window());
    panel.reset();
  }

  // Pumps through the panel's loop until `condition` holds.
  bool wait(const std::function<bool()>& condition, int timeout_ms) {
    DWORD start = GetTickCount();
    for (;;) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) panel->pump_message(message);
      if (condition()) return true;
      if (GetTickCount() - start > static_cast<DWORD>(timeout_ms)) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }
  void key(int code, bool down = true, bool repeat = false) {
    HWND focus = GetDlgItem(window, IDC_PLAY_STOP);
    UINT message = (code & vt_test::kAlt) ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    LPARAM flags = 1 | ((code & vt_test::kAlt) ? (1 << 29) : 0) | (down ? (repeat ? (1 << 30) : 0) : (3u << 30));
    PostMessageA(focus, message, code & 0xFFFF, flags);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) panel->pump_message(m);
  }
  std::string shown_time() { return vt_test::control_text(window, IDC_PLAY_TIME); }
  int scroll_position() { return GetScrollPos(GetDlgItem(window, IDC_PLAY_SCROLL), SB_CTL); }
  bool checked(int id) { return vt_test::is_checked(window, id); }

  MapSection settings;
  std::unique_ptr<PlayItem> item;
  std::unique_ptr<PlayDialog> panel;
  HWND window = nullptr;
};

TEST_F(PlayPanelTest, ShowsTheRecordingAndPlaysItAtOnce) {
  std::string path = player_test::write_wav("panel-shape.wav", 44100, 1,
                                            {{0.5, 0, 0}, {0.5, 1000, 8192}, {0.5, 0, 0}, {0.5, 1000, 16384}, {2.0, 0, 0}});
  settings.values["Device"] = "1";
  settings.values["VolumeDB"] = "-3";
  open(path);
  EXPECT_EQ("Contrôle Reproduction", vt_test::window_text(window));
  EXPECT_EQ("essai.wav", vt_test::control_text(window, IDC_PLAY_NAME));
  EXPECT_FALSE(vt_test::is_enabled(GetDlgItem(window, IDC_PLAY_NAME)));
  HWND devices = GetDlgItem(window, IDC_PLAY_DEVICE);
  char entry[128] = {};
  SendMessageA(devices, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ("[Son Initial Sortant]", entry);
  EXPECT_GE(SendMessageA(devices, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(1, SendMessageA(devices, CB_GETCURSEL, 0, 0));
  EXPECT_EQ(1u, panel->player().device);
  EXPECT_EQ(4000, panel->length_ms());
  EXPECT_EQ(kPlayerPlaying, panel->player().state());
  EXPECT_TRUE(checked(IDC_PLAY_PLAY));
  EXPECT_FALSE(checked(IDC_PLAY_STOP));
  EXPECT_TRUE(vt_test::is_enabled(GetDlgItem(window, IDC_PLAY_WAVE)));

  // Position text and scroll bar follow the player.
  ASSERT_TRUE(wait([&] { return panel->position_ms() >= 1200 && panel->position_ms() < 3000; }, 10000));
  EXPECT_EQ(vt::time_text(panel->position_ms()), shown_time());
  EXPECT_EQ(panel->position_ms() * 100 / 4000, scroll_position());
  vt_test::save_screenshot("play_panel_playing");

  // Stopped at the start, the waveform shows the first two seconds: the two tones at
  // their columns, silence flat.
  key(VK_ESCAPE);
  EXPECT_EQ(kPlayerClosed, panel->player().state());
  EXPECT_TRUE(checked(IDC_PLAY_STOP));
  key(VK_HOME);
  EXPECT_EQ("0:00:00.00", shown_time());
  ASSERT_TRUE(wait([&] { return panel->waveform().idle(); }, 10000));
  const int w = panel->waveform().width();
  ASSERT_GT(w, 100);
  WaveView view = panel->waveform().view();
  EXPECT_EQ(0, view.start);
  EXPECT_EQ(88200, view.length);
  auto at = [&](double seconds) { return panel->waveform().column(static_cast<int>(seconds / 2 * w)); };
  EXPECT_EQ(0, at(0.25));
  EXPECT_NEAR(127, at(0.75), 1);  // 8,192 x 16 >> 10
  EXPECT_EQ(0, at(1.25));
  EXPECT_EQ(255, at(1.75));       // half scale and louder: full height
  for (int x = 0; x < w; ++x) {
    double seconds = 2.0 * x / w;
    bool near_edge = std::fabs(seconds - 0.5) < 0.02 || std::fabs(seconds - 1.0) < 0.02 ||
                     std::fabs(seconds - 1.5) < 0.02;
    if (near_edge) continue;
    bool tone = (seconds > 0.5 && seconds < 1.0) || seconds > 1.5;
    EXPECT_EQ(tone, panel->waveform().column(x) > 100) << "column " << x;
  }
  vt_test::save_screenshot("play_panel_stopped");

  // A click in the waveform while stopped moves the position there.
  PostMessageA(GetDlgItem(window, IDC_PLAY_WAVE), WM_LBUTTONUP, 0, MAKELPARAM(w / 2, 10));
  ASSERT_TRUE(wait([&] { return panel->position_ms() > 900; }, 3000));
  EXPECT_NEAR(1000, panel->position_ms(), 20);
  EXPECT_EQ(kPlayerClosed, panel->player().state());

  // Closing stores the device and the volume.
  DestroyWindow(window);
  EXPECT_EQ("1", settings.values["Device"]);
  EXPECT_EQ("-3", settings.values["VolumeDB"]);
}

TEST_F(PlayPanelTest, PlaysAToneWithItsFrequencyLevelAndLength) {
  std::string path = player_test::write_wav("panel-tone.wav", 44100, 1, {{0.3, 0, 0}, {2.0, 1000, 8192}, {0.3, 0, 0}});
  const double file_db = 20 * std::log10(8192 / 32768.0) - 10 * std::log10(2.0);
  // Full volume (+12 dB on the slider: 65,535) on the first device, then 0 dB on the
  // slider (51,264 of 65,535), then full volume again for what follows.
  struct Case {
    const char* device;
    const char* volume;
    double gain_db;
  } cases[] = {{"1", "12", 0.0}, {"1", "0", 20 * std::log10(51264 / 65535.0)}, {"1", "12", 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("device ") + c.device + ", volume " + c.volume);
    settings.values["Device"] = c.device;
    settings.values["VolumeDB"] = c.volume;
    player_test::SinkRecording sink;
    ASSERT_TRUE(sink.started());
    ASSERT_TRUE(sink.wait_for_more(1000, 10000));
    open(path);
    ASSERT_TRUE(wait([&] { return panel->player().state() == kPlayerClosed; }, 10000));
    EXPECT_EQ("0:00:02.60", shown_time());
    ASSERT_TRUE(sink.wait_for_more(500, 10000));
    std::vector<int16_t> out = sink.stop();
    DestroyWindow(window);
    // The tone is the only sound: gaps within it are the sound server's dropouts.
    auto runs = player_test::sound_runs(out, 1000, 250);
    ASSERT_EQ(1u, runs.size());
    EXPECT_NEAR(2000, runs[0].second, 200);
    EXPECT_NEAR(file_db + c.gain_db, player_test::rms_db(out, runs[0].first + 100, runs[0].first + 1900), 0.5);
    EXPECT_NEAR(1000, player_test::frequency(out, runs[0].first + 100, runs[0].first + 1900), 10);
  }
}

TEST_F(PlayPanelTest, TransportKeysAndScrollBar) {
  std::string path = player_test::write_wav("panel-keys.wav", 8000, 1, {{2.0, 500, 8192}});
  open(path);
  ASSERT_TRUE(wait([&] { return panel->player().state() == kPlayerClosed; }, 6000));  // two seconds play through
  EXPECT_EQ("0:00:02.00", shown_time());
  EXPECT_EQ(100, scroll_position());
  EXPECT_TRUE(checked(IDC_PLAY_STOP));
  // Play again at the end reports the end at once.
  key(VK_F9);
  ASSERT_TRUE(wait([&] { return panel->player().state() == kPlayerClosed; }, 3000));
  EXPECT_EQ(2000, panel->position_ms());
  // Alt+F9 on a two-second recording plays it from the start.
  key(VK_F9 | vt_test::kAlt);
  EXPECT_EQ(kPlayerPlaying, panel->player().state());
  EXPECT_LT(panel->position_ms(), 200);
  // Space scrubs, Space again plays, Esc stops.
  key(VK_SPACE);
  EXPECT_EQ(kPlayerScrubbing, panel->player().state());
  EXPECT_TRUE(checked(IDC_PLAY_SCRUB));
  EXPECT_FALSE(checked(IDC_PLAY_PLAY));
  key(VK_SPACE);
  EXPECT_EQ(kPlayerPlaying, panel->player().state());
  EXPECT_TRUE(checked(IDC_PLAY_PLAY));
  key(VK_ESCAPE);
  EXPECT_EQ(kPlayerClosed, panel->player().state());
  // The thumb moved while stopped changes only the position; Play starts there.
  SendMessageA(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50), reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_PLAY_SCROLL)));
  EXPECT_EQ(1000, panel->position_ms());
  EXPECT_EQ("0:00:01.00", shown_time());
  EXPECT_EQ(kPlayerClosed, panel->player().state());
  key(VK_F9);
  EXPECT_EQ(kPlayerPlaying, panel->player().state());
  EXPECT_EQ(1000, panel->position_ms());
  key(VK_ESCAPE);
  // Scrub from stop opens the file, starts and switches to the loop at once.
  key(VK_F10 | vt_test::kAlt);
  EXPECT_EQ(kPlayerScrubbing, panel->player().state());
  key(VK_HOME);
  EXPECT_EQ(0, panel->position_ms());
  EXPECT_EQ(kPlayerScrubbing, panel->player().state());
  // End while open goes 1.5 s before the end; closed, it shows the length.
  key(VK_END);
  EXPECT_EQ(500, panel->position_ms());
  key(VK_ESCAPE);
  key(VK_END);
  EXPECT_EQ(2000, panel->position_ms());
  // Scroll steps of two seconds, never below 0.
  SendMessageA(window, WM_HSCROLL, SB_LINELEFT, reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_PLAY_SCROLL)));
  EXPECT_EQ(0, panel->position_ms());
  SendMessageA(window, WM_HSCROLL, SB_PAGELEFT, reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_PLAY_SCROLL)));
  EXPECT_EQ(0, panel->position_ms());
  // Enter closes the panel.
  key(VK_RETURN);
  EXPECT_TRUE(panel->window() == nullptr);
}

TEST_F(PlayPanelTest, HoldingTheRightArrowCuesForwardFasterThanRealTime) {
  std::string path = player_test::write_wav("panel-cue.wav", 44100, 1, {{60.0, 1000, 8192}});
  open(path);
  key(VK_ESCAPE);
  key(VK_HOME);
  player_test::SinkRecording sink;
  ASSERT_TRUE(sink.started());
  ASSERT_TRUE(sink.wait_for_more(300, 10000));
  key(VK_F9);
  ASSERT_TRUE(wait([&] { return panel->position_ms() >= 1000; }, 5000));
  key(VK_RIGHT);
  const DWORD start = GetTickCount();
  const int32_t from = panel->position_ms();
  EXPECT_EQ(kPlayerPlaying, panel->player().state());
  for (int i = 0; i < 5; ++i) key(VK_RIGHT, true, true);  // auto-repeats change nothing
  ASSERT_TRUE(wait([&] { return panel->position_ms() >= from + 12000; }, 8000));
  const DWORD elapsed = GetTickCount() - start;
  EXPECT_LT(elapsed, 7000u);  // twelve seconds of the recording in well under twelve
  long cue_sound_from = sink.recorded_ms();
  ASSERT_TRUE(sink.wait_for_more(1000, 5000));
  key(VK_RIGHT, false);
  // Released: playing again from where the cue got to, and the panel agrees with it.
  const int32_t reached = panel->position_ms();
  EXPECT_EQ(kPlayerPlaying, panel->player().state());
  EXPECT_TRUE(checked(IDC_PLAY_PLAY));
  ASSERT_TRUE(wait([&] { return panel->position_ms() >= reached + 300; }, 5000));
  EXPECT_LT(panel->position_ms(), reached + 3000);
  EXPECT_EQ(vt::time_text(panel->position_ms()), shown_time());
  EXPECT_EQ(panel->position_ms() * 100 / 60000, scroll_position());
  std::vector<int16_t> out = sink.stop();
  // The pitch is kept while cueing.
  EXPECT_NEAR(1000, player_test::frequency(out, cue_sound_from + 300, cue_sound_from + 1000), 100);
  // Holding the left arrow goes back.
  key(VK_LEFT);
  const int32_t before = panel->position_ms();
  ASSERT_TRUE(wait([&] { return panel->position_ms() < before - 1000; }, 8000));
  key(VK_LEFT, false);
  EXPECT_EQ(kPlayerPlaying, panel->player().state());
}

// Keys typed into the volume's text box or the device list stay there: Enter does
// not close the panel, the arrows do not cue, Home and End do not seek.
TEST_F(PlayPanelTest, KeysInTheTextBoxAndTheDeviceListStayThere) {
  std::string path = player_test::write_wav("panel-boxes.wav", 8000, 1, {{4.0, 500, 8192}});
  open(path);
  key(VK_ESCAPE);
  SendMessageA(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50), reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_PLAY_SCROLL)));
  ASSERT_EQ(2000, panel->position_ms());
  HWND volume_box = FindWindowExA(GetDlgItem(window, IDC_PLAY_VOLUME), nullptr, "Edit", nullptr);
  ASSERT_TRUE(volume_box != nullptr);
  HWND devices = GetDlgItem(window, IDC_PLAY_DEVICE);
  for (HWND box : {volume_box, devices}) {
    SCOPED_TRACE(vt_test::window_class(box));
    ASSERT_TRUE(vt_test::focus(box));
    for (int code : {VK_HOME, VK_END, VK_LEFT, VK_RIGHT, VK_RETURN}) {
      PostMessageA(box, WM_KEYDOWN, code, 1);
      PostMessageA(box, WM_KEYUP, code, 1 | (3u << 30));
      ASSERT_TRUE(wait([&] { return !PeekMessageA(nullptr, nullptr, 0, 0, PM_NOREMOVE); }, 3000));
      ASSERT_TRUE(panel->window() != nullptr) << "key " << code;
      EXPECT_EQ(2000, panel->position_ms()) << "key " << code;
      EXPECT_EQ(kPlayerClosed, panel->player().state()) << "key " << code;
    }
  }
  // The panel's own keys still act from there.
  PostMessageA(devices, WM_KEYDOWN, VK_F9, 1);
  ASSERT_TRUE(wait([&] { return panel->player().state() == kPlayerPlaying; }, 3000));
}

// A file whose reads hang: the panel closed under it neither frees what its threads
// still use nor waits for each of them in turn.
class HangingItem : public PlayItem {
 public:
  class Source : public AudioSource {
   public:
    explicit Source(HANDLE release) : AudioSource(8000, kFullScale, 1), release_(release) {}
    void read(int32_t* out, int frames) override {
      reading = true;
      WaitForSingleObject(release_, 60000);
      for (int i = 0; i < frames; ++i) out[i] = 0;
      position_ += frames;
    }
    int32_t position() override { return position_; }
    int32_t length() override { return 8000 * 60; }
    void seek(int32_t frame) override { position_ = frame; }
    std::atomic<bool> reading{false};

   private:
    HANDLE release_;
    int32_t position_ = 0;
  };

  HangingItem() : PlayItem("bloque.wav", "bloque.wav"), release(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~HangingItem() override { CloseHandle(release); }
  SourceRef open_stream() const override {
    SourceRef source(new Source(release));
    opened.push_back(source);
    return source;
  }
  int hanging() const {
    int count = 0;
    for (const SourceRef& source : opened) count += static_cast<Source*>(source.get())->reading ? 1 : 0;
    return count;
  }
  HANDLE release;
  mutable std::vector<SourceRef> opened;
};

TEST_F(PlayPanelTest, ClosedWhileItsFileHangsWaitsOnceAndFreesNothingUnderItsThreads) {
  auto* hanging = new HangingItem();
  item.reset(hanging);
  open("");
  // The player's writer and the waveform's worker are both stuck in a read.
  ASSERT_TRUE(wait([&] { return hanging->hanging() == 2; }, 10000));
  const DWORD start = GetTickCount();
  panel.reset();
  const DWORD closing = GetTickCount() - start;
  EXPECT_LT(closing, 9000u);  // one stop time-out of 5 s, not one per thread and wait
  for (const SourceRef& source : hanging->opened) {
    if (static_cast<HangingItem::Source*>(source.get())->reading) EXPECT_EQ(2, source->reference_count);
  }
  SetEvent(hanging->release);
  // Out of their reads, the threads free what was left to them.
  EXPECT_TRUE(vt_test::wait_until([&] {
    for (const SourceRef& source : hanging->opened)
      if (source->reference_count != 1) return false;
    return true;
  }, 15000));
}

TEST_F(PlayPanelTest, ADeviceThatRefusesABufferStopsThePanelAndSaysSo) {
  static std::atomic<int> writes_left{0};
  struct Refusing {
    static MMRESULT WINAPI write(HWAVEOUT out, WAVEHDR* header, UINT size) {
      if (writes_left.fetch_sub(1) <= 0) return MMSYSERR_NOMEM;
      return waveOutWrite(out, header, size);
    }
  };
  static const WaveOutCalls refusing = {waveOutOpen, waveOutPrepareHeader, waveOutUnprepareHeader,
                                        Refusing::write, waveOutReset, waveOutClose};
  std::string path = player_test::write_wav("panel-refused.wav", 8000, 1, {{10.0, 500, 8192}});
  writes_left = 5;
  std::string said;
  std::atomic<bool> answered{false};
  std::thread answer([&] {
    HWND box = vt_test::find_dialog_with_control(
        "Le périphérique de reproduction a refusé de jouer l'enregistrement. La lecture a été arrêtée.", 30000);
    if (!box) return;
    said = vt_test::window_text(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    answered = true;
  });
  open(path, refusing);
  const bool stopped = wait([&] { return answered && panel->player().state() == kPlayerClosed; }, 30000);
  answer.join();
  ASSERT_TRUE(stopped);
  // Where the five buffers taken ended, with the buttons back to stopped.
  EXPECT_EQ("0:00:00.50", shown_time());
  EXPECT_TRUE(checked(IDC_PLAY_STOP));
  EXPECT_FALSE(checked(IDC_PLAY_PLAY));
}

TEST_F(PlayPanelTest, TheLastMinuteOfAFourHourRecording) {
  // Four hours at 8 kHz mono, sparse: only the last minute is written.
  const uint32_t frames = 4u * 3600 * 8000;
  std::string path = vt_test::windows_path(vt_test::build_dir() + "/panel-four-hours.wav");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  std::string header = player_test::wav_header(8000, 1, frames * 2);
  DWORD written = 0;
  WriteFile(file, header.data(), static_cast<DWORD>(header.size()), &written, nullptr);
  std::string tail;
  for (int i = 0; i < 60 * 8000; ++i)
    player_test::put16(tail, static_cast<uint16_t>(static_cast<int16_t>(std::lround(8192 * std::sin(2 * M_PI * 500 * i / 8000.0)))));
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(header.size()) + (frames - 60 * 8000) * 2LL;
  SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
  WriteFile(file, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr);
  CloseHandle(file);

  open(path);
  EXPECT_EQ(14400000, panel->length_ms());
  key(VK_F9 | vt_test::kAlt);
  EXPECT_EQ(kPlayerPlaying, panel->player().state());
  EXPECT_EQ("3:59:57.00", shown_time());
  EXPECT_EQ(99, scroll_position());
  ASSERT_TRUE(wait([&] { return panel->position_ms() >= 14397500; }, 5000));
  EXPECT_EQ(vt::time_text(panel->position_ms()), shown_time());
  ASSERT_TRUE(wait([&] { return panel->player().state() == kPlayerClosed; }, 8000));
  EXPECT_EQ("4:00:00.00", shown_time());
  EXPECT_EQ(100, scroll_position());
  // The thumb at three quarters: three hours.
  SendMessageA(window, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 75), reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_PLAY_SCROLL)));
  EXPECT_EQ("3:00:00.00", shown_time());
  DestroyWindow(window);
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace vt

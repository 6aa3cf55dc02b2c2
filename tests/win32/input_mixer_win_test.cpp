// The input mixer on Wine's real mixer, seen from PulseAudio, and the audio set-up
// wizard with a tone playing into the recording input.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <prsht.h>

#include "base/settings_names.h"
#include "audio/stream.h"
#include "capture/capture_engine_win.h"
#include "capture/mixer_constants.h"
#include "capture/mixer_win.h"
#include "gui/record_setting_wizard_res.h"
#include "recorder/recorder_win.h"
#include "gui/record_setting_wizard_win.h"
#include "tests/support/linux_process.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "ui/db_slider_win.h"
#include "win/settings_win.h"

namespace {

using vt::Hive;

// Output of a Linux command line, read back through a file of the build tree.
std::string linux_output(const std::string& command) {
  std::string file = vt_test::build_dir() + "/mixer-test-output.txt";
  if (vt_test::run_linux(command + " > '" + file + "' 2>&1") != 0) return std::string();
  std::ifstream in(vt_test::windows_path(file));
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The first volume percentage pactl shows for the recording source.
int source_volume_percent() {
  std::string text = linux_output("pactl get-source-volume \"$VT_PULSE_SINK.monitor\"");
  size_t percent = text.find('%');
  if (percent == std::string::npos) return -1;
  size_t start = text.rfind(' ', percent);
  return std::atoi(text.substr(start + 1, percent - start - 1).c_str());
}

TEST(InputMixerWin, WineMixerHasOneSourceLine) {
  int device = vt::input_device_for(0);
  EXPECT_EQ(0, device);
  int sources = vt::input_source_count(device);
  std::printf("sources %d, name '%s', device '%s'\n", sources, vt::input_source_name(device, 0).c_str(),
              vt::input_device_name(1).c_str());
  EXPECT_GE(sources, 1);
  EXPECT_EQ("[Son Initial Entrant]", vt::input_device_name(0));
  EXPECT_EQ("", vt::input_source_name(-1, 0));
  EXPECT_EQ(0, vt::input_source_count(-1));
}

// One control's value read straight from the system's mixer of wave-input device 0:
// the `index`-th control (0 volume, 1 mute on Wine's lines) of the wave-in destination
// (`source` −1) or of its source line `source`.
long control_value(int source, int index) {
  UINT id = 0;
  if (mixerGetID(reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(0)), &id, MIXER_OBJECTF_WAVEIN) != MMSYSERR_NOERROR)
    return -1;
  HMIXEROBJ mixer = reinterpret_cast<HMIXEROBJ>(static_cast<UINT_PTR>(id));
  MIXERLINEA line = {};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
  if (mixerGetLineInfoA(mixer, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
    return -1;
  if (source >= 0) {
    line.dwSource = source;
    if (mixerGetLineInfoA(mixer, &line, MIXER_OBJECTF_MIXER | MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR)
      return -1;
  }
  MIXERCONTROLA controls[8] = {};
  MIXERLINECONTROLSA request = {};
  request.cbStruct = sizeof request;
  request.dwLineID = line.dwLineID;
  request.cControls = line.cControls < 8 ? line.cControls : 8;
  request.cbmxctrl = sizeof(MIXERCONTROLA);
  request.pamxctrl = controls;
  if (mixerGetLineControlsA(mixer, &request, MIXER_OBJECTF_MIXER | MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR ||
      index >= static_cast<int>(request.cControls))
    return -1;
  MIXERCONTROLDETAILS_UNSIGNED value = {};
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof details;
  details.dwControlID = controls[index].dwControlID;
  details.cChannels = 1;
  details.cbDetails = sizeof value;
  details.paDetails = &value;
  if (mixerGetControlDetailsA(mixer, &details, MIXER_OBJECTF_MIXER | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
    return -1;
  return static_cast<long>(value.dwValue);
}

// Wine's mixer offers per input one destination with one source line, each with a
// volume and a mute; what the program sets on the destination is read back through
// the system's own calls. (Wine keeps these values to itself: PulseAudio's source
// volume and the captured samples do not change with them, and the source line's
// volume always reads 0.)
TEST(InputMixerWin, RecordingLineAndVolumeAreSetOnTheSystemMixer) {
  int device = vt::input_device_for(0);
  ASSERT_EQ(1, vt::input_source_count(device));
  vt::apply_input_mixer(device, 0, -20);  // 51,264 − 20 × 1,424
  EXPECT_NEAR(22784, control_value(-1, 0), 2);
  EXPECT_EQ(0, control_value(-1, 1));
  EXPECT_EQ(0, control_value(0, 1));
  vt::apply_input_mixer(device, 0, 12);
  EXPECT_EQ(65535, control_value(-1, 0));
  // The Windows-mixer entry and a missing line leave everything as it was.
  vt::apply_input_mixer(device, -1, -36);
  vt::apply_input_mixer(device, 5, -36);
  EXPECT_EQ(65535, control_value(-1, 0));
  vt::apply_input_mixer(device, 0, -36);
  EXPECT_EQ(0, control_value(-1, 0));
  vt::apply_input_mixer(device, 0, 0);
  EXPECT_NEAR(51264, control_value(-1, 0), 2);
  std::printf("PulseAudio source volume after the mixer calls: %d%%\n", source_volume_percent());
}

// Each start of capture sets RecordChan and RecordVolume on the device's mixer; the
// Windows-mixer entry (RecordChan −1) leaves it alone.
TEST(InputMixerWin, RecorderAppliesTheLineAndVolumeAtEachStart) {
  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards;
  for (const char* name : {"OutputFolder", "Format", "PromptForName", "RecordTone", "StoppedTone", "VoiceActivate",
                           "LaunchPlayWhenStop", "IntervalTone"})
    guards.push_back(std::make_unique<vt_test::SettingGuard>(Hive::User, "Settings", name));
  for (const char* name : {"RecordDevice", "RecordChan", "RecordVolume"})
    guards.push_back(std::make_unique<vt_test::SettingGuard>(Hive::Machine, "Settings", name));
  const std::string folder = vt_test::scratch_folder("mixer-recorder");
  vt::write_setting(vt::kOutputFolder, folder.c_str());
  vt::write_setting(vt::kFormat, 0);
  vt::write_setting(vt::kPromptForName, false);
  vt::write_setting(vt::kRecordTone, false);
  vt::write_setting(vt::kStoppedTone, false);
  vt::write_setting(vt::kVoiceActivate, false);
  vt::write_setting(vt::kLaunchPlayWhenStop, false);
  vt::write_setting(vt::kIntervalTone, false);
  vt::write_setting(vt::kRecordDevice, 0);
  {
    vt::Recorder recorder(GetModuleHandleA(nullptr));
    vt::apply_input_mixer(0, 0, 12);
    vt::write_setting(vt::kRecordChan, 0);
    vt::write_setting(vt::kRecordVolume, -20);
    recorder.record();
    EXPECT_TRUE(recorder.engine_running());
    EXPECT_NEAR(22784, control_value(-1, 0), 2);
    recorder.stop_and_mark();
    vt::write_setting(vt::kRecordChan, -1);
    vt::write_setting(vt::kRecordVolume, 0);
    recorder.record();
    EXPECT_NEAR(22784, control_value(-1, 0), 2);
    // A stored volume past the slider's range is its end, not a wrapped byte (200 would be −56).
    recorder.stop_and_mark();
    vt::write_setting(vt::kRecordChan, 0);
    vt::write_setting(vt::kRecordVolume, 200);
    recorder.record();
    EXPECT_EQ(65535, control_value(-1, 0));
    recorder.stop_and_mark();
    recorder.shut_down();
  }
  vt_test::remove_tree(folder);
}

class SetupWizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const vt::IntSetting* setting : {&vt::kRecordDevice, &vt::kRecordChan, &vt::kRecordVolume})
      guards_.push_back(std::make_unique<vt_test::SettingGuard>(setting->hive, setting->section, setting->name));
    vt_test::delete_value(Hive::Machine, "Software\\Ardentine\\Vocatrack\\Settings", "RecordChan");
    vt::write_setting(vt::kRecordDevice, 0);
    vt::write_setting(vt::kRecordVolume, -6);
  }
  std::vector<std::unique_ptr<vt_test::SettingGuard>> guards_;
};

TEST_F(SetupWizardTest, MeterMovesWithATonePlayingAndFinishSaves) {
  std::unique_ptr<vt_test::LinuxProcess> tone(vt_test::start_steady_tone());
  std::atomic<bool> driven{false};
  std::thread driver([&] {
    HWND wizard = nullptr;
    if (!vt_test::wait_until([&] { return (wizard = FindWindowA(nullptr, "Connexion micro et volume d'enregistrement")) &&
                                          IsWindowVisible(wizard); }, 10000)) {
      ADD_FAILURE() << "the wizard did not appear";
      return;
    }
    HWND page = reinterpret_cast<HWND>(SendMessageA(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
    HWND meter = GetDlgItem(page, IDC_WIZARD_METER);
    HWND inputs = GetDlgItem(page, IDC_WIZARD_INPUT);
    EXPECT_EQ(0, SendDlgItemMessageA(page, IDC_WIZARD_DEVICE, CB_GETCURSEL, 0, 0));
    char first[128] = {};
    SendMessageA(inputs, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ("Mixeur d’Enregistrement Windows", first);
    std::printf("input entries %d, selected %d\n", (int)SendMessageA(inputs, CB_GETCOUNT, 0, 0),
                (int)SendMessageA(inputs, CB_GETCURSEL, 0, 0));
    // The tone reads about 0 dB: the meter shows one channel well above its floor.
    EXPECT_TRUE(vt_test::wait_until([&] {
      return IsWindowEnabled(meter) && GetWindowWord(meter, 0) == 1 && static_cast<short>(GetWindowWord(meter, 2)) > -20;
    }, 10000));
    EXPECT_EQ(-6, vt::slider_value(GetDlgItem(page, IDC_WIZARD_VOLUME)));
    vt_test::save_screenshot("setup_wizard");
    // Choose the first source line and a volume, then finish.
    SendMessageA(inputs, CB_SETCURSEL, 1, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_WIZARD_INPUT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(inputs));
    EXPECT_TRUE(vt_test::is_visible(GetDlgItem(page, IDC_WIZARD_VOLUME)));
    EXPECT_FALSE(vt_test::is_visible(GetDlgItem(page, IDC_WIZARD_MIXER)));
    vt::set_slider_value(page, IDC_WIZARD_VOLUME, 3);
    PostMessageA(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    driven = true;
  });
  bool finished = vt::run_record_setting_wizard(nullptr);
  driver.join();
  EXPECT_TRUE(driven);
  EXPECT_TRUE(finished);
  EXPECT_EQ(0, vt::read_setting(vt::kRecordDevice));
  EXPECT_EQ(0, vt::read_setting(vt::kRecordChan));
  EXPECT_EQ(3, vt::read_setting(vt::kRecordVolume));
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

#include "app/command_switches.h"
#include "tests/support/map_section.h"

namespace vt {
namespace {

using MapStore = vt_test::MapSection;

// Writes down every command as a word, in order.
class Journal : public SwitchTarget {
 public:
  void set_format(int i) override { log << "format" << i << ' '; }
  void save_wav_group(const WavSwitchGroup& g) override {
    log << "wav:" << (g.has_rate ? std::to_string(g.rate) : "-") << '/' << (g.has_channels ? std::to_string(g.channels) : "-")
        << '/' << (g.has_bits ? std::to_string(g.bits) : "-") << ' ';
  }
  EncoderSettings& mp3_settings() override { return mp3; }
  SettingsSection& mp3_store() override { return store; }
  void record() override { log << "record "; }
  void record_file(const std::string& p) override { log << "file:" << p << ' '; }
  void pause() override { log << "pause "; }
  void restart() override { log << "restart "; }
  void stop_and_mark() override { log << "done "; }
  void exit() override { log << "exit "; }
  void exit_when_stopped() override { log << "exitifstop "; }
  void hide() override { log << "hide "; }
  void show() override { log << "show "; }
  void set_output_folder(const std::string& f) override { log << "outdir:" << f << ' '; }
  int shown_buttons() override { return buttons; }
  void set_shown_buttons(int m) override { buttons = m; log << "buttons" << m << ' '; }
  void relayout() override { log << "layout "; }
  void play(const std::string& f) override { log << "play:" << f << ' '; }
  void quit_after(int ms) override { log << "ms" << ms << ' '; }
  void schedule(const AtSwitches& a) override {
    log << "at:" << a.at << '/' << a.format << '/' << a.file << '/' << a.duration_ms << ' ';
  }

  std::ostringstream log;
  EncoderSettings mp3;
  MapStore store;
  int buttons = 63;
};

std::string run(const std::vector<std::string>& words, Journal* journal = nullptr) {
  Journal local;
  Journal& j = journal ? *journal : local;
  std::vector<std::string> args = {"C:\\vocatrack.exe"};
  args.insert(args.end(), words.begin(), words.end());
  run_switches(args, j);
  return j.log.str();
}

TEST(CommandSwitches, ActInOrderAndSkipUnknownWords) {
  EXPECT_EQ("outdir:D:\\rec record ", run({"-outdir", "D:\\rec", "-record"}));
  EXPECT_EQ("record outdir:D:\\rec ", run({"-RECORD", "-outdir", "D:\\rec"}));
  EXPECT_EQ("record ", run({"-record", "flac"}));  // the word is then skipped
  EXPECT_EQ("record pause restart done exitifstop hide show exit ",
            run({"-resume", "-pause", "-restart", "-done", "-exitifstop", "-hide", "-show", "-logon", "-block", "-exit"}));
  // The program ends at -exit: nothing after it in the same command line acts.
  EXPECT_EQ("exit ", run({"-exit", "-show", "-outdir", "X", "-record"}));
  EXPECT_EQ("ms5000 play:a.wav ", run({"-ms", "5000", "-play", "a.wav", "-ms"}));  // a last switch without value
  EXPECT_EQ("", run({"-outdir"}));
}

// A scheduled "-recordfile x.wav -ms N" keeps its limit: the group stops at a switch.
TEST(CommandSwitches, WavGroupNeverSwallowsTheSwitchesAfterIt) {
  EXPECT_EQ("format0 file:x.wav ms5000 ", run({"-recordfile", "x.wav", "-ms", "5000"}));
  EXPECT_EQ("format0 record ms5000 ", run({"-record", "wav", "-s", "8000", "-ms", "5000"}));
  EXPECT_EQ("format0 file:x.wav exitifstop hide ", run({"-recordfile", "x.wav", "-exitifstop", "-hide"}));
}

TEST(CommandSwitches, WavGroupSavesOnlyWhenComplete) {
  EXPECT_EQ("format0 wav:8000/1/8 record ", run({"-record", "wav", "-s", "8000", "-m", "1", "-b", "8"}));
  EXPECT_EQ("format0 wav:8000/-/16 record ", run({"-record", "wav", "-s", "8000", "-x", "2", "-b", "16"}));
  EXPECT_EQ("format0 record ", run({"-record", "wav", "-s", "8000", "-m"}));
  EXPECT_EQ("format0 record ", run({"-record", "wav", "-s", "8000", "-m", "1", "-b"}));
  EXPECT_EQ("format0 record ", run({"-record", "wav"}));
  EXPECT_EQ("format0 wav:1/1/1 record hide ", run({"-record", "wav", "-s", "1", "-m", "1", "-b", "1", "-hide"}));
  EXPECT_EQ("format2 record hide ", run({"-record", "AIF", "-hide"}));
  // The group's flags ignore case as every other switch does.
  EXPECT_EQ("format0 wav:22050/2/16 record ", run({"-record", "WAV", "-S", "22050", "-M", "2", "-B", "16"}));
  EXPECT_EQ("format0 wav:8000/-/8 file:x.wav ", run({"-recordfile", "x.wav", "-S", "8000", "-x", "1", "-B", "8"}));
}

TEST(CommandSwitches, Mp3GroupSwallowsWhatFollowsTheFormat) {
  Journal j;
  EXPECT_EQ("format1 record ", run({"-record", "mp3", "-hide"}, &j));  // -hide is swallowed
  EXPECT_EQ("hide format1 record ", run({"-hide", "-record", "mp3"}));
  Journal saved;
  run({"-record", "mp3", "-cbr", "-b", "192", "-m", "j", "-p"}, &saved);
  EXPECT_EQ(192, saved.mp3.bit_rate);
  EXPECT_TRUE(saved.mp3.error_protection);
  EXPECT_EQ("192", saved.store.values["CBRBitRate"]);
  Journal unsaved;
  run({"-record", "mp3", "-cbr", "-b", "192"}, &unsaved);
  EXPECT_EQ(192, unsaved.mp3.bit_rate);
  EXPECT_TRUE(unsaved.store.values.empty());
}

TEST(CommandSwitches, RecordFileTakesTheFormatFromTheExtension) {
  EXPECT_EQ("format0 wav:22050/2/16 file:C:\\a\\b.WAV ", run({"-recordfile", "C:\\a\\b.WAV", "-s", "22050", "-m", "2", "-b", "16"}));
  EXPECT_EQ("format2 file:x.aif pause ", run({"-recordfile", "x.aif", "-pause"}));
  EXPECT_EQ("file:C:\\a.b\\c pause ", run({"-recordfile", "C:\\a.b\\c", "-pause"}));  // no extension: format kept
  EXPECT_EQ("format1 file:c.mp3 ", run({"-recordfile", "c.mp3", "-pause"}));        // swallowed by the MP3 group
}

// After -at the recording switches describe the scheduled recording: nothing records or
// changes the format now; other switches act at once, the recording is handed over last.
TEST(CommandSwitches, AtSchedulesWhatFollowsIt) {
  EXPECT_EQ("at:14:00/-1//0 ", run({"-at", "14:00"}));
  EXPECT_EQ("outdir:D:\\r hide at:2027-01-02 06:30/1//60000 ",
            run({"-outdir", "D:\\r", "-at", "2027-01-02 06:30", "-record", "mp3", "-cbr", "-b", "128", "-m", "j", "-p",
                 "-ms", "60000", "-hide"}));
  EXPECT_EQ("wav:8000/1/16 at:9:05/0/x.wav/5000 ",
            run({"-at", "9:05", "-recordfile", "x.wav", "-s", "8000", "-m", "1", "-b", "16", "-ms", "5000"}));
  // Each -at is its own recording; -exit hands over the one before it; -ms before -at still quits.
  EXPECT_EQ("ms100 at:10:00/2//0 at:11:00/2/y.aif/0 exit ",
            run({"-ms", "100", "-at", "10:00", "-record", "aif", "-at", "11:00", "-recordfile", "y.aif", "-exit"}));
  EXPECT_EQ("", run({"-at"}));
}

TEST(CommandSwitches, ShowButtonsToggles) {
  Journal j;
  run({"-showbtn", "r", "-showbtn", "r"}, &j);
  EXPECT_EQ(63, j.buttons);
  EXPECT_EQ("buttons62 layout buttons63 layout ", j.log.str());
  EXPECT_EQ("buttons0 layout ", run({"-showbtn", "hideall"}));
  EXPECT_EQ("layout ", run({"-showbtn", "other"}));
  Journal s;
  s.buttons = 0;
  run({"-showbtn", "s", "-showbtn", "showall"}, &s);
  EXPECT_EQ("buttons8 layout buttons63 layout ", s.log.str());
}

TEST(CommandSwitches, WavGroupFormatNeverHasUndefinedValues) {
  int rate, channels, bits;
  WavSwitchGroup only_rate;
  only_rate.has_rate = true;
  only_rate.rate = 8000;
  ASSERT_TRUE(wav_group_format(only_rate, 44100, 2, 16, &rate, &channels, &bits));
  EXPECT_EQ(8000, rate);
  EXPECT_EQ(2, channels);
  EXPECT_EQ(16, bits);
  WavSwitchGroup zero;
  zero.has_channels = true;  // "-m abc" reads as 0 channels
  EXPECT_FALSE(wav_group_format(zero, 44100, 1, 16, &rate, &channels, &bits));
}

}  // namespace
}  // namespace vt

#include "app/startup_rules.h"
#include "recorder/recorder_rules.h"

namespace vt {
namespace {

TEST(StartupRules, ForwardedRecordCarriesAtMost128ArgumentsCut) {
  std::vector<std::string> args(200, "-pause");
  args[0] = "C:\\Program Files\\Ardentine\\Vocatrack\\vocatrack.exe";
  args[1] = std::string(300, 'x');
  std::vector<uint8_t> record = build_forwarded_record(args);
  ASSERT_EQ(33284u, record.size());
  std::vector<std::string> back = read_forwarded_record(record.data(), record.size());
  ASSERT_EQ(128u, back.size());
  EXPECT_EQ(args[0], back[0]);
  EXPECT_EQ(std::string(259, 'x'), back[1]);
  EXPECT_EQ("-pause", back[127]);
  // A record claiming more slots than it holds is not read.
  EXPECT_TRUE(read_forwarded_record(record.data(), 1000).empty());
  int32_t negative = -5;
  std::memcpy(record.data(), &negative, 4);
  EXPECT_TRUE(read_forwarded_record(record.data(), record.size()).empty());
}

TEST(StartupRules, RolesRelaunchAndStartRecording) {
  EXPECT_EQ(kRoleInstaller, role_of_marker(0x0F0FF0F0));
  EXPECT_EQ(kRoleUninstaller, role_of_marker(0xF0F00F0F));
  EXPECT_EQ(kRoleRecorder, role_of_marker(0));
  EXPECT_TRUE(should_relaunch_with_block({"v.exe", "-record"}));
  EXPECT_FALSE(should_relaunch_with_block({"v.exe", "-record", "-block"}));
  EXPECT_TRUE(should_relaunch_with_block({"v.exe", "-record", "-BLOCK"}));  // case matters
  EXPECT_FALSE(should_relaunch_with_block({"v.exe", "-install", "x"}));
  EXPECT_FALSE(should_relaunch_with_block({"v.exe"}));
  EXPECT_TRUE(records_at_start({"v.exe"}, true));
  EXPECT_FALSE(records_at_start({"v.exe", "-hide"}, true));
  EXPECT_TRUE(records_at_start({"v.exe", "-logon"}, false));
  EXPECT_EQ("VTSETUP201", program_base_name_upper("C:\\dl\\vtsetup201.exe"));
  EXPECT_EQ("A.B", program_base_name_upper("a.b.exe"));
}

}  // namespace
}  // namespace vt

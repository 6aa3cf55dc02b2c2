#include "formats/mp3_encoder.h"
#include "formats/mp3_encoder_switches.h"
#include "audio/stream.h"

#include <gtest/gtest.h>

#include "tests/support/map_section.h"

#include <map>
#include <string>
#include <vector>

namespace {

using vt::EncoderCommand;
using vt::EncoderSettings;

using vt_test::MapSection;

EncoderSettings constant(int bit_rate, int mode = 1) {
  EncoderSettings s;
  s.bit_rate = static_cast<uint16_t>(bit_rate);
  s.channel_mode = static_cast<uint8_t>(mode);
  return s;
}

EncoderSettings variable(int low, int high, int quality = 4) {
  EncoderSettings s;
  s.constant_bit_rate = false;
  s.min_bit_rate = static_cast<uint16_t>(low);
  s.max_bit_rate = static_cast<uint16_t>(high);
  s.quality = static_cast<uint8_t>(quality);
  return s;
}

const char kEncoder[] = "C:\\Program Files\\Vocatrack\\mp3enc.exe";
const char kOutput[] = "C:\\Rec\\Enregistrement 001.mp3";

struct CommandCase {
  const char* what;
  EncoderSettings settings;
  int rate, channels;
  const char* switches;  // between the quoted encoder and the quoted output
  int fed_rate, fed_channels;
};

TEST(EncoderCommand, EdgeCases) {
  EncoderSettings crc = constant(192, 0);
  crc.error_protection = true;
  EncoderSettings fast = constant(128, 2);
  fast.high_quality = false;
  const CommandCase cases[] = {
      {"defaults, stereo", EncoderSettings(), 44100, 2,
       " -m j -b 128 -h -r -x -s 44.100 -S - ", 44100, 2},
      {"defaults, mono source", EncoderSettings(), 44100, 1,
       " -m m -b 128 -h -r -x -s 44.100 -S - ", 44100, 1},
      {"constant 16 for stereo: mono at 22.05 kHz without -a", constant(16), 44100, 2,
       " -m m -b 16 -h -r -x -s 22.050 -S - ", 22050, 1},
      {"constant 24 joint: stereo at 22.05 kHz", constant(24), 44100, 2,
       " -m j -b 24 -h -r -x -s 22.050 -S - ", 22050, 2},
      {"variable 32-192 at 22.05 kHz: raised to 44.1 kHz", variable(32, 192), 22050, 2,
       " -m j -v -b 32 -B 192 -V 4 -r -x -s 44.100 -S - ", 44100, 2},
      {"variable 8-128: mono without -a", variable(8, 128), 44100, 2,
       " -m m -v -b 8 -B 128 -V 4 -r -x -s 22.050 -S - ", 22050, 1},
      {"mono mode with a stereo source mixes down", constant(128, 3), 44100, 2,
       " -a -m m -b 128 -h -r -x -s 44.100 -S - ", 44100, 2},
      {"mode above 3 counts as joint", constant(128, 7), 44100, 2,
       " -m j -b 128 -h -r -x -s 44.100 -S - ", 44100, 2},
      {"CRC, plain stereo", crc, 32000, 2, " -m s -p -b 192 -h -r -x -s 32.000 -S - ", 32000, 2},
      {"forced stereo, no high quality", fast, 48000, 2, " -m f -b 128 -r -x -s 48.000 -S - ",
       48000, 2},
      {"variable with quality 0 at 96 kHz", variable(32, 320, 0), 96000, 2,
       " -m j -v -b 32 -B 320 -V 0 -r -x -s 48.000 -S - ", 48000, 2},
      {"8 kHz keeps its three-digit fraction", constant(64), 8000, 1,
       " -m m -b 64 -h -r -x -s 8.000 -S - ", 8000, 1},
      {"more than two channels are fed as stereo", EncoderSettings(), 44100, 6,
       " -m j -b 128 -h -r -x -s 44.100 -S - ", 44100, 2},
  };
  for (const CommandCase& c : cases) {
    EncoderCommand command;
    ASSERT_TRUE(vt::build_encoder_command(c.settings, kEncoder, c.rate, c.channels, kOutput, &command))
        << c.what;
    EXPECT_EQ(std::string("\"") + kEncoder + "\"" + c.switches + "\"" + kOutput + "\"",
              command.command_line)
        << c.what;
    EXPECT_EQ(c.fed_rate, command.rate) << c.what;
    EXPECT_EQ(c.fed_channels, command.channels) << c.what;
  }
}

TEST(EncoderCommand, FailsWithoutTheComponent) {
  EncoderCommand command;
  EXPECT_FALSE(vt::build_encoder_command(EncoderSettings(), "", 44100, 2, kOutput, &command));
  EXPECT_TRUE(command.command_line.empty());
}

TEST(EncoderInputRate, SnapsToStandardRates) {
  const struct {
    int requested, fed;
  } defaults_cases[] = {
      {96000, 48000}, {48000, 48000}, {47999, 44100}, {46000, 44100}, {44101, 44100},
      {44100, 44100}, {44099, 44100}, {32001, 44100}, {32000, 32000}, {31999, 32000},
      {24001, 32000}, {24000, 24000}, {23999, 22050}, {22051, 22050}, {22050, 22050},
      {22049, 22050}, {16001, 22050}, {16000, 16000}, {15999, 11025}, {12000, 11025},
      {11026, 11025}, {11025, 11025}, {11024, 11025}, {8001, 11025},  {8000, 8000},
      {7999, 8000},   {6000, 8000},   {0, 8000},      {-5, 8000},
  };
  for (const auto& c : defaults_cases) {
    EXPECT_EQ(c.fed, vt::encoder_input_rate(EncoderSettings(), c.requested)) << c.requested;
  }
}

TEST(EncoderInputRate, BitRatesChooseTheMpegVersion) {
  // High rates need MPEG-1 rates even for a low-rate source...
  EXPECT_EQ(44100, vt::encoder_input_rate(constant(192), 8000));
  EXPECT_EQ(44100, vt::encoder_input_rate(constant(192), 31999));
  EXPECT_EQ(32000, vt::encoder_input_rate(constant(192), 32000));
  EXPECT_EQ(16000, vt::encoder_input_rate(constant(160), 16000));
  // ...and rates below 32 kbit/s cap the input at 22.05 kHz.
  EXPECT_EQ(22050, vt::encoder_input_rate(constant(24), 48000));
  EXPECT_EQ(16000, vt::encoder_input_rate(constant(24), 16000));
  EXPECT_EQ(44100, vt::encoder_input_rate(constant(32), 44100));
  EXPECT_EQ(22050, vt::encoder_input_rate(variable(8, 128), 96000));
  EXPECT_EQ(44100, vt::encoder_input_rate(variable(32, 192), 22050));
}

TEST(EncoderSettingsStore, DefaultsWhenNothingIsStored) {
  MapSection section;
  EncoderSettings s = vt::load_encoder_settings(section);
  EXPECT_TRUE(s.constant_bit_rate);
  EXPECT_EQ(128, s.bit_rate);
  EXPECT_TRUE(s.high_quality);
  EXPECT_EQ(32, s.min_bit_rate);
  EXPECT_EQ(128, s.max_bit_rate);
  EXPECT_EQ(4, s.quality);
  EXPECT_FALSE(s.error_protection);
  EXPECT_EQ(1, s.channel_mode);
}

TEST(EncoderSettingsStore, SaveAndLoadRoundTrip) {
  MapSection section;
  EncoderSettings s = variable(40, 256, 7);
  s.bit_rate = 320;
  s.high_quality = false;
  s.error_protection = true;
  s.channel_mode = 3;
  vt::save_encoder_settings(section, s);
  EXPECT_EQ("0", section.values["ConstantBitRate"]);
  EXPECT_EQ("320", section.values["CBRBitRate"]);
  EXPECT_EQ("0", section.values["HighQuality"]);
  EXPECT_EQ("40", section.values["VBRMinBitRate"]);
  EXPECT_EQ("256", section.values["VBRMaxBitRate"]);
  EXPECT_EQ("7", section.values["VBRQuality"]);
  EXPECT_EQ("1", section.values["ErrorProtection"]);
  EXPECT_EQ("3", section.values["ChannelMode"]);
  EncoderSettings back = vt::load_encoder_settings(section);
  EXPECT_FALSE(back.constant_bit_rate);
  EXPECT_EQ(320, back.bit_rate);
  EXPECT_FALSE(back.high_quality);
  EXPECT_EQ(40, back.min_bit_rate);
  EXPECT_EQ(256, back.max_bit_rate);
  EXPECT_EQ(7, back.quality);
  EXPECT_TRUE(back.error_protection);
  EXPECT_EQ(3, back.channel_mode);
}

TEST(EncoderSettingsStore, LoadLiftsALowMinimumUnderAHighMaximum) {
  MapSection section;
  section.values["VBRMinBitRate"] = "8";
  section.values["VBRMaxBitRate"] = "192";
  EXPECT_EQ(32, vt::load_encoder_settings(section).min_bit_rate);
  section.values["VBRMaxBitRate"] = "160";
  EXPECT_EQ(8, vt::load_encoder_settings(section).min_bit_rate);
  section.values["VBRMaxBitRate"] = "128";  // 8 to 128 is kept
  EXPECT_EQ(8, vt::load_encoder_settings(section).min_bit_rate);
  EXPECT_EQ(128, vt::load_encoder_settings(section).max_bit_rate);
}

}  // namespace

namespace {

TEST(EncoderPcm, SixteenBitBigEndianForTheSwappingEncoder) {
  ASSERT_TRUE(vt::kEncoderInputBigEndian);
  const int32_t samples[] = {0, vt::kFullScale, -vt::kFullScale, 0x12340, -16, 7, 8, -9};
  uint8_t out[16] = {};
  vt::pack_encoder_pcm(samples, 8, out);
  const uint8_t expected[16] = {0x00, 0x00, 0x7F, 0xFF, 0x80, 0x01, 0x12, 0x34,
                                0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(expected[i], out[i]) << "byte " << i;
}

}  // namespace

namespace {

struct SwitchRun {
  EncoderSettings settings;
  MapSection store;
  size_t next = 0;
};

// Runs the group over the arguments after "mp3" in `line` (words split on blanks).
SwitchRun run_group(const std::string& line, EncoderSettings start = EncoderSettings()) {
  std::vector<std::string> args = {"vocatrack.exe", "-record", "mp3"};
  size_t from = 0;
  while (from < line.size()) {
    size_t end = line.find(' ', from);
    if (end == std::string::npos) end = line.size();
    if (end > from) args.push_back(line.substr(from, end - from));
    from = end + 1;
  }
  SwitchRun run;
  run.settings = start;
  run.next = vt::read_mp3_switch_group(args, 3, run.settings, run.store);
  run.next -= 3;  // counted from the first argument of the group
  return run;
}

TEST(Mp3SwitchGroup, ConstantGroupCompleteIsSaved) {
  SwitchRun run = run_group("-cbr -b 192 -m j -p -show");
  EXPECT_EQ(6u, run.next);  // -show is the next switch
  EXPECT_TRUE(run.settings.constant_bit_rate);
  EXPECT_EQ(192, run.settings.bit_rate);
  EXPECT_EQ(1, run.settings.channel_mode);
  EXPECT_TRUE(run.settings.error_protection);
  EXPECT_EQ("192", run.store.values["CBRBitRate"]);
  EXPECT_EQ("1", run.store.values["ErrorProtection"]);
  EXPECT_EQ(8u, run.store.values.size());
}

TEST(Mp3SwitchGroup, RunningOutKeepsTheValuesForThisRunOnly) {
  SwitchRun run = run_group("-cbr -b 192");
  EXPECT_EQ(3u, run.next);
  EXPECT_EQ(192, run.settings.bit_rate);
  EXPECT_TRUE(run.store.values.empty());
  EXPECT_TRUE(run_group("").store.values.empty());
  EXPECT_TRUE(run_group("-vbr -b 40 -B").store.values.empty());
  EXPECT_EQ(40, run_group("-vbr -b 40 -B").settings.min_bit_rate);
}

TEST(Mp3SwitchGroup, AnyOtherArgumentIsSwallowedAndTheSettingsSaved) {
  EncoderSettings start;
  start.bit_rate = 64;
  SwitchRun run = run_group("-hide -exit", start);
  EXPECT_EQ(1u, run.next);  // -hide consumed, -exit comes next
  EXPECT_EQ("64", run.store.values["CBRBitRate"]);
  // After a complete constant group, the argument on the protection slot too.
  SwitchRun record = run_group("-cbr -b 96 -m j -record");
  EXPECT_EQ(6u, record.next);
  EXPECT_FALSE(record.settings.error_protection);
  EXPECT_EQ("96", record.store.values["CBRBitRate"]);
}

TEST(Mp3SwitchGroup, VariableGroupTakesASecondLowerCaseBForTheMaximum) {
  EncoderSettings start;
  start.error_protection = true;
  SwitchRun run = run_group("-vbr -b 40 -b 256 -q 2 -m F -x", start);
  EXPECT_EQ(10u, run.next);
  EXPECT_FALSE(run.settings.constant_bit_rate);
  EXPECT_EQ(40, run.settings.min_bit_rate);
  EXPECT_EQ(256, run.settings.max_bit_rate);
  EXPECT_EQ(2, run.settings.quality);
  EXPECT_EQ(2, run.settings.channel_mode);
  EXPECT_FALSE(run.settings.error_protection);  // the slot held -x, not -p
  EXPECT_EQ("0", run.store.values["ConstantBitRate"]);
}

TEST(Mp3SwitchGroup, SlotsAreFixedInOrder) {
  EncoderSettings start;
  start.high_quality = false;
  // -h where the -b slot stands is passed over as that slot's argument.
  SwitchRun run = run_group("-cbr -h -m m -p", start);
  EXPECT_FALSE(run.settings.high_quality);
  EXPECT_EQ(3, run.settings.channel_mode);
  EXPECT_TRUE(run.settings.error_protection);
  SwitchRun with_h = run_group("-cbr -b 128 -h -m s -p", start);
  EXPECT_TRUE(with_h.settings.high_quality);
  EXPECT_EQ(0, with_h.settings.channel_mode);
  // An unknown mode word leaves the mode alone.
  EXPECT_EQ(1, run_group("-cbr -b 128 -m stereo -p").settings.channel_mode);
}

TEST(Mp3SwitchGroup, ConstantThenVariable) {
  SwitchRun run = run_group("-CBR -b 96 -m j -vbr -b 32 -B 192 -q 3 -m s -p");
  EXPECT_FALSE(run.settings.constant_bit_rate);
  EXPECT_EQ(96, run.settings.bit_rate);
  EXPECT_EQ(32, run.settings.min_bit_rate);
  EXPECT_EQ(192, run.settings.max_bit_rate);
  EXPECT_EQ(3, run.settings.quality);
  EXPECT_EQ(0, run.settings.channel_mode);
  EXPECT_TRUE(run.settings.error_protection);
  EXPECT_EQ(15u, run.next);
}

}  // namespace

// vtool as people run it: files in, files out, exit codes and the error line.
#include <gtest/gtest.h>

#include <string>

#include "formats/file_headers.h"
#include "formats/file_readers.h"
#include "tests/support/native_files.h"

using namespace vt;

namespace {

int vtool(const std::string& arguments, std::string* output = nullptr) {
  return vt_test::run_command(std::string(VTOOL_PATH) + " " + arguments, output);
}

}  // namespace

TEST(Vtool, ConvertsBetweenFormatsAndRates) {
  if (!vt_test::have_program("sox")) GTEST_SKIP() << "sox not installed";
  vt_test::TempDir dir;
  std::string in = dir.path("in.wav");
  ASSERT_EQ(0, vt_test::run_command("sox -R -n -r 44100 -c 2 -b 16 '" + in + "' synth 2 sine 440 sine 1000 gain -6"));
  // Same format into AIFF: the samples do not change.
  ASSERT_EQ(0, vtool("convert '" + in + "' '" + dir.path("out.aif") + "'"));
  std::string same;
  ASSERT_EQ(0, vt_test::run_command("sox -m -v 1 '" + in + "' -v -1 '" + dir.path("out.aif") +
                                        "' -n stat 2>&1 | grep 'Maximum amplitude'", &same));
  EXPECT_NE(std::string::npos, same.find("0.000000")) << same;
  // Down to 8 kHz mono 8-bit.
  ASSERT_EQ(0, vtool("convert '" + in + "' '" + dir.path("small.wav") + "' --rate 8000 --channels 1 --bits 8"));
  std::string info;
  ASSERT_EQ(0, vt_test::run_command("soxi '" + dir.path("small.wav") + "'", &info));
  EXPECT_NE(std::string::npos, info.find("Sample Rate    : 8000")) << info;
  EXPECT_NE(std::string::npos, info.find("Channels       : 1")) << info;
  EXPECT_NE(std::string::npos, info.find("Precision      : 8-bit")) << info;
  SourceRef small = open_wav_reader(dir.path("small.wav"));
  EXPECT_NEAR(16000, small->length(), 20);
  ASSERT_EQ(0, vtool("info '" + dir.path("small.wav") + "'", &info));
  EXPECT_NE(std::string::npos, info.find("fréquence  : 8000 Hz")) << info;
  EXPECT_NE(std::string::npos, info.find("canal 1    : crête")) << info;
}

TEST(Vtool, ReportsFailuresWithTheFileAndTheReason) {
  vt_test::TempDir dir;
  std::string output;
  EXPECT_EQ(2, vtool("info '" + dir.path("missing.wav") + "'", &output));
  EXPECT_NE(std::string::npos, output.find("missing.wav: le fichier ne peut être ouvert (4)")) << output;
  vt_test::write_file(dir.path("bad.wav"), std::vector<uint8_t>(100, 7));
  EXPECT_EQ(2, vtool("convert '" + dir.path("bad.wav") + "' '" + dir.path("x.wav") + "'", &output));
  EXPECT_NE(std::string::npos, output.find("bad.wav: format invalide ou non pris en charge (3)")) << output;
  EXPECT_EQ(2, vtool("bogus", &output));
  EXPECT_NE(std::string::npos, output.find("usage")) << output;
}

TEST(Vtool, ReadsMp3Input) {
  if (!vt_test::have_program("lame") || !vt_test::have_program("sox")) GTEST_SKIP() << "lame or sox not installed";
  vt_test::TempDir dir;
  ASSERT_EQ(0, vt_test::run_command("sox -R -n -r 44100 -c 2 -b 16 '" + dir.path("t.wav") + "' synth 1 sine 440 gain -6"));
  ASSERT_EQ(0, vt_test::run_command("lame --quiet -b 128 '" + dir.path("t.wav") + "' '" + dir.path("t.mp3") + "'"));
  ASSERT_EQ(0, vtool("convert '" + dir.path("t.mp3") + "' '" + dir.path("back.wav") + "'"));
  SourceRef back = open_wav_reader(dir.path("back.wav"));
  ASSERT_EQ(kSourceOk, back->status);
  EXPECT_EQ(2, back->channels);
  EXPECT_NEAR(44100, back->length(), 3000);
  std::string info;
  ASSERT_EQ(0, vtool("info '" + dir.path("t.mp3") + "'", &info));
  EXPECT_NE(std::string::npos, info.find("format     : MP3")) << info;
}

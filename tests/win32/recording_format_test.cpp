// The recording format as the settings store keeps it, under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "base/paths.h"
#include "win/settings_win.h"
#include "formats/file_headers.h"
#include "recorder/recording_format_win.h"
#include "tests/support/registry_guard.h"

using namespace vt;

namespace {

// Keeps WavCodec.wff of the test prefix as it was.
class CodecFileGuard {
 public:
  CodecFileGuard() : path_(join_path(per_user_data_folder(), "WavCodec.wff")) {
    had_ = load_recording_format(saved_);
  }
  ~CodecFileGuard() {
    if (had_) save_recording_format(saved_);
    else DeleteFileA(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  FormatBuffer saved_;
  bool had_;
};

}  // namespace

TEST(RecordingFormat, CodecFormatFileInTheUserDataFolder) {
  CodecFileGuard guard;
  FormatBuffer format = format_buffer_of(make_pcm_format(2, 8, 22050));
  ASSERT_TRUE(save_recording_format(format));
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(guard.path().c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(1024u, data.nFileSizeLow);
  FormatBuffer loaded = format_buffer_of(default_recording_format());
  ASSERT_TRUE(load_recording_format(loaded));
  EXPECT_EQ(0, std::memcmp(&format, &loaded, sizeof format));
  EXPECT_EQ("22050Hz  Stereo  Wav", format_description(kRecordWav));
  EXPECT_EQ("44100Hz  Stereo  AIFF", format_description(kRecordAiff));

  // A short file is ignored: recording falls back to PCM mono 44,100 Hz 16-bit.
  HANDLE file = CreateFileA(guard.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  DWORD written;
  WriteFile(file, &format, 100, &written, nullptr);
  CloseHandle(file);
  FormatBuffer stored = stored_recording_format();
  EXPECT_EQ(44100u, stored.format.sample_rate);
  EXPECT_EQ(1, stored.format.channels);
  EXPECT_EQ(16, stored.format.bits_per_sample);
}

TEST(RecordingFormat, SinkFollowsTheFormatSetting) {
  CodecFileGuard codec_guard;
  vt_test::SettingGuard setting_guard(kFormat.hive, kFormat.section, kFormat.name);
  std::string folder = vt_test::scratch_folder("recording-format");
  save_recording_format(format_buffer_of(make_pcm_format(1, 16, 11025)));

  write_setting(kFormat, kRecordWav);
  {
    SinkRef sink = open_recording_sink(join_path(folder, "a.wav"));
    ASSERT_FALSE(sink->failed());
    EXPECT_EQ(11025, sink->sample_rate);
    EXPECT_EQ(1, sink->channels);
  }
  write_setting(kFormat, kRecordAiff);
  {
    SinkRef sink = open_recording_sink(join_path(folder, "b.aif"));
    ASSERT_FALSE(sink->failed());
    EXPECT_EQ(44100, sink->sample_rate);
    EXPECT_EQ(2, sink->channels);
  }
  write_setting(kFormat, 7);
  EXPECT_TRUE(open_recording_sink(join_path(folder, "c.xyz"))->failed());
  // A folder that does not exist: the recorder is told by the failed bit.
  write_setting(kFormat, kRecordWav);
  EXPECT_TRUE(open_recording_sink(join_path(folder, "missing\\d.wav"))->failed());
  vt_test::remove_tree(folder);
}

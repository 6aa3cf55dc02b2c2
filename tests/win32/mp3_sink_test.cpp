// The encoder pipe sink with the real encoder component built from Debian's
// lame source: the files it writes are checked here frame by frame, and
// decoded on the Linux side by check_mp3_tone.py afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "formats/mp3_sink_win.h"
#include "setup/components_win.h"
#include "tests/support/win32_driver.h"

namespace {

std::string windows_path(const std::string& linux_path) {
  std::string path = "Z:" + linux_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

std::string encoder_path() { return windows_path(vt_test::env("VT_BUILD_DIR") + "/mp3enc/mp3enc.exe"); }

// Output folder shared with the Linux-side check that runs after this program.
std::string output_path(const char* name) {
  std::string folder = windows_path(vt_test::env("VT_BUILD_DIR") + "/mp3-sink-out");
  CreateDirectoryA(folder.c_str(), nullptr);
  std::string path = folder + "\\" + name;
  DeleteFileA(path.c_str());
  return path;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Writes `seconds` of a sine of `hz` at half full scale, in 100 ms blocks as
// the capture engine does.
void write_tone(vt::AudioSink& sink, int hz, double seconds) {
  const int rate = sink.sample_rate;
  const int channels = sink.channels;
  const int block = rate / 10;
  std::vector<int32_t> samples(static_cast<size_t>(block) * channels);
  const int total = static_cast<int>(rate * seconds);
  for (int start = 0; start < total; start += block) {
    for (int i = 0; i < block; ++i) {
      double phase = 2 * 3.14159265358979323846 * hz * (start + i) / rate;
      int32_t value = static_cast<int32_t>(std::lround(std::sin(phase) * vt::kFullScale / 2));
      for (int c = 0; c < channels; ++c) samples[static_cast<size_t>(i) * channels + c] = value;
    }
    sink.write(samples.data(), block);
  }
}

struct FrameSummary {
  int frames = 0;
  int mpeg_version = 0;  // 1, 2 (or 25 for 2.5)
  int sample_rate = 0;
  int samples_per_frame = 0;
  std::vector<int> bit_rates;  // kbit/s of every frame
  int mode = -1;               // 0 stereo, 1 joint, 2 dual, 3 mono (first audio frame)
  bool all_crc = true;
  bool any_crc = false;
  bool xing = false;  // first frame carries a Xing (VBR) header
  bool info = false;  // first frame carries an Info (CBR) header
  double seconds() const { return sample_rate ? double(frames) * samples_per_frame / sample_rate : 0; }
};

// Walks the Layer III frame headers of an MP3 file (ISO/IEC 11172-3 2.4.2.3,
// 13818-3 for the low sample rates).
bool read_frames(const std::string& path, FrameSummary* out) {
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  size_t pos = 0;
  if (data.size() >= 10 && std::memcmp(data.data(), "ID3", 3) == 0) {
    pos = 10 + ((data[6] & 0x7F) << 21 | (data[7] & 0x7F) << 14 | (data[8] & 0x7F) << 7 | (data[9] & 0x7F));
  }
  static const int kRatesV1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
  static const int kRatesV2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
  static const int kSampleRates[4] = {44100, 48000, 32000, 0};
  while (pos + 4 <= data.size()) {
    const uint8_t* h = &data[pos];
    if (h[0] == 'T' && h[1] == 'A' && h[2] == 'G') break;  // ID3v1 tag at the end
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
    int version_bits = (h[1] >> 3) & 3;
    int layer_bits = (h[1] >> 1) & 3;
    if (version_bits == 1 || layer_bits != 1) return false;  // reserved, or not Layer III
    int version = version_bits == 3 ? 1 : version_bits == 2 ? 2 : 25;
    int rate_index = (h[2] >> 2) & 3;
    int bit_rate = (version == 1 ? kRatesV1 : kRatesV2)[h[2] >> 4];
    if (bit_rate == 0 || rate_index == 3) return false;
    int sample_rate = kSampleRates[rate_index] / (version == 1 ? 1 : version == 2 ? 2 : 4);
    int per_frame = version == 1 ? 1152 : 576;
    size_t length = per_frame / 8 * bit_rate * 1000 / sample_rate + ((h[2] >> 1) & 1);
    bool crc = (h[1] & 1) == 0;
    if (out->frames == 0) {
      out->mpeg_version = version;
      out->sample_rate = sample_rate;
      out->samples_per_frame = per_frame;
      out->mode = h[3] >> 6;
      size_t end = pos + length < data.size() ? pos + length : data.size();
      for (size_t i = pos + 4; i + 4 <= end; ++i) {
        if (std::memcmp(&data[i], "Xing", 4) == 0) out->xing = true;
        if (std::memcmp(&data[i], "Info", 4) == 0) out->info = true;
      }
    } else if (version != out->mpeg_version || sample_rate != out->sample_rate) {
      return false;
    }
    out->all_crc = out->all_crc && crc;
    out->any_crc = out->any_crc || crc;
    out->bit_rates.push_back(bit_rate);
    ++out->frames;
    pos += length;
  }
  return out->frames > 0;
}

class Mp3SinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!exists(encoder_path())) GTEST_FAIL() << "encoder component not built: " << encoder_path();
  }
};

// The environment registers the component as the installer would, and the
// sink finds it there.
TEST_F(Mp3SinkTest, FindsTheRegisteredComponent) {
  EXPECT_STRCASEEQ(encoder_path().c_str(), vt::component_path("mp3el").c_str());
  EXPECT_EQ("", vt::component_path("nonexistent"));
  std::string path = output_path("tone-component.mp3");
  {
    vt::SinkRef sink = vt::open_mp3_sink(vt::EncoderSettings(), path, 44100, 2);
    ASSERT_EQ(0, sink->status);
    write_tone(*sink, 1000, 0.5);
  }
  FrameSummary mp3;
  EXPECT_TRUE(read_frames(path, &mp3));
}

TEST_F(Mp3SinkTest, RecordsAToneWithTheDefaultSettings) {
  std::string path = output_path("tone-default.mp3");
  {
    vt::SinkRef sink = vt::open_mp3_sink(vt::EncoderSettings(), encoder_path(), path, 44100, 2);
    ASSERT_EQ(0, sink->status);
    EXPECT_EQ(44100, sink->sample_rate);
    EXPECT_EQ(2, sink->channels);
    write_tone(*sink, 1000, 2.0);
    EXPECT_EQ(88200, sink->frames_written);
  }  // releasing the sink ends the encoder's input and waits for the file
  FrameSummary mp3;
  ASSERT_TRUE(read_frames(path, &mp3));
  EXPECT_EQ(1, mp3.mpeg_version);
  EXPECT_EQ(44100, mp3.sample_rate);
  EXPECT_EQ(1, mp3.mode);  // joint stereo
  EXPECT_FALSE(mp3.any_crc);
  for (int rate : mp3.bit_rates) ASSERT_EQ(128, rate);
  EXPECT_NEAR(2.0, mp3.seconds(), 0.2);
}

TEST_F(Mp3SinkTest, ConstantRateStereoWithCrc) {
  vt::EncoderSettings settings;
  settings.bit_rate = 192;
  settings.channel_mode = 1;
  settings.error_protection = true;
  std::string path = output_path("tone-192-crc.mp3");
  {
    vt::SinkRef sink = vt::open_mp3_sink(settings, encoder_path(), path, 44100, 2);
    ASSERT_EQ(0, sink->status);
    write_tone(*sink, 1000, 1.0);
  }
  FrameSummary mp3;
  ASSERT_TRUE(read_frames(path, &mp3));
  EXPECT_EQ(1, mp3.mode);
  EXPECT_TRUE(mp3.all_crc);
  for (int rate : mp3.bit_rates) ASSERT_EQ(192, rate);
}

TEST_F(Mp3SinkTest, VariableRateCarriesAXingHeader) {
  vt::EncoderSettings settings;
  settings.constant_bit_rate = false;
  settings.min_bit_rate = 32;
  settings.max_bit_rate = 192;
  std::string path = output_path("tone-vbr.mp3");
  {
    vt::SinkRef sink = vt::open_mp3_sink(settings, encoder_path(), path, 44100, 2);
    ASSERT_EQ(0, sink->status);
    write_tone(*sink, 1000, 1.0);
  }
  FrameSummary mp3;
  ASSERT_TRUE(read_frames(path, &mp3));
  EXPECT_TRUE(mp3.xing);
  EXPECT_EQ(44100, mp3.sample_rate);
  for (int rate : mp3.bit_rates) {
    EXPECT_GE(rate, 32);
    EXPECT_LE(rate, 192);
  }
}

TEST_F(Mp3SinkTest, LowConstantRateRecordsMonoAtAnMpeg2Rate) {
  vt::EncoderSettings settings;
  settings.bit_rate = 16;
  std::string path = output_path("tone-16k-mono.mp3");
  {
    vt::SinkRef sink = vt::open_mp3_sink(settings, encoder_path(), path, 44100, 2);
    ASSERT_EQ(0, sink->status);
    EXPECT_EQ(22050, sink->sample_rate);
    EXPECT_EQ(1, sink->channels);
    write_tone(*sink, 1000, 2.0);
  }
  FrameSummary mp3;
  ASSERT_TRUE(read_frames(path, &mp3));
  // The encoder picks its own output rate for such a low bit rate; it is one of
  // MPEG-2's.
  EXPECT_EQ(2, mp3.mpeg_version);
  EXPECT_TRUE(mp3.sample_rate == 16000 || mp3.sample_rate == 22050 || mp3.sample_rate == 24000)
      << mp3.sample_rate;
  EXPECT_EQ(3, mp3.mode);
  for (int rate : mp3.bit_rates) ASSERT_EQ(16, rate);
  EXPECT_NEAR(2.0, mp3.seconds(), 0.2);
}

TEST_F(Mp3SinkTest, MissingEncoderGivesAFailedSink) {
  std::string path = output_path("never.mp3");
  vt::SinkRef absent = vt::open_mp3_sink(vt::EncoderSettings(), "", path, 44100, 2);
  EXPECT_TRUE(absent->failed());
  std::string nowhere = windows_path(vt_test::env("VT_BUILD_DIR") + "/no-such-folder/mp3enc.exe");
  vt::SinkRef unstartable = vt::open_mp3_sink(vt::EncoderSettings(), nowhere, path, 44100, 2);
  EXPECT_TRUE(unstartable->failed());
  write_tone(*unstartable, 1000, 0.5);  // harmless
  EXPECT_FALSE(exists(path));
}

// An encoder that ends without reading its input stands for one that dies
// mid-recording: writing goes on without blocking and releasing returns.
TEST_F(Mp3SinkTest, WritingOnAfterTheEncoderEndedDoesNotHang) {
  std::atomic<bool> done{false};
  std::thread writer([&] {
    vt::SinkRef sink = vt::open_encoder_pipe("\"" + encoder_path() + "\" --version", 44100, 2);
    if (sink->status == 0) write_tone(*sink, 1000, 5.0);  // far more than the pipe holds
    done = true;
  });
  bool finished = vt_test::wait_until([&] { return done.load(); }, 30000);
  EXPECT_TRUE(finished);
  if (finished) {
    writer.join();
  } else {
    writer.detach();
  }
}

// Ends the encoder processes this program started; returns how many.
int kill_own_encoders() {
  int killed = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ParentProcessID != GetCurrentProcessId() || _stricmp(entry.szExeFile, "mp3enc.exe") != 0) {
      continue;
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
    if (!process) continue;
    if (TerminateProcess(process, 1) && WaitForSingleObject(process, 5000) == WAIT_OBJECT_0) ++killed;
    CloseHandle(process);
  }
  CloseHandle(snapshot);
  return killed;
}

// The encoder killed mid-recording: the recording goes on, the file keeps what
// was encoded before, and releasing the sink returns.
TEST_F(Mp3SinkTest, EncoderKilledMidRecordingLeavesTheFileSoFar) {
  std::string path = output_path("tone-killed.mp3");
  std::atomic<bool> done{false};
  std::atomic<int> killed{0};
  std::thread recorder([&] {
    vt::SinkRef sink = vt::open_mp3_sink(vt::EncoderSettings(), encoder_path(), path, 44100, 2);
    if (sink->status == 0) {
      write_tone(*sink, 1000, 3.0);
      killed = kill_own_encoders();
      write_tone(*sink, 1000, 3.0);
    }
    sink.reset();
    done = true;
  });
  bool finished = vt_test::wait_until([&] { return done.load(); }, 30000);
  if (!finished) {
    recorder.detach();
    FAIL() << "the recording hung after the encoder was killed";
  }
  recorder.join();
  ASSERT_EQ(1, killed.load());
  FrameSummary mp3;
  read_frames(path, &mp3);  // the last frame may be cut short
  EXPECT_GT(mp3.frames, 0);
  EXPECT_LT(mp3.seconds(), 3.2);
}

}  // namespace

// Codec WAV files through the system's audio compression manager: files that sox
// wrote, files that our codec writer writes, and the format chooser.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "formats/acm_codec_win.h"
#include "formats/file_headers.h"
#include "formats/file_readers.h"
#include "formats/file_writers.h"
#include "ui/format_chooser_win.h"
#include "tests/support/win32_driver.h"

using namespace vt;

namespace {

std::string wine_path(const std::string& unix_path) { return "Z:" + unix_path; }

std::vector<uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads a source to its end; the length of a codec source is an estimate until then.
std::vector<int32_t> decode_all(AudioSource& source) {
  std::vector<int32_t> all;
  std::vector<int32_t> block(static_cast<size_t>(kMaxFramesPerCall) * source.channels);
  for (int guard = 0; guard < 100000 && source.position() < source.length(); ++guard) {
    int n = source.length() - source.position();
    if (n > kMaxFramesPerCall) n = kMaxFramesPerCall;
    source.read(block.data(), n);
    all.insert(all.end(), block.begin(), block.begin() + static_cast<ptrdiff_t>(n) * source.channels);
  }
  return all;
}

// Signal-to-difference ratio in decibels of `got` against `reference` over their common part.
double agreement_db(const std::vector<int32_t>& reference, const std::vector<int32_t>& got) {
  size_t n = reference.size() < got.size() ? reference.size() : got.size();
  double signal = 0, noise = 0;
  for (size_t i = 0; i < n; ++i) {
    double r = reference[i], d = got[i] - reference[i];
    signal += r * r;
    noise += d * d;
  }
  if (noise == 0) return 200;
  return 10 * std::log10(signal / noise);
}

std::string samples_dir() { return vt_test::env("VT_BUILD_DIR") + "/codec-samples"; }

}  // namespace

TEST(CodecFiles, SoxFilesDecodeAsSoxDecodesThem) {
  struct Case {
    const char* name;
    int rate, channels;
    double min_db;
  } cases[] = {{"ima_mono_8000", 8000, 1, 60},      {"ima_stereo_22050", 22050, 2, 60},
               {"ms_mono_8000", 8000, 1, 50},       {"ms_stereo_44100", 44100, 2, 50},
               {"gsm_mono_8000", 8000, 1, 40},      {"ulaw_mono_8000", 8000, 1, 90},
               {"alaw_stereo_11025", 11025, 2, 90}, {"pcm24_mono_48000", 48000, 1, 80},
               {"pcm24_stereo_96000", 96000, 2, 80},
               // Written by ffmpeg where it is installed (skipped otherwise).
               {"ff_ima_mono_8000", 8000, 1, 60},   {"ff_ms_stereo_22050", 22050, 2, 50},
               {"ff_gsm_mono_8000", 8000, 1, 40},   {"ff_ulaw_stereo_8000", 8000, 2, 90},
               {"ff_alaw_mono_8000", 8000, 1, 90},  {"ff_pcm24_stereo_44100", 44100, 2, 80}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string base = samples_dir() + "/" + c.name;
    std::vector<uint8_t> raw = read_bytes(base + ".raw");
    if (raw.empty() && std::string(c.name).compare(0, 3, "ff_") == 0) continue;  // no ffmpeg on this machine
    ASSERT_FALSE(raw.empty()) << "sample files missing";
    std::vector<int32_t> expected(raw.size() / 2);
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<int16_t>(raw[2 * i] | raw[2 * i + 1] << 8) * 16;
    SourceRef source = open_wav_reader(wine_path(base + ".wav"));
    ASSERT_EQ(kSourceOk, source->status);
    EXPECT_EQ(c.rate, source->sample_rate);
    EXPECT_EQ(c.channels, source->channels);
    EXPECT_EQ(kFullScale, source->peak_bound);
    int32_t estimate = source->length();
    std::vector<int32_t> got = decode_all(*source);
    size_t frames = expected.size() / c.channels;
    // Codecs that work in blocks may end on a different block boundary than sox.
    EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(got.size() / c.channels), 1100.0);
    EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(estimate), frames * 0.05 + 1100);
    double db = agreement_db(expected, got);
    int32_t worst = 0;
    for (size_t i = 0; i < got.size() && i < expected.size(); ++i) {
      int32_t d = got[i] > expected[i] ? got[i] - expected[i] : expected[i] - got[i];
      if (d > worst) worst = d;
    }
    std::printf("%-22s frames ours %zu sox %zu, estimate %d, agreement %.1f dB, largest difference %d\n", c.name,
                got.size() / c.channels, frames, estimate, db, worst / 16);
    // 24-bit PCM: the system's converter and sox may round the last bit differently.
    if (std::string(c.name).find("pcm24") != std::string::npos) EXPECT_LE(worst, 16);
    else EXPECT_GE(db, c.min_db);
  }
}

TEST(CodecFiles, SeekingDecodesTheSameSamples) {
  for (const char* name : {"ima_stereo_22050", "ms_mono_8000", "ulaw_mono_8000"}) {
    SCOPED_TRACE(name);
    std::string path = wine_path(samples_dir() + "/" + name + ".wav");
    SourceRef whole = open_wav_reader(path);
    std::vector<int32_t> all = decode_all(*whole);
    int ch = whole->channels;
    SourceRef source = open_wav_reader(path);
    for (int target : {5000, 1234, 0, 9000, 3}) {
      source->seek(target);
      EXPECT_EQ(target, source->position());
      std::vector<int32_t> got(static_cast<size_t>(700) * ch);
      source->read(got.data(), 700);
      EXPECT_EQ(target + 700, source->position());
      for (int i = 0; i < 700 * ch; ++i) ASSERT_EQ(all[static_cast<size_t>(target) * ch + i], got[i]) << target << " " << i;
    }
    // Beyond the data: silence, and the length is known.
    source->seek(100000000);
    int32_t tail[4] = {1, 1, 1, 1};
    source->read(tail, 2);
    EXPECT_EQ(0, tail[0]);
    source->seek(-5);
    std::vector<int32_t> lead(static_cast<size_t>(10) * ch);
    source->read(lead.data(), 10);
    for (int i = 0; i < 5 * ch; ++i) EXPECT_EQ(0, lead[i]);
    for (int i = 5 * ch; i < 10 * ch; ++i) EXPECT_EQ(all[i - 5 * ch], lead[i]);
  }
}

TEST(CodecFiles, DamagedAndUnknownData) {
  // Garbage in the middle of an ADPCM stream is decoded past, to the end.
  std::vector<uint8_t> bytes = read_bytes(samples_dir() + "/ima_mono_8000.wav");
  for (size_t i = 600; i < 2000 && i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131);
  std::string damaged = vt_test::env("VT_BUILD_DIR") + "/codec-damaged.wav";
  std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  SourceRef source = open_wav_reader(wine_path(damaged));
  ASSERT_EQ(kSourceOk, source->status);
  EXPECT_GT(decode_all(*source).size(), 9000u);
  // A format no codec knows.
  std::vector<uint8_t> unknown = bytes;
  unknown[20] = 0x34;
  unknown[21] = 0x12;
  std::ofstream(damaged, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(unknown.data()), unknown.size());
  EXPECT_EQ(kSourceNoCodec, open_wav_reader(wine_path(damaged))->status);
}

namespace {

std::vector<int32_t> tone(int frames, int channels, int rate) {
  std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      samples[static_cast<size_t>(i) * channels + c] =
          static_cast<int32_t>(0x30000 * std::sin(2 * 3.14159265358979 * (700.0 + 300 * c) * i / rate));
  return samples;
}

}  // namespace

TEST(CodecFiles, WriterProducesReadableFiles) {
  struct Case {
    uint16_t tag;
    int channels, rate;
    const char* name;
    double min_db;
  } cases[] = {{0x11, 1, 8000, "ima_mono", 15},   {0x11, 2, 22050, "ima_stereo", 15},
               {0x02, 1, 11025, "ms_mono", 15},   {0x02, 2, 44100, "ms_stereo", 15},
               {0x07, 1, 8000, "ulaw_mono", 30},  {0x06, 2, 8000, "alaw_stereo", 30},
               {0x31, 1, 8000, "gsm_mono", 3}};
  std::string out_dir = vt_test::env("VT_BUILD_DIR") + "/codec-out";
  CreateDirectoryA(wine_path(out_dir).c_str(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FormatBuffer format;
    if (!suggest_codec_format(c.tag, c.channels, c.rate, format)) {
      ADD_FAILURE() << "no codec suggests a format";
      continue;
    }
    // Some systems decode a format without encoding it (Wine: MS ADPCM).
    if (!codec_format_encodable(format)) {
      std::printf("%-12s cannot be encoded here\n", c.name);
      EXPECT_TRUE(open_wav_writer(format, wine_path(out_dir + "/not-encodable.wav"))->failed());
      continue;
    }
    std::string path = out_dir + "/" + c.name + ".wav";
    int frames = c.rate * 2 + 123;
    std::vector<int32_t> signal = tone(frames, c.channels, c.rate);
    {
      SinkRef sink = open_wav_writer(format, wine_path(path));
      ASSERT_FALSE(sink->failed());
      EXPECT_EQ(c.rate, sink->sample_rate);
      EXPECT_EQ(c.channels, sink->channels);
      for (int done = 0; done < frames; done += 3000) {
        int n = frames - done < 3000 ? frames - done : 3000;
        sink->write(signal.data() + static_cast<size_t>(done) * c.channels, n);
      }
      sink->truncate(10);  // not for codec files
      std::vector<uint8_t> open = read_bytes(path);
      ASSERT_GE(open.size(), 46u);
      EXPECT_EQ(0xFFFFFFFFu, get_le32(open.data() + 4));
    }
    std::vector<uint8_t> bytes = read_bytes(path);
    int record = 18 + format.format.extra_size;
    ASSERT_GE(bytes.size(), static_cast<size_t>(20 + record + 8));
    EXPECT_EQ(0, std::memcmp(bytes.data(), "RIFF", 4));
    EXPECT_EQ(0, std::memcmp(bytes.data() + 8, "WAVEfmt ", 8));
    EXPECT_EQ(static_cast<uint32_t>(record), get_le32(bytes.data() + 16));
    EXPECT_EQ(0, std::memcmp(bytes.data() + 20, &format, record));
    EXPECT_EQ(0, std::memcmp(bytes.data() + 20 + record, "data", 4));
    uint32_t data = get_le32(bytes.data() + 24 + record);
    EXPECT_EQ(bytes.size(), 28u + record + data);
    EXPECT_EQ(format.format.extra_size + data + 38, get_le32(bytes.data() + 4));
    EXPECT_GT(data, 0u);

    SourceRef back = open_wav_reader(wine_path(path));
    ASSERT_EQ(kSourceOk, back->status);
    std::vector<int32_t> got = decode_all(*back);
    // Every frame comes back; block codecs add at most one block of silence.
    EXPECT_GE(got.size() / c.channels, static_cast<size_t>(frames));
    EXPECT_NEAR(frames, static_cast<double>(got.size() / c.channels), 1100.0);
    double db = agreement_db(signal, got);
    std::printf("%-12s %u bytes, %zu frames back, agreement %.1f dB\n", c.name, data, got.size() / c.channels, db);
    EXPECT_GE(db, c.min_db);
  }
}

TEST(CodecFiles, FormatsNoCodecProducesGiveAFailedWriter) {
  FormatBuffer format = format_buffer_of(make_pcm_format(1, 16, 44100));
  format.format.format_tag = 0x1234;
  std::string path = vt_test::env("VT_BUILD_DIR") + "/codec-unknown.wav";
  {
    SinkRef sink = open_wav_writer(format, wine_path(path));
    EXPECT_TRUE(sink->failed());
    int32_t samples[100] = {};
    sink->write(samples, 100);
  }
  std::vector<uint8_t> bytes = read_bytes(path);
  ASSERT_EQ(46u, bytes.size());  // head, descriptor and an empty data chunk
  EXPECT_EQ(38u, get_le32(bytes.data() + 4));
  EXPECT_EQ(0u, get_le32(bytes.data() + 42));
  EXPECT_FALSE(codec_format_encodable(format));
  EXPECT_TRUE(codec_format_encodable(format_buffer_of(make_pcm_format(2, 8, 8000))));
}

namespace {

// Runs vtool.exe of this build tree; its exit code, or -1 when it did not end in time.
int run_vtool(const std::string& arguments) {
  std::string command = "\"" + wine_path(vt_test::env("VT_BUILD_DIR") + "/tools/vtool.exe") + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  else TerminateProcess(process.hProcess, 9);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

}  // namespace

TEST(Vtool, ConvertsIntoCodecFormats) {
  std::string in = wine_path(samples_dir() + "/ms_stereo_44100.wav");
  std::string out = wine_path(vt_test::env("VT_BUILD_DIR") + "/codec-out/vtool-ima.wav");
  ASSERT_EQ(0, run_vtool("convert \"" + in + "\" \"" + out + "\" --rate 22050 --codec 0x11"));
  WaveFormat format;
  ASSERT_TRUE(probe_wav_format(out, format));
  EXPECT_EQ(0x11, format.format_tag);
  EXPECT_EQ(22050u, format.sample_rate);
  EXPECT_EQ(2, format.channels);
  SourceRef back = open_wav_reader(out);
  ASSERT_EQ(kSourceOk, back->status);
  // 59,044 frames at half the rate, plus at most one codec block of silence at the end.
  size_t frames = decode_all(*back).size() / 2;
  EXPECT_GE(frames, 29500u);
  EXPECT_LE(frames, 29522u + 1100u);
  // A format the codecs decode but cannot produce, an unknown tag, a missing input.
  EXPECT_EQ(2, run_vtool("convert \"" + in + "\" \"" + out + "\" --codec 2"));
  EXPECT_EQ(2, run_vtool("convert \"" + in + "\" \"" + out + "\" --codec 0x4321"));
  EXPECT_EQ(2, run_vtool("info Z:\\no\\such\\file.wav"));
  EXPECT_EQ(0, run_vtool("info \"" + in + "\""));
}

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>

#include "formats/file_headers.h"
#include "formats/file_readers.h"
#include "formats/file_writers.h"
#include "tests/support/native_files.h"

using namespace vt;
using vt_test::read_file;

namespace {

// A sweep through the whole 16-bit range, in sample units, `channels` interleaved.
std::vector<int32_t> test_signal(int frames, int channels) {
  std::vector<int32_t> samples(static_cast<size_t>(frames) * channels);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = (static_cast<int32_t>((i * 7919) % 65536) - 32768) * 16;
  return samples;
}

void write_in_blocks(AudioSink& sink, const std::vector<int32_t>& samples, int block) {
  int frames = static_cast<int>(samples.size() / sink.channels);
  for (int done = 0; done < frames; done += block) {
    int n = frames - done < block ? frames - done : block;
    sink.write(samples.data() + static_cast<size_t>(done) * sink.channels, n);
  }
}

}  // namespace

TEST(PcmWavWriter, OneSecondAtTheDefaultFormat) {
  vt_test::TempDir dir;
  std::string path = dir.path("one.wav");
  std::vector<int32_t> signal = test_signal(44100, 1);
  {
    SinkRef sink = open_wav_writer(default_recording_format(), path);
    ASSERT_FALSE(sink->failed());
    write_in_blocks(*sink, signal, 4410);
    // While recording, both sizes say "unknown" and the samples follow the header.
    std::vector<uint8_t> open = read_file(path);
    ASSERT_EQ(46u + 88200u, open.size());
    EXPECT_EQ(0xFFFFFFFFu, get_le32(open.data() + 4));
    EXPECT_EQ(0xFFFFFFFFu, get_le32(open.data() + 42));
  }
  std::vector<uint8_t> bytes = read_file(path);
  ASSERT_EQ(88246u, bytes.size());
  EXPECT_EQ(88238u, get_le32(bytes.data() + 4));
  EXPECT_EQ(88200u, get_le32(bytes.data() + 42));
  uint8_t header[kPcmWavHeaderBytes];
  build_pcm_wav_header(header, 1, 44100, 2, 88200);
  EXPECT_EQ(0, std::memcmp(header, bytes.data(), kPcmWavHeaderBytes));
  for (size_t i = 0; i < signal.size(); ++i) {
    int16_t v = static_cast<int16_t>(bytes[46 + 2 * i] | bytes[47 + 2 * i] << 8);
    ASSERT_EQ(signal[i] / 16, v) << i;
  }
}

TEST(PcmWavWriter, ConvertsToEightAndSixteenBitsByTheFixedRules) {
  vt_test::TempDir dir;
  const int32_t samples[] = {0, 7, 8, -8, -9, 0x7FFF0, -0x7FFF0, 2047, 2048, -2049, -0x80000};
  const int count = sizeof samples / sizeof samples[0];
  {
    SinkRef wide = open_wav_writer(make_pcm_format(1, 16, 8000), dir.path("16.wav"));
    SinkRef narrow = open_wav_writer(make_pcm_format(1, 8, 8000), dir.path("8.wav"));
    wide->write(samples, count);
    narrow->write(samples, count);
  }
  std::vector<uint8_t> w = read_file(dir.path("16.wav"));
  std::vector<uint8_t> n = read_file(dir.path("8.wav"));
  const int16_t expect16[] = {0, 0, 1, 0, -1, 32767, -32767, 128, 128, -128, -32768};
  const uint8_t expect8[] = {128, 128, 128, 128, 128, 255, 0, 128, 129, 127, 0};
  ASSERT_EQ(46u + 2 * count, w.size());
  ASSERT_EQ(46u + count, n.size());
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(expect16[i], static_cast<int16_t>(w[46 + 2 * i] | w[47 + 2 * i] << 8)) << i;
    EXPECT_EQ(expect8[i], n[46 + i]) << i;
  }
  EXPECT_EQ(8, get_le32(n.data() + 32) >> 16);  // bits per sample field
}

TEST(PcmWavWriter, TruncateCutsTheFileAndRecordingContinues) {
  vt_test::TempDir dir;
  std::string path = dir.path("cut.wav");
  {
    // A longer file in the way is replaced, not partly overwritten.
    vt_test::write_file(path, std::vector<uint8_t>(100000, 0x55));
  }
  std::vector<int32_t> signal = test_signal(1000, 2);
  {
    SinkRef sink = open_wav_writer(make_pcm_format(2, 16, 22050), path);
    ASSERT_FALSE(sink->failed());
    EXPECT_EQ(46u, read_file(path).size());
    sink->write(signal.data(), 1000);
    sink->truncate(1000);  // not fewer than written: nothing happens
    sink->truncate(5000);
    EXPECT_EQ(46u + 4000u, read_file(path).size());
    sink->truncate(400);
    EXPECT_EQ(400, sink->frames_written);
    EXPECT_EQ(46u + 1600u, read_file(path).size());
    sink->write(signal.data(), 100);
    EXPECT_EQ(500, sink->frames_written);
  }
  std::vector<uint8_t> bytes = read_file(path);
  ASSERT_EQ(46u + 2000u, bytes.size());
  EXPECT_EQ(2000u, get_le32(bytes.data() + 42));
  EXPECT_EQ(2038u, get_le32(bytes.data() + 4));
  // Frame 400 is the first frame of the second write.
  EXPECT_EQ(signal[0] / 16, static_cast<int16_t>(bytes[46 + 1600] | bytes[47 + 1600] << 8));

  SinkRef again = open_wav_writer(make_pcm_format(1, 8, 8000), dir.path("neg.wav"));
  again->write(signal.data(), 10);
  again->truncate(-3);
  EXPECT_EQ(0, again->frames_written);
}

TEST(PcmWavWriter, UnusableFormatsAndPathsGiveFailedSinks) {
  vt_test::TempDir dir;
  EXPECT_TRUE(open_wav_writer(make_pcm_format(1, 24, 44100), dir.path("24.wav"))->failed());
  SinkRef nowhere = open_wav_writer(default_recording_format(), dir.path("no/such/folder.wav"));
  EXPECT_TRUE(nowhere->failed());
  int32_t samples[16] = {};
  nowhere->write(samples, 16);  // harmless
  EXPECT_TRUE(open_aiff_writer(dir.path("no/such.aif"))->failed());
  SinkRef aiff = open_aiff_writer(dir.path("x.aif"));
  EXPECT_FALSE(aiff->failed());
  EXPECT_EQ(44100, aiff->sample_rate);
  EXPECT_EQ(2, aiff->channels);
  SinkRef pcm = open_wav_writer(format_buffer_of(make_pcm_format(2, 8, 11025)), dir.path("x.wav"));
  EXPECT_FALSE(pcm->failed());
  EXPECT_EQ(11025, pcm->sample_rate);
  EXPECT_EQ(2, pcm->channels);
}

TEST(AiffWriter, OneSecondOfStereo) {
  vt_test::TempDir dir;
  std::string path = dir.path("one.aif");
  std::vector<int32_t> signal = test_signal(44100, 2);
  {
    SinkRef sink = open_aiff_writer(path);
    ASSERT_FALSE(sink->failed());
    write_in_blocks(*sink, signal, 8192);
    std::vector<uint8_t> open = read_file(path);
    EXPECT_EQ(46u, get_be32(open.data() + 4));
    EXPECT_EQ(0xFFFFFFFFu, get_be32(open.data() + 42));
    sink->truncate(44100);
  }
  std::vector<uint8_t> bytes = read_file(path);
  ASSERT_EQ(54u + 176400u, bytes.size());
  uint8_t header[kAiffHeaderBytes];
  build_aiff_header(header, 2, 44100, 44100, 176400);
  EXPECT_EQ(0, std::memcmp(header, bytes.data(), kAiffHeaderBytes));
  for (size_t i = 0; i < signal.size(); i += 997)
    ASSERT_EQ(signal[i] / 16, static_cast<int16_t>(bytes[54 + 2 * i] << 8 | bytes[55 + 2 * i])) << i;
}

// Our files as another program sees them: header fields and the very same samples.
TEST(WrittenFilesInSox, HeaderFieldsAndSamples) {
  if (!vt_test::have_program("sox")) FAIL() << "sox not installed";
  vt_test::TempDir dir;
  struct Case {
    const char* name;
    int channels, bits, rate;
    bool aiff;
  } cases[] = {{"m8.wav", 1, 8, 8000, false},
               {"s8.wav", 2, 8, 22050, false},
               {"m16.wav", 1, 16, 44100, false},
               {"s16.wav", 2, 16, 96000, false},
               {"s.aif", 2, 16, 44100, true},
               {"m.aif", 1, 16, 11025, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.path(c.name);
    std::vector<int32_t> signal = test_signal(12345, c.channels);
    {
      SinkRef sink = c.aiff ? open_aiff_writer(path, c.rate, c.channels)
                            : open_wav_writer(make_pcm_format(c.channels, c.bits, c.rate), path);
      write_in_blocks(*sink, signal, 1000);
    }
    std::string info;
    ASSERT_EQ(0, vt_test::run_command("soxi '" + path + "'", &info)) << info;
    EXPECT_NE(std::string::npos, info.find("Channels       : " + std::to_string(c.channels))) << info;
    EXPECT_NE(std::string::npos, info.find("Sample Rate    : " + std::to_string(c.rate))) << info;
    EXPECT_NE(std::string::npos, info.find("Precision      : " + std::to_string(c.bits) + "-bit")) << info;
    EXPECT_NE(std::string::npos, info.find("= 12345 samples")) << info;
    std::string raw = path + ".raw";
    ASSERT_EQ(0, vt_test::run_command("sox '" + path + "' -t raw -e signed -b 16 -L '" + raw + "'"));
    std::vector<int32_t> decoded = vt_test::s16_samples(read_file(raw));
    ASSERT_EQ(signal.size(), decoded.size());
    for (size_t i = 0; i < signal.size(); ++i) {
      int32_t expected = c.bits == 8 ? ((((signal[i] + 2048) >> 12) + 128 > 255 ? 255 : ((signal[i] + 2048) >> 12) + 128) - 128) * 256
                                     : (signal[i] + 8) >> 4;
      ASSERT_EQ(expected, decoded[i]) << i;
    }
  }
}

// A recording whose process was killed keeps 0xFFFFFFFF sizes; it still opens, up to
// its last whole frame, in our reader and in sox.
TEST(WrittenFilesInSox, UnclosedRecordingReadsToItsLastWholeFrame) {
  vt_test::TempDir dir;
  std::string path = dir.path("killed.wav");
  std::vector<int32_t> signal = test_signal(30000, 2);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SinkRef sink = open_wav_writer(make_pcm_format(2, 16, 44100), path);
    write_in_blocks(*sink, signal, 4410);
    raise(SIGKILL);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFSIGNALED(status));
  std::vector<uint8_t> bytes = read_file(path);
  ASSERT_EQ(46u + 120000u, bytes.size());
  EXPECT_EQ(0xFFFFFFFFu, get_le32(bytes.data() + 42));
  bytes.push_back(0x12);  // half a sample that the crash left behind
  vt_test::write_file(path, bytes);

  SourceRef reader = open_wav_reader(path);
  ASSERT_EQ(kSourceOk, reader->status);
  EXPECT_EQ(30000, reader->length());
  std::vector<int32_t> got = vt_test::read_all(*reader);
  ASSERT_EQ(signal.size(), got.size());
  for (size_t i = 0; i < signal.size(); ++i) ASSERT_EQ(signal[i] & ~15, got[i]) << i;

  if (!vt_test::have_program("sox")) FAIL() << "sox not installed";
  std::string raw = dir.path("killed.raw");
  ASSERT_EQ(0, vt_test::run_command("sox '" + path + "' -t raw -e signed -b 16 -L '" + raw + "'"));
  std::vector<int32_t> decoded = vt_test::s16_samples(read_file(raw));
  ASSERT_EQ(signal.size(), decoded.size());
  for (size_t i = 0; i < signal.size(); ++i) ASSERT_EQ(signal[i] >> 4, decoded[i]) << i;
}

TEST(WrittenFilesInSox, UnclosedAiffRecordingReadsToItsEnd) {
  vt_test::TempDir dir;
  std::string path = dir.path("killed.aif");
  std::vector<int32_t> signal = test_signal(20000, 2);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SinkRef sink = open_aiff_writer(path);
    write_in_blocks(*sink, signal, 4410);
    raise(SIGKILL);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  std::vector<uint8_t> bytes = read_file(path);
  ASSERT_EQ(54u + 80000u, bytes.size());
  EXPECT_EQ(0xFFFFFFFFu, get_be32(bytes.data() + 42));
  SourceRef reader = open_aiff_reader(path);
  ASSERT_EQ(kSourceOk, reader->status);
  EXPECT_EQ(20000, reader->length());
  std::vector<int32_t> got = vt_test::read_all(*reader);
  ASSERT_EQ(signal.size(), got.size());
  for (size_t i = 0; i < signal.size(); ++i) ASSERT_EQ(signal[i], got[i]) << i;
}

// A disk that fills up during a recording (a size limit on the writing process): the
// sink reports the failure, and the closed file counts exactly the whole frames on disk.
TEST(WrittenFilesInSox, FullDiskLeavesAHeaderCountingWhatReachedTheDisk) {
  vt_test::TempDir dir;
  std::vector<int32_t> tone = test_signal(44100, 2);
  for (const char* name : {"full.wav", "full.aif"}) {
    SCOPED_TRACE(name);
    std::string path = dir.path(name);
    const bool aiff = std::string(name).find(".aif") != std::string::npos;
    const long limit = 100001;  // an odd size: the last block breaks off inside a frame
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      struct rlimit size_limit = {static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
      setrlimit(RLIMIT_FSIZE, &size_limit);
      bool failed_midway;
      {
        SinkRef sink = aiff ? open_aiff_writer(path, 44100, 2) : open_wav_writer(make_pcm_format(2, 16, 44100), path);
        write_in_blocks(*sink, tone, 4410);
        failed_midway = sink->failed() && sink->frames_written == 44100;
      }
      _exit(failed_midway ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "the sink did not report the failed write";

    std::vector<uint8_t> bytes = read_file(path);
    const size_t header = aiff ? kAiffHeaderBytes : kPcmWavHeaderBytes;
    ASSERT_LE(bytes.size(), static_cast<size_t>(limit));
    ASSERT_GT(bytes.size(), header + 4 * 4410);
    EXPECT_EQ(0u, (bytes.size() - header) % 4) << "data ends inside a frame";
    const size_t frames = (bytes.size() - header) / 4;
    SourceRef reader = aiff ? open_aiff_reader(path) : open_wav_reader(path);
    ASSERT_EQ(kSourceOk, reader->status);
    EXPECT_EQ(static_cast<int32_t>(frames), reader->length());

    if (!vt_test::have_program("sox")) FAIL() << "sox not installed";
    std::string counted;
    ASSERT_EQ(0, vt_test::run_command("soxi -s '" + path + "' 2>&1", &counted));
    EXPECT_EQ(std::to_string(frames) + "\n", counted);
    std::string raw = dir.path(std::string(name) + ".raw");
    ASSERT_EQ(0, vt_test::run_command("sox '" + path + "' -t raw -e signed -b 16 -L '" + raw + "' 2>&1", &counted))
        << counted;
    std::vector<int32_t> decoded = vt_test::s16_samples(read_file(raw));
    ASSERT_EQ(frames * 2, decoded.size());
    for (size_t i = 0; i < decoded.size(); ++i) ASSERT_EQ(tone[i] >> 4, decoded[i]) << i;
  }
}

namespace {

// What a HeaderOnlyFile leaves behind: its first bytes and its size.
struct KeptHead {
  uint8_t bytes[64] = {};
  int64_t size = 0;
};

// A file that keeps only its first 64 bytes (where the writers put their header) and
// counts the rest, so that a writer reaches the limit of its 32-bit size fields
// without 4 GiB on a disk.
class HeaderOnlyFile : public BinaryFile {
 public:
  explicit HeaderOnlyFile(KeptHead* kept) : kept_(kept) {}
  int read(void*, int) override { return 0; }
  bool write(const void* data, int bytes) override {
    for (int64_t i = 0; i < bytes && position_ + i < 64; ++i)
      kept_->bytes[position_ + i] = static_cast<const uint8_t*>(data)[i];
    position_ += bytes;
    if (position_ > kept_->size) kept_->size = position_;
    return true;
  }
  bool seek(int64_t offset) override {
    position_ = offset;
    return offset >= 0;
  }
  int64_t tell() override { return position_; }
  int64_t size() override { return kept_->size; }
  bool truncate_here() override {
    kept_->size = position_;
    return true;
  }

 private:
  KeptHead* kept_;
  int64_t position_ = 0;
};

// 2^30 stereo frames of 16 bits: 4 GiB of samples, more than any size field can count.
void offer_four_gibibytes(AudioSink& sink) {
  std::vector<int32_t> block(static_cast<size_t>(kMaxFramesPerCall) * 2, 100 * 16);
  for (int64_t done = 0; done < (int64_t(1) << 30); done += kMaxFramesPerCall) sink.write(block.data(), kMaxFramesPerCall);
}

}  // namespace

// The writers stop storing where the largest size field would reach 0xFFFFFFFF (which
// reads as a recording still open) and the header counts exactly what was stored:
// 1,073,741,812 stereo frames, 4,294,967,248 data bytes.
TEST(PcmWavWriter, SizeFieldsStopJustShortOfFourGibibytes) {
  KeptHead kept;
  SinkRef sink = open_wav_writer_on(std::unique_ptr<BinaryFile>(new HeaderOnlyFile(&kept)), 44100, 2, 16);
  ASSERT_FALSE(sink->failed());
  offer_four_gibibytes(*sink);
  EXPECT_EQ(int32_t(1) << 30, sink->frames_written);  // the recorder's clock runs on
  sink = SinkRef();
  EXPECT_EQ(0xFFFFFFF6u, get_le32(kept.bytes + 4));   // RIFF size: data + 38
  EXPECT_EQ(0xFFFFFFD0u, get_le32(kept.bytes + 42));  // data size
  EXPECT_EQ(46 + int64_t(0xFFFFFFD0u), kept.size);
}

TEST(AiffWriter, SizeFieldsStopJustShortOfFourGibibytes) {
  KeptHead kept;
  SinkRef sink = open_aiff_writer_on(std::unique_ptr<BinaryFile>(new HeaderOnlyFile(&kept)), 44100, 2);
  ASSERT_FALSE(sink->failed());
  offer_four_gibibytes(*sink);
  sink = SinkRef();
  EXPECT_EQ(0xFFFFFFFEu, get_be32(kept.bytes + 4));   // FORM size: data + 46
  EXPECT_EQ(1073741812u, get_be32(kept.bytes + 22));  // frames
  EXPECT_EQ(0xFFFFFFD8u, get_be32(kept.bytes + 42));  // SSND size: data + 8
  EXPECT_EQ(54 + int64_t(0xFFFFFFD0u), kept.size);
}

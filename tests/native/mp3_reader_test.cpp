// The reader's own decisions: which headers it accepts, how it probes a stream and
// estimates its length, how it refines that length, and how it seeks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>

#include "formats/mp3_tables.h"
#include "tests/native/mp3_test_support.h"

namespace vt {
namespace {

using mp3test::append;
using mp3test::silent_frame;

SourceRef open_bytes(const std::vector<uint8_t>& bytes) { return open_mp3_memory(bytes.data(), bytes.size()); }

Mp3Reader& reader_of(SourceRef& ref) { return *static_cast<Mp3Reader*>(ref.get()); }

// Transcription check of Table B.7: every code table is a complete prefix code whose
// entries are all distinct, so no bit pattern decodes two ways or not at all.
TEST(Mp3Tables, HuffmanCodesAreCompletePrefixCodes) {
  auto check = [](const mp3::HuffmanCode* codes, int count, int table) {
    double kraft = 0;
    for (int i = 0; i < count; ++i) {
      ASSERT_GE(codes[i].length, 1) << table;
      ASSERT_LE(codes[i].length, 19) << table;
      ASSERT_LT(codes[i].code, 1u << codes[i].length) << table;
      kraft += std::ldexp(1.0, -codes[i].length);
      for (int j = 0; j < count; ++j) {
        if (i == j || codes[j].length < codes[i].length) continue;
        ASSERT_NE(codes[i].code, codes[j].code >> (codes[j].length - codes[i].length))
            << "table " << table << ": code " << i << " is a prefix of code " << j;
      }
    }
    EXPECT_DOUBLE_EQ(1.0, kraft) << table;
  };
  for (int t = 0; t < 32; ++t)
    if (mp3::kPairTables[t].codes) check(mp3::kPairTables[t].codes, mp3::kPairTables[t].side * mp3::kPairTables[t].side, t);
  check(mp3::kQuadTables[0], 16, 32);
  check(mp3::kQuadTables[1], 16, 33);
}

TEST(Mp3Tables, SynthesisWindowHasTheStandardSymmetry) {
  // D[512 - i] = -D[i], except at multiples of 64 where the sign stays.
  for (int i = 1; i < 512; ++i)
    EXPECT_EQ(i % 64 ? -mp3::kSynthesisWindow[i] : mp3::kSynthesisWindow[i], mp3::kSynthesisWindow[512 - i]) << i;
  EXPECT_EQ(75038, mp3::kSynthesisWindow[256]);  // 1.144989014
}

TEST(Mp3Header, AcceptsLayerThreeAndRefusesTheRest) {
  mp3::FrameHeader h;
  const uint8_t good[4] = {0xFF, 0xFB, 0x90, 0x44};  // MPEG-1, no CRC, 128 kbit/s, 44.1 kHz, joint stereo
  ASSERT_TRUE(mp3::parse_header(good, &h));
  EXPECT_EQ(0, h.shift);
  EXPECT_EQ(1, h.protection);
  EXPECT_EQ(128000, h.bit_rate);
  EXPECT_EQ(44100, h.sample_rate());
  EXPECT_EQ(1, h.mode);
  EXPECT_EQ(0, h.mode_extension);
  EXPECT_EQ(417, h.frame_size());
  EXPECT_EQ(32, h.side_info_size());
  EXPECT_EQ(417 - 4 - 32, h.main_data_size());

  uint8_t b[4];
  auto accepts = [&](uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
    b[0] = b0; b[1] = b1; b[2] = b2; b[3] = b3;
    return mp3::parse_header(b, &h);
  };
  EXPECT_FALSE(accepts(0xFE, 0xFB, 0x90, 0x44));  // no sync
  EXPECT_FALSE(accepts(0xFF, 0xDB, 0x90, 0x44));  // second byte below 0xE0
  EXPECT_FALSE(accepts(0xFF, 0xEB, 0x90, 0x44));  // reserved version
  EXPECT_FALSE(accepts(0xFF, 0xFD, 0x90, 0x44));  // Layer II
  EXPECT_FALSE(accepts(0xFF, 0xFB, 0x00, 0x44));  // free format
  EXPECT_FALSE(accepts(0xFF, 0xFB, 0xF0, 0x44));  // bit-rate index 15
  EXPECT_FALSE(accepts(0xFF, 0xFB, 0x9C, 0x44));  // sampling-frequency index 3
  EXPECT_TRUE(accepts(0xFF, 0xFA, 0x91, 0x4F));   // CRC present, private and low bits ignored
  EXPECT_EQ(0, h.protection);
  EXPECT_EQ(417 - 4 - 32 - 2, h.main_data_size());
  EXPECT_TRUE(accepts(0xFF, 0xE3, 0x18, 0xC0));   // MPEG-2.5, 8 kbit/s, 8 kHz, mono
  EXPECT_EQ(2, h.shift);
  EXPECT_EQ(8000, h.sample_rate());
  EXPECT_EQ(72, h.frame_size());
  EXPECT_EQ(9, h.side_info_size());
  EXPECT_EQ(576, h.samples_per_frame());
}

TEST(Mp3Reader, MissingFileAndUnusableDataReportTheirStatus) {
  SourceRef missing = open_mp3("/nonexistent/folder/none.mp3");
  EXPECT_EQ(kSourceCannotOpen, missing->status);
  std::vector<uint8_t> junk(4000, 0x55);
  EXPECT_EQ(kSourceBadFormat, open_bytes(junk)->status);
  EXPECT_EQ(kSourceBadFormat, open_bytes({})->status);
  SourceRef unusable = open_bytes(junk);
  int32_t samples[16];
  std::memset(samples, 0x7F, sizeof(samples));
  unusable->read(samples, 16);
  for (int32_t s : samples) EXPECT_EQ(0, s);
}

TEST(Mp3Reader, HeaderSearchGivesUpAfter65535Steps) {
  std::vector<uint8_t> near(65535, 0), far(65536, 0);
  append(&near, silent_frame(0, 9, 0, 3));
  append(&far, silent_frame(0, 9, 0, 3));
  EXPECT_EQ(kSourceOk, open_bytes(near)->status);
  EXPECT_EQ(kSourceBadFormat, open_bytes(far)->status);
}

TEST(Mp3Reader, EstimatesTheLengthFromTheAverageBitRateAndFixesItAtTheEnd) {
  // 128 kbit/s at 44.1 kHz: 417.959 bytes a frame. 4000 bytes of data (an ID3v1 tag
  // is left out) estimate trunc(9.570 + 0.9) = 10 frames.
  std::vector<uint8_t> file;
  for (int i = 0; i < 9; ++i) append(&file, silent_frame(0, 9, 0, 3, i % 2));
  std::vector<uint8_t> tag(128, ' ');
  std::memcpy(tag.data(), "TAG", 3);
  file.resize(4000, 0);
  append(&file, tag);
  SourceRef source = open_bytes(file);
  ASSERT_EQ(kSourceOk, source->status);
  EXPECT_EQ(44100, source->sample_rate);
  EXPECT_EQ(1, source->channels);
  EXPECT_EQ(11520, source->length());
  EXPECT_NEAR(417.959, reader_of(source).average_frame_size(), 0.001);
  std::vector<int32_t> all = mp3test::decode_all(*source);
  EXPECT_EQ(9 * 1152, source->length());  // the ninth frame was the last
  EXPECT_EQ(size_t(9 * 1152), all.size());

  file.resize(3800);  // trunc(9.092 + 0.9) = 9 frames
  append(&file, tag);
  EXPECT_EQ(9 * 1152, open_bytes(file)->length());

  // Without a tag the last 128 bytes are audio like the rest: here 20 frames of 72
  // bytes, the last of which would otherwise never be counted.
  file.clear();
  for (int i = 0; i < 20; ++i) append(&file, silent_frame(2, 1, 2, 3));
  SourceRef small_frames = open_bytes(file);
  EXPECT_EQ(20 * 576, small_frames->length());
  EXPECT_EQ(size_t(20 * 576), mp3test::decode_all(*small_frames).size());
}

TEST(Mp3Reader, ReadsPastTheEndAsSilence) {
  std::vector<uint8_t> file;
  for (int i = 0; i < 3; ++i) append(&file, silent_frame(0, 9, 0, 0));
  SourceRef source = open_bytes(file);
  ASSERT_EQ(2, source->channels);
  std::vector<int32_t> buffer(2 * 8192, 1);
  source->read(buffer.data(), 8192);
  EXPECT_EQ(3 * 1152, source->length());
  EXPECT_EQ(8192, source->position());
  for (int32_t s : buffer) ASSERT_EQ(0, s);
  source->read(buffer.data(), 100);  // beyond the length: silence, position moves on
  EXPECT_EQ(8292, source->position());
}

std::vector<uint8_t> xing_frame(uint32_t flags, uint32_t count, const char* tag = "Xing") {
  std::vector<uint8_t> frame = silent_frame(0, 9, 0, 3);  // mono: 17 bytes of side information
  std::memcpy(&frame[4 + 17], tag, 4);
  uint8_t* f = &frame[4 + 17 + 4];
  if (std::strcmp(tag, "VBRI") == 0) f += 10;
  else {
    f[0] = uint8_t(flags >> 24); f[1] = uint8_t(flags >> 16); f[2] = uint8_t(flags >> 8); f[3] = uint8_t(flags);
    f += 4;
  }
  f[0] = uint8_t(count >> 24); f[1] = uint8_t(count >> 16); f[2] = uint8_t(count >> 8); f[3] = uint8_t(count);
  return frame;
}

TEST(Mp3Reader, VbrInformationFramesGiveTheExactLength) {
  std::vector<uint8_t> frames;
  for (int i = 0; i < 6; ++i) append(&frames, silent_frame(0, 9, 0, 3));

  std::vector<uint8_t> xing = xing_frame(0x0F, 6);
  append(&xing, frames);
  SourceRef with_count = open_bytes(xing);
  ASSERT_EQ(kSourceOk, with_count->status);
  EXPECT_EQ(6, reader_of(with_count).vbr_frame_count());
  EXPECT_EQ(6 * 1152, with_count->length());
  EXPECT_EQ(size_t(6 * 1152), mp3test::decode_all(*with_count).size());
  EXPECT_EQ(6 * 1152, with_count->length());

  std::vector<uint8_t> info = xing_frame(0x0F, 6, "Info");  // the constant-bit-rate variant
  append(&info, frames);
  SourceRef from_info = open_bytes(info);
  EXPECT_EQ(6 * 1152, from_info->length());
  EXPECT_EQ(size_t(6 * 1152), mp3test::decode_all(*from_info).size());

  std::vector<uint8_t> vbri = xing_frame(0, 6, "VBRI");
  append(&vbri, frames);
  SourceRef from_vbri = open_bytes(vbri);
  EXPECT_EQ(6, reader_of(from_vbri).vbr_frame_count());
  EXPECT_EQ(6 * 1152, from_vbri->length());

  // Without the frame-count flag the frame is an ordinary (silent) one.
  std::vector<uint8_t> no_count = xing_frame(0x0E, 6);
  append(&no_count, frames);
  SourceRef ordinary = open_bytes(no_count);
  EXPECT_EQ(0, reader_of(ordinary).vbr_frame_count());
  EXPECT_EQ(size_t(7 * 1152), mp3test::decode_all(*ordinary).size());
}

TEST(Mp3Reader, XingFrameProducesNoAudioAndSeekingBackSkipsIt) {
  std::string path = mp3test::vector_path("iso/l3-si.bit");
  if (path.empty()) FAIL() << "conformance streams not present";
  std::vector<uint8_t> plain = mp3test::load_file(path);
  SourceRef original = open_bytes(plain);
  int32_t frames = original->length() / 1152;
  std::vector<int32_t> expected = mp3test::decode_all(*original);
  frames = original->length() / 1152;

  std::vector<uint8_t> tagged = xing_frame(1, uint32_t(frames));
  append(&tagged, plain);
  SourceRef source = open_bytes(tagged);
  ASSERT_EQ(frames * 1152, source->length());
  EXPECT_EQ(expected, mp3test::decode_all(*source));
  source->seek(0);
  EXPECT_EQ(0, source->position());
  std::vector<int32_t> again(1152);
  source->read(again.data(), 1152);
  EXPECT_TRUE(std::equal(again.begin(), again.end(), expected.begin()));
}

TEST(Mp3Reader, DecodesMpeg25At8000HzMono) {
  std::vector<uint8_t> file;
  for (int i = 0; i < 20; ++i) append(&file, silent_frame(2, 1, 2, 3));
  SourceRef source = open_bytes(file);
  ASSERT_EQ(kSourceOk, source->status);
  EXPECT_EQ(8000, source->sample_rate);
  EXPECT_EQ(1, source->channels);
  EXPECT_EQ(576, reader_of(source).samples_per_frame());
  EXPECT_EQ(size_t(20 * 576), mp3test::decode_all(*source).size());
}

TEST(Mp3Reader, StreamEndsWhenTheChannelCountChanges) {
  // The probe takes its reference from the first eight frames, all stereo here.
  std::vector<uint8_t> file;
  for (int i = 0; i < 9; ++i) append(&file, silent_frame(0, 9, 0, 1));
  for (int i = 0; i < 11; ++i) append(&file, silent_frame(0, 9, 0, 3));  // mono: skipped
  for (int i = 0; i < 5; ++i) append(&file, silent_frame(0, 9, 0, 1));
  SourceRef source = open_bytes(file);
  ASSERT_EQ(2, source->channels);
  EXPECT_EQ(size_t(9 * 1152 * 2), mp3test::decode_all(*source).size());
  EXPECT_EQ(9 * 1152, source->length());

  // Ten mismatches in a row are stepped over; the stereo frames after them still play.
  file.clear();
  for (int i = 0; i < 9; ++i) append(&file, silent_frame(0, 9, 0, 1));
  for (int i = 0; i < 10; ++i) append(&file, silent_frame(0, 9, 0, 3));
  for (int i = 0; i < 5; ++i) append(&file, silent_frame(0, 9, 0, 1));
  SourceRef tolerant = open_bytes(file);
  mp3test::decode_all(*tolerant);
  EXPECT_EQ(14 * 1152, tolerant->length());
}

TEST(Mp3Reader, FileAndMemoryGiveTheSameSamples) {
  std::string path = mp3test::vector_path("iso/l3-hecommon.bit");
  if (path.empty()) FAIL() << "conformance streams not present";
  SourceRef from_file = open_mp3(path.c_str());
  SourceRef from_memory = open_bytes(mp3test::load_file(path));
  EXPECT_EQ(mp3test::decode_all(*from_file), mp3test::decode_all(*from_memory));
}

TEST(Mp3Reader, SmallReadsMatchWholeFrameReads) {
  std::string path = mp3test::vector_path("iso/l3-sin1k0db.bit");
  if (path.empty()) FAIL() << "conformance streams not present";
  SourceRef whole = open_mp3(path.c_str());
  SourceRef pieces = open_mp3(path.c_str());
  std::vector<int32_t> expected = mp3test::decode_all(*whole, 8192);
  std::vector<int32_t> got = mp3test::decode_all(*pieces, 333);
  EXPECT_EQ(expected, got);
}

// After a seek with pre-roll the samples agree with a straight decode: the filter
// bank and the reservoir have been refilled by the four frames before the target.
TEST(Mp3Seek, LandsOnTheRequestedSampleOfAConstantBitRateStream) {
  std::string path = mp3test::vector_path("iso/l3-he_32khz.bit");
  if (path.empty()) FAIL() << "conformance streams not present";
  SourceRef straight = open_mp3(path.c_str());
  std::vector<int32_t> expected = mp3test::decode_all(*straight);
  int ch = straight->channels;
  SourceRef source = open_mp3(path.c_str());
  for (int32_t target : {0, 1, 1151, 1152, 5000, 4 * 1152 + 7, 60000, 100000, 140000}) {
    source->seek(target);
    EXPECT_EQ(target, source->position());
    std::vector<int32_t> got(2000 * size_t(ch));
    source->read(got.data(), 2000);
    double squared = 0, energy = 0;
    for (size_t i = 0; i < got.size(); ++i) {
      double d = double(got[i]) - expected[size_t(target) * ch + i];
      squared += d * d;
      energy += double(expected[size_t(target) * ch + i]) * expected[size_t(target) * ch + i];
    }
    EXPECT_LE(squared, energy * 1e-6 + got.size()) << "seek to " << target;
  }
}

TEST(Mp3Seek, ClampsForReadingButReportsThePositionAsked) {
  std::vector<uint8_t> file;
  for (int i = 0; i < 8; ++i) append(&file, silent_frame(0, 9, 0, 3));
  SourceRef source = open_bytes(file);
  source->seek(-50);
  EXPECT_EQ(-50, source->position());
  source->seek(1000000);
  EXPECT_EQ(1000000, source->position());
  std::vector<int32_t> buffer(100, 7);
  source->read(buffer.data(), 100);
  for (int32_t s : buffer) EXPECT_EQ(0, s);
  source->seek(1152);
  EXPECT_EQ(size_t(7 * 1152), mp3test::decode_all(*source).size() - 1152);
  source->seek(0x7FFFFFF0);  // positions saturate instead of wrapping
  source->read(buffer.data(), 100);
  EXPECT_EQ(0x7FFFFFFF, source->position());
}

}  // namespace
}  // namespace vt

#include "formats/file_readers.h"

#include <climits>
#include <cstring>
#include <vector>

#include "base/binary_file.h"
#include "formats/codec_files.h"
#include "formats/file_headers.h"
#include "formats/pcm_file_reader.h"
#include "formats/wave_format.h"
#include "formats/mp3_decoder.h"

namespace vt {
namespace {

constexpr uint32_t kMinFmtBytes = 16;
constexpr uint32_t kMaxFmtBytes = 8192;
constexpr uint32_t kMaxSampleRate = 196000;
// Below 1000 Hz a 32-bit frame count would stand for more milliseconds than the
// player's and the recorder's 32-bit times hold; no real recording is that slow.
constexpr uint32_t kMinSampleRate = 1000;

// The sub-format of an extensible descriptor that means plain PCM.
static const uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                          0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

SourceRef failure(uint8_t status) { return SourceRef(new SilenceSource(status)); }

bool same_id(const uint8_t* head, const char* id) { return std::memcmp(head, id, 4) == 0; }

// Skips a chunk body of `size` bytes (a signed 32-bit count) rounded up to even;
// false when the rounded size is negative or the file cannot move there.
bool skip_chunk(BinaryFile& file, uint32_t size) {
  int64_t rounded = static_cast<int64_t>(static_cast<int32_t>(size));
  rounded += rounded & 1;
  if (rounded < 0 || rounded > INT32_MAX) return false;
  int64_t here = file.tell();
  return here >= 0 && file.seek(here + rounded);
}

// What the chunk walk of a WAV file finds: the descriptor with its codec bytes and the data.
struct WavLayout {
  std::vector<uint8_t> format;  // 18 + extra size bytes
  int64_t data_start = 0;
  int64_t data_bytes = -1;      // -1: to the end of the file
};

bool find_riff_wave(BinaryFile& file) {
  uint8_t head[12];
  if (!read_exactly(file, head, 12)) return false;
  // Files wrapped in other chunks: skip each outer chunk until the RIFF WAVE form.
  while (!(same_id(head, "RIFF") && same_id(head + 8, "WAVE"))) {
    int64_t size = static_cast<int32_t>(get_le32(head + 4));
    size += size & 1;
    if (size <= 4 || size > INT32_MAX) return false;
    int64_t here = file.tell();
    if (here < 0 || !file.seek(here + size - 4) || !read_exactly(file, head, 12)) return false;
  }
  return true;
}

bool read_fmt(BinaryFile& file, uint32_t size, std::vector<uint8_t>& format) {
  if (size < kMinFmtBytes || size > kMaxFmtBytes) return false;
  std::vector<uint8_t> bytes(size < 18 ? 18 : size, 0);
  if (!read_exactly(file, bytes.data(), static_cast<int>(size))) return false;
  if (size & 1) file.seek(file.tell() + 1);
  // Codec bytes: those the descriptor announces, no more than the chunk holds.
  uint32_t extra = size < 18 ? 0 : bytes[16] | bytes[17] << 8;
  if (extra > size - 18 && size >= 18) extra = size - 18;
  if (size < 18) extra = 0;
  bytes[16] = static_cast<uint8_t>(extra);
  bytes[17] = static_cast<uint8_t>(extra >> 8);
  bytes.resize(18 + extra);
  format.swap(bytes);
  return true;
}

bool parse_wav(BinaryFile& file, WavLayout& layout) {
  if (!find_riff_wave(file)) return false;
  bool have_format = false;
  for (;;) {
    uint8_t head[8];
    if (!read_exactly(file, head, 8)) return false;
    uint32_t size = get_le32(head + 4);
    if (same_id(head, "fmt ") && !have_format) {
      if (!read_fmt(file, size, layout.format)) return false;
      have_format = true;
    } else if (same_id(head, "data")) {
      // A data chunk before the descriptor cannot be interpreted.
      if (!have_format) return false;
      layout.data_start = file.tell();
      layout.data_bytes = size == kOpenSize ? -1 : static_cast<int64_t>(size);
      return layout.data_start >= 0;
    } else if (!skip_chunk(file, size)) {
      return false;
    }
  }
}

// An extensible descriptor whose samples are plain PCM becomes a PCM descriptor.
void simplify_extensible(std::vector<uint8_t>& format) {
  WaveFormat f = decode_wave_format(format.data());
  if (f.format_tag != kFormatTagExtensible || f.extra_size < 22) return;
  if (std::memcmp(format.data() + 24, kPcmSubFormat, 16) != 0) return;
  f.format_tag = kFormatTagPcm;
  f.extra_size = 0;
  format.resize(18);
  encode_wave_format(f, format.data());
}

}  // namespace

SourceRef open_wav_reader(const std::string& path) {
  std::unique_ptr<BinaryFile> file = open_binary_file(path, FileAccess::kReadShared);
  if (!file) return failure(kSourceCannotOpen);
  WavLayout layout;
  if (!parse_wav(*file, layout)) return failure(kSourceBadFormat);
  simplify_extensible(layout.format);
  WaveFormat f = decode_wave_format(layout.format.data());
  if (f.channels < 1 || f.channels > 255 || f.sample_rate < kMinSampleRate || f.sample_rate > kMaxSampleRate)
    return failure(kSourceBadFormat);
  if (f.format_tag == kFormatTagPcm && f.bits_per_sample <= 16) {
    PcmFileReader::Encoding encoding = f.bits_per_sample <= 8 ? PcmFileReader::kUnsigned8 : PcmFileReader::kLittle16;
    return SourceRef(new PcmFileReader(std::move(file), encoding, static_cast<int>(f.sample_rate), f.channels,
                                       f.block_align, layout.data_start, layout.data_bytes));
  }
  return SourceRef(new_codec_reader(std::move(file), layout.format.data(), static_cast<int>(layout.format.size()),
                                    layout.data_start, layout.data_bytes));
}

std::unique_ptr<BinaryFile> open_wav_little16(const std::string& path, int& rate, int& channels, int64_t& frames) {
  std::unique_ptr<BinaryFile> file = open_binary_file(path, FileAccess::kReadShared);
  WavLayout layout;
  if (!file || !parse_wav(*file, layout)) return nullptr;
  simplify_extensible(layout.format);
  WaveFormat f = decode_wave_format(layout.format.data());
  if (f.format_tag != kFormatTagPcm || f.bits_per_sample <= 8 || f.bits_per_sample > 16 || f.channels < 1 ||
      f.channels > 255 || f.sample_rate < kMinSampleRate || f.sample_rate > kMaxSampleRate || f.block_align != 2 * f.channels)
    return nullptr;
  // As the reader counts: no more than the file holds, whole frames, a 32-bit count.
  int64_t present = file->size() - layout.data_start;
  if (present < 0) present = 0;
  int64_t bytes = layout.data_bytes < 0 || layout.data_bytes > present ? present : layout.data_bytes;
  frames = bytes / f.block_align;
  if (frames > INT32_MAX) frames = INT32_MAX;
  if (!file->seek(layout.data_start)) return nullptr;
  rate = static_cast<int>(f.sample_rate);
  channels = f.channels;
  return file;
}

bool probe_wav_format(const std::string& path, WaveFormat& format) {
  std::unique_ptr<BinaryFile> file = open_binary_file(path, FileAccess::kReadShared);
  WavLayout layout;
  if (!file || !parse_wav(*file, layout)) return false;
  simplify_extensible(layout.format);
  format = decode_wave_format(layout.format.data());
  return true;
}

namespace {

// Finds a chunk of the AIFF form from its start; leaves the file at its body.
bool find_aiff_chunk(BinaryFile& file, const char* id, uint32_t& size) {
  if (!file.seek(12)) return false;
  for (;;) {
    uint8_t head[8];
    if (!read_exactly(file, head, 8)) return false;
    size = get_be32(head + 4);
    if (same_id(head, id)) return true;
    if (size & 0x80000000u) return false;
    if (!file.seek(file.tell() + size + (size & 1))) return false;
  }
}

}  // namespace

SourceRef open_aiff_reader(const std::string& path) {
  std::unique_ptr<BinaryFile> file = open_binary_file(path, FileAccess::kReadShared);
  if (!file) return failure(kSourceCannotOpen);
  uint8_t head[12];
  if (!read_exactly(*file, head, 12) || !same_id(head, "FORM") || !same_id(head + 8, "AIFF"))
    return failure(kSourceBadFormat);
  uint32_t size = 0;
  uint8_t comm[18];
  if (!find_aiff_chunk(*file, "COMM", size) || size < 18 || !read_exactly(*file, comm, 18))
    return failure(kSourceBadFormat);
  int channels = get_be16(comm);
  int sample_bits = get_be16(comm + 6);
  uint32_t rate = decode_aiff_rate(comm + 8);
  uint8_t offsets[8];
  if (!find_aiff_chunk(*file, "SSND", size) || !read_exactly(*file, offsets, 8)) return failure(kSourceBadFormat);
  // The samples begin `offset` bytes behind the offset and block-size fields.
  uint32_t offset = get_be32(offsets);
  int64_t data_start = file->tell() + offset;
  int64_t data_bytes = -1;
  if (size != kOpenSize) data_bytes = size < 8u + offset ? 0 : static_cast<int64_t>(size) - 8 - offset;
  if (channels < 1 || channels > 255 || rate < kMinSampleRate || rate > kMaxSampleRate || data_start < 0)
    return failure(kSourceBadFormat);
  if (sample_bits > 16) return failure(kSourceNoCodec);
  PcmFileReader::Encoding encoding = sample_bits <= 8 ? PcmFileReader::kSigned8 : PcmFileReader::kBig16;
  int frame_bytes = channels * (sample_bits <= 8 ? 1 : 2);
  return SourceRef(new PcmFileReader(std::move(file), encoding, static_cast<int>(rate), channels, frame_bytes,
                                     data_start, data_bytes));
}

SourceRef open_audio_file(const std::string& path) {
  const RecordingFormatRow* row = recording_format(readable_format_of_path(path));
  return row ? row->open_reader(path) : failure(kSourceBadFormat);
}

}  // namespace vt

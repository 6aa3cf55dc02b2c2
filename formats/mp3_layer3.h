// The Layer III decoding core: turns one frame (header, side information and main
// data) into PCM. It does no input of its own; the reader around it finds the frames.
#pragma once
#include <cstdint>

namespace vt {
namespace mp3 {

struct FrameHeader {
  uint8_t shift = 0;           // 0 MPEG-1, 1 MPEG-2, 2 MPEG-2.5 (sample-rate shift)
  uint8_t protection = 1;      // 0: a 16-bit CRC follows the header
  int32_t bit_rate = 0;        // bit/s
  uint8_t rate_index = 0;      // sampling_frequency
  uint8_t padding = 0;
  uint8_t mode = 0;            // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  uint8_t mode_extension = 0;

  int32_t sample_rate() const;
  int frame_size() const;       // bytes, header included
  int side_info_size() const;
  int main_data_size() const;   // may be negative for impossible headers
  int channels() const { return mode == 3 ? 1 : 2; }
  int granules() const { return shift == 0 ? 2 : 1; }
  int samples_per_frame() const { return shift == 0 ? 1152 : 576; }
  // The same stream: version, sampling frequency and single-channel-or-not agree.
  bool compatible(const FrameHeader& other) const;
};

// Reads a frame header from four bytes; false when they are not an accepted header.
bool parse_header(const uint8_t bytes[4], FrameHeader* header);

struct GranuleChannel;

// The filter bank's vector width in floats: 8 where the processor has AVX2, else 4. Every
// width gives the same samples; `use` (for tests) is false when the processor lacks it.
int filterbank_lanes();
bool use_filterbank_lanes(int lanes);

// The fast forms of decoding (the default: long blocks' Huffman decoding and
// requantisation in one pass, the synthesis in batches) or the reference forms they are
// compared with in the tests; both give the same samples.
void use_fast_paths(bool fast);
bool fast_paths();

// One stream's decoding state: bit reservoir, filter-bank overlap and synthesis buffers.
class Layer3Decoder {
 public:
  Layer3Decoder();
  // Fixes version and sampling frequency (band tables, reordering maps) and clears state.
  void configure(const FrameHeader& reference);
  // Clears the overlap halves and the synthesis buffers; the reservoir stays.
  void reset_filter_state();
  void clear_reservoir() { reservoir_fill_ = 0; }
  // Decodes one frame into samples_per_frame interleaved frames of `channels` samples.
  // False when the bit reservoir cannot supply main_data_begin (nothing written).
  bool decode(const FrameHeader& header, const uint8_t* side_info, const uint8_t* main_data,
              int main_size, int32_t* out);

  static constexpr int kReservoirCapacity = 511 + 2048;

 private:
  bool read_side_info(const FrameHeader& header, const uint8_t* side_info);
  void decode_granule_channel(int granule, int channel, const FrameHeader& header);
  void stereo(int granule, const FrameHeader& header);
  void hybrid(int granule, int channel);
  void synthesize_granule(int channels, int32_t* out);

  int band_row_ = 0;         // row of the band tables for this version and rate
  int shift_ = 0;
  uint16_t reorder_short_[576];
  uint16_t reorder_mixed_[576];
  int mixed_long_bands_ = 8;  // long bands below short band 3 in mixed blocks

  uint8_t reservoir_[kReservoirCapacity + 16];
  int reservoir_fill_ = 0;

  // Side information of the frame being decoded.
  int main_data_begin_ = 0;
  uint8_t scfsi_[2][4];
  struct Granule {
    int part2_3_length, big_values, global_gain, scalefac_compress;
    int window_switching, block_type, mixed, table_select[3], subblock_gain[3];
    int region1_start, region2_start, preflag, scalefac_scale, count1_table;
    int intensity_scale;
  } side_[2][2];

  // Decoded granule data.
  uint8_t scalefac_l_[2][22];
  uint8_t scalefac_s_[2][13][3];
  uint8_t is_max_l_[22];         // MPEG-2: illegal intensity position per band (right channel)
  uint8_t is_max_s_[13];
  int nonzero_end_[2];           // lines past the last possibly non-zero value
  float xr_[2][576];
  int bit_position_ = 0;

  float slots_[2][18][32];       // filter-bank output: time slot, subband ([32][18] in the fast forms)
  float overlap_[2][32][18];
  float synth_buffer_[2][2048];
  int synth_index_ = 1088;
};

}  // namespace mp3
}  // namespace vt

// Level measures on sample units, shared by capture, playback and the waveform view.
#pragma once
#include <cstdint>

namespace vt {

constexpr int8_t kSilenceDb = -127;

// Largest magnitude over all samples of `frames` interleaved frames.
int32_t peak_magnitude(const int32_t* samples, int frames, int channels);
// Largest magnitude of one channel.
int32_t channel_peak_magnitude(const int32_t* samples, int frames, int channels, int channel);
// Mean square of one channel of (sample >> 5); a sine of 16-bit peak 8,192 gives about
// 2^23 (0 dB). No frames give 0.
uint32_t channel_mean_square(const int32_t* samples, int frames, int channels, int channel);
// Decibels of a mean square: 0 gives -127, otherwise rounded and limited to -127..127.
int8_t level_db(uint32_t mean_square);

// Decibels of a peak magnitude: 20 log10(peak / 131072), so a 16-bit peak of 8,192 reads
// 0 dB and full scale +12 dB; a peak of 0 gives -127.
int8_t peak_level_db(int32_t peak);

}  // namespace vt

// MP3 recording goes through an outside command-line encoder (the component
// mp3el, LAME) fed raw 16-bit PCM on its standard input. This is the portable
// part: the encoder settings and the command line that carries them.
#pragma once
#include <cstdint>
#include <string>

#include "base/settings_names.h"
#include "base/settings_section.h"

namespace vt {

// The record below lives in section kSectionMp3Encoder.

struct EncoderSettings {
  bool constant_bit_rate = true;  // false: variable bit rate
  uint16_t bit_rate = 128;        // kbit/s, constant mode
  bool high_quality = true;       // constant mode
  uint16_t min_bit_rate = 32;     // kbit/s, variable mode
  uint16_t max_bit_rate = 128;    // kbit/s, variable mode
  uint8_t quality = 4;            // 0 highest .. 9 lowest, variable mode
  bool error_protection = false;  // CRC in the frames
  uint8_t channel_mode = 1;       // 0 stereo, 1 joint, 2 forced, 3 mono
};

EncoderSettings load_encoder_settings(SettingsSection& section);
void save_encoder_settings(SettingsSection& section, const EncoderSettings& settings);

// Rate of the PCM fed to the encoder for a requested rate.
int32_t encoder_input_rate(const EncoderSettings& settings, int32_t requested_rate);

struct EncoderCommand {
  std::string command_line;
  int32_t rate = 0;      // of the PCM to feed
  uint8_t channels = 0;  // of the PCM to feed
};

// The command line asks the encoder to swap the bytes of its raw input (-x):
// the encoder reads raw PCM as little-endian unless told to swap, so what is
// fed to it is big-endian 16-bit PCM.
constexpr bool kEncoderInputBigEndian = true;

// Converts `count` samples (sample units) to the encoder's 16-bit PCM in
// `out` (2 * count bytes).
void pack_encoder_pcm(const int32_t* samples, int count, uint8_t* out);

// Builds the encoder's command line; false when the component is not present
// (`encoder_path` empty).
bool build_encoder_command(const EncoderSettings& settings, const std::string& encoder_path,
                           int32_t requested_rate, int requested_channels,
                           const std::string& output_path, EncoderCommand* command);

}  // namespace vt

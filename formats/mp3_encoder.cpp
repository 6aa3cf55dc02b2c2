#include "formats/mp3_encoder.h"

#include <cstdio>

#include "formats/mp3_encoder_tables.h"

namespace vt {

EncoderSettings load_encoder_settings(SettingsSection& section) {
  EncoderSettings defaults;
  EncoderSettings s;
  s.constant_bit_rate = section.read_bool("ConstantBitRate", defaults.constant_bit_rate);
  s.bit_rate = static_cast<uint16_t>(section.read_int("CBRBitRate", defaults.bit_rate));
  s.high_quality = section.read_bool("HighQuality", defaults.high_quality);
  s.min_bit_rate = static_cast<uint16_t>(section.read_int("VBRMinBitRate", defaults.min_bit_rate));
  s.max_bit_rate = static_cast<uint16_t>(section.read_int("VBRMaxBitRate", defaults.max_bit_rate));
  s.quality = static_cast<uint8_t>(section.read_int("VBRQuality", defaults.quality));
  s.error_protection = section.read_bool("ErrorProtection", defaults.error_protection);
  s.channel_mode = static_cast<uint8_t>(section.read_int("ChannelMode", defaults.channel_mode));
  // One range cannot span both: rates above 160 kbit/s need MPEG-1 sample
  // rates, minimum rates below 32 kbit/s need MPEG-2 ones.
  if (s.max_bit_rate > 160 && s.min_bit_rate < 32) s.min_bit_rate = 32;
  return s;
}

void save_encoder_settings(SettingsSection& section, const EncoderSettings& s) {
  section.write_bool("ConstantBitRate", s.constant_bit_rate);
  section.write_int("CBRBitRate", s.bit_rate);
  section.write_bool("HighQuality", s.high_quality);
  section.write_int("VBRMinBitRate", s.min_bit_rate);
  section.write_int("VBRMaxBitRate", s.max_bit_rate);
  section.write_int("VBRQuality", s.quality);
  section.write_bool("ErrorProtection", s.error_protection);
  section.write_int("ChannelMode", s.channel_mode);
}

int32_t encoder_input_rate(const EncoderSettings& settings, int32_t requested_rate) {
  int32_t high_rate = settings.constant_bit_rate ? settings.bit_rate : settings.max_bit_rate;
  int32_t low_rate = settings.constant_bit_rate ? settings.bit_rate : settings.min_bit_rate;
  int32_t rate = requested_rate < 48000 ? requested_rate : 48000;
  // High bit rates exist only in MPEG-1 (32 kHz and up): feed 44.1 kHz.
  if (high_rate > 160 && requested_rate < 32000) return 44100;
  // Low bit rates exist only in MPEG-2 (24 kHz and below).
  if (low_rate < 32 && rate > 22050) rate = 22050;
  for (const RateSnap& snap : kEncoderRateSnaps) {
    if (rate >= snap.low && rate <= snap.high) return snap.rate;
  }
  return rate < 8000 ? 8000 : rate;
}

void pack_encoder_pcm(const int32_t* samples, int count, uint8_t* out) {
  const int high = kEncoderInputBigEndian ? 0 : 1;
  for (int i = 0; i < count; ++i) {
    uint16_t value = static_cast<uint16_t>((samples[i] + 8) >> 4);
    out[2 * i + high] = static_cast<uint8_t>(value >> 8);
    out[2 * i + 1 - high] = static_cast<uint8_t>(value);
  }
}

bool build_encoder_command(const EncoderSettings& settings, const std::string& encoder_path,
                           int32_t requested_rate, int requested_channels,
                           const std::string& output_path, EncoderCommand* command) {
  int32_t high_rate = settings.constant_bit_rate ? settings.bit_rate : settings.max_bit_rate;
  int32_t low_rate = settings.constant_bit_rate ? settings.bit_rate : settings.min_bit_rate;
  // The encoder reads mono or stereo input only.
  int channels = requested_channels < 1 ? 1 : requested_channels > 2 ? 2 : requested_channels;
  if (low_rate < 24) channels = 1;
  int32_t rate = encoder_input_rate(settings, requested_rate);
  if (encoder_path.empty()) return false;

  std::string line = "\"" + encoder_path + "\"";
  uint8_t mode = settings.channel_mode > 3 ? 1 : settings.channel_mode;
  if (high_rate < 24) mode = kChannelModeMono;
  if (channels == 1) {
    mode = kChannelModeMono;
  } else if (mode == kChannelModeMono) {
    line += " -a";  // the encoder mixes the stereo input down
  }
  line += " -m ";
  line += kChannelModeLetters[mode];
  if (settings.error_protection) line += " -p";
  char text[64];
  if (settings.constant_bit_rate) {
    std::snprintf(text, sizeof text, " -b %d", settings.bit_rate);
    line += text;
    if (settings.high_quality) line += " -h";
  } else {
    std::snprintf(text, sizeof text, " -v -b %d -B %d -V %d", settings.min_bit_rate,
                  settings.max_bit_rate, settings.quality);
    line += text;
  }
  std::snprintf(text, sizeof text, " -r -x -s %d.%.3d -S - ", static_cast<int>(rate / 1000),
                static_cast<int>(rate % 1000));
  line += text;
  line += "\"" + output_path + "\"";

  command->command_line = line;
  command->rate = rate;
  command->channels = static_cast<uint8_t>(channels);
  return true;
}

}  // namespace vt

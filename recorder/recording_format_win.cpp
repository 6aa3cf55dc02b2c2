#include "recorder/recording_format_win.h"

#include "base/paths.h"
#include "win/settings_win.h"
#include "formats/file_writers.h"
#include "formats/mp3_sink_win.h"

namespace vt {

static const char kCodecFormatFile[] = "WavCodec.wff";

static std::string codec_format_path() { return join_path(per_user_data_folder(), kCodecFormatFile); }

static EncoderSettings stored_encoder_settings() {
  RegistrySection section(Hive::Machine, kSectionMp3Encoder);
  return load_encoder_settings(section);
}

bool load_recording_format(FormatBuffer& format) { return load_recording_format_file(codec_format_path(), format); }

bool save_recording_format(const FormatBuffer& format) {
  return save_recording_format_file(codec_format_path(), format);
}

FormatBuffer stored_recording_format() {
  FormatBuffer format = format_buffer_of(default_recording_format());
  load_recording_format(format);
  return format;
}

// The one place a recording's writer is chosen: a new format adds its writer here.
SinkRef open_recording_sink(const std::string& path, int format_index, const EncoderSettings& mp3) {
  switch (format_index) {
    case kRecordWav: return open_wav_writer(stored_recording_format(), path);
    case kRecordMp3: return open_mp3_sink(mp3, path, 44100, 2);
    case kRecordAiff: return open_aiff_writer(path);
  }
  return SinkRef(new NullSink());
}

SinkRef open_recording_sink(const std::string& path) {
  return open_recording_sink(path, read_setting(kFormat), stored_encoder_settings());
}

std::string format_description(int format_index) {
  return format_description(format_index, stored_recording_format().format, stored_encoder_settings());
}

}  // namespace vt

#include "player/player_blocks.h"

#include <cstring>

#include "audio/levels.h"

namespace vt {

int player_buffer_frames(int32_t rate) {
  int32_t frames = rate / 10;
  if (frames > 8192) frames = 8192;
  if (frames < 20) frames = 20;
  return frames;
}

int scrub_snippet_frames(int frames_per_buffer) { return (frames_per_buffer + 3) / 4; }

void units_to_output16(const int32_t* in, int16_t* out, int count) {
  // Eight at a time: this runs over every sample played.
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    out[i] = static_cast<int16_t>((in[i] + 8) >> 4);
    out[i + 1] = static_cast<int16_t>((in[i + 1] + 8) >> 4);
    out[i + 2] = static_cast<int16_t>((in[i + 2] + 8) >> 4);
    out[i + 3] = static_cast<int16_t>((in[i + 3] + 8) >> 4);
    out[i + 4] = static_cast<int16_t>((in[i + 4] + 8) >> 4);
    out[i + 5] = static_cast<int16_t>((in[i + 5] + 8) >> 4);
    out[i + 6] = static_cast<int16_t>((in[i + 6] + 8) >> 4);
    out[i + 7] = static_cast<int16_t>((in[i + 7] + 8) >> 4);
  }
  for (; i < count; ++i) out[i] = static_cast<int16_t>((in[i] + 8) >> 4);
}

void measure_levels(const int32_t* samples, int frames, int channels, LevelRecord& record) {
  record.channel_count = static_cast<uint8_t>(channels);
  for (int c = 0; c < channels; ++c) record.db[c] = level_db(channel_mean_square(samples, frames, channels, c));
}

void repeat_snippet(int16_t* buffer, int snippet_frames, int buffer_frames, int channels) {
  if (snippet_frames <= 0) {
    std::memset(buffer, 0, sizeof(int16_t) * static_cast<size_t>(buffer_frames) * channels);
    return;
  }
  for (int at = snippet_frames; at < buffer_frames; at += snippet_frames) {
    int frames = buffer_frames - at < snippet_frames ? buffer_frames - at : snippet_frames;
    std::memcpy(buffer + static_cast<size_t>(at) * channels, buffer, sizeof(int16_t) * static_cast<size_t>(frames) * channels);
  }
}

}  // namespace vt

#include "capture/capture_blocks.h"

#include <algorithm>

#include "base/time_units.h"
#include "audio/levels.h"

namespace vt {

int capture_block_frames(int32_t rate) {
  int frames = rate / 10;
  return std::min(std::max(frames, 32), 8192);
}

void CaptureBlocks::begin(AudioSink* sink, int32_t max_duration_ms, int8_t threshold, int32_t hang_time_ms) {
  sink_ = sink;
  channels_ = sink->channels;
  levels.channel_count = sink->channels;
  limits_.max_duration_ms = max_duration_ms;
  limits_.threshold = threshold;
  limits_.hang_threshold = static_cast<int8_t>(std::max(-127, std::min(127, threshold - 4)));
  limits_.hang_time_ms = hang_time_ms;
  last_loud_ms_ = sink_position_ms();
  sink_failed = 0;
  device_lost = 0;
  silent_frames_ = 0;
  silent_run_ms_ = 0;
  state = kCaptureWaitingForVoice;
}

int32_t CaptureBlocks::sink_position_ms() const {
  return sink_ ? frames_to_ms32(sink_->frames_written, sink_->sample_rate) : 0;
}

void CaptureBlocks::allocate(int frames, int channels) {
  frames_ = frames;
  channels_ = channels;
  current_.assign(static_cast<size_t>(frames) * channels, 0);
  previous_.assign(static_cast<size_t>(frames) * channels, 0);
  have_previous_ = false;
}

void CaptureBlocks::release_buffers() {
  current_ = std::vector<int32_t>();
  previous_ = std::vector<int32_t>();
}

void CaptureBlocks::convert(const int16_t* pcm, int samples) {
  for (int i = 0; i < samples; ++i) current_[i] = static_cast<int32_t>(pcm[i]) * 16;
}

int8_t CaptureBlocks::measure(const int32_t* block, int frames) {
  for (int c = 0; c < channels_; ++c)
    levels.db[c] = peak_level_db(channel_peak_magnitude(block, frames, channels_, c));
  // The louder of the first two channels stands for the block.
  return channels_ > 1 ? std::max(levels.db[0], levels.db[1]) : levels.db[0];
}

void CaptureBlocks::remember_as_previous() {
  previous_.swap(current_);
  have_previous_ = true;
}

void CaptureBlocks::take_block(const int16_t* pcm) { convert(pcm, frames_ * channels_); }

void CaptureBlocks::count_silence() {
  int8_t loudest = -127;
  for (int c = 0; c < channels_; ++c) loudest = std::max(loudest, levels.db[c]);
  if (loudest > kDigitalSilenceDb) {
    silent_frames_ = 0;
  } else {
    silent_frames_ += frames_;
  }
  const int32_t rate = sink_ ? sink_->sample_rate : 0;
  silent_run_ms_ = rate > 0 ? static_cast<int32_t>(silent_frames_ * 1000 / rate) : 0;
}

void CaptureBlocks::process_block() {
  int8_t level = measure(current_.data(), frames_);
  // The device's own silence, whatever the voice gate makes of the block.
  count_silence();
  if (state == kCaptureWaitingForVoice) {
    if (level < limits_.threshold) {
      remember_as_previous();
    } else {
      // A word that starts in the first half keeps the second half of the block before it.
      int half = frames_ / 2;
      if (measure(current_.data(), half) >= limits_.threshold && have_previous_)
        sink_->write(previous_.data() + static_cast<size_t>(half) * channels_, frames_ - half);
      sink_->write(current_.data(), frames_);
      // The block that opened the gate is loud too: a cut made before the next loud block
      // (stop, or the hang time) must keep it.
      last_loud_ms_ = sink_position_ms();
      state = kCaptureRecording;
      state_changed = 1;
    }
  } else if (state == kCaptureRecording) {
    sink_->write(current_.data(), frames_);
    int32_t position = sink_position_ms();
    if (level >= limits_.hang_threshold) {
      last_loud_ms_ = position;
    } else if (position - last_loud_ms_ > limits_.hang_time_ms) {
      // Too long quiet: keep 450 ms after the last loud block and wait for voice again.
      sink_->truncate(ms_to_frames(last_loud_ms_ + 450, sink_->sample_rate));
      state = kCaptureWaitingForVoice;
      remember_as_previous();
      state_changed = 1;
    }
    if (limits_.max_duration_ms > 0 && position > limits_.max_duration_ms) maximum_reached = 1;
  }
  if (sink_->failed()) sink_failed = 1;
  levels_ready = 1;
}

void CaptureBlocks::drain_block(const int16_t* pcm, int samples) {
  int frames = samples / channels_;
  if (frames <= 0 || state != kCaptureRecording) return;
  if (frames > frames_) frames = frames_;
  convert(pcm, frames * channels_);
  sink_->write(current_.data(), frames);
}

void CaptureBlocks::finish() {
  if (sink_) {
    last_loud_ms_ = last_loud_ms_ + 50;
    if (sink_position_ms() > last_loud_ms_) sink_->truncate(ms_to_frames(last_loud_ms_, sink_->sample_rate));
  }
  sink_ = nullptr;
  last_loud_ms_ = 0;
  state = kCaptureStopped;
}

}  // namespace vt

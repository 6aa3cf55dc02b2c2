// The capture engine's decisions for each 100 ms block, apart from any device: levels,
// the voice gate with its pre-roll and hang time, what reaches the sink and what is cut.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/stream.h"
#include "capture/recorder_listener.h"

namespace vt {

// A block whose every channel peaks at this level or below is digital silence: a 16-bit
// peak of 2, which no connected microphone's own noise stays under.
constexpr int8_t kDigitalSilenceDb = -72;

enum CaptureState : uint8_t { kCaptureStopped = 0, kCaptureWaitingForVoice = 1, kCaptureRecording = 2 };

// Frames in one 100 ms device buffer at `rate`, within 32..8192.
int capture_block_frames(int32_t rate);

struct CaptureLimits {
  int32_t max_duration_ms = 0;
  int8_t threshold = -127;      // dB a block must reach to open the gate
  int8_t hang_threshold = -127; // dB that keeps the gate open (threshold - 4)
  int32_t hang_time_ms = 0;     // silence tolerated before the gate closes
};

class CaptureBlocks {
 public:
  // Prepares for a run on `sink` (its position gives the last-loud time); state waiting.
  void begin(AudioSink* sink, int32_t max_duration_ms, int8_t threshold, int32_t hang_time_ms);
  // Allocates the work buffers for blocks of `frames`; the previous block starts silent.
  void allocate(int frames, int channels);
  void release_buffers();
  // One full device block of 16-bit interleaved samples: take_block converts it (the device
  // buffer can then go back), process_block decides what becomes of it.
  void take_block(const int16_t* pcm);
  void process_block();
  // A block returned after the device was reset: written whole frames only, when recording.
  void drain_block(const int16_t* pcm, int samples);
  // Cuts the tail after the last loud block to 50 ms and forgets the sink.
  void finish();

  int frames_per_block() const { return frames_; }
  int32_t last_loud_ms() const { return last_loud_ms_; }
  int32_t sink_position_ms() const;
  // How long the device has given nothing but digital silence, up to the last block.
  int32_t silent_run_ms() const { return silent_run_ms_; }

  std::atomic<uint8_t> state{kCaptureStopped};
  std::atomic<uint8_t> maximum_reached{0};
  // The sink failed a write (disk full): the run is to end.
  std::atomic<uint8_t> sink_failed{0};
  // The device delivered nothing in time or reported an error: the run has ended.
  std::atomic<uint8_t> device_lost{0};
  std::atomic<uint8_t> levels_ready{0};
  std::atomic<uint8_t> state_changed{0};
  LevelRecord levels;

 private:
  int8_t measure(const int32_t* block, int frames);  // fills `levels`, returns the combined level
  void remember_as_previous();
  void count_silence();  // after measure() of the whole block
  void convert(const int16_t* pcm, int samples);

  AudioSink* sink_ = nullptr;
  CaptureLimits limits_;
  std::atomic<int32_t> last_loud_ms_{0};
  std::atomic<int32_t> silent_run_ms_{0};
  int64_t silent_frames_ = 0;
  int frames_ = 0;
  int channels_ = 1;
  std::vector<int32_t> current_;
  std::vector<int32_t> previous_;
  bool have_previous_ = false;
};

}  // namespace vt

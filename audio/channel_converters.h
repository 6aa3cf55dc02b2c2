// Channel count converters between mono and stereo.
#pragma once
#include <vector>

#include "audio/stream.h"

namespace vt {

// Keeps the left channel of each stereo frame.
class StereoToMono : public AudioFilter {
 public:
  explicit StereoToMono(const SourceRef& upstream);
  void read(int32_t* buffer, int frames) override;

 private:
  std::vector<int32_t> work_;
};

// Doubles each mono sample into a stereo frame.
class MonoToStereo : public AudioFilter {
 public:
  explicit MonoToStereo(const SourceRef& upstream);
  void read(int32_t* buffer, int frames) override;

 private:
  std::vector<int32_t> work_;
};

}  // namespace vt

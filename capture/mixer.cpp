#include "capture/mixer.h"

namespace vt {

uint16_t mixer_volume(int step) {
  if (step < -35) return 0;
  int64_t value = 51264 + 1424 * static_cast<int64_t>(step);
  return value > 65534 ? 65535 : static_cast<uint16_t>(value);
}

}  // namespace vt

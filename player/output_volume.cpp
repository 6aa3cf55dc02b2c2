#include "player/output_volume.h"

namespace vt {

uint16_t mixer_volume_of_step(int step) {
  if (step < -35) return 0;
  int32_t value = 51264 + 1424 * step;
  return value > 65534 ? 65535 : static_cast<uint16_t>(value);
}

uint16_t mixer_volume_of_sum(int step, int offset) {
  int sum = step + offset;
  if (sum >= 128) return 65535;
  if (sum < -127) return 0;
  return mixer_volume_of_step(sum);
}

}  // namespace vt

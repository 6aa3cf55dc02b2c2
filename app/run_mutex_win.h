// The named mutex that serialises start-ups: held from the first wait until the main
// window exists (first copy) or the switches have been forwarded (second copy).
#pragma once

namespace vt {

void wait_for_run_mutex();
// Harmless when not held.
void release_run_mutex();

}  // namespace vt

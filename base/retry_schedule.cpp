#include "base/retry_schedule.h"

namespace vt {

// Budgets under 129 ms would give a first wait of 0, which never grows: the loop would
// spin for as long as the file stays locked. One millisecond is the least wait.
RetrySchedule::RetrySchedule(uint32_t budget_ms)
    : remaining_ms_(budget_ms), wait_ms_((static_cast<uint64_t>(budget_ms) + 127) / 256) {
  if (wait_ms_ == 0) wait_ms_ = 1;
}

bool RetrySchedule::next_wait(uint32_t* wait_ms) {
  if (waited_) {
    if (remaining_ms_ <= wait_ms_) return false;
    remaining_ms_ -= wait_ms_;
    wait_ms_ *= 2;
  }
  waited_ = true;
  // The wait stays below twice the budget left, so below 2^33; keep it a finite Sleep.
  *wait_ms = wait_ms_ > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<uint32_t>(wait_ms_);
  return true;
}

}  // namespace vt

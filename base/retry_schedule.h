// The waiting schedule of open_file_retrying, kept apart from the file system so it
// can be checked step by step.
#pragma once
#include <cstdint>

namespace vt {

// First wait (budget + 127) / 256 ms; after each further refusal the wait just taken is
// charged to the budget and doubled, until the budget left is not larger than it.
class RetrySchedule {
 public:
  explicit RetrySchedule(uint32_t budget_ms);
  // Called after each refusal: the wait before the next try, or false to give up.
  bool next_wait(uint32_t* wait_ms);

 private:
  uint64_t remaining_ms_;
  uint64_t wait_ms_;
  bool waited_ = false;
};

}  // namespace vt

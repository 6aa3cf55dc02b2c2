// How a step that can be interrupted ended: a delivery method, a mail or FTP exchange,
// a copy through the audio pipeline, a progress task's work, a wait for a process.
// Stopped covers both the worker's stop and the user's Cancel. The values are those
// the result codes always had (0, 1, 2), so a stored or logged code reads the same.
#pragma once

namespace vt {

enum class Outcome { kDone = 0, kStopped = 1, kFailed = 2 };

}  // namespace vt

#include "ui/pump_task_win.h"

namespace vt {

bool PumpTask::run() {
  set_progress_text(0, this, first_line_.c_str());
  set_progress_text(1, this, "Veuillez patienter...");
  result = pump_to_sink(source_, open_sink(), this);
  return result == Outcome::kDone;
}

Outcome run_pump_task(HWND owner, const std::string& caption, const std::string& first_line, SourceRef source,
                  SinkRef sink) {
  PumpTask task(caption, first_line, source, sink);
  run_progress_task(&task, owner);
  return task.result;
}

}  // namespace vt

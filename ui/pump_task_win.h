// Saving and converting recordings: pump_to_sink run as a progress task, the
// caller's text on line 0 and "Veuillez patienter..." on line 1.
#pragma once
#include <string>

#include "audio/stream.h"
#include "ui/progress_task_win.h"

namespace vt {

class PumpTask : public ProgressTask {
 public:
  PumpTask(const std::string& caption, const std::string& first_line, SourceRef source, SinkRef sink = SinkRef())
      : ProgressTask(caption), first_line_(first_line), source_(source), sink_(sink) {}
  // Stores pump_to_sink's outcome in `result` (kStopped: cancelled).
  bool run() override;

 protected:
  // The sink to fill; tasks that open theirs inside the dialog (an encoder that
  // starts a process) override it. The default is the sink given at construction.
  virtual SinkRef open_sink() { return sink_; }

 private:
  std::string first_line_;
  SourceRef source_;
  SinkRef sink_;
};

// Runs a PumpTask over `owner`; the result code of the copy.
Outcome run_pump_task(HWND owner, const std::string& caption, const std::string& first_line, SourceRef source,
                  SinkRef sink);

}  // namespace vt

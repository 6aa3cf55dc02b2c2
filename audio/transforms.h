// Chain building: transforms add only the stages that the formats require.
#pragma once
#include "audio/stream.h"
#include "base/outcome.h"

namespace vt {

class StreamTransform {
 public:
  virtual ~StreamTransform() {}
  // Returns the same source or a new filter wrapping it.
  virtual SourceRef apply(const SourceRef& source) const = 0;
};

class ChannelTransform : public StreamTransform {
 public:
  explicit ChannelTransform(uint8_t target_channels) : target_(target_channels) {}
  SourceRef apply(const SourceRef& source) const override;

 private:
  uint8_t target_;
};

class RateTransform : public StreamTransform {
 public:
  explicit RateTransform(int32_t target_rate) : target_(target_rate) {}
  SourceRef apply(const SourceRef& source) const override;

 private:
  int32_t target_;
};

class LimitTransform : public StreamTransform {
 public:
  explicit LimitTransform(int32_t limit) : limit_(limit) {}
  SourceRef apply(const SourceRef& source) const override;

 private:
  int32_t limit_;
};

class TempoTransform : public StreamTransform {
 public:
  // `speeds` points at the start and end speed, read when the transform is applied.
  TempoTransform(const double* speeds, int32_t glide_ms) : speeds_(speeds), glide_ms_(glide_ms) {}
  SourceRef apply(const SourceRef& source) const override;

 private:
  const double* speeds_;
  int32_t glide_ms_;
};

// Adapts `source` in place to the target rate and channel count.
void convert_format(SourceRef& source, int32_t target_rate, uint8_t target_channels);

// What a long copy shows while it runs; the dialog implementing it dispatches messages.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() {}
  virtual void set_progress_fraction(double fraction) = 0;
  // Dispatches pending window messages; true when the user asked to cancel.
  virtual bool pump_and_check_cancel() = 0;
};

// Copies the rest of `source` into `sink`, converted to the sink's format and limited to
// full scale. The fraction shown runs from `start` over `span` (several files under one bar).
Outcome pump_to_sink(SourceRef source, SinkRef sink, ProgressDisplay* progress, double start = 0.0,
                 double span = 1.0);

}  // namespace vt

// The streaming framework every recording, conversion and playback runs through.
// A frame is one sample per channel; a sample is one channel's value in sample
// units (16-bit PCM value times 16, full scale +-0x7FFF0). Counts are in frames.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vt {

constexpr int kMaxFramesPerCall = 8192;
constexpr int32_t kFullScale = 0x7FFF0;

enum SourceStatus : uint8_t {
  kSourceOk = 0,
  kSourceEmpty = 1,           // placeholder: no source chosen
  kSourceUpstreamBad = 2,     // the filter's upstream is not usable
  kSourceBadFormat = 3,       // invalid or unsupported format or parameters
  kSourceCannotOpen = 4,      // the file could not be opened
  kSourceNoCodec = 5,         // no installed codec decodes the file's format
};

constexpr uint8_t kSinkFailed = 1;  // status bit of a sink that could not open or failed

// A pulled stream: the caller asks it to fill a buffer.
class AudioSource {
 public:
  AudioSource(int32_t rate, int32_t peak_bound, int channels);
  virtual ~AudioSource() {}
  // Fills exactly `frames` frames; past the end, or when not usable, with zeros.
  virtual void read(int32_t* buffer, int frames) = 0;
  virtual int32_t position() = 0;
  virtual int32_t length() = 0;
  virtual void seek(int32_t frame) {}

  int32_t sample_rate;
  int32_t peak_bound;
  uint8_t channels;
  uint8_t status = kSourceOk;
  uint16_t reference_count = 0;
};

// A pushed stream: the caller hands it frames. Its destructor finishes the output.
class AudioSink {
 public:
  AudioSink(int32_t rate, int channels);
  virtual ~AudioSink() {}
  virtual void write(const int32_t* buffer, int frames) = 0;
  // Shortens the output to its first `frames` frames; the default keeps everything.
  virtual void truncate(int32_t frames) {}
  // From another thread, when a write has hung for good: makes it return so that the
  // writing thread can end. Only a sink whose writes wait on another program needs it.
  virtual void break_off() {}
  bool failed() const { return (status & kSinkFailed) != 0; }

  int32_t frames_written = 0;
  int32_t sample_rate;
  uint8_t channels;
  uint8_t status = 0;
  uint16_t reference_count = 0;
};

// Mono silence at 11,025 Hz; the placeholder every failing opener returns with its status.
class SilenceSource : public AudioSource {
 public:
  explicit SilenceSource(uint8_t status_code);
  void read(int32_t* buffer, int frames) override;
  int32_t position() override { return 0; }
  int32_t length() override { return 0; }
};

// Stands for no output at all: failed from the start, discards what it gets.
class NullSink : public AudioSink {
 public:
  NullSink();
  void write(const int32_t* buffer, int frames) override {}
};

// Consumes audio that must not be stored, counting the frames.
class CountingSink : public AudioSink {
 public:
  CountingSink(int32_t rate, int channels) : AudioSink(rate, channels) {}
  void write(const int32_t* buffer, int frames) override { frames_written += frames; }
};

AudioSource* new_placeholder(AudioSource*);
AudioSink* new_placeholder(AudioSink*);

// A counted holder of one stream object; never empty (reset puts a placeholder in).
template <class T>
class StreamRef {
 public:
  StreamRef() : object_(acquire(new_placeholder(static_cast<T*>(nullptr)))) {}
  // Takes a fresh object or shares one already held elsewhere.
  explicit StreamRef(T* object) : object_(acquire(object ? object : new_placeholder(static_cast<T*>(nullptr)))) {}
  StreamRef(const StreamRef& other) : object_(acquire(other.object_)) {}
  template <class U>
  StreamRef(const StreamRef<U>& other) : object_(acquire(other.get())) {}
  StreamRef& operator=(const StreamRef& other) {
    T* old = object_;
    object_ = acquire(other.object_);  // count the new one first: self-assignment stays safe
    release(old);
    return *this;
  }
  ~StreamRef() { release(object_); }
  void reset() { *this = StreamRef(); }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }

 private:
  static T* acquire(T* object) {
    ++object->reference_count;
    return object;
  }
  static void release(T* object) {
    if (--object->reference_count == 0) delete object;
  }
  T* object_;
};

using SourceRef = StreamRef<AudioSource>;
using SinkRef = StreamRef<AudioSink>;

// A source that wraps one upstream source; rate, bound and channels come from it.
class AudioFilter : public AudioSource {
 public:
  explicit AudioFilter(const SourceRef& upstream);
  int32_t position() override { return upstream_->position(); }
  int32_t length() override { return upstream_->length(); }
  void seek(int32_t frame) override { upstream_->seek(frame); }
  const SourceRef& upstream() const { return upstream_; }

 protected:
  SourceRef upstream_;
};

// a * b / c on non-negative 32-bit values without overflow, as q*c + r*c/b splits.
inline int32_t scale_frames(int32_t value, int32_t multiplier, int32_t divisor) {
  int32_t q = value / divisor;
  return q * multiplier + (value - q * divisor) * multiplier / divisor;
}

}  // namespace vt

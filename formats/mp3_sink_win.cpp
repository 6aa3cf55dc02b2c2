#include "formats/mp3_sink_win.h"

#include <windows.h>

#include <vector>

#include "win/component_registry_win.h"
#include "win/handles_win.h"

namespace vt {
namespace {

// Large enough for a little more than a third of a second of 44.1 kHz stereo:
// the writer blocks while it is full, so the encoder's pace throttles it.
constexpr DWORD kPipeBufferBytes = 65536;
// How long releasing the sink waits for the encoder to finish the file; an
// encoder still running after that finishes on its own.
constexpr DWORD kFinishWaitMs = 3000;

class EncoderPipeSink : public AudioSink {
 public:
  EncoderPipeSink(const std::string& command_line, int32_t rate, int channels);
  ~EncoderPipeSink() override;
  void write(const int32_t* samples, int frames) override;
  // The encoder stopped reading: ending it breaks the pipe and the write fails.
  void break_off() override {
    if (process_) TerminateProcess(process_.get(), 1);
  }

 private:
  bool start(const std::string& command_line);

  OwnedHandle process_;
  OwnedHandle pipe_;  // our write end; closing it is the encoder's end of input
  std::vector<uint8_t> pcm_;
};

EncoderPipeSink::EncoderPipeSink(const std::string& command_line, int32_t rate, int channels)
    : AudioSink(rate, channels) {
  if (failed() || !start(command_line)) status |= kSinkFailed;
}

bool EncoderPipeSink::start(const std::string& command_line) {
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  OwnedHandle read_end;
  OwnedHandle shared_write_end;
  if (!CreatePipe(read_end.out(), shared_write_end.out(), &inheritable, kPipeBufferBytes)) return false;
  // The child must not inherit our end: it would never see the end of its input.
  HANDLE process = GetCurrentProcess();
  if (!DuplicateHandle(process, shared_write_end.get(), process, pipe_.out(), 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    pipe_.release();
    return false;
  }
  shared_write_end.reset();

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = read_end.get();
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back('\0');
  PROCESS_INFORMATION child = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup,
                      &child)) {
    pipe_.reset();
    return false;
  }
  OwnedHandle thread(child.hThread);
  process_.reset(child.hProcess);
  pcm_.resize(static_cast<size_t>(channels) * kMaxFramesPerCall * 2);
  return true;
}

EncoderPipeSink::~EncoderPipeSink() {
  pipe_.reset();
  if (process_) WaitForSingleObject(process_.get(), kFinishWaitMs);
}

void EncoderPipeSink::write(const int32_t* samples, int frames) {
  if (frames <= 0) return;
  frames_written += frames;
  if (!pipe_) return;
  while (frames > 0) {
    int n = frames < kMaxFramesPerCall ? frames : kMaxFramesPerCall;
    int count = n * channels;
    pack_encoder_pcm(samples, count, pcm_.data());
    // A failed write means the encoder has gone: the recording goes on and the
    // file ends where the encoder stopped.
    DWORD written = 0;
    WriteFile(pipe_.get(), pcm_.data(), static_cast<DWORD>(count) * 2, &written, nullptr);
    samples += count;
    frames -= n;
  }
}

}  // namespace

SinkRef open_encoder_pipe(const std::string& command_line, int32_t rate, int channels) {
  return SinkRef(new EncoderPipeSink(command_line, rate, channels));
}

SinkRef open_mp3_sink(const EncoderSettings& settings, const std::string& encoder_path,
                      const std::string& output_path, int32_t rate, int channels) {
  EncoderCommand command;
  if (!build_encoder_command(settings, encoder_path, rate, channels, output_path, &command)) {
    return SinkRef(new NullSink());
  }
  return open_encoder_pipe(command.command_line, command.rate, command.channels);
}

SinkRef open_mp3_sink(const EncoderSettings& settings, const std::string& output_path, int32_t rate,
                      int channels) {
  return open_mp3_sink(settings, component_path("mp3el"), output_path, rate, channels);
}

}  // namespace vt

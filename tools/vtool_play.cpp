#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/time_units.h"
#include "formats/file_readers.h"
#include "player/wave_player_win.h"
#include "tools/vtool_codecs.h"
#include "tools/vtool_play.h"

namespace {

HANDLE g_interrupt = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  SetEvent(g_interrupt);
  return TRUE;
}

void say(FILE* stream, const std::string& text) {
  std::fputs(vt::console_text(stream, text).c_str(), stream);
  std::fflush(stream);
}

// Prints what the player reports, one line per report.
class PrintingListener : public vt::PlayerListener {
 public:
  void on_stopped(uint32_t) override { stopped = true; }
  void on_position(int32_t ms, uint32_t) override {
    position_ms = ms;
    say(stdout, "position " + vt::time_text(ms) + " (" + std::to_string(ms) + " ms)\n");
  }
  void on_levels(const vt::LevelRecord& levels, uint32_t) override {
    std::string line = "niveaux";
    for (int c = 0; c < levels.channel_count; ++c) line += " " + std::to_string(levels.db[c]);
    say(stdout, line + " dB\n");
  }
  bool stopped = false;
  int32_t position_ms = 0;
};

}  // namespace

int play_command(int argc, char** argv) {
  if (argc < 3) {
    say(stderr, "usage: vtool play FICHIER [--device N]\n");
    return 2;
  }
  std::string path = argv[2];
  long device = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    char* end = nullptr;
    if (!std::strcmp(argv[i], "--device")) device = std::strtol(argv[i + 1], &end, 10);
    if (!end || *end || device < 0 || device > 255) {
      say(stderr, "usage: vtool play FICHIER [--device N]\n");
      return 2;
    }
  }
  vt::SourceRef source = vt::open_audio_file(path);
  if (source->status != vt::kSourceOk) {
    say(stderr, "vtool: " + path + ": fichier illisible (" + std::to_string(source->status) + ")\n");
    return 2;
  }
  g_interrupt = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(on_console_event, TRUE);
  int result = 0;
  {
    vt::WavePlayer player;
    PrintingListener listener;
    player.device = static_cast<uint32_t>(device);
    player.set_listener(&listener, 0);
    if (!player.open(source)) {
      say(stderr, "vtool: " + path + ": aucun périphérique de sortie n'accepte ce format\n");
      result = 2;
    } else {
      while (!listener.stopped) {
        DWORD woke = MsgWaitForMultipleObjects(1, &g_interrupt, FALSE, 1000, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) {
          player.close();
          result = 1;
          break;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      }
      say(stdout, "fin " + vt::time_text(listener.position_ms) + "\n");
    }
  }
  SetConsoleCtrlHandler(on_console_event, FALSE);
  CloseHandle(g_interrupt);
  return result;
}

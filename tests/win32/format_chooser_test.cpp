// The codec format dialog under Wine: a helper thread plays the user.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "formats/acm_codec_win.h"
#include "ui/format_chooser_win.h"

using namespace vt;

namespace {

const char kChooserTitle[] = "Sélectionner Fichier au Format Wave";
const char kNoCodecCaption[] = "Format Non Disponible";

// Wine's chooser keeps its own caption instead of the title it is given.
const char kWineChooserTitle[] = "Sound Selection";

struct Search {
  const char* title;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM context) {
  Search* search = reinterpret_cast<Search*>(context);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  std::string title = text;
  bool chooser = search->title == kChooserTitle && title == kWineChooserTitle;
  if (title != search->title && !chooser) return TRUE;
  search->found = window;
  return FALSE;
}

HWND wait_for_window(const char* title, int timeout_ms) {
  for (int waited = 0; waited < timeout_ms; waited += 20) {
    Search search = {title, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(20);
  }
  return nullptr;
}

// Presses the buttons of the dialogs as they appear: each step waits for a window title
// and sends it a command; what it saw is recorded for the test to check.
class ScriptedUser {
 public:
  struct Step {
    const char* title;
    int command;
  };
  explicit ScriptedUser(std::vector<Step> steps) : steps_(std::move(steps)) {
    thread_ = std::thread([this] { run(); });
  }
  ~ScriptedUser() { thread_.join(); }
  int steps_done() const { return done_; }
  const std::string& box_text() const { return box_text_; }

 private:
  void run() {
    for (const Step& step : steps_) {
      HWND window = wait_for_window(step.title, 15000);
      if (!window) return;
      if (step.title == kNoCodecCaption) {
        char text[512] = {};
        // The message text is the box's static control 0xFFFF.
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        box_text_ = text;
      }
      PostMessageA(window, WM_COMMAND, step.command, 0);
      // The next step must not find this same window again.
      for (int i = 0; i < 500 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(20);
      ++done_;
    }
  }
  std::vector<Step> steps_;
  std::thread thread_;
  std::atomic<int> done_{0};
  std::string box_text_;
};

}  // namespace

TEST(FormatChooser, AcceptsAFormatTheCodecsProduce) {
  FormatBuffer format;
  ASSERT_TRUE(suggest_codec_format(WAVE_FORMAT_IMA_ADPCM, 1, 8000, format));
  bool chosen;
  {
    ScriptedUser user({{kChooserTitle, IDOK}});
    chosen = choose_codec_format(format);
  }
  EXPECT_TRUE(chosen);
  EXPECT_TRUE(codec_format_encodable(format));
}

TEST(FormatChooser, CancelGivesFalse) {
  FormatBuffer format = format_buffer_of(make_pcm_format(1, 16, 44100));
  bool chosen;
  {
    ScriptedUser user({{kChooserTitle, IDCANCEL}});
    chosen = choose_codec_format(format);
  }
  EXPECT_FALSE(chosen);
}

TEST(FormatChooser, AFormatNoCodecProducesIsRefusedAndTheChooserReopens) {
  // Here MS ADPCM decodes but does not encode.
  FormatBuffer format;
  ASSERT_TRUE(suggest_codec_format(WAVE_FORMAT_ADPCM, 1, 8000, format));
  if (codec_format_encodable(format)) GTEST_SKIP() << "this system encodes MS ADPCM";
  bool chosen;
  std::string text;
  int steps;
  {
    ScriptedUser user({{kChooserTitle, IDOK}, {kNoCodecCaption, IDOK}, {kChooserTitle, IDCANCEL}});
    chosen = choose_codec_format(format);
    text = user.box_text();
    steps = user.steps_done();
  }
  EXPECT_FALSE(chosen);
  EXPECT_EQ(3, steps);
  EXPECT_EQ("Le format requis n’est pas disponible car le CODEC nécessaire n’est pas installé sur cet ordinateur.", text);
}

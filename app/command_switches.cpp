#include "app/command_switches.h"

#include <algorithm>
#include <cstdlib>
#include <strings.h>

#include "formats/mp3_encoder_switches.h"
#include "formats/recording_formats.h"

namespace vt {

namespace {

bool same(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

// The interpreter's own switch names.
const char* const kSwitchNames[] = {"-record", "-resume", "-recordfile", "-pause", "-restart", "-done",
                                    "-exit", "-exitifstop", "-hide", "-show", "-outdir", "-showbtn",
                                    "-play", "-ms", "-logon", "-block", "-install", "-at"};

bool is_switch_name(const std::string& word) {
  for (const char* name : kSwitchNames)
    if (same(word, name)) return true;
  return false;
}

// Three slots of two arguments: -s RATE, -m CHANNELS, -b BITS, each consumed whether or
// not its flag matches. Returns the index after the group; saves only a complete one.
// A slot that begins with a switch of the interpreter ends the group unsaved and leaves
// the switch to be carried out: "-recordfile x.wav -ms 5000" must keep its time limit.
size_t read_wav_group(const std::vector<std::string>& args, size_t at, SwitchTarget& target) {
  WavSwitchGroup group;
  static const char* const kFlags[3] = {"-s", "-m", "-b"};
  for (int slot = 0; slot < 3; ++slot) {
    if (at >= args.size()) return at;             // ran out before this slot began
    if (is_switch_name(args[at])) return at;
    if (at + 1 >= args.size()) return args.size();  // a slot without its value
    const bool match = same(args[at], kFlags[slot]);
    const int value = std::atoi(args[at + 1].c_str());
    if (match && slot == 0) group.has_rate = true, group.rate = value;
    if (match && slot == 1) group.has_channels = true, group.channels = value;
    if (match && slot == 2) group.has_bits = true, group.bits = value;
    at += 2;
  }
  target.save_wav_group(group);
  return at;
}

// The format `-record` names by its extension without the dot ("wav", "mp3", "aif").
int format_named(const std::string& word) {
  for (const RecordingFormatRow& row : kRecordingFormats)
    if (same(word, row.extension + 1)) return row.index;
  return kNoRecordingFormat;
}

// The group that may follow a format sets what its options would: the WAV group the
// codec format, the MP3 group the encoder settings. `at` is the group's first argument.
size_t read_format_group(const std::vector<std::string>& args, size_t at, int format, SwitchTarget& target) {
  switch (recording_format(format)->options) {
    case FormatOptions::kCodecFormat: return at < args.size() ? read_wav_group(args, at, target) : at;
    case FormatOptions::kEncoder: return read_mp3_switch_group(args, at, target.mp3_settings(), target.mp3_store());
    case FormatOptions::kNone: break;
  }
  return at;
}

}  // namespace

bool wav_group_format(const WavSwitchGroup& group, int base_rate, int base_channels, int base_bits, int* rate,
                      int* channels, int* bits) {
  *rate = group.has_rate ? group.rate : base_rate;
  *channels = group.has_channels ? group.channels : base_channels;
  *bits = group.has_bits ? group.bits : base_bits;
  return *rate > 0 && *rate <= 1000000 && *channels >= 1 && *channels <= 255 && *bits >= 1 && *bits <= 32;
}

void run_switches(const std::vector<std::string>& args, SwitchTarget& target) {
  size_t at = 1;
  // After "-at", -record, -recordfile and -ms describe the scheduled recording; it is
  // handed over at the next -at, at -exit or at the end.
  bool scheduling = false;
  AtSwitches pending;
  auto set_format = [&](int format) {
    if (scheduling)
      pending.format = format;
    else
      target.set_format(format);
  };
  auto hand_over = [&] {
    if (scheduling) target.schedule(pending);
    scheduling = false;
    pending = AtSwitches();
  };
  while (at < args.size()) {
    const std::string& name = args[at++];
    const bool has_value = at < args.size();
    if (same(name, "-at")) {
      if (!has_value) break;
      hand_over();
      scheduling = true;
      pending.at = args[at++];
    } else if (same(name, "-record")) {
      const int format = has_value ? format_named(args[at]) : kNoRecordingFormat;
      if (format != kNoRecordingFormat) {
        set_format(format);
        at = read_format_group(args, at + 1, format, target);
      }
      if (!scheduling) target.record();
    } else if (same(name, "-resume")) {
      target.record();
    } else if (same(name, "-recordfile")) {
      if (!has_value) break;
      const std::string path = args[at++];
      const int format = format_of_path(path);
      if (format != kNoRecordingFormat) {
        set_format(format);
        at = read_format_group(args, at, format, target);
      }
      if (scheduling)
        pending.file = path;
      else
        target.record_file(path);
    } else if (same(name, "-pause")) {
      target.pause();
    } else if (same(name, "-restart")) {
      target.restart();
    } else if (same(name, "-done")) {
      target.stop_and_mark();
    } else if (same(name, "-exit")) {
      // The program ends here: what follows in the same command line is not for it.
      hand_over();
      target.exit();
      return;
    } else if (same(name, "-exitifstop")) {
      target.exit_when_stopped();
    } else if (same(name, "-hide")) {
      target.hide();
    } else if (same(name, "-show")) {
      target.show();
    } else if (same(name, "-outdir")) {
      if (!has_value) break;
      target.set_output_folder(args[at++]);
    } else if (same(name, "-showbtn")) {
      if (!has_value) break;
      const std::string& word = args[at++];
      int mask = target.shown_buttons();
      if (same(word, "showall")) mask = kShowAllButtons;
      else if (same(word, "hideall")) mask = 0;
      else if (same(word, "r")) mask ^= kShowRecordButton;
      else if (same(word, "p")) mask ^= kShowPauseButton;
      else if (same(word, "t")) mask ^= kShowRestartButton;
      else if (same(word, "s")) mask ^= kShowStopButton;
      if (mask != target.shown_buttons()) target.set_shown_buttons(mask);
      target.relayout();
    } else if (same(name, "-play")) {
      if (!has_value) break;
      target.play(args[at++]);
    } else if (same(name, "-ms")) {
      if (!has_value) break;
      if (scheduling)
        pending.duration_ms = std::max(0, std::atoi(args[at++].c_str()));
      else
        target.quit_after(std::atoi(args[at++].c_str()));
    }
    // Anything else (-logon, -block, -install, unknown words) is skipped.
  }
  hand_over();
}

}  // namespace vt

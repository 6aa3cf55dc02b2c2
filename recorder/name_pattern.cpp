#include "recorder/name_pattern.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/paths.h"
#include "formats/wave_format.h"

namespace vt {

namespace {

// Characters the file system refuses in a name, and the dot, which would start an extension.
static const char kDroppedCharacters[] = "\"*./:<>?\\|";

// The counter first takes the values 01 to 99. When a folder already holds all of them
// for this name and format it counts on (100, 101, ...) rather than reuse a taken name;
// the search stops at kLastCounterValue, and if even that is taken the counter writes
// the next value unchecked: the recorder asks before it replaces an existing file.
constexpr int kLastCounterValue = 9999;

std::string two_digits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%.2d", value);
  return text;
}

// One pass over the pattern with a given counter value. `counter_met` tells whether
// the pattern holds the counter token, so that the caller knows whether to search.
std::string expand_once(const std::string& pattern, const LocalTime& time, int format_index, int counter,
                        bool* counter_met) {
  std::string out;
  size_t i = 0;
  while (i < pattern.size()) {
    if (pattern[i] != '%') {
      out += pattern[i++];
      continue;
    }
    size_t close = pattern.find('%', i + 1);
    size_t end = close == std::string::npos ? pattern.size() : close;
    std::string name = pattern.substr(i + 1, std::min(end - i - 1, kMaxPathChars));
    i = close == std::string::npos ? pattern.size() : close + 1;
    if (name.empty()) {
      out += '%';
    } else if (name == "YYYY") {
      char text[16];
      std::snprintf(text, sizeof text, "%.4d", time.year);
      out += text;
    } else if (name == "MM") {
      out += two_digits(time.month);
    } else if (name == "DD") {
      out += two_digits(time.day);
    } else if (name == "HH") {
      out += two_digits(time.hour);
    } else if (name == "MIN") {
      out += two_digits(time.minute);
    } else if (name == "SS") {
      out += two_digits(time.second);
    } else if (name == "autonumber") {
      *counter_met = true;
      // No recording is made in an unknown format; the name ends here.
      if (!recording_format(format_index)) break;
      out += two_digits(counter);
    } else {
      // An unknown token (a misspelt one, or one in the wrong case such as %yyyy%) is
      // kept as written, percent signs included: the sample name then shows the user
      // what was not understood, and the name never loses text silently.
      out += '%';
      out += name;
      if (close != std::string::npos) out += '%';
    }
  }
  return sanitize_file_name(out);
}

}  // namespace

std::string sanitize_file_name(const std::string& text) {
  std::string out;
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x80 || std::strchr(kDroppedCharacters, c)) continue;
    out += c;
    if (out.size() == kMaxPathChars) break;
  }
  return out;
}

// A name too long for the folder is shortened rather than the extension cut off, so
// that the file keeps its type.
std::string recording_path_in(const std::string& folder, const std::string& name, int format_index) {
  std::string extension = recording_extension(format_index);
  std::string path = join_path(folder, std::string());
  if (path.size() + extension.size() < kMaxPathChars) {
    size_t room = kMaxPathChars - path.size() - extension.size();
    return path + name.substr(0, room) + extension;
  }
  return join_path(folder, name + extension);
}

// The counter's value is the first one whose whole name is free in the destination
// folder for the current format. Checking the whole name, not only the text before the
// first token, keeps patterns such as "%DD%-%MM% %autonumber%" from reusing 01 each day.
std::string expand_name_pattern(const std::string& pattern, const NamingEnvironment& environment) {
  LocalTime time = environment.now();
  int format_index = environment.format_index();
  bool counter_met = false;
  std::string name = expand_once(pattern, time, format_index, 1, &counter_met);
  if (!counter_met || !recording_format(format_index)) return name;

  std::string folder = environment.destination_folder();
  for (int value = 1; value <= kLastCounterValue; ++value) {
    if (value > 1) name = expand_once(pattern, time, format_index, value, &counter_met);
    if (!environment.file_exists(recording_path_in(folder, name, format_index))) return name;
  }
  return expand_once(pattern, time, format_index, kLastCounterValue + 1, &counter_met);
}

PatternCheck check_name_pattern(const std::string& pattern) {
  if (pattern.empty()) return PatternCheck::kEmpty;
  size_t counter = pattern.find(kCounterToken);
  if (counter != std::string::npos) {
    return counter + std::strlen(kCounterToken) == pattern.size() ? PatternCheck::kValid
                                                                   : PatternCheck::kTextAfterCounter;
  }
  if (pattern.find(kSecondsToken) == std::string::npos) return PatternCheck::kNoCounterOrSeconds;
  return PatternCheck::kValid;
}

std::string drive_of_folder(const std::string& folder) {
  size_t slash = folder.find_first_of("\\/");
  return slash == std::string::npos ? folder : folder.substr(0, slash + 1);
}

std::string parent_of_folder(const std::string& folder) {
  size_t slash = folder.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

bool same_text_ignoring_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace vt

#include "formats/mp3_encoder_switches.h"

#include <cctype>
#include <cstdlib>

namespace vt {
namespace {

bool same_word(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return i == a.size() && b[i] == '\0';
}

// Walks the arguments; the group ends, unsaved, as soon as a step finds none left.
class GroupCursor {
 public:
  GroupCursor(const std::vector<std::string>& args, size_t first) : args_(args), at_(first) {}
  bool left() const { return at_ < args_.size(); }
  bool is(const char* word) const { return left() && same_word(args_[at_], word); }
  void next() { ++at_; }
  size_t at() const { return at_; }
  // A flag followed by its value: the value is returned and both are passed.
  // Any other argument is passed and ignored (null). Sets `ran_out` when no
  // argument was there to look at.
  const std::string* value_slot(const char* flag, bool* ran_out) {
    if (!left()) {
      *ran_out = true;
      return nullptr;
    }
    bool match = is(flag);
    next();
    if (!match) return nullptr;
    if (!left()) {
      *ran_out = true;
      return nullptr;
    }
    return &args_[at_++];
  }

 private:
  const std::vector<std::string>& args_;
  size_t at_;
};

int number(const std::string& text) { return std::atoi(text.c_str()); }

void take_mode(const std::string& word, EncoderSettings& settings) {
  static const char* const kModeWords[4] = {"s", "j", "f", "m"};  // by ChannelMode index
  for (uint8_t mode = 0; mode < 4; ++mode) {
    if (same_word(word, kModeWords[mode])) settings.channel_mode = mode;
  }
}

// The protection slot closes both modes: -p under the cursor turns CRC on,
// anything else off, and the cursor stays. False when the arguments ran out.
bool protection_slot(GroupCursor& cursor, EncoderSettings& s) {
  if (!cursor.left()) return false;
  s.error_protection = cursor.is("-p");
  return true;
}

bool read_constant(GroupCursor& cursor, EncoderSettings& s) {
  bool ran_out = false;
  s.constant_bit_rate = true;
  cursor.next();
  if (const std::string* v = cursor.value_slot("-b", &ran_out)) s.bit_rate = static_cast<uint16_t>(number(*v));
  if (ran_out || !cursor.left()) return false;
  if (cursor.is("-h")) {
    s.high_quality = true;
    cursor.next();
  }
  if (const std::string* v = cursor.value_slot("-m", &ran_out)) take_mode(*v, s);
  return !ran_out && protection_slot(cursor, s);
}

bool read_variable(GroupCursor& cursor, EncoderSettings& s) {
  bool ran_out = false;
  s.constant_bit_rate = false;
  cursor.next();
  if (const std::string* v = cursor.value_slot("-b", &ran_out)) s.min_bit_rate = static_cast<uint16_t>(number(*v));
  if (ran_out) return false;
  if (const std::string* v = cursor.value_slot("-B", &ran_out)) s.max_bit_rate = static_cast<uint16_t>(number(*v));
  if (ran_out) return false;
  if (const std::string* v = cursor.value_slot("-q", &ran_out)) s.quality = static_cast<uint8_t>(number(*v));
  if (ran_out) return false;
  if (const std::string* v = cursor.value_slot("-m", &ran_out)) take_mode(*v, s);
  return !ran_out && protection_slot(cursor, s);
}

}  // namespace

size_t read_mp3_switch_group(const std::vector<std::string>& args, size_t first,
                             EncoderSettings& settings, SettingsSection& store) {
  GroupCursor cursor(args, first);
  if (!cursor.left()) return args.size();
  if (cursor.is("-cbr") && !read_constant(cursor, settings)) return args.size();
  if (cursor.is("-vbr") && !read_variable(cursor, settings)) return args.size();
  save_encoder_settings(store, settings);
  // The argument under the cursor belongs to the group even when it is neither
  // -cbr nor -vbr.
  return cursor.at() + 1;
}

}  // namespace vt

// How settings are spelled in the registry: decimal integers, "1"/"0" booleans, and
// the product key path. Shared by the registry side and its native tests.
#pragma once
#include <cstddef>
#include <string>

namespace vt {

// Bytes read from a value at most, terminating NUL included; longer values read as missing.
constexpr size_t kSettingTextBytes = 260;
// Bytes of the formatted product key path.
constexpr size_t kSettingKeyBytes = 324;

// "Software\Ardentine\Vocatrack\<section>", cut to fit kSettingKeyBytes.
std::string settings_key_path(const char* section);

// Stored text to integer: empty gives `default_value`; otherwise the decimal value of
// the leading part (blanks, sign, digits), 0 without digits, clamped to the int range.
int parse_setting_int(const char* text, int default_value);
// Stored text to boolean: empty gives `default_value`; otherwise true unless the
// first character is '0' ("1", "yes", "2" are true; "0", "0abc" are false).
bool parse_setting_bool(const char* text, bool default_value);

std::string format_setting_int(int value);
inline const char* format_setting_bool(bool value) { return value ? "1" : "0"; }

}  // namespace vt

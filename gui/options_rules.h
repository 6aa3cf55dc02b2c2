// The checks the options pages make on what the user typed, free of any window.
#pragma once
#include <cstdint>

namespace vt {

// A Latin letter, plain or accented (Windows-1252 text, as the pages read it).
bool contains_letter(const char* text);

// The signed decimal number at the start of a number box's text (blanks, sign,
// digits), 0 without digits; values beyond the int range are held at its ends.
int32_t box_number(const char* text);

// The maximum recording duration of the record page.
enum class MaxDurationCheck {
  kAccepted,
  kInvalid,      // empty, or holds a letter
  kOutOfRange,   // not between 1 and 7200 seconds
};
MaxDurationCheck check_max_duration(const char* text);

// The tone interval of the general page: the box must hold a number of seconds the
// tone timer can use (1 to 2,147,483 s, which keeps the period in milliseconds in range).
enum class IntervalCheck {
  kAccepted,
  kEmpty,
  kInvalid,  // holds a letter, or is not a usable number of seconds
};
IntervalCheck check_interval(const char* text);

// The address test of the transmit page on the whole text: with a the position of the
// last '@' and b that of the last '.', it passes when a > 0, b > a and b < length - 2.
bool is_plausible_email_address(const char* text);

}  // namespace vt

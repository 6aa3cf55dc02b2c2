// LDBEdit: a decibel slider with an optional text box on its left. Its state lives in
// the window's extra bytes:
//   word 0   current value        word 2  maximum (+12 at creation)
//   word 4   minimum (−36 at creation)
//   long 8   the child text box, if any
//   words 12, 14, 16  the thumb's left edge, top and bottom from the last paint
// A style with any of the bits 0x1, 0x2 or 0x8 makes a compact slider: no text box, and
// the keypad + and − keys step the value. Changes made by the user reach the parent as
// WM_COMMAND with the control's id and notification kDbSliderChanged; the parent reads
// the value from word 0 (slider_value).
#pragma once
#include <windows.h>

namespace vt {

extern const char kDbSliderClass[];  // "LDBEdit"
constexpr int kDbSliderExtraBytes = 18;
constexpr WORD kDbSliderChanged = 0x300;
constexpr DWORD kDbSliderCompactStyles = 0x1 | 0x2 | 0x8;
constexpr int kSliderValueOffset = 0, kSliderMaximumOffset = 2, kSliderMinimumOffset = 4;
constexpr int kSliderTextBoxOffset = 8;
constexpr int kSliderThumbLeftOffset = 12, kSliderThumbTopOffset = 14, kSliderThumbBottomOffset = 16;

bool register_db_slider(HINSTANCE instance);

// Sets the slider `control_id` of `dialog` to `value`, clamped to its range; repaints
// the track where the thumb was and where it goes, and refreshes the text box.
void set_slider_value(HWND dialog, int control_id, int value);
int slider_value(HWND slider);
// Changes the range (the value is clamped into it) and repaints.
void set_slider_range(HWND slider, int minimum, int maximum);

}  // namespace vt

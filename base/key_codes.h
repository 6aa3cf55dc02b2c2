// Key codes: a virtual-key code with Alt, Ctrl and Shift added as these bits (the
// main window's keys, the hotkeys and the panels' key notices).
#pragma once

namespace vt {

constexpr int kKeyAlt = 0x10000, kKeyCtrl = 0x20000, kKeyShift = 0x40000;

}  // namespace vt

// The program's own window classes: LDBDisplay, LDBEdit and LPC.
#pragma once
#include <windows.h>

namespace vt {

// Registers the three classes with `instance`, the module that carries the controls'
// resources (ui/controls.rc). Called once at start-up; true when all are available.
bool register_ui_controls(HINSTANCE instance);

}  // namespace vt

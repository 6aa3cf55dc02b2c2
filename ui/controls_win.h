// The program's own window classes: LDBDisplay, LDBEdit, LPC and LHyperlink.
#pragma once
#include <windows.h>

namespace vt {

// Registers the four classes with `instance`, the module that carries the controls'
// resources (ui/controls.rc). Called once at start-up; true when all are available.
bool register_ui_controls(HINSTANCE instance);

}  // namespace vt

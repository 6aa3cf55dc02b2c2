// Resource names of the program's own controls (ui/controls.rc).
#pragma once

// Pattern bitmaps of the level meter, loaded by name from the module that registered
// the meter's window class.
#define IDB_LDB_GREEN "LDBGreen"
#define IDB_LDB_RED "LDBRed"

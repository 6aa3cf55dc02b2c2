// The audio set-up wizard ("Connexion micro et volume d'enregistrement"): one page
// that captures from the chosen device into a counting sink while it is shown, so
// that the user sees the level move, and applies the chosen line and volume to the
// mixer at once. Finishing saves RecordDevice, RecordChan and RecordVolume.
#pragma once
#include <windows.h>

namespace vt {

// Runs the wizard modally. The test capture would open a second capture of the
// device and change the mixer under a recording, so the caller runs it only while
// no recording runs (see refuse_setup_wizard). True when finished.
bool run_record_setting_wizard(HWND owner);

// Tells the user that the wizard waits until the recording has stopped.
void refuse_setup_wizard(HWND owner);

}  // namespace vt

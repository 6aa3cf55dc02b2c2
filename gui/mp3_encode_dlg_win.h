// The MP3 encoder options dialog (template LMp3EncodeDlg).
#pragma once
#include <windows.h>

#include "base/settings_section.h"
#include "formats/mp3_encoder.h"

namespace vt {

// Shows the dialog for `settings`; after OK the record is filled and saved to
// `store` (the MP3Encoder section) and the result is true. Cancel changes nothing.
bool show_encoder_dialog(EncoderSettings& settings, HWND owner, SettingsSection& store);

}  // namespace vt

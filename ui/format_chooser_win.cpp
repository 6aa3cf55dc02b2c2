#include "ui/format_chooser_win.h"

#include "formats/acm_codec_win.h"

namespace vt {

static const char kChooserTitle[] = "Sélectionner Fichier au Format Wave";
static const char kNoCodecText[] =
    "Le format requis n’est pas disponible car le CODEC nécessaire n’est pas installé sur cet ordinateur.";
static const char kNoCodecCaption[] = "Format Non Disponible";

bool choose_codec_format(FormatBuffer& format) {
  for (;;) {
    ACMFORMATCHOOSEA choose = {};
    choose.cbStruct = sizeof choose;
    choose.fdwStyle = ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT;
    choose.hwndOwner = GetActiveWindow();
    choose.pwfx = as_wfx(format);
    choose.cbwfx = sizeof format;
    choose.pszTitle = kChooserTitle;
    choose.fdwEnum = 0;
    if (acmFormatChooseA(&choose) != MMSYSERR_NOERROR) return false;
    if (codec_format_encodable(format)) return true;
    MessageBoxA(GetActiveWindow(), kNoCodecText, kNoCodecCaption, MB_OK | MB_ICONERROR);
  }
}

}  // namespace vt

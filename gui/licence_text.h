// The licence shown on the installer's first page.
#pragma once

namespace vt {

static const char kLicenceText[] =
    "CONTRAT DE LICENCE D'UTILISATION - Vocatrack Sound Recorder 2.01\r\n\r\n"
    "En installant ou en utilisant ce logiciel, vous acceptez les termes du présent contrat. "
    "Si vous ne les acceptez pas, n'installez pas le logiciel.\r\n\r\n"
    "1. Licence. Ardentine vous concède le droit non exclusif d'installer et d'utiliser le logiciel "
    "sur vos ordinateurs.\r\n\r\n"
    "2. Restrictions. Vous ne pouvez ni louer, ni vendre, ni modifier, ni désassembler le logiciel.\r\n\r\n"
    "3. Enregistrements. Vous êtes seul responsable des enregistrements que vous réalisez et de leur "
    "conformité aux lois en vigueur.\r\n\r\n"
    "4. Garantie. Le logiciel est fourni \"en l'état\", sans garantie d'aucune sorte. Ardentine ne "
    "pourra être tenue responsable d'aucun dommage résultant de son utilisation.\r\n\r\n"
    "5. Composants. Le codeur MP3 installé avec le logiciel est distribué selon sa propre licence "
    "(GNU LGPL).\r\n";

}  // namespace vt

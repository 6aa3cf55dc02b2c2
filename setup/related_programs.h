// The maker's other programs that the related-programs pages offer, each installed
// by fetching its setup program from the component servers.
#pragma once

namespace vt {

struct RelatedProgram {
  const char* display_name;
  const char* description;
  const char* setup_name;  // <setup name>.exe on the component servers
};

static const RelatedProgram kRelatedPrograms[] = {
    {"Trimwell", "Éditeur audio : coupez, assemblez et nettoyez vos enregistrements.", "trimsetup"},
    {"Discwright", "Gravure de CD audio et de données à partir de vos enregistrements.", "discsetup"},
    {"Tracklift", "Extraction des pistes de vos CD audio en fichiers WAV ou MP3.", "liftsetup"},
    {"Formatory", "Conversion de fichiers audio d'un format à l'autre.", "formsetup"},
};
constexpr int kRelatedProgramCount = sizeof kRelatedPrograms / sizeof kRelatedPrograms[0];

}  // namespace vt

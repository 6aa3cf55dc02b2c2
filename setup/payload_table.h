// The files an installer carries, in the order they follow one another in it.
#pragma once

namespace vt {

// The payload is compressed audio, decoded to 16-bit PCM WAV when installed.
constexpr unsigned kPayloadDecodeAudio = 2;
// The payload is the bundle of the HTML help pages (setup/help_pages.h), unpacked into
// the folder of that name in the installation folder.
constexpr unsigned kPayloadPageBundle = 4;

struct PayloadRow {
  // Null: the installation folder; empty: the shared data folder; other text: a
  // subfolder of the shared data folder.
  const char* target_folder;
  const char* file_name;
  unsigned flags;
};

// The program image comes first: the installer is that image with the rest appended.
static const PayloadRow kPayloadRows[] = {
    {nullptr, "vocatrack.exe", 0},
    {nullptr, "app.hlp", 0},
    {nullptr, "mp3enc.exe", 0},
    {nullptr, "aide", kPayloadPageBundle},
};
constexpr int kPayloadCount = sizeof kPayloadRows / sizeof kPayloadRows[0];

// Files the installer makes beside the payload, which the uninstaller removes too.
static const char kUninstallerName[] = "uninst.exe";
static const char kProgramFileName[] = "vocatrack.exe";
static const char kHelpFileName[] = "app.hlp";
static const char kEncoderFileName[] = "mp3enc.exe";

}  // namespace vt

// The installer file: the program image followed by the other payload files, their
// sizes, a checksum (the sum of every payload byte, modulo 2^32) and the installer
// marker, all numbers unsigned 32-bit little-endian. Built by the dist step, read
// back by the installer before it writes anything.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "base/binary_file.h"

namespace vt {

// Last four bytes of a program file: its role.
constexpr uint32_t kInstallerFileMarker = 0x0F0FF0F0;
constexpr uint32_t kUninstallerFileMarker = 0xF0F00F0F;
constexpr uint32_t kProgramFileMarker = 0;

struct InstallerTrailer {
  std::vector<uint32_t> sizes;  // one per payload file, in payload order
  uint32_t checksum = 0;
  uint32_t marker = 0;
};

enum InstallerCheck {
  kInstallerIntact,
  kInstallerUnreadable,   // too short, or a read failed
  kInstallerBadLayout,    // sizes that do not add up to the file, or no installer marker
  kInstallerBadChecksum,  // the payload bytes do not sum to the stored checksum
};

uint32_t add_to_checksum(uint32_t sum, const uint8_t* data, size_t bytes);

// Reads the trailer of a file carrying `file_count` payload files and checks that
// the sizes account for the whole file: a damaged size can neither point past the
// end nor leave bytes unaccounted for.
InstallerCheck read_installer_trailer(BinaryFile& file, int file_count, InstallerTrailer* trailer);

// The trailer, then every payload byte against the checksum. Nothing is written.
InstallerCheck verify_installer(BinaryFile& file, int file_count, InstallerTrailer* trailer);

// The execution level in a program image's manifest: the program asks for the
// invoker's rights, the installer and the uninstaller made from it for an
// administrator's (they write Program Files and the machine hive). Both texts take the
// same room, so the image keeps its size. False when the image holds neither text.
bool set_execution_level(std::vector<uint8_t>* image, bool administrator);
bool set_file_execution_level(const std::string& path, bool administrator);

// Writes `out_path`: the files of `payload_paths` one after another, the first (the
// program image) asking for an administrator's rights, then the trailer. False with a reason when a file cannot be read or written.
bool write_installer(const std::vector<std::string>& payload_paths, const std::string& out_path,
                     std::string* error);

}  // namespace vt

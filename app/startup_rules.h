// Start-up facts that need no window: the program file's role marker, the forwarded
// arguments record a second copy sends to the running one, and the relaunch rule.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "setup/installer_file.h"

namespace vt {

enum ProgramRole { kRoleRecorder, kRoleInstaller, kRoleUninstaller };
// From the last four bytes of the program file (setup/installer_file.h).
ProgramRole role_of_marker(uint32_t marker);

// 4-byte count, then 128 slots of 260 bytes, each a NUL-terminated argument of at most
// 259 bytes; always sent whole.
constexpr int kForwardedSlots = 128;
constexpr int kForwardedSlotBytes = 260;
constexpr int kForwardedRecordBytes = 4 + kForwardedSlots * kForwardedSlotBytes;  // 33,284

std::vector<uint8_t> build_forwarded_record(const std::vector<std::string>& args);
// The arguments of a received record (count clamped to 0..128, each slot read up to
// its NUL or its 260th byte); empty when the record is shorter than its header says.
std::vector<std::string> read_forwarded_record(const uint8_t* data, size_t size);

// A first copy started with switches relaunches itself with "-block" appended, unless
// the last argument is exactly "-block" or the first is exactly "-install".
bool should_relaunch_with_block(const std::vector<std::string>& args);
// The program file's name without folder and extension, in capitals ("SETUP" check).
std::string program_base_name_upper(const std::string& program_path);

}  // namespace vt

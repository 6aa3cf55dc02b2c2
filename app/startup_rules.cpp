#include "app/startup_rules.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vt {

ProgramRole role_of_marker(uint32_t marker) {
  if (marker == kInstallerFileMarker) return kRoleInstaller;
  if (marker == kUninstallerFileMarker) return kRoleUninstaller;
  return kRoleRecorder;
}

std::vector<uint8_t> build_forwarded_record(const std::vector<std::string>& args) {
  std::vector<uint8_t> record(kForwardedRecordBytes, 0);
  int32_t count = static_cast<int32_t>(std::min<size_t>(args.size(), kForwardedSlots));
  std::memcpy(record.data(), &count, 4);  // little-endian on every Windows target
  for (int32_t i = 0; i < count; ++i) {
    size_t length = std::min<size_t>(args[i].size(), kForwardedSlotBytes - 1);
    std::memcpy(record.data() + 4 + i * kForwardedSlotBytes, args[i].data(), length);
  }
  return record;
}

std::vector<std::string> read_forwarded_record(const uint8_t* data, size_t size) {
  std::vector<std::string> args;
  if (!data || size < 4) return args;
  int32_t count;
  std::memcpy(&count, data, 4);
  if (count < 0) count = 0;
  if (count > kForwardedSlots) count = kForwardedSlots;
  if (size < 4 + static_cast<size_t>(count) * kForwardedSlotBytes) return args;
  for (int32_t i = 0; i < count; ++i) {
    const char* slot = reinterpret_cast<const char*>(data + 4 + i * kForwardedSlotBytes);
    args.emplace_back(slot, strnlen(slot, kForwardedSlotBytes));
  }
  return args;
}

bool should_relaunch_with_block(const std::vector<std::string>& args) {
  if (args.size() <= 1) return false;
  return args.back() != "-block" && args[1] != "-install";
}

std::string program_base_name_upper(const std::string& program_path) {
  size_t slash = program_path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? program_path : program_path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.resize(dot);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

}  // namespace vt

#include "setup/companions.h"

namespace vt {

bool menu_launch(int command_id, const std::string& selected_path, CompanionLaunch* launch) {
  bool with_path = !selected_path.empty();
  std::string quoted = "\"" + selected_path + "\"";
  switch (command_id) {
    case kMenuLaunchAudioEditor:
      *launch = {kAudioEditor, selected_path, with_path};
      return true;
    case kMenuLaunchCdBurner:
      *launch = {kCdBurner, with_path ? quoted : std::string(), with_path};
      return true;
    case kMenuLaunchCdRipper:
      *launch = {kCdRipper, std::string(), false};
      return true;
    case kMenuLaunchFormatConverter:
      *launch = {kFormatConverter, with_path ? quoted : std::string(), with_path};
      return true;
  }
  return false;
}

CompanionLaunch edit_launch(const std::string& path) { return {kAudioEditor, path, true}; }

CompanionLaunch copy_to_cd_launch(const std::string& switch_text) { return {kCdBurner, switch_text, true}; }

CompanionLaunch convert_launch(const std::string& path) { return {kFormatConverter, path, true}; }

std::string launch_caption(const Companion& companion) { return std::string("Run ") + companion.display_name; }

}  // namespace vt

// vtool tags FILE [NAME=VALUE...]: prints or changes the tags of a recording.
#pragma once

namespace vt {

int tags_command(int argc, char** argv);

}  // namespace vt

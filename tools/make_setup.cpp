// make_setup OUT IMAGE [FILE...]: writes the installer OUT, the program image IMAGE
// followed by the other payload files in order, their sizes, the checksum and the
// installer marker. Run on the build machine by `make dist`.
#include <cstdio>
#include <string>
#include <vector>

#include "setup/installer_file.h"
#include "setup/payload_table.h"

int main(int argc, char** argv) {
  if (argc != 2 + vt::kPayloadCount) {
    std::fprintf(stderr, "usage: %s OUT", argv[0]);
    for (const vt::PayloadRow& row : vt::kPayloadRows) std::fprintf(stderr, " %s", row.file_name);
    std::fprintf(stderr, "\n");
    return 2;
  }
  std::vector<std::string> payload(argv + 2, argv + argc);
  std::string error;
  if (!vt::write_installer(payload, argv[1], &error)) {
    std::fprintf(stderr, "make_setup: %s\n", error.c_str());
    return 2;
  }
  return 0;
}

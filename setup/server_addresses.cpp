#include "setup/server_addresses.h"

namespace vt {
namespace {

// A configured base may end in '/'; the paths below bring their own.
std::string without_trailing_slash(std::string base) {
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base;
}

}  // namespace

std::string setup_program_url(const std::string& server_base, const std::string& name) {
  return without_trailing_slash(server_base) + "/components/" + name + ".exe";
}

std::string version_file_url(const std::string& server_base) {
  return without_trailing_slash(server_base) + "/versions/vocatrack.txt";
}

std::string web_page_url(const std::string& site, const std::string& page) {
  return without_trailing_slash(site) + "/" + page + ".html";
}

}  // namespace vt

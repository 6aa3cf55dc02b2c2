// Where the maker's servers are: the two component servers that hold the setup
// programs (/components/<name>.exe), the version server and the web site with the
// companions' pages.
// Each can be pointed elsewhere by a machine-hive value of section "Servers" (a
// mirror, or a local server in the tests); an empty or missing value keeps the
// address below. Addresses are base URLs: scheme, host, optional port and path
// prefix, without a trailing slash.
#pragma once
#include <string>

#include "base/settings_names.h"

namespace vt {

static const char kDefaultComponentServer1[] = "https://components.ardentine.com";
static const char kDefaultComponentServer2[] = "https://components2.ardentine.com";
static const char kDefaultWebSite[] = "https://www.ardentine.com";
// Holds /versions/vocatrack.txt for the version check.
static const char kDefaultVersionServer[] = "https://versions.ardentine.com";

static const char kSectionServers[] = "Servers";  // machine hive
static const TextSetting kComponentServer1 = {kSectionServers, "ComponentServer1", Hive::Machine, ""};
static const TextSetting kComponentServer2 = {kSectionServers, "ComponentServer2", Hive::Machine, ""};
static const TextSetting kWebSite = {kSectionServers, "WebSite", Hive::Machine, ""};
static const TextSetting kVersionServer = {kSectionServers, "VersionServer", Hive::Machine, ""};

// The site's page listing the components, for installing one by hand.
static const char kComponentsPage[] = "components";

// "<base>/components/<name>.exe".
std::string setup_program_url(const std::string& server_base, const std::string& name);
// "<base>/versions/vocatrack.txt".
std::string version_file_url(const std::string& server_base);
// "<site>/<page>.html".
std::string web_page_url(const std::string& site, const std::string& page);

}  // namespace vt

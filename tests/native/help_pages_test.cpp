// The HTML help pages' bundle as scripts/make_help.py writes it, read back by the
// installer's reader; and the reader's refusals of bundles that could write outside
// the pages' folder or read past their end.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "setup/help_pages.h"
#include "ui/help_contexts.h"

namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string le(uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i));
  return out;
}

std::string bundle_of(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string out = "VTHP" + le(static_cast<uint32_t>(files.size()), 4);
  for (const auto& file : files)
    out += le(static_cast<uint32_t>(file.first.size()), 2) + file.first + le(static_cast<uint32_t>(file.second.size()), 4) +
           file.second;
  return out;
}

TEST(HelpPagesTest, BundleHoldsEveryGeneratedPageAndThePagesTheProgramOpens) {
  const std::string folder = std::string(VT_HELP_OUT_DIR) + "/aide";
  std::vector<vt::BundledPage> pages;
  ASSERT_TRUE(vt::read_page_bundle(read_file(std::string(VT_HELP_OUT_DIR) + "/aide.pak"), &pages));
  ASSERT_FALSE(pages.empty());
  EXPECT_EQ("index.htm", pages[0].name);

  std::set<std::string> on_disk;
  DIR* dir = opendir(folder.c_str());
  ASSERT_NE(nullptr, dir);
  while (dirent* entry = readdir(dir))
    if (std::string(entry->d_name).size() > 4 && std::string(entry->d_name).rfind(".htm") != std::string::npos)
      on_disk.insert(entry->d_name);
  closedir(dir);
  std::set<std::string> bundled;
  for (const vt::BundledPage& page : pages) {
    bundled.insert(page.name);
    EXPECT_EQ(read_file(folder + "/" + page.name), page.bytes) << page.name;
    EXPECT_NE(std::string::npos, page.bytes.find("<meta charset=\"utf-8\">")) << page.name;
  }
  EXPECT_EQ(on_disk, bundled);
  // Every place the program opens has its page (the names are made from the topics'
  // context strings, the numbers are the program's).
  for (const vt::HelpPage& place : vt::kHelpPages) EXPECT_EQ(1u, bundled.count(place.page)) << place.context;
}

TEST(HelpPagesTest, RefusesBundlesThatAreCutShortOverlongOrReachOutOfTheirFolder) {
  std::vector<vt::BundledPage> pages;
  const std::string good = bundle_of({{"index.htm", "<p>a</p>"}, {"b_c-d.htm", "x"}});
  ASSERT_TRUE(vt::read_page_bundle(good, &pages));
  ASSERT_EQ(2u, pages.size());
  EXPECT_EQ("b_c-d.htm", pages[1].name);
  EXPECT_EQ("x", pages[1].bytes);

  for (size_t cut = 0; cut < good.size(); ++cut)
    EXPECT_FALSE(vt::read_page_bundle(good.substr(0, cut), &pages)) << cut;
  EXPECT_TRUE(pages.empty());
  EXPECT_FALSE(vt::read_page_bundle(good + "z", &pages));
  for (const char* name : {"..\\app.hlp", "../x.htm", "c:x.htm", "a\\b.htm", ".htm", "", "pa ge.htm",
                           "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa.htm"})
    EXPECT_FALSE(vt::read_page_bundle(bundle_of({{name, "x"}}), &pages)) << name;
  EXPECT_FALSE(vt::read_page_bundle(bundle_of({{"Index.htm", "1"}, {"index.HTM", "2"}}), &pages));
  // A size that points past the end, and a count larger than the pages present.
  EXPECT_FALSE(vt::read_page_bundle("VTHP" + le(1, 4) + le(5, 2) + "a.htm" + le(0xFFFFFFF0u, 4) + "x", &pages));
  EXPECT_FALSE(vt::read_page_bundle("VTHP" + le(3, 4) + le(5, 2) + "a.htm" + le(1, 4) + "x", &pages));
  EXPECT_FALSE(vt::read_page_bundle("VTHQ" + good.substr(4), &pages));
}

}  // namespace

// The installer file's layout and checks, the version reply and the schedule of the
// periodic offers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "setup/installer_file.h"
#include "setup/update_schedule.h"
#include "setup/version_reply.h"
#include "tests/support/map_section.h"
#include "tests/support/native_files.h"

namespace {

using vt_test::read_file;
using vt_test::write_file;

std::vector<uint8_t> bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

vt::InstallerCheck check(const std::string& path, vt::InstallerTrailer* trailer = nullptr) {
  vt::InstallerTrailer unused;
  std::unique_ptr<vt::BinaryFile> file = vt::open_binary_file(path, vt::FileAccess::kReadShared);
  if (!file) return vt::kInstallerUnreadable;
  return vt::verify_installer(*file, 3, trailer ? trailer : &unused);
}

class InstallerFileTest : public testing::Test {
 protected:
  void SetUp() override {
    write_file(dir_.path("image"), bytes("AB"));
    write_file(dir_.path("help"), {0xFF, 0xFF, 0xFF});
    write_file(dir_.path("empty"), {});
    std::string error;
    ASSERT_TRUE(vt::write_installer({dir_.path("image"), dir_.path("help"), dir_.path("empty")}, setup_, &error))
        << error;
  }
  vt_test::TempDir dir_;
  std::string setup_ = dir_.path("setup.exe");
};

TEST_F(InstallerFileTest, PayloadSizesChecksumAndMarkerFollowTheImage) {
  // 'A' + 'B' + 3 x 0xFF = 896 = 0x380; the marker 0x0F0FF0F0, all little-endian.
  const std::vector<uint8_t> expected = {'A', 'B', 0xFF, 0xFF, 0xFF,                    // payload
                                         2, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0,            // sizes
                                         0x80, 0x03, 0, 0, 0xF0, 0xF0, 0x0F, 0x0F};     // checksum, marker
  EXPECT_EQ(expected, read_file(setup_));
  vt::InstallerTrailer trailer;
  EXPECT_EQ(vt::kInstallerIntact, check(setup_, &trailer));
  EXPECT_EQ((std::vector<uint32_t>{2, 3, 0}), trailer.sizes);
  EXPECT_EQ(896u, trailer.checksum);
}

TEST_F(InstallerFileTest, DamageIsFoundBeforeAnythingIsWritten) {
  std::vector<uint8_t> good = read_file(setup_);
  // One payload byte changed.
  std::vector<uint8_t> damaged = good;
  damaged[3] = 0xFE;
  write_file(setup_, damaged);
  EXPECT_EQ(vt::kInstallerBadChecksum, check(setup_));
  // A size far beyond the file: refused at once, nothing read past the end.
  damaged = good;
  damaged[5] = damaged[6] = damaged[7] = damaged[8] = 0xFF;
  write_file(setup_, damaged);
  EXPECT_EQ(vt::kInstallerBadLayout, check(setup_));
  // Sizes that leave bytes unaccounted for (a truncated download keeps its trailer
  // only by chance; an extra byte in front is the same fault).
  damaged = good;
  damaged.insert(damaged.begin(), 'X');
  write_file(setup_, damaged);
  EXPECT_EQ(vt::kInstallerBadLayout, check(setup_));
  // The installed program's marker 0 instead of the installer's.
  damaged = good;
  damaged[damaged.size() - 4] = 0;
  damaged[damaged.size() - 3] = 0;
  damaged[damaged.size() - 2] = 0;
  damaged[damaged.size() - 1] = 0;
  write_file(setup_, damaged);
  EXPECT_EQ(vt::kInstallerBadLayout, check(setup_));
  // Shorter than a trailer.
  write_file(setup_, {0xF0, 0xF0, 0x0F, 0x0F});
  EXPECT_EQ(vt::kInstallerUnreadable, check(setup_));
}

// The installer's image asks for an administrator in the room of the program's
// "asInvoker"; the installed program gets its own request back byte for byte.
TEST(InstallerFile, InstallerImageAsksForAnAdministratorAndTheProgramDoesNot) {
  vt_test::TempDir dir;
  std::vector<uint8_t> manifest = read_file(VT_MANIFEST_PATH);
  ASSERT_FALSE(manifest.empty());
  std::vector<uint8_t> image = bytes("MZ image ");
  image.insert(image.end(), manifest.begin(), manifest.end());
  image.push_back(0);
  write_file(dir.path("image"), image);
  write_file(dir.path("help"), bytes("help"));
  std::string error;
  ASSERT_TRUE(vt::write_installer({dir.path("image"), dir.path("help"), dir.path("help")}, dir.path("setup.exe"), &error))
      << error;
  EXPECT_EQ(vt::kInstallerIntact, check(dir.path("setup.exe")));
  std::vector<uint8_t> setup = read_file(dir.path("setup.exe"));
  std::string installer_image(setup.begin(), setup.begin() + static_cast<long>(image.size()));
  EXPECT_NE(std::string::npos, installer_image.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess"));
  EXPECT_EQ(std::string::npos, installer_image.find("asInvoker"));

  // What the installer copies out, turned back into the program.
  write_file(dir.path("vocatrack.exe"), std::vector<uint8_t>(installer_image.begin(), installer_image.end()));
  EXPECT_TRUE(vt::set_file_execution_level(dir.path("vocatrack.exe"), false));
  EXPECT_EQ(image, read_file(dir.path("vocatrack.exe")));
  // A file without a manifest is refused and left alone.
  EXPECT_FALSE(vt::set_file_execution_level(dir.path("help"), false));
  EXPECT_EQ(bytes("help"), read_file(dir.path("help")));
}

TEST(InstallerFile, MissingPayloadFileIsNamed) {
  vt_test::TempDir dir;
  std::string error;
  EXPECT_FALSE(vt::write_installer({dir.path("nowhere.exe")}, dir.path("out.exe"), &error));
  EXPECT_NE(std::string::npos, error.find("nowhere.exe"));
}

TEST(VersionReply, DecimalVersionsCompareExactly) {
  int value = 0;
  ASSERT_TRUE(vt::parse_version_hundredths("2.05", &value));
  EXPECT_EQ(205, value);  // not 204
  ASSERT_TRUE(vt::parse_version_hundredths("2.3", &value));
  EXPECT_EQ(230, value);  // not 229
  ASSERT_TRUE(vt::parse_version_hundredths("2.019&info=x", &value));
  EXPECT_EQ(201, value);
  ASSERT_TRUE(vt::parse_version_hundredths("10", &value));
  EXPECT_EQ(1000, value);
  EXPECT_FALSE(vt::parse_version_hundredths(".5", &value));
  EXPECT_FALSE(vt::parse_version_hundredths("", &value));

  EXPECT_TRUE(vt::version_is_news(205, 201));
  EXPECT_FALSE(vt::version_is_news(201, 201));
  EXPECT_FALSE(vt::version_is_news(200, 201));
  EXPECT_FALSE(vt::version_is_news(99, 50));   // below 1.00
  EXPECT_FALSE(vt::version_is_news(205, 99));  // a damaged stored value
}

TEST(VersionReply, VersionAndInfoAreTakenFromTheBody) {
  vt::VersionReply reply = vt::parse_version_reply(
      "HTTP/1.0 200 OK\r\nX-Version: version=9.99\r\nContent-Type: text/plain\r\n\r\n"
      "version=2.05&info=http://www.example.test/new.html&size=3\r\n");
  EXPECT_EQ(205, reply.hundredths);
  EXPECT_EQ("http://www.example.test/new.html", reply.info_url);

  reply = vt::parse_version_reply("HTTP/1.0 200 OK\r\nX-Version: version=9.99\r\n\r\nnothing here");
  EXPECT_EQ(0, reply.hundredths);
  EXPECT_EQ("", reply.info_url);

  reply = vt::parse_version_reply("HTTP/1.0 200 OK\r\n\r\ninfo=https://a.test/x?y\nversion=3");
  EXPECT_EQ(300, reply.hundredths);
  EXPECT_EQ("https://a.test/x?y\nversion=3", reply.info_url);  // the address ends only at '&'
}

TEST(VersionReply, OnlyWebAddressesGoToTheShell) {
  EXPECT_TRUE(vt::is_web_address("http://www.example.test/new.html"));
  EXPECT_TRUE(vt::is_web_address("HTTPS://www.example.test/"));
  EXPECT_FALSE(vt::is_web_address("file:///c:/windows/system32/calc.exe"));
  EXPECT_FALSE(vt::is_web_address("cmd.exe"));
  EXPECT_FALSE(vt::is_web_address("c:\\windows\\notepad.exe"));
  EXPECT_FALSE(vt::is_web_address("javascript:alert(1)"));
  EXPECT_FALSE(vt::is_web_address("http://a.test/ \"c:\\x.exe\""));
  EXPECT_FALSE(vt::is_web_address("http://a.test/\nx"));
  EXPECT_FALSE(vt::is_web_address(""));
}

TEST(VersionReply, AddressIsLowerCasedAndSplit) {
  vt::HttpAddress address;
  ASSERT_TRUE(vt::split_http_address("HTTP://127.0.0.1:8080/Mirror/versions/vocatrack.txt", &address));
  EXPECT_EQ("127.0.0.1:8080", address.host);
  EXPECT_EQ("127.0.0.1", address.name);
  EXPECT_EQ(8080, address.port);
  EXPECT_EQ("/mirror/versions/vocatrack.txt", address.path);
  EXPECT_EQ("GET /mirror/versions/vocatrack.txt HTTP/1.0\r\nHost: 127.0.0.1:8080\r\n\r\n",
            vt::version_request(address));
  ASSERT_TRUE(vt::split_http_address("http://versions.example.test", &address));
  EXPECT_EQ(80, address.port);
  EXPECT_FALSE(address.secure);
  EXPECT_EQ("/", address.path);
  ASSERT_TRUE(vt::split_http_address("HTTPS://versions.example.test/versions/vocatrack.txt", &address));
  EXPECT_EQ(443, address.port);
  EXPECT_TRUE(address.secure);
  EXPECT_EQ("versions.example.test", address.name);
  ASSERT_TRUE(vt::split_http_address("https://127.0.0.1:8443/v", &address));
  EXPECT_EQ(8443, address.port);
  EXPECT_TRUE(address.secure);
  EXPECT_FALSE(vt::split_http_address("versions.example.test/x", &address));
  EXPECT_FALSE(vt::split_http_address("http://host:99999/x", &address));
  EXPECT_FALSE(vt::split_http_address("http://host:/x", &address));
  EXPECT_FALSE(vt::split_http_address("http:///x", &address));
}

TEST(UpdateSchedule, RelatedOfferOnceAfter45DaysThenVersionEvery90) {
  vt_test::MapSection settings;
  const int64_t first = 1700000000;
  // First start: both dates stored, nothing offered.
  EXPECT_EQ(vt::kUpdateNothing, vt::plan_update_step(settings, first));
  EXPECT_EQ("1700000000", settings.values["RelatedPDate"]);
  EXPECT_EQ("1700000000", settings.values["VCheckDate"]);
  EXPECT_EQ(0u, settings.values.count("RelatedPCheck"));
  // 45 days exactly: not yet.
  EXPECT_EQ(vt::kUpdateNothing, vt::plan_update_step(settings, first + 3888000));
  // Past 45 days: the related programs, once, and no version check on that start.
  EXPECT_EQ(vt::kUpdateOfferRelated, vt::plan_update_step(settings, first + 3888001));
  EXPECT_EQ("1", settings.values["RelatedPCheck"]);
  EXPECT_EQ("1700000000", settings.values["VCheckDate"]);
  // 90 days exactly since the stored check date: not yet; one second more: check.
  EXPECT_EQ(vt::kUpdateNothing, vt::plan_update_step(settings, first + 7776000));
  EXPECT_EQ(vt::kUpdateCheckVersion, vt::plan_update_step(settings, first + 7776001));
  EXPECT_EQ("1707776001", settings.values["VCheckDate"]);  // stored before the check runs
  EXPECT_EQ(vt::kUpdateNothing, vt::plan_update_step(settings, first + 7776002));

  EXPECT_EQ(201, vt::last_told_version(settings));
  vt::remember_told_version(settings, 205);
  EXPECT_EQ(205, vt::last_told_version(settings));
}

}  // namespace

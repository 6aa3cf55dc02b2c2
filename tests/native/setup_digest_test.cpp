// SHA-256 against the standard's vectors and sha256sum, and the digest files that
// component servers publish beside their setup programs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/sha256.h"
#include "setup/setup_digest.h"
#include "tests/support/native_files.h"

namespace vt {
namespace {

std::string sha256_of(const std::string& bytes, size_t piece = 0) {
  Sha256 hash;
  if (piece == 0) piece = bytes.size() + 1;
  for (size_t at = 0; at < bytes.size(); at += piece)
    hash.add(bytes.data() + at, bytes.size() - at < piece ? bytes.size() - at : piece);
  uint8_t digest[32];
  hash.finish(digest);
  return hex_digest(digest);
}

// FIPS 180-2 appendix B and the NIST example values.
TEST(Sha256, StandardVectors) {
  EXPECT_EQ("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855", sha256_of(""));
  EXPECT_EQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", sha256_of("abc"));
  EXPECT_EQ("248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
            sha256_of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));
  EXPECT_EQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
            sha256_of(std::string(1000000, 'a'), 4099));
}

// Every length around the block and padding edges, fed whole and in odd pieces,
// against sha256sum.
TEST(Sha256, AgreesWithSha256sum) {
  vt_test::TempDir dir;
  std::string all;
  for (size_t i = 0; i < 300; ++i) all += static_cast<char>((i * 151) ^ (i >> 3));
  std::string list = dir.path("lengths.txt");
  std::vector<std::string> ours;
  std::string command = "cd '" + dir.path("") + "' && sha256sum";
  for (size_t length : {1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 127u, 128u, 129u, 191u, 192u, 299u}) {
    std::string bytes = all.substr(0, length);
    std::string name = "f" + std::to_string(length);
    vt_test::write_file(dir.path(name), std::vector<uint8_t>(bytes.begin(), bytes.end()));
    command += " " + name;
    std::string whole = sha256_of(bytes);
    EXPECT_EQ(whole, sha256_of(bytes, 7)) << length;
    ours.push_back(whole + "  " + name);
  }
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(nullptr, pipe);
  std::vector<std::string> theirs;
  char line[512];
  while (fgets(line, sizeof line, pipe)) {
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    theirs.push_back(text);
  }
  ASSERT_EQ(0, pclose(pipe)) << "sha256sum is required";
  EXPECT_EQ(theirs, ours);
}

TEST(PublishedDigest, FormsAndTheLineForTheFile) {
  const std::string good = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const std::string other = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  uint8_t digest[32];
  auto read = [&](const std::string& text) {
    return parse_published_digest(text, "mp3el.exe", digest) ? hex_digest(digest) : std::string("none");
  };
  EXPECT_EQ(good, read(good));
  EXPECT_EQ(good, read(good + "\n"));
  EXPECT_EQ(good, read("\xEF\xBB\xBF  BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD \r\n"));
  EXPECT_EQ(good, read(good + "  mp3el.exe\n"));
  EXPECT_EQ(good, read(good + " *components/MP3EL.EXE\r\n"));
  EXPECT_EQ(good, read(other + "  discsetup.exe\n" + good + "  mp3el.exe\n"));
  EXPECT_EQ("none", read(other + "  discsetup.exe\n"));
  EXPECT_EQ("none", read(good.substr(0, 63)));
  EXPECT_EQ("none", read(good + "00"));                        // a longer digest
  EXPECT_EQ("none", read("g" + good.substr(1)));
  EXPECT_EQ("none", read("<html>404 Not Found</html>"));
  EXPECT_EQ("none", read(""));
  EXPECT_EQ("none", read(std::string(kDigestFileLimit, '\n') + good));  // too long to be a digest file
}

}  // namespace
}  // namespace vt

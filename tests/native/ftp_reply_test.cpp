// FTP replies as servers send them, whole or cut anywhere, and the passive-mode
// addresses of real servers' 227 replies.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "delivery/ftp_reply.h"

namespace vt {
namespace {

// Two replies (a greeting of three lines, whose middle line starts like a code of
// another reply, then a one-line reply) and the start of a third.
const char kStream[] =
    "220-Bienvenue\r\n"
    "230 ceci n'est pas la fin\r\n"
    "220 Pret\r\n"
    "234 AUTH TLS successful\r\n"
    "33";

TEST(FtpReply, MultiLineRepliesWholeOrCutAnywhere) {
  const std::string all = kStream;
  for (size_t piece = 1; piece <= all.size(); ++piece) {
    SCOPED_TRACE(piece);
    FtpReplyReader reader;
    std::vector<FtpReply> replies;
    for (size_t at = 0; at < all.size(); at += piece) {
      ASSERT_TRUE(reader.add(all.data() + at, std::min(piece, all.size() - at)));
      FtpReply reply;
      FtpReplyState state;
      while ((state = reader.take(&reply)) == FtpReplyState::kComplete) replies.push_back(reply);
      ASSERT_EQ(FtpReplyState::kIncomplete, state);
    }
    ASSERT_EQ(2u, replies.size());
    EXPECT_EQ(220, replies[0].code);
    EXPECT_EQ("220-Bienvenue\n230 ceci n'est pas la fin\n220 Pret\n", replies[0].text);
    EXPECT_EQ(234, replies[1].code);
    EXPECT_EQ("234 AUTH TLS successful\n", replies[1].text);
    EXPECT_TRUE(reader.has_pending());
  }
}

TEST(FtpReply, NonsenseAndEndlessRepliesAreMalformed) {
  FtpReply reply;
  for (const char* bad : {"SSH-2.0-OpenSSH_9.2\r\n", "22 court\r\n", "2200 long\r\n", "\r\n"}) {
    SCOPED_TRACE(bad);
    FtpReplyReader reader;
    ASSERT_TRUE(reader.add(bad, std::string(bad).size()));
    EXPECT_EQ(FtpReplyState::kMalformed, reader.take(&reply));
  }
  // A multi-line reply that never ends stops growing at the bound.
  FtpReplyReader endless;
  std::string line = "211-encore une ligne\r\n";
  size_t added = 0;
  while (endless.add(line.data(), line.size())) {
    added += line.size();
    ASSERT_EQ(FtpReplyState::kIncomplete, endless.take(&reply));
    ASSERT_LE(added, FtpReplyReader::kMaxReplyBytes);
  }
  EXPECT_EQ(FtpReplyState::kMalformed, endless.take(&reply));
  EXPECT_FALSE(endless.add("211 fin\r\n", 9));
}

TEST(FtpReply, PassiveAddresses) {
  struct Case {
    const char* text;
    const char* host;
    int port;
  } good[] = {
      {"227 Entering passive mode (127,0,0,1,156,71).\n", "127.0.0.1", 40007},
      {"227 Entering Passive Mode (192,168,1,20,4,1)\n", "192.168.1.20", 1025},
      {"227 Entering Passive Mode 10,0,0,9,255,255\n", "10.0.0.9", 65535},
      {"227 =(10, 1, 2, 3, 0, 21)\n", "10.1.2.3", 21},
  };
  for (const Case& c : good) {
    SCOPED_TRACE(c.text);
    PassiveAddress address;
    ASSERT_TRUE(parse_passive_reply(c.text, &address));
    EXPECT_EQ(c.host, address.host);
    EXPECT_EQ(c.port, address.port);
  }
  for (const char* bad : {"227 Entering Passive Mode\n", "227 (127,0,0,1,156)\n", "227 (127,0,0,256,1,1)\n",
                          "227 (127,0,0,1,1,1000)\n", "227 (127,0,0,1,0,0)\n", "227 (1,2,3,4,5,00006)\n"}) {
    SCOPED_TRACE(bad);
    PassiveAddress address;
    EXPECT_FALSE(parse_passive_reply(bad, &address));
  }
}

}  // namespace
}  // namespace vt

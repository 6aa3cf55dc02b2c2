// The delivery list file: header and records byte for byte, resuming at start-up,
// appending, reading and removing the head, and the replacement that keeps a list
// whole whatever moment a crash picks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "delivery/delivery_list.h"
#include "tests/support/native_files.h"

namespace vt {
namespace {

using vt_test::read_file;
using vt_test::write_file;

// Plain files; can be told to fail the replacement, as a crash before it would.
class PlainListFiles : public ListFiles {
 public:
  std::unique_ptr<BinaryFile> open(const std::string& path, ListOpen how) override {
    opened.push_back(how);
    if (how == ListOpen::kHeadRead) return open_binary_file(path, FileAccess::kReadShared);
    if (how == ListOpen::kNewList) return open_binary_file(path, FileAccess::kCreateReadShared);
    return open_binary_file(path, FileAccess::kUpdateShared);
  }
  ReplaceResult replace(const std::string& replacement, const std::string& path) override {
    ++replace_tries;
    if (crash_before_replace) return ReplaceResult::kFailed;
    if (busy_replacements > 0) {
      --busy_replacements;
      return ReplaceResult::kBusy;
    }
    return std::rename(replacement.c_str(), path.c_str()) == 0 ? ReplaceResult::kReplaced : ReplaceResult::kFailed;
  }
  void remove(const std::string& path) override { std::remove(path.c_str()); }
  void pause(uint32_t ms) override { paused_ms += ms; }
  bool crash_before_replace = false;
  int busy_replacements = 0;  // tries refused as busy before the replacement goes through
  int replace_tries = 0;
  uint64_t paused_ms = 0;
  std::vector<ListOpen> opened;
};

std::vector<uint8_t> header(uint16_t restart) {
  return {1, 0, static_cast<uint8_t>(restart), 0, 4, 1, 0, 0};
}

std::vector<uint8_t> record(const std::string& path) {
  std::vector<uint8_t> bytes(260, 0);
  std::memcpy(bytes.data(), path.data(), path.size());
  return bytes;
}

std::vector<uint8_t> list_of(uint16_t restart, const std::vector<std::string>& paths) {
  std::vector<uint8_t> bytes = header(restart);
  for (const std::string& path : paths) {
    std::vector<uint8_t> one = record(path);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  return bytes;
}

bool exists(const std::string& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file) std::fclose(file);
  return file != nullptr;
}

class DeliveryListTest : public ::testing::Test {
 protected:
  vt_test::TempDir dir_;
  std::string path_ = dir_.path("bgsend.lst");
  PlainListFiles files_;
  DeliveryList list_{files_, path_};
};

TEST_F(DeliveryListTest, AppendWritesHeaderOnceThenRecords) {
  ASSERT_TRUE(list_.append("C:\\Rec\\Untitled 1.wav"));
  ASSERT_TRUE(list_.append("C:\\Rec\\Untitled 2.mp3"));
  EXPECT_EQ(list_of(0, {"C:\\Rec\\Untitled 1.wav", "C:\\Rec\\Untitled 2.mp3"}), read_file(path_));

  // A list that holds only its header gets records after it, no second header.
  write_file(path_, header(1));
  ASSERT_TRUE(list_.append("C:\\a.wav"));
  EXPECT_EQ(list_of(1, {"C:\\a.wav"}), read_file(path_));

  // A path of 300 characters is cut to 259 and ends in NUL.
  std::remove(path_.c_str());
  ASSERT_TRUE(list_.append(std::string(300, 'x')));
  std::vector<uint8_t> bytes = read_file(path_);
  ASSERT_EQ(268u, bytes.size());
  EXPECT_EQ('x', bytes[8 + 258]);
  EXPECT_EQ(0, bytes[8 + 259]);
}

TEST_F(DeliveryListTest, ThreeRecordsShrinkTo528BytesThenNothing) {
  write_file(path_, list_of(1, {"C:\\1.wav", "C:\\2.wav", "C:\\3.wav"}));
  std::string head;
  ASSERT_EQ(HeadResult::kRecord, list_.read_head(&head));
  EXPECT_EQ("C:\\1.wav", head);
  ASSERT_TRUE(list_.remove_head());
  EXPECT_EQ(list_of(0, {"C:\\2.wav", "C:\\3.wav"}), read_file(path_));
  EXPECT_EQ(528u, read_file(path_).size());
  ASSERT_EQ(HeadResult::kRecord, list_.read_head(&head));
  EXPECT_EQ("C:\\2.wav", head);
  ASSERT_TRUE(list_.remove_head());
  ASSERT_TRUE(list_.remove_head());
  EXPECT_TRUE(exists(path_));
  EXPECT_EQ(0u, read_file(path_).size());
  EXPECT_EQ(HeadResult::kExhausted, list_.read_head(&head));
  EXPECT_FALSE(exists(list_.replacement_path()));
  // The next append starts a fresh header.
  ASSERT_TRUE(list_.append("C:\\4.wav"));
  EXPECT_EQ(list_of(0, {"C:\\4.wav"}), read_file(path_));
}

TEST_F(DeliveryListTest, HeadRecordReadsUpToNulAndByte259IsForced) {
  std::vector<uint8_t> bytes = header(0);
  std::vector<uint8_t> full(260, 'p');
  bytes.insert(bytes.end(), full.begin(), full.end());
  write_file(path_, bytes);
  std::string head;
  ASSERT_EQ(HeadResult::kRecord, list_.read_head(&head));
  EXPECT_EQ(std::string(259, 'p'), head);
}

TEST_F(DeliveryListTest, CutShortHeadDeletesListButEmptyListsStay) {
  std::string head;
  EXPECT_EQ(HeadResult::kExhausted, list_.read_head(&head));  // no file
  EXPECT_FALSE(exists(path_));

  write_file(path_, header(0));  // header only: left alone
  EXPECT_EQ(HeadResult::kExhausted, list_.read_head(&head));
  EXPECT_EQ(header(0), read_file(path_));

  std::vector<uint8_t> cut = header(0);
  cut.resize(108, 'z');  // 8 + 100 bytes
  write_file(path_, cut);
  EXPECT_EQ(HeadResult::kExhausted, list_.read_head(&head));
  EXPECT_FALSE(exists(path_));
}

TEST_F(DeliveryListTest, TrailingPartialRecordIsDroppedAtRewrite) {
  std::vector<uint8_t> bytes = list_of(0, {"C:\\1.wav", "C:\\2.wav"});
  bytes.resize(bytes.size() + 50, 'q');
  write_file(path_, bytes);
  ASSERT_TRUE(list_.remove_head());
  EXPECT_EQ(list_of(0, {"C:\\2.wav"}), read_file(path_));
}

TEST_F(DeliveryListTest, ResumeCountsStartsAndDropsForeignOrStaleLists) {
  // A missing list is created and deleted again.
  EXPECT_FALSE(list_.resume());
  EXPECT_FALSE(exists(path_));

  write_file(path_, list_of(0, {"C:\\1.wav"}));
  EXPECT_TRUE(list_.resume());
  EXPECT_EQ(list_of(1, {"C:\\1.wav"}), read_file(path_));
  EXPECT_TRUE(list_.resume());
  EXPECT_EQ(list_of(2, {"C:\\1.wav"}), read_file(path_));
  // The third start that finds it pending drops its only record: nothing is left.
  EXPECT_FALSE(list_.resume());
  EXPECT_FALSE(exists(path_));

  const std::vector<std::vector<uint8_t>> refused = {
      {},                                  // empty
      {1, 0, 0, 0, 4, 1},                  // short header
      {2, 0, 0, 0, 4, 1, 0, 0},            // version 2
      {1, 0, 0, 0, 0, 1, 0, 0},            // record size 256
  };
  for (const std::vector<uint8_t>& bytes : refused) {
    write_file(path_, bytes);
    EXPECT_FALSE(list_.resume());
    EXPECT_FALSE(exists(path_));
  }
  // A header alone is a valid list: it is resumed (and the worker then finds nothing).
  write_file(path_, header(0));
  EXPECT_TRUE(list_.resume());
  EXPECT_EQ(header(1), read_file(path_));
}

TEST_F(DeliveryListTest, RemovalGoesThroughReplacementSoACrashKeepsEveryRecord) {
  std::vector<uint8_t> before = list_of(1, {"C:\\1.wav", "C:\\2.wav", "C:\\3.wav"});
  write_file(path_, before);
  files_.crash_before_replace = true;
  EXPECT_FALSE(list_.remove_head());
  // The list itself was never written: all three records are there.
  EXPECT_EQ(before, read_file(path_));
  // A replacement a crash left behind is cleared at the next start, which finds the list.
  write_file(list_.replacement_path(), list_of(0, {"C:\\2.wav"}));
  EXPECT_TRUE(list_.resume());
  EXPECT_FALSE(exists(list_.replacement_path()));
  EXPECT_EQ(list_of(2, {"C:\\1.wav", "C:\\2.wav", "C:\\3.wav"}), read_file(path_));

  files_.crash_before_replace = false;
  files_.opened.clear();
  ASSERT_TRUE(list_.remove_head());
  // The list is only read (exclusively) and the new one written beside it.
  EXPECT_EQ((std::vector<ListOpen>{ListOpen::kRewrite, ListOpen::kNewList}), files_.opened);
}

TEST_F(DeliveryListTest, StuckHeadAloneIsDroppedAndTheRestDelivered) {
  write_file(path_, list_of(1, {"C:\\stuck.wav", "C:\\2.wav", "C:\\3.wav"}));
  EXPECT_TRUE(list_.resume());
  EXPECT_EQ(list_of(2, {"C:\\stuck.wav", "C:\\2.wav", "C:\\3.wav"}), read_file(path_));
  // The third start that finds the same head pending: the head goes, the rest is resumed.
  EXPECT_TRUE(list_.resume());
  EXPECT_EQ(list_of(0, {"C:\\2.wav", "C:\\3.wav"}), read_file(path_));
  std::string head;
  ASSERT_EQ(HeadResult::kRecord, list_.read_head(&head));
  EXPECT_EQ("C:\\2.wav", head);
  // The next head gets its own three starts.
  EXPECT_TRUE(list_.resume());
  EXPECT_TRUE(list_.resume());
  EXPECT_EQ(list_of(2, {"C:\\2.wav", "C:\\3.wav"}), read_file(path_));
  EXPECT_TRUE(list_.resume());
  EXPECT_EQ(list_of(0, {"C:\\3.wav"}), read_file(path_));

  // A stale list that can't be rewritten now is kept whole for the next start.
  write_file(path_, list_of(2, {"C:\\stuck.wav", "C:\\2.wav"}));
  files_.crash_before_replace = true;
  EXPECT_FALSE(list_.resume());
  EXPECT_EQ(list_of(2, {"C:\\stuck.wav", "C:\\2.wav"}), read_file(path_));
}

TEST_F(DeliveryListTest, BusyReplacementIsTriedAgainWithinItsBudget) {
  write_file(path_, list_of(0, {"C:\\1.wav", "C:\\2.wav", "C:\\3.wav"}));
  files_.busy_replacements = 4;
  ASSERT_TRUE(list_.remove_head());
  EXPECT_EQ(list_of(0, {"C:\\2.wav", "C:\\3.wav"}), read_file(path_));
  EXPECT_EQ(5, files_.replace_tries);
  EXPECT_GT(files_.paused_ms, 0u);
  EXPECT_LT(files_.paused_ms, 1000u);

  // Held for good: the budget runs out, the list stays whole and the new one goes.
  files_.replace_tries = 0;
  files_.paused_ms = 0;
  files_.busy_replacements = 1000;
  EXPECT_FALSE(list_.remove_head());
  EXPECT_EQ(list_of(0, {"C:\\2.wav", "C:\\3.wav"}), read_file(path_));
  EXPECT_FALSE(exists(list_.replacement_path()));
  EXPECT_GE(files_.paused_ms, 2500u);
  EXPECT_LE(files_.paused_ms, 5200u);
  EXPECT_LT(files_.replace_tries, 20);
}

}  // namespace
}  // namespace vt

// open_file_retrying against files that another thread holds open without sharing.
// Times are only checked from below (the waits really happen) or far from the edge.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "win/files_win.h"
#include "tests/support/registry_guard.h"

namespace vt {
namespace {

// Holds a file open without sharing from another thread until released or `hold_ms` passes.
class FileHolder {
 public:
  FileHolder(const std::string& path, DWORD hold_ms)
      : held_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, path, hold_ms] {
      HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      opened_ = file != INVALID_HANDLE_VALUE;
      SetEvent(held_);
      WaitForSingleObject(release_, hold_ms);
      if (opened_) CloseHandle(file);
    });
    WaitForSingleObject(held_, 10000);
  }
  ~FileHolder() {
    SetEvent(release_);
    thread_.join();
    CloseHandle(held_);
    CloseHandle(release_);
  }
  bool opened() const { return opened_; }

 private:
  HANDLE held_, release_;
  bool opened_ = false;
  std::thread thread_;
};

class OpenFileRetrying : public ::testing::Test {
 protected:
  std::string folder_ = vt_test::scratch_folder("open-file-retrying");
  std::string path_ = folder_ + "\\bgsend.lst";

  // Opens for writing like the delivery list does; returns the time taken in ms.
  ULONGLONG open_timed(DWORD budget_ms, HANDLE* file, DWORD* error) {
    ULONGLONG start = GetTickCount64();
    *file = open_file_retrying(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS, budget_ms);
    *error = GetLastError();
    return GetTickCount64() - start;
  }
};

// Windows tick counts may run up to one tick (16 ms) short of a sleep.
const ULONGLONG kTickSlack = 16;

TEST_F(OpenFileRetrying, OpensOnTheFirstTryAfterTheHolderLetsGo) {
  // Budget 5000: tries at about 0, 20, 60, 140, 300, 620 ms. Released at 450 ms, the file
  // opens at the 620 ms try, not earlier.
  FileHolder holder(path_, 450);
  ASSERT_TRUE(holder.opened());
  HANDLE file;
  DWORD error;
  ULONGLONG elapsed = open_timed(5000, &file, &error);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << "error " << error;
  CloseHandle(file);
  EXPECT_GE(elapsed + kTickSlack, 620u);
  EXPECT_LT(elapsed, 5000u);
}

TEST_F(OpenFileRetrying, GivesUpWithASharingViolationWhenTheBudgetIsSpent) {
  FileHolder holder(path_, INFINITE);
  ASSERT_TRUE(holder.opened());
  HANDLE file;
  DWORD error;
  // Budget 1000: waits 4, 8, ..., 512 ms (1020 in all), then the ninth try gives up.
  ULONGLONG elapsed = open_timed(1000, &file, &error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), error);
  EXPECT_GE(elapsed + kTickSlack, 1020u);
  EXPECT_LT(elapsed, 10000u);

  // Budgets too small for a first wait of a millisecond still end: 1 + 2 + ... + 64 ms.
  elapsed = open_timed(100, &file, &error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), error);
  EXPECT_GE(elapsed + kTickSlack, 127u);
  elapsed = open_timed(0, &file, &error);
  EXPECT_EQ(INVALID_HANDLE_VALUE, file);
  EXPECT_LT(elapsed, 10000u);
}

TEST_F(OpenFileRetrying, OtherErrorsFailAtOnce) {
  // A budget of ten minutes would make the first wait 2.3 s.
  const DWORD budget = 600000;
  ULONGLONG start = GetTickCount64();
  HANDLE file = open_file_retrying((folder_ + "\\missing\\file.txt").c_str(), GENERIC_READ, 0, OPEN_EXISTING, budget);
  EXPECT_EQ(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());

  file = open_file_retrying(path_.c_str(), GENERIC_WRITE, 0, CREATE_NEW, budget);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  CloseHandle(file);
  file = open_file_retrying(path_.c_str(), GENERIC_WRITE, 0, CREATE_NEW, budget);
  EXPECT_EQ(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());

  file = open_file_retrying((folder_ + "\\bad*name.txt").c_str(), GENERIC_WRITE, 0, OPEN_ALWAYS, budget);
  EXPECT_EQ(INVALID_HANDLE_VALUE, file);
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_NAME), GetLastError());
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  EXPECT_LT(GetTickCount64() - start, 2000u);
}

TEST_F(OpenFileRetrying, CompatibleSharingOpensAtOnce) {
  HANDLE reader = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  HANDLE second = open_file_retrying(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 600000);
  EXPECT_NE(INVALID_HANDLE_VALUE, second);
  if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
  CloseHandle(reader);
}

}  // namespace
}  // namespace vt

// The delivery list "bgsend.lst": an 8-byte header (version 1, restart count, record
// size 260, little-endian) and one 260-byte record per queued recording, oldest
// first. The operations take the file's sharing through ListFiles, so the same code
// runs over the Windows share modes and over plain files in the native tests.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "base/binary_file.h"

namespace vt {

constexpr int kListHeaderBytes = 8;
constexpr int kListRecordBytes = 260;
constexpr uint16_t kListVersion = 1;
// A list found pending at this many starts already is dropped.
constexpr uint16_t kListRestartLimit = 2;

// How each step opens a file (the Windows side maps these to access, share mode,
// disposition and retry budget).
enum class ListOpen {
  kResume,    // read/write, not shared, open always, no retry
  kHeadRead,  // read, shared for reading, existing only, 5,000 ms
  kAppend,    // read/write, shared for reading, open always, 5,000 ms
  kRewrite,   // read/write, not shared, open always, 5,000 ms
  kNewList,   // the replacement beside the list: created anew, written through
};

// How long a replacement refused because another program holds one of the files is
// tried again (as long as the opens wait).
constexpr uint32_t kListReplaceBudgetMs = 5000;

enum class ReplaceResult { kReplaced, kBusy, kFailed };

class ListFiles {
 public:
  virtual ~ListFiles() {}
  // Null when the file cannot be opened.
  virtual std::unique_ptr<BinaryFile> open(const std::string& path, ListOpen how) = 0;
  // Puts `replacement` in the place of `path` in one step (the old list or the new
  // one is there after a crash, never a mix). kBusy: another program has one of them
  // open, worth another try.
  virtual ReplaceResult replace(const std::string& replacement, const std::string& path) = 0;
  virtual void remove(const std::string& path) = 0;
  // The wait between two tries of a refused replacement.
  virtual void pause(uint32_t ms) = 0;
};

// The header as written by the queue.
void make_list_header(uint16_t restart_count, uint8_t header[kListHeaderBytes]);
// The record of a path: the path, NUL, zeros; a longer path is cut at 259 bytes.
void make_list_record(const std::string& path, uint8_t record[kListRecordBytes]);

enum class HeadResult { kRecord, kExhausted };

class DeliveryList {
 public:
  DeliveryList(ListFiles& files, const std::string& path) : files_(files), path_(path) {}
  const std::string& path() const { return path_; }
  // The name of the replacement written beside the list while its head is removed.
  std::string replacement_path() const { return path_ + ".new"; }

  // At start-up: true when a valid pending list was found (its restart count is then
  // raised); otherwise the list is deleted. A list found pending at two starts already
  // loses only its head record (the one whose delivery never ended) and the rest is
  // delivered. A replacement left by a crash goes too.
  bool resume();
  // Appends one record, writing the header first into an empty or new file.
  bool append(const std::string& recording_path);
  // The oldest record's path. A head record cut short deletes the list; no file, or
  // a file without records, is left alone.
  HeadResult read_head(std::string* recording_path);
  // Drops the oldest record. The remaining records are written to a new file beside
  // the list, which then takes its place: a crash leaves either list whole. A list
  // with one record or none is cut to 0 bytes. False when the list cannot be opened or
  // replaced (within kListReplaceBudgetMs while it is busy); the list is then as it was.
  // `left`, when given, receives the number of records that remain.
  bool remove_head(int64_t* left = nullptr);

 private:
  ListFiles& files_;
  std::string path_;  // the list is used under the caller's lock (the worker's start_lock())
};

}  // namespace vt

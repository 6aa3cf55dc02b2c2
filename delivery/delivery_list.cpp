#include "delivery/delivery_list.h"

#include <cstring>
#include <vector>

#include "base/retry_schedule.h"

namespace vt {

namespace {

void put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

uint16_t get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t get32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
         (static_cast<uint32_t>(at[3]) << 24);
}

}  // namespace

void make_list_header(uint16_t restart_count, uint8_t header[kListHeaderBytes]) {
  put16(header, kListVersion);
  put16(header + 2, restart_count);
  header[4] = static_cast<uint8_t>(kListRecordBytes & 0xFF);
  header[5] = static_cast<uint8_t>(kListRecordBytes >> 8);
  header[6] = header[7] = 0;
}

void make_list_record(const std::string& path, uint8_t record[kListRecordBytes]) {
  std::memset(record, 0, kListRecordBytes);
  size_t length = path.size() < kListRecordBytes - 1 ? path.size() : kListRecordBytes - 1;
  std::memcpy(record, path.data(), length);
}

bool DeliveryList::resume() {
  files_.remove(replacement_path());
  bool pending = false, stale = false;
  {
    std::unique_ptr<BinaryFile> file = files_.open(path_, ListOpen::kResume);
    if (!file) return false;
    uint8_t header[kListHeaderBytes];
    if (file->read(header, kListHeaderBytes) == kListHeaderBytes && get16(header) == kListVersion &&
        get32(header + 4) == kListRecordBytes) {
      if (get16(header + 2) < kListRestartLimit) {
        put16(header + 2, static_cast<uint16_t>(get16(header + 2) + 1));
        pending = file->seek(0) && file->write(header, kListHeaderBytes);
      } else {
        stale = true;
      }
    }
  }
  if (pending) return true;
  // The head record has now been found pending at three starts: its delivery is what
  // keeps the queue from moving (a hang, a crash, a quit each time). Only that record
  // goes; the others are delivered. A list that can't be rewritten now is kept as it is.
  int64_t left = 0;
  if (stale && !remove_head(&left)) return false;
  if (stale && left > 0) return true;
  files_.remove(path_);
  return false;
}

bool DeliveryList::append(const std::string& recording_path) {
  uint8_t record[kListRecordBytes];
  make_list_record(recording_path, record);
  std::unique_ptr<BinaryFile> file = files_.open(path_, ListOpen::kAppend);
  if (!file) return false;
  int64_t end = file->size();
  if (!file->seek(end)) return false;
  if (end == 0) {
    uint8_t header[kListHeaderBytes];
    make_list_header(0, header);
    if (!file->write(header, kListHeaderBytes)) return false;
  }
  return file->write(record, kListRecordBytes);
}

HeadResult DeliveryList::read_head(std::string* recording_path) {
  uint8_t record[kListRecordBytes];
  int got = 0;
  {
    std::unique_ptr<BinaryFile> file = files_.open(path_, ListOpen::kHeadRead);
    if (!file) return HeadResult::kExhausted;
    if (file->seek(kListHeaderBytes)) got = file->read(record, kListRecordBytes);
  }
  if (got < kListRecordBytes) {
    if (got > 0) files_.remove(path_);
    return HeadResult::kExhausted;
  }
  record[kListRecordBytes - 1] = 0;
  recording_path->assign(reinterpret_cast<const char*>(record));
  return HeadResult::kRecord;
}

bool DeliveryList::remove_head(int64_t* left) {
  std::unique_ptr<BinaryFile> file = files_.open(path_, ListOpen::kRewrite);
  if (!file) return false;
  int64_t size = file->size();
  int64_t records = size > kListHeaderBytes ? (size - kListHeaderBytes) / kListRecordBytes : 0;
  if (left) *left = records > 1 ? records - 1 : 0;
  if (records <= 1) return file->seek(0) && file->truncate_here();

  // Bytes after the last whole record are dropped here.
  std::vector<uint8_t> rest(static_cast<size_t>(kListHeaderBytes + (records - 1) * kListRecordBytes));
  make_list_header(0, rest.data());
  int rest_bytes = static_cast<int>(rest.size()) - kListHeaderBytes;
  if (!file->seek(kListHeaderBytes + kListRecordBytes) ||
      !read_exactly(*file, rest.data() + kListHeaderBytes, rest_bytes))
    return false;
  {
    std::unique_ptr<BinaryFile> replacement = files_.open(replacement_path(), ListOpen::kNewList);
    if (!replacement || !replacement->write(rest.data(), static_cast<int>(rest.size()))) {
      replacement.reset();
      files_.remove(replacement_path());
      return false;
    }
  }
  // The list is closed before it is replaced: the caller keeps appends out meanwhile.
  file.reset();
  // Another program reading the list or scanning the new one holds the replacement up
  // for a moment; giving up at once would deliver the head again.
  RetrySchedule schedule(kListReplaceBudgetMs);
  for (;;) {
    ReplaceResult replaced = files_.replace(replacement_path(), path_);
    if (replaced == ReplaceResult::kReplaced) return true;
    uint32_t wait_ms = 0;
    if (replaced != ReplaceResult::kBusy || !schedule.next_wait(&wait_ms)) break;
    files_.pause(wait_ms);
  }
  files_.remove(replacement_path());
  return false;
}

}  // namespace vt

#include "library/recordings_model.h"

#include <algorithm>
#include <cstdio>

#include "base/paths.h"
#include "formats/recording_formats.h"
#include "recorder/name_pattern.h"

namespace vt {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int compare_no_case(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(lower(a[i])), y = static_cast<unsigned char>(lower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool equal_no_case(const std::string& a, const std::string& b) { return compare_no_case(a, b) == 0; }

// The text from the last '.' of a file name, and the text before it.
size_t last_dot(const std::string& file_name) { return file_name.rfind('.'); }

}  // namespace

RecordingRow make_row(const ListedFile& file) {
  RecordingRow row;
  size_t dot = last_dot(file.file_name);
  row.name = dot == std::string::npos ? file.file_name : file.file_name.substr(0, dot);
  row.extension = dot == std::string::npos ? std::string() : file.file_name.substr(dot);
  row.format = format_of_path(file.file_name);
  char text[64];
  if (file.has_date) {
    snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", file.year, file.month, file.day, file.hour,
             file.minute, file.second);
    row.date_text = text;
  } else {
    row.date_text = " ";
  }
  long long kb = file.size > 0 ? file.size / 1024 : 0;
  snprintf(text, sizeof text, "%lld KB", kb);
  row.size_text = text;
  return row;
}

const char* row_format_name(const RecordingRow& row) {
  const RecordingFormatRow* format = recording_format(row.format);
  return format ? format->name : "";
}

std::string column_text(const RecordingRow& row, int column) {
  switch (column) {
    case kColumnName: return row.name;
    case kColumnFormat: return row_format_name(row);
    case kColumnDate: return row.date_text;
    case kColumnSize: return row.size_text;
  }
  return std::string();
}

int compare_rows(const RecordingRow& a, const RecordingRow& b, int column) {
  return compare_no_case(column_text(a, column), column_text(b, column));
}

void sort_rows(std::vector<RecordingRow>& rows, int column, bool ascending) {
  std::stable_sort(rows.begin(), rows.end(), [column, ascending](const RecordingRow& a, const RecordingRow& b) {
    int order = compare_rows(a, b, column);
    return ascending ? order < 0 : order > 0;
  });
}

std::string row_path(const std::string& folder, const RecordingRow& row) {
  const char* extension = row.format == kNoFormat ? row.extension.c_str() : recording_extension(row.format);
  std::string path = join_path(folder, row.name + extension);
  return path.size() > kMaxPathChars ? path.substr(0, kMaxPathChars) : path;
}

bool row_matches(const RecordingRow& row, const std::string& name, const std::string& format_name) {
  return equal_no_case(row.name, name) && equal_no_case(row_format_name(row), format_name);
}

int find_row_for_file(const std::vector<RecordingRow>& rows, const std::string& path) {
  std::string file = file_name_of(path);
  size_t dot = last_dot(file);
  std::string name = dot == std::string::npos ? file : file.substr(0, dot);
  const int format = format_of_path(file);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].format == kNoFormat) continue;
    if (equal_no_case(rows[i].name, name) && rows[i].format == format) return static_cast<int>(i);
  }
  return -1;
}

// A name too long for the folder is shortened, as the recorder does for new names:
// cutting the whole path instead would take the extension off the file.
RenameCheck check_rename(const std::vector<RecordingRow>& rows, size_t edited, const std::string& typed,
                         const std::string& folder, std::string* cleaned) {
  *cleaned = sanitize_file_name(typed);
  if (edited < rows.size()) {
    const RecordingRow& own = rows[edited];
    const std::string extension =
        own.format == kNoFormat ? own.extension : std::string(recording_extension(own.format));
    const size_t used = join_path(folder, std::string()).size() + extension.size();
    const size_t room = used < kMaxPathChars ? kMaxPathChars - used : 0;
    if (cleaned->size() > room) cleaned->resize(room);
  }
  if (cleaned->empty()) return kRenameEmpty;
  if (edited >= rows.size()) return kRenameAccepted;
  const RecordingRow& own = rows[edited];
  for (size_t i = 0; i < rows.size(); ++i)
    if (i != edited && row_matches(rows[i], *cleaned, row_format_name(own))) return kRenameTaken;
  return kRenameAccepted;
}

}  // namespace vt

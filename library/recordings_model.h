// The recordings list's rows: what a folder listing shows in the four columns, how the
// rows sort, which row a name or a file stands for, and what a rename may do.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vt {

// One file found in the destination folder, as the file system reports it.
struct ListedFile {
  std::string file_name;       // without folder
  int64_t size = -1;           // bytes; -1 when the file could not be opened
  bool has_date = false;       // the creation time could be read and converted
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;  // local time
};

// The format column: an index into the recording format table, or none.
constexpr int kNoFormat = -1;

struct RecordingRow {
  std::string name;       // the file name up to its last '.'
  std::string extension;  // from the last '.', as on disk (empty without one)
  int format = kNoFormat;
  std::string date_text;  // "yyyy-mm-dd hh:mm:ss", or " " when unknown
  std::string size_text;  // "<n> KB"
};

enum ListColumn { kColumnName = 0, kColumnFormat = 1, kColumnDate = 2, kColumnSize = 3 };
constexpr int kListColumnCount = 4;

RecordingRow make_row(const ListedFile& file);
// "Wav", "Mp3", "AIFF"; empty for kNoFormat.
const char* row_format_name(const RecordingRow& row);
std::string column_text(const RecordingRow& row, int column);
// The text order of one column without regard to case: <0, 0, >0.
int compare_rows(const RecordingRow& a, const RecordingRow& b, int column);
// The row order for that column and direction (equal texts keep their order).
void sort_rows(std::vector<RecordingRow>& rows, int column, bool ascending);
// folder\name + the format's extension (the file's own for a row without a format),
// at most 259 characters.
std::string row_path(const std::string& folder, const RecordingRow& row);
// The row-exists test: this name and this format name, both without regard to case.
bool row_matches(const RecordingRow& row, const std::string& name, const std::string& format_name);
// Play-by-path: the first row whose name and format extension equal the file name and
// extension of `path` (any folder), without regard to case; -1 when none does.
int find_row_for_file(const std::vector<RecordingRow>& rows, const std::string& path);

// A rename typed for row `edited` of the rows in `folder`: the cleaned name, shortened
// so that the whole path with the row's extension stays within the path limit, and
// whether it may be used.
enum RenameCheck { kRenameAccepted = 0, kRenameEmpty = 1, kRenameTaken = 2 };
RenameCheck check_rename(const std::vector<RecordingRow>& rows, size_t edited, const std::string& typed,
                         const std::string& folder, std::string* cleaned);

}  // namespace vt

// The recordings list's rows, sorting, renaming rules and what it hands on.
#include <gtest/gtest.h>

#include "library/list_hand_over.h"
#include "library/list_placement.h"
#include "library/recordings_model.h"

namespace vt {
namespace {

ListedFile file(const std::string& name, int64_t size = 4096) {
  ListedFile f;
  f.file_name = name;
  f.size = size;
  f.has_date = true;
  f.year = 2026, f.month = 1, f.day = 5, f.hour = 9, f.minute = 3, f.second = 7;
  return f;
}

std::vector<std::string> names(const std::vector<RecordingRow>& rows) {
  std::vector<std::string> out;
  for (const RecordingRow& row : rows) out.push_back(row.name);
  return out;
}

TEST(RecordingsListRows, ColumnsFromTheFolderListing) {
  RecordingRow note = make_row(file("Note.WAV", 2048));
  EXPECT_EQ("Note", column_text(note, kColumnName));
  EXPECT_EQ("Wav", column_text(note, kColumnFormat));
  EXPECT_EQ("2026-01-05 09:03:07", column_text(note, kColumnDate));
  EXPECT_EQ("2 KB", column_text(note, kColumnSize));

  RecordingRow dotted = make_row(file("a.b.mp3", 1023));
  EXPECT_EQ("a.b", dotted.name);
  EXPECT_EQ("Mp3", column_text(dotted, kColumnFormat));
  EXPECT_EQ("0 KB", dotted.size_text);
  EXPECT_EQ("AIFF", column_text(make_row(file("x.aif")), kColumnFormat));
  EXPECT_EQ("4194304 KB", make_row(file("big.wav", 4294967296LL)).size_text);

  // A file the listing matched by a short name keeps its own extension and no format.
  RecordingRow other = make_row(file("take.wave"));
  EXPECT_EQ("", column_text(other, kColumnFormat));
  EXPECT_EQ("C:\\rec\\take.wave", row_path("C:\\rec", other));

  ListedFile unreadable = file("locked.wav", -1);
  unreadable.has_date = false;
  RecordingRow locked = make_row(unreadable);
  EXPECT_EQ("0 KB", locked.size_text);
  EXPECT_EQ(" ", locked.date_text);
}

TEST(RecordingsListRows, PathUsesTheFormatsExtension) {
  EXPECT_EQ("C:\\rec\\Note.wav", row_path("C:\\rec", make_row(file("Note.WAV"))));
  EXPECT_EQ("C:\\rec\\a.b.mp3", row_path("C:\\rec\\", make_row(file("a.b.Mp3"))));
  EXPECT_EQ(259u, row_path("C:\\rec", make_row(file(std::string(300, 'n') + ".wav"))).size());
}

TEST(RecordingsListRows, SortingComparesTextWithoutRegardToCase) {
  std::vector<RecordingRow> rows = {make_row(file("beta.wav", 9 * 1024)), make_row(file("Alpha.mp3", 10 * 1024)),
                                    make_row(file("gamma.aif", 100 * 1024)), make_row(file("alpha.wav", 0))};
  sort_rows(rows, kColumnName, true);
  EXPECT_EQ((std::vector<std::string>{"Alpha", "alpha", "beta", "gamma"}), names(rows));
  sort_rows(rows, kColumnName, false);
  EXPECT_EQ((std::vector<std::string>{"gamma", "beta", "Alpha", "alpha"}), names(rows));
  // Sizes sort as text: "0 KB", "10 KB", "100 KB", "9 KB".
  sort_rows(rows, kColumnSize, true);
  EXPECT_EQ((std::vector<std::string>{"alpha", "Alpha", "gamma", "beta"}), names(rows));
  sort_rows(rows, kColumnFormat, true);
  EXPECT_EQ("gamma", rows[0].name);  // "AIFF" < "Mp3" < "Wav"
  EXPECT_EQ("Alpha", rows[1].name);
}

TEST(RecordingsListRows, NameAndFileLookups) {
  std::vector<RecordingRow> rows = {make_row(file("x.wav")), make_row(file("X.aif")), make_row(file("Take 1.MP3"))};
  EXPECT_TRUE(row_matches(rows[0], "X", "wav"));
  EXPECT_FALSE(row_matches(rows[0], "x", "Mp3"));
  EXPECT_TRUE(row_matches(rows[2], "take 1", "MP3"));
  EXPECT_EQ(1, find_row_for_file(rows, "D:\\elsewhere\\x.aif"));
  EXPECT_EQ(0, find_row_for_file(rows, "X.WAV"));
  EXPECT_EQ(2, find_row_for_file(rows, "/tmp/take 1.mp3"));
  EXPECT_EQ(-1, find_row_for_file(rows, "x.aiff"));
  EXPECT_EQ(-1, find_row_for_file(rows, "x"));
  EXPECT_EQ(-1, find_row_for_file(rows, "y.wav"));
}

TEST(RecordingsListRows, RenameCleansAndRefusesClashes) {
  std::vector<RecordingRow> rows = {make_row(file("Interview.wav")), make_row(file("b.wav")),
                                    make_row(file("c.mp3"))};
  std::string cleaned;
  const std::string folder = "C:\\rec";
  EXPECT_EQ(kRenameAccepted, check_rename(rows, 0, "Entretien été", folder, &cleaned));
  EXPECT_EQ("Entretien t", cleaned);
  EXPECT_EQ(kRenameEmpty, check_rename(rows, 0, "éé.?", folder, &cleaned));
  EXPECT_EQ(kRenameEmpty, check_rename(rows, 0, "", folder, &cleaned));
  EXPECT_EQ(kRenameTaken, check_rename(rows, 0, "B", folder, &cleaned));
  EXPECT_EQ(kRenameAccepted, check_rename(rows, 0, "c", folder, &cleaned));  // c is an Mp3
  EXPECT_EQ(kRenameAccepted, check_rename(rows, 0, "Interview", folder, &cleaned));
  EXPECT_EQ(kRenameAccepted, check_rename(rows, 0, "INTERVIEW", folder, &cleaned));
  EXPECT_EQ("INTERVIEW", cleaned);
  // A long name is shortened so that the path keeps its extension within 259 characters.
  EXPECT_EQ(kRenameAccepted, check_rename(rows, 0, std::string(400, 'z'), folder, &cleaned));
  EXPECT_EQ(248u, cleaned.size());  // 259 - "C:\\rec\\" - ".wav"
  RecordingRow renamed = rows[0];
  renamed.name = cleaned;
  EXPECT_EQ("C:\\rec\\" + std::string(248, 'z') + ".wav", row_path(folder, renamed));
  // The shortened name is the one checked for a clash.
  rows.push_back(make_row(file(std::string(248, 'q') + ".wav")));
  EXPECT_EQ(kRenameTaken, check_rename(rows, 0, std::string(300, 'Q'), folder, &cleaned));
  // A file without a known format keeps its own extension's room.
  std::vector<RecordingRow> odd = {make_row(file("x.flac"))};
  EXPECT_EQ(kRenameAccepted, check_rename(odd, 0, std::string(300, 'y'), "C:\\rec\\", &cleaned));
  EXPECT_EQ(247u, cleaned.size());
}

TEST(RecordingsListHandOver, BurnerListAndSwitches) {
  EXPECT_EQ("C:\\r\\a.wav\r\nC:\\r\\b c.mp3\r\nC:\\r\\d.aif\r\n",
            burner_list_text({"C:\\r\\a.wav", "C:\\r\\b c.mp3", "C:\\r\\d.aif"}));
  EXPECT_EQ("", burner_list_text({}));
  EXPECT_EQ(" -type data -list \"C:\\Temp dir\\vtburn.txt\"", burner_switches(false, "C:\\Temp dir\\vtburn.txt"));
  EXPECT_EQ(" -type audio -list \"C:\\T\\vtburn.txt\"", burner_switches(true, "C:\\T\\vtburn.txt"));
  EXPECT_EQ("\"C:\\My Music\\a.wav\"", quoted_argument("C:\\My Music\\a.wav"));
}

TEST(RecordingsListHandOver, SaveAsTargets) {
  EXPECT_EQ(kRecordWav, save_format_of("C:\\out\\a.WAV"));
  EXPECT_EQ(kRecordMp3, save_format_of("C:\\out.d\\a.mp3"));
  EXPECT_EQ(kNoRecordingFormat, save_format_of("C:\\out\\a.aif"));
  EXPECT_EQ(kNoRecordingFormat, save_format_of("C:\\out.wav\\a"));
  EXPECT_EQ("C:\\out\\~vtsave.tmp", save_work_path("C:\\out\\a.wav"));
}

TEST(RecordingsListPlacement, KeptInsideTheDesktop) {
  const ScreenRect desktop = {0, 0, 800, 600};
  ScreenRect inside = keep_inside({160, 80, 760, 322}, desktop);
  EXPECT_EQ(160, inside.left);
  EXPECT_EQ(322, inside.bottom);
  ScreenRect moved = keep_inside({700, 500, 1300, 742}, desktop);
  EXPECT_EQ(200, moved.left);
  EXPECT_EQ(358, moved.top);
  ScreenRect shrunk = keep_inside({-50, -20, 1950, 980}, desktop);
  EXPECT_EQ(0, shrunk.left);
  EXPECT_EQ(0, shrunk.top);
  EXPECT_EQ(800, shrunk.right);
  EXPECT_EQ(600, shrunk.bottom);
}

}  // namespace
}  // namespace vt

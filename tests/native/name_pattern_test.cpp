// Name patterns, file-name cleaning and recording paths, with a fixed clock and a
// folder listing held in memory.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "recorder/name_pattern.h"

namespace vt {
namespace {

class FakeEnvironment : public NamingEnvironment {
 public:
  LocalTime now() const override { return time; }
  bool file_exists(const std::string& path) const override {
    ++lookups;
    return files.count(path) != 0;
  }
  std::string destination_folder() const override { return folder; }
  int format_index() const override { return format; }

  void add(const std::string& file_name) { files.insert(folder + "\\" + file_name); }

  LocalTime time{2006, 2, 3, 9, 5, 7};
  std::set<std::string> files;
  std::string folder = "C:\\Rec";
  int format = 0;
  mutable int lookups = 0;
};

TEST(NamePattern, CounterTakesTheFirstFreeValueForTheCurrentFormat) {
  FakeEnvironment env;
  EXPECT_EQ("Untitled 01", expand_name_pattern("Untitled %autonumber%", env));
  env.add("Untitled 01.wav");
  env.add("Untitled 02.wav");
  EXPECT_EQ("Untitled 03", expand_name_pattern("Untitled %autonumber%", env));

  // Files of another format do not count, and each format counts on its own.
  FakeEnvironment mp3_only;
  mp3_only.add("Untitled 01.mp3");
  EXPECT_EQ("Untitled 01", expand_name_pattern("Untitled %autonumber%", mp3_only));
  mp3_only.format = 1;
  EXPECT_EQ("Untitled 02", expand_name_pattern("Untitled %autonumber%", mp3_only));
  mp3_only.format = 2;
  mp3_only.add("Untitled 01.aif");
  EXPECT_EQ("Untitled 02", expand_name_pattern("Untitled %autonumber%", mp3_only));

  // A gap is filled first; names differing only after the number do not count.
  FakeEnvironment gap;
  gap.add("Take 01.wav");
  gap.add("Take 03.wav");
  gap.add("Take 02 old.wav");
  EXPECT_EQ("Take 02", expand_name_pattern("Take %autonumber%", gap));
}

TEST(NamePattern, CounterLooksForTheCleanedName) {
  FakeEnvironment env;
  EXPECT_EQ("Runion 01", expand_name_pattern("Réunion %autonumber%", env));
  env.add("Runion 01.wav");
  EXPECT_EQ("Runion 02", expand_name_pattern("Réunion %autonumber%", env));
  // A folder ending in a separator gets none added.
  env.folder = "C:\\";
  env.files.insert("C:\\Rec 01.wav");
  EXPECT_EQ("Rec 02", expand_name_pattern("R.e.c %autonumber%", env));
}

TEST(NamePattern, CounterCountsTheWholeNameIncludingDateTokens) {
  // Each day's recordings are numbered on: the search checks the name as produced.
  FakeEnvironment env;
  env.add("03-02 01.wav");
  env.add("03-02 02.wav");
  EXPECT_EQ("03-02 03", expand_name_pattern("%DD%-%MM% %autonumber%", env));
  env.time.day = 4;
  EXPECT_EQ("04-02 01", expand_name_pattern("%DD%-%MM% %autonumber%", env));
}

TEST(NamePattern, CounterGoesOnPast99WhenAllTwoDigitValuesAreTaken) {
  FakeEnvironment env;
  for (int i = 1; i <= 99; ++i) env.add("Untitled " + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".wav");
  EXPECT_EQ("Untitled 100", expand_name_pattern("Untitled %autonumber%", env));
  env.add("Untitled 100.wav");
  EXPECT_EQ("Untitled 101", expand_name_pattern("Untitled %autonumber%", env));

  // The search is bounded: with every value taken the next one is written unchecked,
  // never an empty or shortened name.
  class EverythingTaken : public FakeEnvironment {
    bool file_exists(const std::string&) const override {
      ++lookups;
      return true;
    }
  } full;
  EXPECT_EQ("10000", expand_name_pattern("%autonumber%", full));
  EXPECT_EQ(9999, full.lookups);
}

TEST(NamePattern, DateAndTimeTokens) {
  FakeEnvironment env;
  EXPECT_EQ("2006-02-03 09h05m07s", expand_name_pattern("%YYYY%-%MM%-%DD% %HH%h%MIN%m%SS%s", env));
  EXPECT_EQ(0, env.lookups);  // no counter, no disk access
  env.time = {987, 12, 31, 23, 59, 0};
  EXPECT_EQ("09871231235900", expand_name_pattern("%YYYY%%MM%%DD%%HH%%MIN%%SS%", env));

  // The dot of "Rec.%SS%" is dropped.
  env.time.second = 42;
  EXPECT_EQ("Rec42", expand_name_pattern("Rec.%SS%", env));
}

TEST(NamePattern, PercentSignsAndUnknownTokens) {
  FakeEnvironment env;
  EXPECT_EQ("100% sur", expand_name_pattern("100%% sur", env));
  EXPECT_EQ("a%", expand_name_pattern("a%", env));
  EXPECT_EQ("%%", expand_name_pattern("%%%%", env));
  // Tokens are case-sensitive; an unknown token stays as written, cleaned.
  EXPECT_EQ("%yyyy%-07", expand_name_pattern("%yyyy%-%SS%", env));
  EXPECT_EQ("x %Date% y", expand_name_pattern("x %Date% y", env));
  EXPECT_EQ("%ab%", expand_name_pattern("%a.b%", env));
  // An unclosed token runs to the end of the pattern.
  EXPECT_EQ("Rec 07", expand_name_pattern("Rec %SS", env));
  EXPECT_EQ("Rec %x", expand_name_pattern("Rec %x", env));
  EXPECT_EQ("%x%", expand_name_pattern("%x%", env));
}

TEST(NamePattern, UnknownFormatEndsAtTheCounter) {
  FakeEnvironment env;
  env.format = 3;
  EXPECT_EQ("Take ", expand_name_pattern("Take %autonumber% tail %SS%", env));
  EXPECT_EQ(0, env.lookups);
}

TEST(NamePattern, ExpansionIsCleanedAndCut) {
  FakeEnvironment env;
  EXPECT_EQ("ab", expand_name_pattern("a\t\"*./:<>?\\|b", env));
  std::string long_pattern(400, 'x');
  EXPECT_EQ(std::string(259, 'x'), expand_name_pattern(long_pattern, env));
  EXPECT_EQ("", expand_name_pattern("...", env));
}

TEST(FileNames, SanitizingDropsForbiddenBytes) {
  EXPECT_EQ("Runion", sanitize_file_name("Réunion"));
  EXPECT_EQ("ab\x7f" "c", sanitize_file_name("a\x01" "b\x7f" "c\x80\xff"));
  EXPECT_EQ("x y", sanitize_file_name("x<>:\"/\\|?*. y"));
  EXPECT_EQ(std::string(259, 'n'), sanitize_file_name(std::string(300, 'n')));
  EXPECT_EQ(std::string(259, 'n'), sanitize_file_name(std::string(300, '.') + std::string(300, 'n')));
}

TEST(FileNames, RecordingPaths) {
  EXPECT_EQ("C:\\Rec\\Take 01.wav", recording_path_in("C:\\Rec", "Take 01", 0));
  EXPECT_EQ("C:\\Rec\\Take.mp3", recording_path_in("C:\\Rec\\", "Take", 1));
  EXPECT_EQ("D:/x/Take.aif", recording_path_in("D:/x/", "Take", 2));
  EXPECT_EQ("C:\\Take", recording_path_in("C:", "Take", 7));
  // A long name is shortened so that the extension survives.
  std::string path = recording_path_in("C:\\Rec", std::string(300, 'n'), 0);
  EXPECT_EQ(259u, path.size());
  EXPECT_EQ(".wav", path.substr(255));
  EXPECT_EQ(259u, recording_path_in(std::string(300, 'f'), "n", 0).size());
}

TEST(NamePatternCheck, RulesOfTheOptionsPage) {
  EXPECT_EQ(PatternCheck::kEmpty, check_name_pattern(""));
  EXPECT_EQ(PatternCheck::kTextAfterCounter, check_name_pattern("x %autonumber% y"));
  EXPECT_EQ(PatternCheck::kTextAfterCounter, check_name_pattern("%autonumber%%SS%"));
  EXPECT_EQ(PatternCheck::kValid, check_name_pattern("x %autonumber%"));
  EXPECT_EQ(PatternCheck::kValid, check_name_pattern("%autonumber%"));
  EXPECT_EQ(PatternCheck::kNoCounterOrSeconds, check_name_pattern("%HH%%MIN%"));
  EXPECT_EQ(PatternCheck::kNoCounterOrSeconds, check_name_pattern("%AUTONUMBER%"));
  EXPECT_EQ(PatternCheck::kValid, check_name_pattern("Rec.%SS%"));
  EXPECT_EQ(PatternCheck::kValid, check_name_pattern("%SS% and more"));
}

TEST(Folders, DriveAndParentParts) {
  EXPECT_EQ("C:\\", drive_of_folder("C:\\Rec\\Sub"));
  EXPECT_EQ("\\", drive_of_folder("\\\\server\\share"));
  EXPECT_EQ("D:/", drive_of_folder("D:/x"));
  EXPECT_EQ("C:", drive_of_folder("C:"));
  EXPECT_EQ("C:\\Rec", parent_of_folder("C:\\Rec\\Sub"));
  EXPECT_EQ("C:", parent_of_folder("C:\\Rec"));
  EXPECT_EQ("", parent_of_folder("Rec"));
  EXPECT_EQ("", parent_of_folder("\\Rec"));
  EXPECT_TRUE(same_text_ignoring_case("C:\\Rec", "c:\\REC"));
  EXPECT_FALSE(same_text_ignoring_case("C:\\Rec", "C:\\Rec2"));
}

}  // namespace
}  // namespace vt

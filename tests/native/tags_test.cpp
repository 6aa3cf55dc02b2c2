// Tag formats on files laid out byte by byte after the standards: the list's rules,
// ID3v1, ID3v2.2/2.3/2.4 and RIFF INFO, damaged input and the rewrite's guarantees.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tags/genres.h"
#include "tags/id3v2.h"
#include "tags/mp3_tags.h"
#include "tags/riff_info.h"
#include "tags/tag_files.h"
#include "tags/tag_tables.h"
#include "tests/support/native_files.h"

using namespace vt;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
Bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes safe32(uint32_t v) { return {uint8_t(v >> 21 & 0x7F), uint8_t(v >> 14 & 0x7F), uint8_t(v >> 7 & 0x7F), uint8_t(v & 0x7F)}; }

// A frame of ID3v2.3 (plain size) or 2.4 (synchsafe size).
Bytes frame(const std::string& id, const Bytes& body, int version = 3, uint8_t format_flags = 0) {
  return text(id) + (version == 4 ? safe32(uint32_t(body.size())) : be32(uint32_t(body.size()))) +
         Bytes{0, format_flags} + body;
}
Bytes text_body(const std::string& s) { return Bytes{0} + text(s) + Bytes{0}; }
Bytes tag(const Bytes& frames, int version = 3, uint8_t flags = 0) {
  return text("ID3") + Bytes{uint8_t(version), 0, flags} + safe32(uint32_t(frames.size())) + frames;
}
// Stand-in audio: MPEG frame headers and bytes that must come through unchanged.
Bytes audio(size_t n = 3000) {
  Bytes a(n);
  for (size_t i = 0; i < n; ++i) a[i] = uint8_t(i * 7 + 3);
  a[0] = 0xFF;
  a[1] = 0xFB;
  return a;
}
Bytes v1_trailer(const std::string& title, uint8_t byte125, uint8_t track, uint8_t genre) {
  Bytes t(128, 0);
  std::memcpy(&t[0], "TAG", 3);
  std::memcpy(&t[3], title.data(), std::min<size_t>(title.size(), 30));
  std::memcpy(&t[33], "Artist of exactly thirty chars", 30);
  std::memcpy(&t[93], "1999", 4);
  std::memcpy(&t[97], "A comment of 28 characters..", 28);
  t[125] = byte125;
  t[126] = track;
  t[127] = genre;
  return t;
}

TagList read(const std::string& path) {
  TagList list;
  EXPECT_TRUE(read_tags(list, path));
  return list;
}

// The seven fields in the editor's order: title, artist, album, genre, track, date, comment.
void expect_fields(const TagList& list, const std::vector<std::string>& values) {
  for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i], list.get(kTagFields[i])) << kTagFields[i];
}

bool contains(const Bytes& hay, const Bytes& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}
bool ends_with(const Bytes& whole, const Bytes& tail) {
  return whole.size() >= tail.size() && std::equal(tail.begin(), tail.end(), whole.end() - tail.size());
}

}  // namespace

TEST(TagList, StoresCutStrippedValuesAndPutsNewEntriesInFront) {
  TagList list;
  list.store("TITLE", "  a title  ", true);
  EXPECT_EQ("a title", list.get("TITLE"));
  list.store("TITLE", "other", false);  // a value is there: replace off leaves it
  EXPECT_EQ("a title", list.get("TITLE"));
  list.store("ARTIST", std::string(300, 'x'), false);
  EXPECT_EQ(259u, list.get("ARTIST").size());
  list.store("ALBUM", "", true);
  list.store("ALBUM", "filled", false);  // an empty value is filled even with replace off
  EXPECT_EQ("filled", list.get("ALBUM"));
  EXPECT_EQ("", list.get("title"));  // names are case-sensitive
  ASSERT_EQ(3u, list.entries().size());
  EXPECT_EQ("ALBUM", list.entries()[0].name);
  EXPECT_EQ("TITLE", list.entries()[2].name);
}

TEST(Genres, ListHasItsTwoQuirks) {
  EXPECT_STREQ("Blues", kGenreNames[0]);
  EXPECT_STREQ("Rock", kGenreNames[17]);
  EXPECT_STREQ("Freestyle", kGenreNames[119]);
  EXPECT_STREQ("Freestyle", kGenreNames[120]);
  EXPECT_STREQ("Punk Rock", kGenreNames[121]);
  EXPECT_STREQ("Anime", kGenreNames[145]);
  EXPECT_STREQ("Jpop", kGenreNames[146]);
  for (int i = 0; i < kGenreCount; ++i) EXPECT_TRUE(kGenreNames[i] && *kGenreNames[i]) << i;
  EXPECT_EQ(120, genre_code("FREESTYLE"));  // the last name that matches
  EXPECT_EQ(-1, genre_code("Synthpop"));
  EXPECT_EQ("", genre_name(147));
  EXPECT_EQ("Rock", genre_from_id3v2("(17)"));
  EXPECT_EQ("Rock", genre_from_id3v2("17"));
  EXPECT_EQ("Hard Rock ballads", genre_from_id3v2("(79)Hard Rock ballads"));
  EXPECT_EQ("Remix", genre_from_id3v2("(RX)"));
  EXPECT_EQ("(999)", genre_from_id3v2("(999)"));
}

TEST(Id3v2Header, SizeIsSynchsafe) {
  Bytes header = text("ID3") + Bytes{3, 0, 0, 0x00, 0x01, 0x00, 0x00};
  Id3v2Place place;
  ASSERT_TRUE(is_id3v2_header(header.data(), place));
  EXPECT_EQ(10 + 16384, place.extent);
  header[5] = 0x10;  // a footer adds ten bytes
  ASSERT_TRUE(is_id3v2_header(header.data(), place));
  EXPECT_EQ(10 + 16384 + 10, place.extent);
  header[8] = 0x80;
  EXPECT_FALSE(is_id3v2_header(header.data(), place));
  header[8] = 0;
  header[3] = 0xFF;
  EXPECT_FALSE(is_id3v2_header(header.data(), place));
}

TEST(Id3v1, ReadsThirtyByteFieldsAndTheTrackOnlyAfterAZero) {
  vt_test::TempDir dir;
  std::string path = dir.path("v1.mp3");
  vt_test::write_file(path, audio() + v1_trailer("A title of thirty characters!!", 0, 5, 119));
  TagList list = read(path);
  EXPECT_EQ("A title of thirty characters!!", list.get("TITLE"));
  EXPECT_EQ("Artist of exactly thirty chars", list.get("ARTIST"));
  EXPECT_EQ("1999", list.get("DATE"));
  EXPECT_EQ("5", list.get("TRACKNUMBER"));
  EXPECT_EQ("A comment of 28 characters..", list.get("COMMENT"));
  EXPECT_EQ("Freestyle", list.get("GENRE"));
  // ID3v1.0: bytes 125 and 126 belong to the comment.
  vt_test::write_file(path, audio() + v1_trailer("t", 'x', 'y', 200));
  list = read(path);
  EXPECT_EQ("", list.get("TRACKNUMBER"));
  EXPECT_EQ("A comment of 28 characters..xy", list.get("COMMENT"));
  EXPECT_EQ("", list.get("GENRE"));  // past the list
}

TEST(Id3v1, WritesCutValuesAndEmptiedTrackAndGenreStayEmpty) {
  vt_test::TempDir dir;
  std::string path = dir.path("w.mp3");
  Bytes sound = audio();
  vt_test::write_file(path, sound);
  TagList list = read(path);
  list.store("TITLE", std::string(29, 'T'), true);
  list.store("ARTIST", "Short", true);
  list.store("GENRE", "Freestyle", true);
  list.store("TRACKNUMBER", "9", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  ASSERT_EQ(sound.size() + 128, file.size());  // a new trailer and no ID3v2 tag: all fit
  EXPECT_TRUE(std::equal(sound.begin(), sound.end(), file.begin()));
  const uint8_t* t = &file[sound.size()];
  EXPECT_EQ(0, std::memcmp(t, "TAG", 3));
  EXPECT_EQ(std::string(29, 'T'), std::string(reinterpret_cast<const char*>(t + 3)));
  EXPECT_EQ(0, t[125]);
  EXPECT_EQ(9, t[126]);
  EXPECT_EQ(120, t[127]);  // 119 and 120 share the name; the last one is written

  // The trailer is rewritten in place; emptied track and genre are emptied there too
  // (no track, and a code past the genre list), so they do not come back.
  list = read(path);
  list.store("TRACKNUMBER", "", true);
  list.store("GENRE", "", true);
  list.store("ARTIST", "", true);
  ASSERT_TRUE(write_tags(list, path));
  file = vt_test::read_file(path);
  ASSERT_EQ(sound.size() + 128, file.size());
  t = &file[sound.size()];
  EXPECT_EQ(0, t[126]);
  EXPECT_EQ(255, t[127]);
  EXPECT_EQ(0, t[33]);  // the emptied artist is empty
  list = read(path);
  expect_fields(list, {std::string(29, 'T'), "", "", "", "", "", ""});
  ASSERT_TRUE(write_tags(list, path));
  EXPECT_EQ(file, vt_test::read_file(path));

  // A 1.0 trailer whose comment fills all 30 bytes: its last byte is no track number,
  // neither when read nor once the comment is cut to 28 on writing.
  Bytes v10 = v1_trailer("Title", 'x', 'y', 12);
  vt_test::write_file(path, sound + v10);
  list = read(path);
  EXPECT_EQ("", list.get("TRACKNUMBER"));
  EXPECT_EQ("A comment of 28 characters..xy", list.get("COMMENT"));
  ASSERT_TRUE(write_tags(list, path));
  file = vt_test::read_file(path);
  EXPECT_EQ(0, file[file.size() - 2]);
  EXPECT_EQ(0, file[file.size() - 3]);
  EXPECT_EQ(12, file.back());
  EXPECT_EQ("", read(path).get("TRACKNUMBER"));
}

TEST(Id3v2, LongValuesGoWholeIntoID3v2AndCutIntoTheTrailer) {
  vt_test::TempDir dir;
  std::string path = dir.path("long.mp3");
  Bytes sound = audio();
  vt_test::write_file(path, sound);
  TagList list = read(path);
  std::string title(40, 'L'), comment(35, 'C');
  list.store("TITLE", title, true);
  list.store("COMMENT", comment, true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  EXPECT_TRUE(contains(file, frame("TIT2", text_body(title))));
  EXPECT_TRUE(contains(file, frame("COMM", Bytes{0, 0, 0, 0, 0} + text(comment) + Bytes{0})));
  const uint8_t* t = &file[file.size() - 128];
  EXPECT_EQ(std::string(29, 'L'), std::string(reinterpret_cast<const char*>(t + 3)));
  EXPECT_EQ(std::string(28, 'C'), std::string(reinterpret_cast<const char*>(t + 97)));
  EXPECT_TRUE(ends_with(Bytes(file.begin(), file.end() - 128), sound));
  EXPECT_EQ(title, read(path).get("TITLE"));
}

TEST(Id3v2, TagWithOtherFramesIsRewrittenWithAllOfThemAndTheAudioRightAfter) {
  vt_test::TempDir dir;
  std::string path = dir.path("tenc.mp3");
  Bytes sound = audio();
  Bytes padding(200, 0);
  vt_test::write_file(path, tag(frame("TIT2", text_body("Old")) + frame("TPE1", text_body("Who")) +
                                frame("TENC", text_body("Encoder")) + padding) + sound);
  TagList list = read(path);
  EXPECT_EQ("Old", list.get("TITLE"));
  EXPECT_EQ("Encoder", list.get("TENC"));
  list.store("TITLE", "New", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  Bytes frames = frame("TENC", text_body("Encoder")) + frame("TPE1", text_body("Who")) + frame("TIT2", text_body("New"));
  // Entries go out in list order (newest first), in the old tag's room; the audio
  // stays where it was.
  EXPECT_EQ(tag(frames + padding) + sound, Bytes(file.begin(), file.end() - 128));
  EXPECT_EQ("New", read(path).get("TITLE"));
}

TEST(Id3v2, EditOfATitleOnlyTagIsNotLost) {
  vt_test::TempDir dir;
  std::string path = dir.path("two.mp3");
  vt_test::write_file(path, tag(frame("TIT2", text_body("Old")) + frame("TPE1", text_body("Who"))) + audio());
  TagList list = read(path);
  list.store("TITLE", "New", true);
  ASSERT_TRUE(write_tags(list, path));
  EXPECT_EQ("New", read(path).get("TITLE"));
  EXPECT_EQ("Who", read(path).get("ARTIST"));
}

TEST(Id3v2, ReadsVersion22AndWritesItBackAs23WithPictures) {
  vt_test::TempDir dir;
  std::string path = dir.path("v22.mp3");
  auto f22 = [](const std::string& id, const Bytes& body) {
    return text(id) + Bytes{uint8_t(body.size() >> 16), uint8_t(body.size() >> 8), uint8_t(body.size())} + body;
  };
  Bytes picture = Bytes{0} + text("PNG") + Bytes{3} + text("cover") + Bytes{0} + Bytes(300, 0xAB);
  Bytes frames = f22("TT2", text_body("Deux-deux")) + f22("TP1", text_body("Artiste")) + f22("TAL", text_body("Album")) +
                 f22("TRK", text_body("2")) + f22("TYE", text_body("1998")) +
                 f22("COM", Bytes{0} + text("eng") + Bytes{0} + text("Remarque") + Bytes{0}) + f22("PIC", picture) +
                 f22("TCO", text_body("(8)"));
  Bytes sound = audio();
  vt_test::write_file(path, tag(frames, 2) + sound);
  TagList list = read(path);
  expect_fields(list, {"Deux-deux", "Artiste", "Album", "Jazz", "2", "1998", "Remarque"});
  list.store("ALBUM", "Autre", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  EXPECT_EQ(3, file[3]);
  EXPECT_TRUE(contains(file, frame("APIC", Bytes{0} + text("image/png") + Bytes{0, 3} + text("cover") + Bytes{0} +
                                               Bytes(300, 0xAB))));
  EXPECT_TRUE(contains(file, frame("TIT2", text_body("Deux-deux"))));
  EXPECT_TRUE(ends_with(Bytes(file.begin(), file.end() - 128), sound));
  EXPECT_EQ("Autre", read(path).get("ALBUM"));
}

TEST(Id3v2, UndoesUnsynchronisationAndPassesExtendedHeaders) {
  vt_test::TempDir dir;
  std::string path = dir.path("unsync.mp3");
  // ID3v2.3, unsynchronised as a whole, with a 6-byte extended header.
  Bytes body = Bytes{0} + text("A") + Bytes{0xFF, 0xE0} + text("B") + Bytes{0};
  Bytes frames = be32(6) + Bytes(6, 0) + frame("TIT2", body);
  Bytes unsynced;
  for (size_t i = 0; i < frames.size(); ++i) {
    unsynced.push_back(frames[i]);
    if (frames[i] == 0xFF && i + 1 < frames.size() && (frames[i + 1] & 0xE0) == 0xE0) unsynced.push_back(0);
  }
  vt_test::write_file(path, tag(unsynced, 3, 0xC0) + audio());
  EXPECT_EQ(std::string("A\xFF\xE0" "B"), read(path).get("TITLE"));
  // ID3v2.4 with an extended header counted with its own size, a frame unsynchronised
  // on its own, and one whose size (200) differs between plain and synchsafe reading.
  Bytes frame4 = text("TIT2") + safe32(uint32_t(body.size() + 1)) + Bytes{0, 0x02} + Bytes{0} + text("A") +
                 Bytes{0xFF, 0x00, 0xE0} + text("B") + Bytes{0};
  Bytes frames4 = safe32(6) + Bytes{1, 0} + frame4 + frame("TPE1", text_body(std::string(198, 'x')), 4);
  vt_test::write_file(path, tag(frames4, 4, 0x40) + audio());
  TagList list = read(path);
  EXPECT_EQ(std::string("A\xFF\xE0" "B"), list.get("TITLE"));
  EXPECT_EQ(std::string(198, 'x'), list.get("ARTIST"));
}

TEST(Id3v2, DamagedFramesGiveWhatIsSoundAndNeverMore) {
  vt_test::TempDir dir;
  std::string path = dir.path("bad.mp3");
  // A zero-size frame, a comment shorter than its header, then a frame that claims
  // more than the tag holds.
  Bytes frames = frame("TIT2", text_body("Good")) + frame("TPE2", {}) + frame("COMM", Bytes{0, 'e'}) +
                 frame("TPE1", text_body("Fine")) + text("TALB") + be32(100000) + Bytes{0, 0} + text_body("cut");
  vt_test::write_file(path, tag(frames) + audio());
  TagList list = read(path);
  EXPECT_EQ("Good", list.get("TITLE"));
  EXPECT_EQ("Fine", list.get("ARTIST"));
  EXPECT_EQ("", list.get("ALBUM"));
  EXPECT_EQ("", list.get("COMMENT"));
  // A tag that claims more than the whole file: nothing is written over what it covers.
  Bytes claims = text("ID3") + Bytes{3, 0, 0} + safe32(1 << 20) + frame("TIT2", text_body("X")) + audio();
  vt_test::write_file(path, claims);
  list = read(path);
  EXPECT_EQ("X", list.get("TITLE"));
  list.store("TITLE", "Y", true);
  EXPECT_FALSE(write_tags(list, path));
  EXPECT_EQ(claims, vt_test::read_file(path));
  // A header of an unknown version is not rewritten either.
  Bytes v5 = text("ID3") + Bytes{5, 0, 0} + safe32(20) + Bytes(20, 1) + audio();
  vt_test::write_file(path, v5);
  list = read(path);
  list.store("TITLE", "Y", true);
  EXPECT_FALSE(write_tags(list, path));
  EXPECT_EQ(v5, vt_test::read_file(path));
}

TEST(Id3v2, TagFoundInsideTheAudioIsReadButNeverWrittenOver) {
  vt_test::TempDir dir;
  std::string path = dir.path("inside.mp3");
  Bytes before = audio(5000), inner = tag(frame("TIT2", text_body("Inner"))), after = audio(700);
  Bytes sound = before + inner + after;
  vt_test::write_file(path, sound);
  TagList list = read(path);
  EXPECT_EQ("Inner", list.get("TITLE"));
  list.store("ARTIST", "Me", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  EXPECT_TRUE(ends_with(Bytes(file.begin(), file.end() - 128), sound));  // every byte still there
  EXPECT_EQ(0, std::memcmp(file.data(), "ID3", 3));  // a new tag at the start
  EXPECT_EQ("Me", read(path).get("ARTIST"));
}

TEST(Id3v2, UnknownFramesAndFramesInOtherEncodingsSurviveARewrite) {
  vt_test::TempDir dir;
  std::string path = dir.path("keep.mp3");
  Bytes utf16_title = Bytes{1, 0xFF, 0xFE, 'C', 0, 'a', 0, 'f', 0, 0xE9, 0, 0x3B, 0xD8, 0x00, 0xDE, 0, 0};
  Bytes compressed = frame("TPE2", Bytes{0, 0, 0, 9, 0x78, 0x9C, 1, 2, 3}, 3, 0x80);
  Bytes kept = frame("XYZ1", Bytes{7, 7, 7}) + frame("PRIV", text("owner") + Bytes{0, 1, 2}) + compressed +
               frame("TXXX", Bytes{0} + text("desc") + Bytes{0} + text("value"));
  vt_test::write_file(path, tag(frame("TIT2", utf16_title) + kept) + audio());
  TagList list = read(path);
  EXPECT_EQ("Caf\xE9?", list.get("TITLE"));  // Windows-1252, '?' for what it cannot hold
  list.store("ARTIST", "New", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  EXPECT_TRUE(contains(file, frame("TIT2", utf16_title))) << "an untouched field keeps its encoding";
  EXPECT_TRUE(contains(file, kept));
  EXPECT_EQ("Caf\xE9?", read(path).get("TITLE"));
}

TEST(Id3v2, ThreeSavesInARowGiveTheSameFile) {
  vt_test::TempDir dir;
  std::string path = dir.path("again.mp3");
  vt_test::write_file(path, tag(frame("TIT2", text_body("T")) + frame("TENC", text_body("E"))) + audio());
  std::vector<Bytes> results;
  for (int i = 0; i < 3; ++i) {
    TagList list = read(path);
    ASSERT_TRUE(save_tag_edits(list, {{"TITLE", "Same"}, {"GENRE", "Jpop"}}, path));
    results.push_back(vt_test::read_file(path));
  }
  // Each read lists the frames newest first, so the order swaps and comes back.
  EXPECT_EQ(results[0], results[2]);
  EXPECT_EQ(results[0].size(), results[1].size());
  EXPECT_EQ("Same", read(path).get("TITLE"));
  EXPECT_EQ("Jpop", read(path).get("GENRE"));
  EXPECT_EQ("E", read(path).get("TENC"));
}

// RIFF INFO and DISP.
namespace {

Bytes wav_with(const Bytes& chunks_before_data, const Bytes& chunks_after_data, size_t samples = 1000) {
  Bytes fmt = text("fmt ") + le32(16) + Bytes{1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0};
  Bytes data = text("data") + le32(uint32_t(samples * 2)) + audio(samples * 2);
  Bytes body = text("WAVE") + fmt + chunks_before_data + data + chunks_after_data;
  return text("RIFF") + le32(uint32_t(body.size())) + body;
}
Bytes sub(const std::string& id, const std::string& value) {
  Bytes b = text(id) + le32(uint32_t(value.size() + 1)) + text(value) + Bytes{0};
  if (b.size() & 1) b.push_back(0);
  return b;
}
Bytes info(const Bytes& subs) { return text("LIST") + le32(uint32_t(subs.size() + 4)) + text("INFO") + subs; }
Bytes disp(const std::string& title) {
  Bytes d = le32(1) + text(title) + Bytes{0, 0};
  if (d.size() & 1) d.pop_back();
  return text("DISP") + le32(uint32_t(d.size())) + d;
}
uint32_t riff_size(const Bytes& file) { return file[4] | file[5] << 8 | file[6] << 16 | uint32_t(file[7]) << 24; }

}  // namespace

TEST(RiffInfo, ReadsTheFieldsFromInfoAndDisp) {
  vt_test::TempDir dir;
  std::string path = dir.path("r.wav");
  vt_test::write_file(path, wav_with(info(sub("IART", "Artiste") + sub("INAM", "Album") + sub("ICOP", "2020") +
                                          sub("IGNR", "Rock") + sub("ITRK", "3") + sub("ICMT", "Note") +
                                          sub("ISFT", "other")),
                                     disp("Titre")));
  TagList list = read(path);
  expect_fields(list, {"Titre", "Artiste", "Album", "Rock", "3", "2020", "Note"});
  // Empty sub-chunks (found by the fuzzer) and a DISP without text read as nothing.
  vt_test::write_file(path, wav_with(info(text("IART") + le32(0) + sub("INAM", "Album")) +
                                         text("DISP") + le32(4) + le32(1), {}));
  list = read(path);
  EXPECT_EQ("", list.get("ARTIST"));
  EXPECT_EQ("Album", list.get("ALBUM"));
  EXPECT_EQ("", list.get("TITLE"));
}

TEST(RiffInfo, ReusesSlotsAndDispInPlaceAndDoesNotGrowOnSavesAgain) {
  vt_test::TempDir dir;
  std::string path = dir.path("w.wav");
  Bytes original = wav_with(info(sub("IART", "Artiste") + sub("ISFT", "keep me")) + disp("Title"), {});
  vt_test::write_file(path, original);
  TagList list = read(path);
  ASSERT_TRUE(save_tag_edits(list, {{"ARTIST", "Artisan"}, {"TITLE", "Other"}}, path));
  Bytes file = vt_test::read_file(path);
  // Same lengths: both values went into their old places; nothing was appended.
  Bytes expected = wav_with(info(sub("IART", "Artisan") + sub("ISFT", "keep me")) + disp("Other"), {});
  EXPECT_EQ(expected, file);
  // A longer artist: the old slot is blanked and a new list appended; the RIFF size follows.
  list = read(path);
  ASSERT_TRUE(save_tag_edits(list, {{"ARTIST", "A much longer artist"}}, path));
  file = vt_test::read_file(path);
  EXPECT_TRUE(contains(file, text("    ") + le32(8) + text("Artisan")));
  EXPECT_TRUE(contains(file, sub("IART", "A much longer artist")));
  EXPECT_EQ(file.size() - 8, riff_size(file));
  TagList again = read(path);
  EXPECT_EQ("A much longer artist", again.get("ARTIST"));
  EXPECT_EQ("Other", again.get("TITLE"));
  size_t size_after_one = file.size();
  for (const char* artist : {"Short", "A much longer artist", "Medium artist"}) {
    list = read(path);
    ASSERT_TRUE(save_tag_edits(list, {{"ARTIST", artist}}, path));
    EXPECT_EQ(artist, read(path).get("ARTIST"));
  }
  EXPECT_LE(vt_test::read_file(path).size(), size_after_one + 40);
}

TEST(RiffInfo, EmptiedFieldStaysEmptyAndForeignDispIsLeftAlone) {
  vt_test::TempDir dir;
  std::string path = dir.path("e.wav");
  Bytes picture = text("DISP") + le32(12) + le32(8) + Bytes(8, 0x55);  // CF_DIB, not a title
  vt_test::write_file(path, wav_with(picture, info(sub("IART", "Artiste") + sub("ICMT", "Gone soon"))));
  TagList list = read(path);
  EXPECT_EQ("", list.get("TITLE"));
  ASSERT_TRUE(save_tag_edits(list, {{"COMMENT", ""}, {"TITLE", "T"}}, path));
  Bytes file = vt_test::read_file(path);
  EXPECT_TRUE(contains(file, picture));
  TagList after = read(path);
  EXPECT_EQ("", after.get("COMMENT"));
  EXPECT_EQ("Artiste", after.get("ARTIST"));
  EXPECT_EQ("T", after.get("TITLE"));
}

TEST(RiffInfo, AppendsWhereTheNextChunkWouldBegin) {
  vt_test::TempDir dir;
  std::string path = dir.path("stray.wav");
  // Three stray bytes after the last chunk (found by the fuzzer), then a data chunk of
  // odd size without its pad byte.
  for (const Bytes& tail : {Bytes{0xE1, 0, 'L'}, Bytes{}}) {
    Bytes file = wav_with({}, {}, 400) + tail;
    if (tail.empty()) {
      file = wav_with({}, text("data") + le32(3) + Bytes{1, 2, 3}, 400);
      Bytes size = le32(uint32_t(file.size() - 8));
      std::copy(size.begin(), size.end(), file.begin() + 4);
    }
    vt_test::write_file(path, file);
    TagList list = read(path);
    ASSERT_TRUE(save_tag_edits(list, {{"ARTIST", "Fuzz artist"}}, path));
    EXPECT_EQ("Fuzz artist", read(path).get("ARTIST"));
    Bytes after = vt_test::read_file(path);
    EXPECT_EQ(after.size() - 8, riff_size(after));
    if (tail.empty()) {
      EXPECT_EQ(0, after[file.size()]) << "the missing pad byte is added";
    }
  }
}

TEST(RiffInfo, DataCutShortGetsItsTrueSizeAndOtherDamageIsRefused) {
  vt_test::TempDir dir;
  std::string path = dir.path("cut.wav");
  Bytes whole = wav_with({}, {});
  Bytes cut(whole.begin(), whole.end() - 501);  // the data chunk runs past the end
  vt_test::write_file(path, cut);
  TagList list = read(path);
  ASSERT_TRUE(save_tag_edits(list, {{"ARTIST", "A"}}, path));
  Bytes file = vt_test::read_file(path);
  size_t data_at = 12 + 24;
  uint32_t data_size = file[data_at + 4] | file[data_at + 5] << 8 | file[data_at + 6] << 16;
  EXPECT_EQ(cut.size() - data_at - 8, data_size);
  EXPECT_TRUE(std::equal(cut.begin() + 8, cut.begin() + data_at + 4, file.begin() + 8));
  EXPECT_TRUE(std::equal(cut.begin() + data_at + 8, cut.end(), file.begin() + data_at + 8)) << "every audio byte is kept";
  EXPECT_EQ(0, file[cut.size()]) << "pad byte after the odd-sized data";
  EXPECT_EQ("A", read(path).get("ARTIST"));
  // Another chunk running past the end is not guessed at.
  Bytes odd = wav_with({}, text("LIST") + le32(5000) + text("adtl") + Bytes(20, 1));
  vt_test::write_file(path, odd);
  list = read(path);
  EXPECT_FALSE(save_tag_edits(list, {{"ARTIST", "A"}}, path));
  EXPECT_EQ(odd, vt_test::read_file(path));
  Bytes junk(300, 'J');
  vt_test::write_file(path, junk);
  EXPECT_FALSE(save_tag_edits(list, {{"ARTIST", "A"}}, path));
  EXPECT_EQ(junk, vt_test::read_file(path));
  TagList none;
  EXPECT_FALSE(read_tags(none, dir.path("missing.wav")));
  EXPECT_FALSE(write_tags(none, dir.path("missing.mp3")));
}

namespace {

Bytes v22_frame(const std::string& id, const Bytes& body) {
  uint32_t n = uint32_t(body.size());
  return text(id) + Bytes{uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)} + body;
}
Bytes comm_body(const std::string& language, const std::string& value) {
  return Bytes{0} + text(language) + Bytes{0} + text(value);
}
// The frames region of the tag at the start of `file` (without header and padding).
Bytes tag_region(const Bytes& file) {
  uint32_t size = uint32_t(file[6]) << 21 | uint32_t(file[7]) << 14 | uint32_t(file[8]) << 7 | file[9];
  return Bytes(file.begin() + 10, file.begin() + 10 + size);
}

}  // namespace

TEST(Id3v2, FramesNotUnderstoodAreReadPastAndKeptByteForByte) {
  vt_test::TempDir dir;
  std::string path = dir.path("odd.mp3");
  // A lowercase frame id first (some taggers write "Date"), a 2.2 id padded with a
  // zero, two comments in two languages, TYER beside TDRC.
  Bytes lower = frame("Date", text_body("2001"));
  Bytes padded_id = text("TP1") + Bytes{0} + be32(8) + Bytes{0, 0} + text_body("Artist");
  Bytes english = frame("COMM", comm_body("eng", "English")), french = frame("COMM", comm_body("fra", "French"));
  Bytes year = frame("TYER", text_body("1999")), recorded = frame("TDRC", text_body("2001-02-03"));
  Bytes sound = audio();
  vt_test::write_file(path, tag(lower + padded_id + english + french + year + recorded) + sound);
  TagList list = read(path);
  EXPECT_TRUE(list.whole);
  expect_fields(list, {"", "Artist", "", "", "", "2001-02-03", "French"});

  list.store("TITLE", "Nouveau", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  Bytes frames = tag_region(file);
  for (const Bytes& kept : {lower, english, year}) EXPECT_TRUE(contains(frames, kept));
  EXPECT_TRUE(contains(frames, frame("TPE1", text_body("Artist"))));
  EXPECT_TRUE(ends_with(file, sound + Bytes(file.end() - 128, file.end())));
  // The superseded frames come first, so the entries' frames are still read last.
  list = read(path);
  expect_fields(list, {"Nouveau", "Artist", "", "", "", "2001-02-03", "French"});
  // Emptied, a field stays empty: the other comment and the year go with it.
  list.store("COMMENT", "", true);
  list.store("DATE", "", true);
  ASSERT_TRUE(write_tags(list, path));
  frames = tag_region(vt_test::read_file(path));
  EXPECT_FALSE(contains(frames, english));
  EXPECT_FALSE(contains(frames, year));
  EXPECT_TRUE(contains(frames, lower));
  expect_fields(read(path), {"Nouveau", "Artist", "", "", "", "", ""});

  // A last frame cut short by the tag's end: what came before reads, nothing is written.
  Bytes overrun = text("TCOP") + be32(5000) + Bytes{0, 0} + text_body("(c) cut");
  Bytes damaged = tag(lower + frame("TPE1", text_body("Artist")) + overrun) + sound;
  vt_test::write_file(path, damaged);
  list = read(path);
  EXPECT_EQ("Artist", list.get("ARTIST"));
  EXPECT_FALSE(list.whole);
  list.store("TITLE", "Nouveau", true);
  EXPECT_FALSE(write_tags(list, path));
  EXPECT_EQ(damaged, vt_test::read_file(path));
}

TEST(Id3v2, ExtendedHeaderFlagWithoutOneAndOneThatDoesNotFit) {
  vt_test::TempDir dir;
  std::string path = dir.path("ext.mp3");
  for (int version : {3, 4}) {
    vt_test::write_file(path, tag(frame("TIT2", text_body("Flagged"), version), version, 0x40) + audio());
    EXPECT_EQ("Flagged", read(path).get("TITLE")) << version;
  }
  // An extended header whose size runs past the tag: nothing of it can be read, so
  // nothing is written, neither by the library nor by its callers.
  Bytes damaged = tag(be32(500) + Bytes(6, 0) + frame("TIT2", text_body("Lost")) + frame("APIC", Bytes(40, 9)), 3, 0x40) +
                  audio();
  vt_test::write_file(path, damaged);
  TagList list = read(path);
  EXPECT_FALSE(list.whole);
  list.store("TITLE", "Écrasé", true);
  EXPECT_FALSE(write_tags(list, path));
  EXPECT_EQ(damaged, vt_test::read_file(path));
  // A list read from a file that could not be opened is never written either.
  std::string later = dir.path("later.wav");
  TagList none;
  EXPECT_FALSE(read_tags(none, later));
  Bytes wav = wav_with(info(sub("IART", "Gardé")), {});
  vt_test::write_file(later, wav);
  none.store("TITLE", "Vide", true);
  EXPECT_FALSE(write_tags(none, later));
  EXPECT_EQ(wav, vt_test::read_file(later));
}

TEST(Id3v2, V22CompilationAndSortOrderFramesBecomeTheirV23Forms) {
  vt_test::TempDir dir;
  std::string path = dir.path("v22.mp3");
  Bytes frames = v22_frame("TT2", text_body("Title")) + v22_frame("TCP", text_body("1")) +
                 v22_frame("TST", text_body("Sort title")) + v22_frame("TSA", text_body("Sort album")) +
                 v22_frame("TSP", text_body("Sort artist")) + v22_frame("TS2", text_body("Sort band")) +
                 v22_frame("TSC", text_body("Sort composer"));
  vt_test::write_file(path, tag(frames, 2) + audio());
  TagList list = read(path);
  list.store("ARTIST", "New", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes written = tag_region(vt_test::read_file(path));
  const char* pairs[][2] = {{"TCMP", "1"}, {"TSOT", "Sort title"}, {"TSOA", "Sort album"},
                            {"TSOP", "Sort artist"}, {"TSO2", "Sort band"}, {"TSOC", "Sort composer"}};
  for (auto& pair : pairs) EXPECT_TRUE(contains(written, frame(pair[0], text_body(pair[1])))) << pair[0];
}

TEST(Id3v2, CodePagePunctuationIsWrittenSoEveryReaderSeesIt) {
  vt_test::TempDir dir;
  std::string path = dir.path("fr.mp3");
  const std::string summer = "L\x92\xE9t\xE9";  // "L’été" in Windows-1252
  for (int version : {3, 4}) {
    vt_test::write_file(path, tag(frame("TENC", text_body("x"), version), version) + audio());
    TagList list = read(path);
    list.store("TITLE", summer, true);
    list.store("ARTIST", "\xE9t\xE9", true);  // inside ISO-8859-1: stays encoding 0
    list.store("COMMENT", "\x85 \x9C", true);  // "… œ"
    ASSERT_TRUE(write_tags(list, path));
    Bytes frames = tag_region(vt_test::read_file(path));
    EXPECT_TRUE(contains(frames, frame("TPE1", text_body("\xE9t\xE9"), version)));
    if (version == 3) {
      Bytes utf16 = {1, 0xFF, 0xFE, 'L', 0, 0x19, 0x20, 0xE9, 0, 't', 0, 0xE9, 0, 0, 0};
      EXPECT_TRUE(contains(frames, frame("TIT2", utf16, 3)));
      Bytes comment = {1, 0, 0, 0, 0, 0, 0xFF, 0xFE, 0x26, 0x20, ' ', 0, 0x53, 0x01, 0, 0};
      EXPECT_TRUE(contains(frames, frame("COMM", comment, 3)));
    } else {
      EXPECT_TRUE(contains(frames, frame("TIT2", Bytes{3} + text("L\xE2\x80\x99\xC3\xA9t\xC3\xA9") + Bytes{0}, 4)));
    }
    list = read(path);
    EXPECT_EQ(summer, list.get("TITLE"));
    EXPECT_EQ("\x85 \x9C", list.get("COMMENT"));
  }
  // Without an ID3v2 tag, such a value makes one: the trailer alone would garble it.
  vt_test::write_file(path, audio());
  TagList list = read(path);
  list.store("TITLE", summer, true);
  ASSERT_TRUE(write_tags(list, path));
  EXPECT_EQ(0, std::memcmp(vt_test::read_file(path).data(), "ID3", 3));
}

namespace {

// A file that takes at most `budget` more bytes and then nothing: a write cut short by
// a kill, a power cut or a full disk. Truncation counts as one byte.
class CutFile : public BinaryFile {
 public:
  CutFile(std::unique_ptr<BinaryFile> file, int64_t budget) : file_(std::move(file)), budget_(budget) {}
  int read(void* data, int bytes) override { return file_->read(data, bytes); }
  bool write(const void* data, int bytes) override {
    int64_t take = std::min<int64_t>(bytes, std::max<int64_t>(budget_, 0));
    if (take > 0 && !file_->write(data, static_cast<int>(take))) return false;
    budget_ -= bytes;
    written_ += take;
    return take == bytes;
  }
  bool seek(int64_t offset) override { return file_->seek(offset); }
  int64_t tell() override { return file_->tell(); }
  int64_t size() override { return file_->size(); }
  bool truncate_here() override { return budget_-- > 0 && file_->truncate_here(); }
  int64_t written() const { return written_; }

 private:
  std::unique_ptr<BinaryFile> file_;
  int64_t budget_;
  int64_t written_ = 0;
};

// Every cut of the write: at each 512-byte block within each write and at each
// write's end. `check` gets the file as the cut left it.
template <typename Write, typename Check>
void cut_everywhere(const std::string& path, const Bytes& original, Write write, Check check) {
  vt_test::write_file(path, original);
  CutFile whole(open_binary_file(path, FileAccess::kUpdateShared), INT64_MAX);
  ASSERT_TRUE(write(whole));
  int64_t total = whole.written();
  std::vector<int64_t> cuts;
  for (int64_t at = 0; at < total; at += 512) cuts.push_back(at);
  for (int64_t bytes : {1, 4, 8, 12}) cuts.push_back(bytes);
  cuts.push_back(total + 1);
  for (int64_t budget : cuts) {
    vt_test::write_file(path, original);
    {
      CutFile cut(open_binary_file(path, FileAccess::kUpdateShared), budget);
      write(cut);
    }
    SCOPED_TRACE("cut after " + std::to_string(budget) + " bytes of " + std::to_string(total));
    check(vt_test::read_file(path));
  }
}

uint32_t synchsafe_at(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 21 | uint32_t(b[at + 1]) << 14 | uint32_t(b[at + 2]) << 7 | b[at + 3];
}

}  // namespace

TEST(TagsInPlace, Mp3TagThatFitsIsWrittenInItsRoomAndACutNeverReachesTheAudio) {
  vt_test::TempDir dir;
  std::string path = dir.path("room.mp3");
  ASSERT_TRUE(vt_test::have_program("lame") && vt_test::have_program("sox")) << "lame and sox are needed";
  ASSERT_EQ(0, vt_test::run_command("sox -n -r 44100 -c 1 -b 16 '" + dir.path("tone.wav") + "' synth 1 sine 440 && "
                                    "lame --quiet -b 64 '" + dir.path("tone.wav") + "' '" + dir.path("tone.mp3") + "'"));
  Bytes sound = vt_test::read_file(dir.path("tone.mp3"));
  Bytes old_tag = tag(frame("TIT2", text_body("Old title")) + frame("APIC", Bytes(900, 0x5A)) + Bytes(3000, 0));
  Bytes trailer = v1_trailer("Old title", 0, 3, 17);
  Bytes original = old_tag + sound + trailer;
  vt_test::write_file(path, original);
  TagList list = read(path);
  list.store("TITLE", "A new and somewhat longer title", true);
  list.store("TRACKNUMBER", "", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  ASSERT_EQ(original.size(), file.size()) << "nothing moved";
  EXPECT_EQ(old_tag.size() - 10, synchsafe_at(file, 6)) << "the tag keeps its room";
  EXPECT_TRUE(std::equal(sound.begin(), sound.end(), file.begin() + old_tag.size()));
  EXPECT_EQ("A new and somewhat longer title", read(path).get("TITLE"));
  EXPECT_EQ("", read(path).get("TRACKNUMBER"));

  // A tag without padding whose edit keeps its length fits exactly.
  Bytes tight = tag(frame("TIT2", text_body("Old title")) + frame("TENC", text_body("x"))) + sound;
  vt_test::write_file(path, tight);
  list = read(path);
  list.store("TITLE", "New title", true);
  ASSERT_TRUE(write_tags(list, path));
  file = vt_test::read_file(path);
  EXPECT_EQ(tight.size() + 128, file.size()) << "only the trailer was added";
  EXPECT_TRUE(std::equal(sound.begin(), sound.end(), file.begin() + (tight.size() - sound.size())));

  // Cut anywhere, the audio is where the tag's header says it begins, byte for byte,
  // and the title is the old one or the new one.
  vt_test::write_file(path, original);
  list = read(path);
  list.store("TITLE", "Cut title", true);
  ASSERT_TRUE(vt_test::have_program("ffprobe")) << "ffprobe is needed (scripts/install-deps.sh)";
  std::string probe = "ffprobe -v error -show_entries stream=codec_name -of csv=p=0 '" + dir.path("seen.mp3") + "'";
  cut_everywhere(
      path, original,
      [&](BinaryFile& f) { return write_mp3_tags_in(list, f) == InPlaceWrite::kWritten; },
      [&](const Bytes& now) {
        ASSERT_EQ(original.size(), now.size());
        EXPECT_EQ(0, std::memcmp(now.data(), "ID3", 3));
        EXPECT_EQ(old_tag.size(), 10 + synchsafe_at(now, 6));
        EXPECT_TRUE(std::equal(sound.begin(), sound.end(), now.begin() + old_tag.size()));
        TagList seen;
        vt_test::write_file(dir.path("seen.mp3"), now);
        read_tags(seen, dir.path("seen.mp3"));
        std::string title = seen.get("TITLE");
        EXPECT_TRUE(title == "Old title" || title == "Cut title" || title.empty()) << title;
        std::string codec;
        EXPECT_EQ(0, vt_test::run_command(probe, &codec));
        EXPECT_EQ(0u, codec.find("mp3")) << "another reader still finds the audio: " << codec;
      });
}

namespace {

// The chunks inside the RIFF size, which must end exactly at a chunk's end within the
// file; the offset of the data chunk, or 0.
size_t check_riff_walk(const Bytes& file) {
  size_t riff_end = 8 + riff_size(file), data_at = 0;
  EXPECT_LE(riff_end, file.size());
  size_t at = 12;
  while (at + 8 <= riff_end) {
    uint32_t size = file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | uint32_t(file[at + 7]) << 24;
    if (!std::memcmp(&file[at], "data", 4)) data_at = at;
    at += 8 + size + (size & 1);
  }
  EXPECT_EQ(riff_end, at) << "the RIFF size ends on a chunk's end";
  return data_at;
}

}  // namespace

TEST(TagsInPlace, WavIsWrittenInPlaceAndACutLeavesItsRiffSizeAndDataRight) {
  vt_test::TempDir dir;
  std::string path = dir.path("cut.wav");
  Bytes original = wav_with({}, info(sub("IART", "Old artist") + sub("ISFT", "keep")) + disp("Old"), 3000);
  size_t data_at = check_riff_walk(original);
  Bytes data(original.begin() + data_at, original.begin() + data_at + 8 + 6000);
  ASSERT_TRUE(vt_test::have_program("sox")) << "sox is needed (scripts/install-deps.sh)";
  std::string samples, decode = "sox '" + dir.path("seen.wav") + "' -t raw - | md5sum";
  vt_test::write_file(dir.path("seen.wav"), original);
  ASSERT_EQ(0, vt_test::run_command(decode, &samples));
  vt_test::write_file(path, original);
  TagList list = read(path);
  list.store("ARTIST", "A longer artist than before", true);
  list.store("TITLE", "Titre neuf", true);
  cut_everywhere(
      path, original, [&](BinaryFile& f) { return write_wav_tags_in(list, f); },
      [&](const Bytes& now) {
        EXPECT_EQ(data_at, check_riff_walk(now));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), now.begin() + data_at)) << "the data chunk never moves";
        vt_test::write_file(dir.path("seen.wav"), now);
        TagList seen;
        read_tags(seen, dir.path("seen.wav"));
        std::string artist = seen.get("ARTIST");
        EXPECT_TRUE(artist == "Old artist" || artist == "A longer artist than before" || artist.empty()) << artist;
        std::string now_samples;
        EXPECT_EQ(0, vt_test::run_command(decode, &now_samples));
        EXPECT_EQ(samples, now_samples) << "sox reads the same samples";
      });
  // The whole write: both values there, the data chunk where it was.
  TagList after = read(path);
  EXPECT_EQ("A longer artist than before", after.get("ARTIST"));
  EXPECT_EQ("Titre neuf", after.get("TITLE"));
}

TEST(TagsInPlace, ReadOnlyAndFullDiskLeaveTheFileAsItWas) {
  vt_test::TempDir dir;
  std::string mp3 = dir.path("full.mp3"), wav = dir.path("full.wav");
  Bytes untagged = audio(200000), bare_wav = wav_with({}, {}, 100000);
  vt_test::write_file(mp3, untagged);
  vt_test::write_file(wav, bare_wav);
  TagList mp3_list = read(mp3), wav_list = read(wav);
  mp3_list.store("TITLE", "A title longer than the trailer holds", true);
  wav_list.store("ARTIST", "Quelqu'un", true);

  ASSERT_EQ(0, chmod(mp3.c_str(), 0444));
  ASSERT_EQ(0, chmod(wav.c_str(), 0444));
  EXPECT_FALSE(write_tags(mp3_list, mp3));
  EXPECT_FALSE(write_tags(wav_list, wav));
  EXPECT_EQ(untagged, vt_test::read_file(mp3));
  EXPECT_EQ(bare_wav, vt_test::read_file(wav));
  ASSERT_EQ(0, chmod(mp3.c_str(), 0644));
  ASSERT_EQ(0, chmod(wav.c_str(), 0644));

  // No file may grow past its present size: the MP3 needs a whole new file, the WAV
  // room for its new chunks.
  struct sigaction ignore = {}, before = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &before);
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = bare_wav.size() + 20;
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
  bool mp3_written = write_tags(mp3_list, mp3), wav_written = write_tags(wav_list, wav);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  sigaction(SIGXFSZ, &before, nullptr);
  EXPECT_FALSE(mp3_written);
  EXPECT_FALSE(wav_written);
  EXPECT_EQ(untagged, vt_test::read_file(mp3));
  EXPECT_EQ(bare_wav, vt_test::read_file(wav));
  EXPECT_NE(0, access((mp3 + ".vtnew").c_str(), F_OK)) << "no new file left behind";
}

namespace {

// Counts what a rewrite shows and asks to stop at the first chance.
class CancellingProgress : public ProgressDisplay {
 public:
  void set_progress_fraction(double fraction) override { last = fraction; }
  bool pump_and_check_cancel() override { return ++asked >= 1; }
  double last = -1;
  int asked = 0;
};

}  // namespace

TEST(TagsInPlace, RewriteOfATagThatOutgrewItsRoomLeavesPaddingAndCanBeCancelled) {
  vt_test::TempDir dir;
  std::string path = dir.path("grow.mp3");
  Bytes sound = audio(3 << 20);  // more than one block of the copy
  Bytes original = tag(frame("TIT2", text_body("Short"))) + sound;
  vt_test::write_file(path, original);
  TagList list = read(path);
  list.store("TITLE", std::string(200, 'L'), true);
  CancellingProgress cancel;
  EXPECT_EQ(Outcome::kStopped, write_tags(list, path, &cancel));
  EXPECT_EQ(1, cancel.asked);
  EXPECT_GT(cancel.last, 0.0);
  EXPECT_LT(cancel.last, 1.0);
  EXPECT_EQ(original, vt_test::read_file(path));
  EXPECT_NE(0, access((path + ".vtnew").c_str(), F_OK)) << "no new file left behind";

  ASSERT_EQ(Outcome::kDone, write_tags(list, path, nullptr));
  Bytes file = vt_test::read_file(path);
  size_t room = 10 + synchsafe_at(file, 6);
  size_t frames = 10 + 10 + 202;  // header, TIT2 header, body
  EXPECT_EQ(0u, room % 1024);
  EXPECT_GE(room - frames, 1024u) << "padding for later edits";
  EXPECT_LT(room - frames, 4096u);
  EXPECT_TRUE(std::equal(sound.begin(), sound.end(), file.begin() + room));
  // The next edit fits: the file does not move again.
  list = read(path);
  list.store("ARTIST", std::string(500, 'A'), true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes again = vt_test::read_file(path);
  EXPECT_EQ(file.size(), again.size());
  EXPECT_TRUE(std::equal(sound.begin(), sound.end(), again.begin() + room));
}

// Found by the fuzz target: a file of a few bytes that begin like a tag header, which
// the appended trailer would complete into one.
TEST(Id3v2, BytesTooFewForAHeaderNeverJoinTheTrailerIntoOne) {
  vt_test::TempDir dir;
  std::string path = dir.path("tiny.mp3");
  Bytes tiny = text("ID3") + Bytes{4};
  vt_test::write_file(path, tiny);
  TagList list = read(path);
  list.store("ARTIST", "Fuzz artist", true);
  ASSERT_TRUE(write_tags(list, path));
  Bytes file = vt_test::read_file(path);
  size_t room = 10 + synchsafe_at(file, 6);
  ASSERT_EQ(room + tiny.size() + 128, file.size());
  EXPECT_TRUE(std::equal(tiny.begin(), tiny.end(), file.begin() + room));
  EXPECT_EQ("Fuzz artist", read(path).get("ARTIST"));
}

// Found by the fuzz target: in ID3v2.4 a large frame followed by one with an odd id
// reads with its synchsafe size, not the plain one.
TEST(Id3v2, V24FrameBeforeAnOddIdKeepsItsSynchsafeSize) {
  vt_test::TempDir dir;
  std::string path = dir.path("odd24.mp3");
  Bytes big = frame("TPE2", text_body(std::string(198, 'b')), 4);  // size 200: 0x00 0x00 0x01 0x48
  Bytes odd = text("Xy!z") + safe32(4) + Bytes{0, 0} + Bytes{1, 2, 3, 4};
  Bytes filler = frame("TALB", text_body(std::string(40, 'a')), 4);
  vt_test::write_file(path, tag(big + odd + filler + Bytes(300, 0), 4) + audio());
  TagList list = read(path);
  EXPECT_EQ(std::string(198, 'b'), list.get("TPE2"));
  EXPECT_EQ(std::string(40, 'a'), list.get("ALBUM"));
}

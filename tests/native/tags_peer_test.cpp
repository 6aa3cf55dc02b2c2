// vtool tags against files other programs wrote: mutagen (ID3v2.3 and 2.4 with frames
// of many kinds), id3lib's id3v2 (ID3v2.3 and ID3v1), ffmpeg (RIFF INFO), read back
// with mutagen and exiftool; the decoded audio must not change, nor any frame the
// edit did not touch, over three saves in a row.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/native_files.h"

namespace {

std::string peer_script() { return TAGS_PEER_SCRIPT; }

// Runs a command that must succeed and returns its output.
std::string must_run(const std::string& command) {
  std::string output;
  EXPECT_EQ(0, vt_test::run_command(command, &output)) << command << "\n" << output;
  return output;
}

std::string vtool(const std::string& arguments, int expected_status = 0) {
  std::string output;
  EXPECT_EQ(expected_status, vt_test::run_command(std::string(VTOOL_PATH) + " tags " + arguments, &output))
      << arguments << "\n" << output;
  return output;
}

std::string peer(const std::string& command, const std::string& path) {
  return must_run("/usr/bin/python3 '" + peer_script() + "' " + command + " '" + path + "'");
}

std::set<std::string> lines(const std::string& text) {
  std::set<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) out.insert(line);
  }
  return out;
}

// Frame keys that are in `a` with another content or not at all in `b`.
std::set<std::string> changed_keys(const std::set<std::string>& a, const std::set<std::string>& b) {
  std::set<std::string> out;
  for (const std::string& line : a) {
    if (!b.count(line)) out.insert(line.substr(0, line.rfind(' ')));
  }
  return out;
}

// The seven fields vtool prints, sorted as the peer prints them.
std::set<std::string> our_fields(const std::string& path) {
  std::set<std::string> out;
  for (const std::string& line : lines(vtool("'" + path + "'"))) {
    std::string name = line.substr(0, line.find('='));
    if (name == "TITLE" || name == "ARTIST" || name == "ALBUM" || name == "GENRE" || name == "TRACKNUMBER" ||
        name == "DATE" || name == "COMMENT")
      out.insert(line);
  }
  return out;
}

// The emoji of the test files has no place in Windows-1252: it reads as '?'.
std::set<std::string> without_emoji(const std::set<std::string>& fields) {
  std::set<std::string> out;
  for (std::string line : fields) {
    size_t at = line.find("😀");
    if (at != std::string::npos) line.replace(at, std::string("😀").size(), "?");
    out.insert(line);
  }
  return out;
}

std::string decoded_mp3(const std::string& path) { return must_run("mpg123 -q -s '" + path + "' | md5sum"); }

void require_peers() {
  for (const char* tool : {"sox", "lame", "mpg123", "id3v2", "ffmpeg", "exiftool", "md5sum"})
    ASSERT_TRUE(vt_test::have_program(tool)) << tool << " is needed (scripts/install-deps.sh)";
  ASSERT_EQ(0, vt_test::run_command("/usr/bin/python3 -c 'import mutagen'")) << "python3-mutagen is needed";
}

std::string make_mp3(const vt_test::TempDir& dir, const std::string& name) {
  must_run("sox -n -r 44100 -c 2 -b 16 '" + dir.path("tone.wav") + "' synth 0.4 sine 440 sine 660");
  must_run("lame --quiet -b 96 '" + dir.path("tone.wav") + "' '" + dir.path(name) + "'");
  return dir.path(name);
}

// Edits title and genre three times over; checks fields, frames, audio and version.
void edit_three_times(const std::string& path) {
  std::string version = peer("version", path), audio = decoded_mp3(path);
  std::set<std::string> frames = lines(peer("frames", path));
  size_t first_size = 0;
  for (int save = 0; save < 3; ++save) {
    vtool("'" + path + "' 'TITLE=Nouveau titre élan' GENRE=Jpop");
    std::set<std::string> mutagen = lines(peer("fields", path));
    EXPECT_TRUE(mutagen.count("TITLE=Nouveau titre élan")) << path;
    EXPECT_TRUE(mutagen.count("GENRE=Jpop")) << path;
    EXPECT_EQ(without_emoji(mutagen), our_fields(path)) << path;
    std::set<std::string> after = lines(peer("frames", path));
    EXPECT_EQ((std::set<std::string>{"TCON", "TIT2"}), changed_keys(frames, after)) << path;
    EXPECT_EQ((std::set<std::string>{"TCON", "TIT2"}), changed_keys(after, frames)) << path;
    EXPECT_EQ(audio, decoded_mp3(path)) << path;
    EXPECT_EQ(version, peer("version", path)) << path;
    size_t size = vt_test::read_file(path).size();
    if (save == 0) first_size = size;
    EXPECT_EQ(first_size, size) << "save " << save;
  }
}

}  // namespace

TEST(TagsPeers, Id3v23And24FromMutagenKeepEveryUntouchedFrame) {
  require_peers();
  vt_test::TempDir dir;
  for (const char* make : {"make23", "make24"}) {
    std::string path = make_mp3(dir, std::string(make) + ".mp3");
    peer(make, path);
    std::set<std::string> ours = our_fields(path);
    EXPECT_TRUE(ours.count("ALBUM=Album ? étoile")) << make;
    EXPECT_EQ(without_emoji(lines(peer("fields", path))), ours) << make;
    EXPECT_TRUE(ours.count("GENRE=Rock")) << make;
    edit_three_times(path);
  }
}

TEST(TagsPeers, Id3libFileWithBothTags) {
  require_peers();
  vt_test::TempDir dir;
  std::string path = make_mp3(dir, "id3lib.mp3");
  must_run("id3v2 -t 'Un titre' -a 'Une artiste' -A 'Un album' -c 'Une remarque' -g 119 -y 1999 -T 5 '" + path + "'");
  EXPECT_EQ("2.3.0\n", peer("version", path));
  EXPECT_EQ(lines(peer("fields", path)), our_fields(path));
  edit_three_times(path);
  // Without an ID3v2 tag the trailer carries everything while it can hold it; a value
  // it would cut brings an ID3v2 tag.
  must_run("id3v2 -d '" + path + "'");
  vtool("'" + path + "' ARTIST=Elle COMMENT=court");
  EXPECT_EQ("none\n", peer("version", path));
  EXPECT_TRUE(lines(peer("fields", path)).count("COMMENT=court"));
  vtool("'" + path + "' 'ARTIST=Une artiste au nom bien trop long'");
  EXPECT_EQ("2.3.0\n", peer("version", path));
  EXPECT_EQ(lines(peer("fields", path)), our_fields(path));
  EXPECT_TRUE(our_fields(path).count("ARTIST=Une artiste au nom bien trop long"));
}

TEST(TagsPeers, Id3v22IsWrittenBackAs23) {
  require_peers();
  vt_test::TempDir dir;
  std::string path = make_mp3(dir, "v22.mp3");
  std::vector<uint8_t> sound = vt_test::read_file(path);
  auto frame = [](const std::string& id, const std::string& body) {
    std::string f = id;
    f += char(body.size() >> 16);
    f += char(body.size() >> 8);
    f += char(body.size());
    return f + body;
  };
  std::string frames = frame("TT2", std::string("\0Deux", 5)) + frame("TP1", std::string("\0Qui", 4)) +
                       frame("COM", std::string("\0eng\0Note", 9)) +
                       frame("PIC", std::string("\0JPG\3\0", 6) + std::string(200, '\xD8'));
  std::string tag = std::string("ID3\2\0\0\0\0", 8) + char(frames.size() >> 7) + char(frames.size() & 0x7F) + frames;
  std::vector<uint8_t> file(tag.begin(), tag.end());
  file.insert(file.end(), sound.begin(), sound.end());
  vt_test::write_file(path, file);
  EXPECT_EQ(lines(peer("fields", path)), our_fields(path));
  std::string audio = decoded_mp3(path);
  vtool("'" + path + "' ARTIST=Elle");
  EXPECT_EQ("2.3.0\n", peer("version", path));
  std::set<std::string> after = lines(peer("frames", path));
  EXPECT_EQ(1u, std::count_if(after.begin(), after.end(), [](const std::string& l) { return l.rfind("APIC:", 0) == 0; }));
  std::set<std::string> fields = lines(peer("fields", path));
  EXPECT_TRUE(fields.count("TITLE=Deux"));
  EXPECT_TRUE(fields.count("ARTIST=Elle"));
  EXPECT_TRUE(fields.count("COMMENT=Note"));
  EXPECT_EQ(audio, decoded_mp3(path));
  EXPECT_NE(std::string::npos, must_run("/usr/bin/python3 -c \"from mutagen.id3 import ID3; "
                                        "print(ID3('" + path + "').getall('APIC')[0].mime)\"").find("image/jpeg"));
}

TEST(TagsPeers, RiffInfoFromFfmpegAsExiftoolReadsIt) {
  require_peers();
  vt_test::TempDir dir;
  std::string raw = dir.path("raw.wav"), path = dir.path("info.wav");
  must_run("sox -n -r 8000 -c 1 -b 16 '" + raw + "' synth 0.5 sine 300");
  must_run("ffmpeg -v error -y -i '" + raw + "' -metadata artist=Artiste -metadata title=Nom -metadata album=Produit "
           "-metadata genre=Rock -metadata comment=Remarque -metadata copyright=2019 -c copy '" + path + "'");
  auto exif = [&] { return lines(must_run("exiftool -s -s -Artist -Title -Product -Genre -Comment -Copyright '" + path + "'")); };
  std::set<std::string> before = exif();
  EXPECT_TRUE(before.count("Artist: Artiste"));
  EXPECT_EQ((std::set<std::string>{"TITLE=Produit", "ARTIST=Artiste", "ALBUM=Nom", "GENRE=Rock", "DATE=2019",
                                   "COMMENT=Remarque"}),
            our_fields(path));
  std::string audio = must_run("sox '" + path + "' -t raw - | md5sum");
  size_t first_size = 0;
  for (int save = 0; save < 3; ++save) {
    vtool("'" + path + "' 'ARTIST=Une autre artiste' 'COMMENT=' TITLE=Titre" + std::to_string(save));
    std::set<std::string> now = exif();
    EXPECT_TRUE(now.count("Artist: Une autre artiste"));
    EXPECT_TRUE(now.count("Genre: Rock"));
    EXPECT_FALSE(now.count("Comment: Remarque"));
    std::set<std::string> ours = our_fields(path);
    EXPECT_TRUE(ours.count("TITLE=Titre" + std::to_string(save)));
    EXPECT_FALSE(ours.count("COMMENT=Remarque")) << "an emptied field stays empty";
    EXPECT_EQ(audio, must_run("sox '" + path + "' -t raw - | md5sum"));
    std::string probe;
    EXPECT_EQ(0, vt_test::run_command("ffprobe -v warning -show_entries format_tags=artist -of csv=p=0 '" + path + "'", &probe));
    EXPECT_EQ("Une autre artiste\n", probe) << "ffprobe complains about nothing";
    size_t size = vt_test::read_file(path).size();
    if (save == 0) first_size = size;
    EXPECT_EQ(first_size, size);
  }
}

TEST(TagsPeers, DamagedAndMissingFiles) {
  require_peers();
  vt_test::TempDir dir;
  std::string path = make_mp3(dir, "d.mp3");
  std::vector<uint8_t> sound = vt_test::read_file(path);
  // Tags cut short: what was read is printed, exit 0.
  std::string cut = std::string("ID3\3\0\0\0\0\x10\0TIT2\0\0\0\6\0\0\0Titre", 26) + "TPE1\0\0\x10\0\0\0\0Hal";
  std::vector<uint8_t> file(cut.begin(), cut.end());
  vt_test::write_file(path, file);
  EXPECT_EQ("TITLE=Titre\n", vtool("'" + path + "'"));
  vt_test::write_file(dir.path("noise.mp3"), sound);
  EXPECT_EQ("", vtool("'" + dir.path("noise.mp3") + "'"));
  std::string missing = vtool("'" + dir.path("missing.mp3") + "'", 2);
  EXPECT_NE(std::string::npos, missing.find("missing.mp3: le fichier ne peut être ouvert")) << missing;
  // A WAV file written through a pipe: its sizes were never patched.
  std::string piped = dir.path("piped.wav");
  must_run("sox -n -r 8000 -c 1 -b 16 -t wav - synth 0.3 sine 500 | cat > '" + piped + "'");
  std::string audio = must_run("sox '" + piped + "' -t raw - 2>/dev/null | md5sum");
  vtool("'" + piped + "' ARTIST=Moi");
  EXPECT_EQ(audio, must_run("sox '" + piped + "' -t raw - | md5sum"));
  EXPECT_EQ("Moi\n", must_run("ffprobe -v warning -show_entries format_tags=artist -of csv=p=0 '" + piped + "'"));
  vt_test::write_file(dir.path("x.aif"), sound);
  std::string refused = vtool("'" + dir.path("x.aif") + "' TITLE=a", 2);
  EXPECT_NE(std::string::npos, refused.find("Seuls les repères des fichiers wav et mp3 peuvent être édités.")) << refused;
  EXPECT_EQ(sound, vt_test::read_file(dir.path("x.aif")));
}

namespace {

std::string corpus_dir() {
  const char* shared = std::getenv("VT_SHARED_DIR");
  return shared ? std::string(shared) + "/tag-corpus" : std::string();
}

// The bytes between the ID3v2 tag at the start (if any) and the ID3v1 trailer (if any).
std::vector<uint8_t> audio_region(const std::vector<uint8_t>& file) {
  size_t begin = 0, end = file.size();
  if (file.size() >= 10 && !std::memcmp(file.data(), "ID3", 3) && !((file[6] | file[7] | file[8] | file[9]) & 0x80)) {
    size_t size = size_t(file[6]) << 21 | size_t(file[7]) << 14 | size_t(file[8]) << 7 | file[9];
    begin = std::min(file.size(), 10 + size + ((file[5] & 0x10) ? 10 : 0));
  }
  if (end >= begin + 128 && !std::memcmp(&file[end - 128], "TAG", 3)) end -= 128;
  return std::vector<uint8_t>(file.begin() + begin, file.begin() + end);
}

std::map<std::string, std::string> as_map(const std::set<std::string>& fields) {
  std::map<std::string, std::string> out;
  for (const std::string& line : fields) out[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return out;
}

}  // namespace

// Tag files of the field (their README names what is odd in each): the fields read as
// mutagen reads them, and a title edit keeps the audio bytes and every other frame,
// or is refused with the file unchanged.
TEST(TagsPeers, RealWorldTagFilesReadAsMutagenReadsThemAndSurviveAnEdit) {
  require_peers();
  std::string corpus = corpus_dir();
  ASSERT_FALSE(corpus.empty()) << "VT_SHARED_DIR is not set";
  std::string listing;
  ASSERT_EQ(0, vt_test::run_command("ls '" + corpus + "' | grep -E '\\.(mp3|id3)$'", &listing));
  vt_test::TempDir dir;
  int compared = 0, agreed = 0, files = 0;
  for (const std::string& name : lines(listing)) {
    SCOPED_TRACE(name);
    ++files;
    std::string path = dir.path(name.substr(0, name.rfind('.')) + ".mp3");
    must_run("cp '" + corpus + "/" + name + "' '" + path + "' && chmod u+w '" + path + "'");
    std::string mutagen_fields;
    bool mutagen_reads = vt_test::run_command("/usr/bin/python3 '" + peer_script() + "' fields '" + path + "' 2>/dev/null",
                                              &mutagen_fields) == 0;
    std::set<std::string> frames_before;
    std::string version = mutagen_reads ? peer("version", path) : "";
    std::vector<uint8_t> original = vt_test::read_file(path);
    // This program looks for a tag through the whole file, as it always has; the others
    // look only at the start, so a tag behind junk is read here alone.
    bool tag_behind_junk = original.size() > 3 && std::memcmp(original.data(), "ID3", 3) != 0 &&
                           mutagen_fields.empty() && !our_fields(path).empty();
    if (mutagen_reads && !tag_behind_junk) {
      std::map<std::string, std::string> theirs = as_map(lines(mutagen_fields)), ours = as_map(our_fields(path));
      for (const char* field : {"TITLE", "ARTIST", "ALBUM", "GENRE", "TRACKNUMBER", "DATE", "COMMENT"}) {
        ++compared;
        if (theirs[field] == ours[field]) ++agreed;
        else ADD_FAILURE() << field << ": ours \"" << ours[field] << "\", mutagen \"" << theirs[field] << "\"";
      }
      frames_before = lines(peer("frames", path));
    }
    std::vector<uint8_t> before = vt_test::read_file(path);
    std::string output;
    int status = vt_test::run_command(std::string(VTOOL_PATH) + " tags '" + path + "' 'TITLE=Titre d’essai'", &output);
    std::vector<uint8_t> after = vt_test::read_file(path);
    if (status != 0) {
      EXPECT_EQ(2, status) << output;
      EXPECT_EQ(before, after) << "a refused edit leaves the file as it was";
      continue;
    }
    EXPECT_TRUE(audio_region(before) == audio_region(after)) << "audio bytes changed";
    EXPECT_TRUE(our_fields(path).count("TITLE=Titre d’essai"));
    if (mutagen_reads && version != "2.2.0\n" && version != "none\n") {
      std::set<std::string> frames_after = lines(peer("frames", path));
      EXPECT_TRUE(lines(peer("fields", path)).count("TITLE=Titre d’essai"));
      std::set<std::string> changed = changed_keys(frames_before, frames_after);
      changed.erase("TIT2");
      EXPECT_TRUE(changed.empty()) << *changed.begin() << " was lost or changed";
    }
  }
  EXPECT_GE(files, 25);
  EXPECT_GE(agreed * 100, compared * 99) << agreed << " of " << compared << " fields as mutagen reads them";
}

TEST(TagsPeers, FrenchPunctuationReadsTheSameEverywhereAndOnlyTextFramesAreTaken) {
  require_peers();
  vt_test::TempDir dir;
  for (const char* make : {"make23", "make24"}) {
    std::string path = make_mp3(dir, std::string(make) + ".mp3");
    peer(make, path);
    vtool("'" + path + "' 'TITLE=L’été « œuvre » – 5 €…' 'COMMENT=C’est là'");
    std::set<std::string> mutagen = lines(peer("fields", path));
    EXPECT_TRUE(mutagen.count("TITLE=L’été « œuvre » – 5 €…")) << make;
    EXPECT_TRUE(mutagen.count("COMMENT=C’est là")) << make;
    EXPECT_TRUE(must_run("exiftool -s -s -s -Title '" + path + "'").find("L’été « œuvre » – 5 €…") == 0) << make;
  }
  std::string path = make_mp3(dir, "names.Mp3");
  peer("make23", path);
  std::vector<uint8_t> before = vt_test::read_file(path);
  for (const char* refused : {"APIC=x", "PRIV=x", "UFID=x", "TXXX=x", "TIT2=x", "TDRC=2001", "Tenc=x", "TITLEX=x"}) {
    std::string output = vtool("'" + path + "' '" + refused + "'", 2);
    EXPECT_EQ(1, std::count(output.begin(), output.end(), '\n')) << refused << ": one line";
    EXPECT_EQ(before, vt_test::read_file(path)) << refused;
  }
  vtool("'" + path + "' TENC=Encodeur TCOM=Compositeur");
  std::set<std::string> ours = lines(vtool("'" + path + "'"));
  EXPECT_TRUE(ours.count("TENC=Encodeur"));
  EXPECT_TRUE(ours.count("TCOM=Compositeur"));
  // A tag that cannot be read whole is not written: one line, status 2, file unchanged.
  std::string damaged = dir.path("damaged.mp3");
  std::vector<uint8_t> bytes = {'I', 'D', '3', 3, 0, 0x40, 0, 0, 0, 30, 0, 0, 1, 0};
  bytes.resize(40 + 3000, 0x55);
  vt_test::write_file(damaged, bytes);
  std::string output = vtool("'" + damaged + "' TITLE=x", 2);
  EXPECT_EQ(1, std::count(output.begin(), output.end(), '\n'));
  EXPECT_EQ(bytes, vt_test::read_file(damaged));
}

// vtool tags FILE            prints NAME=value for every tag that has a value
// vtool tags FILE NAME=VALUE...   stores the values and writes the file as the editor does
#include "tools/vtool_tags.h"

#include <algorithm>
#include <iterator>
#include <cstdio>
#include <string>
#include <vector>

#include "base/binary_file.h"
#include "formats/recording_formats.h"
#include "tags/tag_files.h"
#include "tools/vtool_codecs.h"
#include "tools/vtool_text.h"

namespace vt {
namespace {

void print(FILE* stream, const std::string& text) { std::fputs(console_text(stream, text).c_str(), stream); }

int fail(const std::string& file, const std::string& reason) {
  print(stderr, "vtool: " + file + ": " + reason + "\n");
  return 2;
}

// Text frames only (T***, but not user texts and not the frames of the seven fields,
// which would stand beside the field's own frame).
bool text_frame_id(const std::string& name) {
  static const char* const kFieldFrames[] = {"TIT2", "TPE1", "TALB", "TCON", "TRCK", "TYER", "TDRC", "TXXX"};
  if (name.size() != 4 || name[0] != 'T' || !std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
      }))
    return false;
  return std::none_of(std::begin(kFieldFrames), std::end(kFieldFrames), [&](const char* id) { return name == id; });
}

bool id3_path(const std::string& path) {
  const RecordingFormatRow* format = recording_format(format_of_path(path));
  return format && format->tags == TagKind::kId3;
}

void print_tags(const TagList& list) {
  for (const char* field : kTagFields) {
    std::string value = list.get(field);
    if (!value.empty()) print(stdout, std::string(field) + "=" + tag_text_for_console(value) + "\n");
  }
  std::vector<TagEntry> others;
  for (const TagEntry& entry : list.entries()) {
    if (!is_tag_field(entry.name) && !entry.value.empty()) others.push_back(entry);
  }
  std::stable_sort(others.begin(), others.end(), [](const TagEntry& a, const TagEntry& b) { return a.name < b.name; });
  for (const TagEntry& entry : others) print(stdout, entry.name + "=" + tag_text_for_console(entry.value) + "\n");
}

}  // namespace

int tags_command(int argc, char** argv) {
  if (argc < 3) {
    print(stderr, "usage: vtool tags FICHIER [NOM=VALEUR...]\n");
    return 2;
  }
  std::string path = argv[2];
  if (!open_binary_file(path, FileAccess::kReadShared)) return fail(path, "le fichier ne peut être ouvert");
  std::vector<TagEdit> edits;
  for (int i = 3; i < argc; ++i) {
    std::string argument = argv[i];
    size_t equals = argument.find('=');
    std::string name = argument.substr(0, equals);
    // Other ID3v2 frames have a place only in MP3 files.
    if (equals == std::string::npos || !(is_tag_field(name) || (text_frame_id(name) && id3_path(path))))
      return fail(path, "nom de repère inconnu: " + name);
    edits.push_back({name, tag_text_from_console(argument.substr(equals + 1))});
  }
  if (!edits.empty() && !has_tag_format(path))
    return fail(path, "Seuls les repères des fichiers wav et mp3 peuvent être édités.");
  TagList list;
  if (!read_tags(list, path)) return fail(path, "le fichier ne peut être ouvert");
  if (edits.empty()) {
    print_tags(list);
    return 0;
  }
  if (!list.whole) return fail(path, "les repères n'ont pu être lus en entier (fichier inchangé)");
  if (!save_tag_edits(list, edits, path)) return fail(path, "les repères n'ont pu être écrits (fichier inchangé)");
  return 0;
}

}  // namespace vt

#include "formats/recording_formats.h"

#include "formats/file_readers.h"
#include "formats/mp3_decoder.h"

namespace vt {

namespace {

SourceRef read_mp3(const std::string& path) { return open_mp3(path.c_str()); }

bool same_no_case(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
    if (x != y) return false;
  }
  return i == a.size() && !b[i];
}

int format_by_extension(const std::string& path, bool other_extensions) {
  const std::string extension = extension_of(path);
  if (extension.empty()) return kNoRecordingFormat;
  for (const RecordingFormatRow& row : kRecordingFormats) {
    if (same_no_case(extension, row.extension)) return row.index;
    if (other_extensions && *row.other_extension && same_no_case(extension, row.other_extension)) return row.index;
  }
  return kNoRecordingFormat;
}

}  // namespace

// Mail names only the two types mail programs have always known; an AIFF recording
// goes as application/octet-stream.
const RecordingFormatRow kRecordingFormats[kRecordingFormatCount] = {
    // index, extension, other, name, MIME type, tags, playback, save-as, encoder, options, reader
    {kRecordWav, ".wav", "", "Wav", "audio/wav", TagKind::kRiffInfo, true, true, false, FormatOptions::kCodecFormat,
     open_wav_reader},
    {kRecordMp3, ".mp3", "", "Mp3", "audio/mpeg", TagKind::kId3, true, true, true, FormatOptions::kEncoder, read_mp3},
    {kRecordAiff, ".aif", ".aiff", "AIFF", "", TagKind::kNone, true, false, false, FormatOptions::kNone,
     open_aiff_reader},
};

const RecordingFormatRow* recording_format(int index) {
  return index >= 0 && index < kRecordingFormatCount ? &kRecordingFormats[index] : nullptr;
}

const char* recording_extension(int index) {
  const RecordingFormatRow* row = recording_format(index);
  return row ? row->extension : "";
}

std::string extension_of(const std::string& path) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of("\\/");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return path.substr(dot);
}

int format_of_path(const std::string& path) { return format_by_extension(path, false); }

int readable_format_of_path(const std::string& path) { return format_by_extension(path, true); }

}  // namespace vt

// The recording formats, one row each: what the recorder writes, the recordings list
// shows, plays and saves as, the tag editor edits and mail names. A row's index is the
// setting `Format` as stored, so rows are only ever added at the end. A new format is a
// row here, its reader in the row and its writer in `open_recording_sink`.
#pragma once
#include <string>

#include "audio/stream.h"

namespace vt {

// The setting `Format`.
enum RecordingFormat { kRecordWav = 0, kRecordMp3 = 1, kRecordAiff = 2 };
constexpr int kNoRecordingFormat = -1;

// The tags a format's files carry.
enum class TagKind { kNone, kId3, kRiffInfo };

// What the format's options are and what sets them: the format button, the output
// page's options button, save-as and the recording switches' group after the format.
enum class FormatOptions {
  kNone,
  kCodecFormat,  // the stored WAV codec format (WavCodec.wff): the format chooser, -s -m -b
  kEncoder,      // the MP3 encoder settings: the encoder dialog, -cbr/-vbr
};

struct RecordingFormatRow {
  int index;
  const char* extension;        // given to new recordings and listed: ".wav"
  const char* other_extension;  // also read as this format, or empty
  const char* name;             // format lists, the list's column, the format line
  const char* mime_type;        // of a mailed recording; empty: application/octet-stream
  TagKind tags;
  bool playback;       // played from the recordings list
  bool save_as;        // a target of the list's save-as
  bool needs_encoder;  // written through the encoder component mp3el
  FormatOptions options;
  SourceRef (*open_reader)(const std::string& path);
};

constexpr int kRecordingFormatCount = 3;
extern const RecordingFormatRow kRecordingFormats[kRecordingFormatCount];

// The row of a `Format` index; null for any other value.
const RecordingFormatRow* recording_format(int index);
// The row's extension; empty for an index without a row.
const char* recording_extension(int index);

// The text from the last '.' after the last separator, dot included; empty when none.
std::string extension_of(const std::string& path);
// The format whose own extension the path has, without regard to case; else kNoRecordingFormat.
int format_of_path(const std::string& path);
// The same, also by a row's other extension: the format whose reader reads the file.
int readable_format_of_path(const std::string& path);

}  // namespace vt

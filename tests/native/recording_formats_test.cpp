// The table of recording formats: the stored numbers and the extensions paths are known by.
#include <gtest/gtest.h>

#include "formats/recording_formats.h"

using namespace vt;

// `Format` is stored in the registry: a row must never move.
TEST(RecordingFormats, RowsKeepTheStoredNumbers) {
  ASSERT_EQ(3, kRecordingFormatCount);
  for (int i = 0; i < kRecordingFormatCount; ++i) EXPECT_EQ(i, kRecordingFormats[i].index);
  EXPECT_STREQ(".wav", recording_format(0)->extension);
  EXPECT_STREQ("Wav", recording_format(0)->name);
  EXPECT_STREQ(".mp3", recording_format(1)->extension);
  EXPECT_STREQ("Mp3", recording_format(1)->name);
  EXPECT_STREQ(".aif", recording_format(2)->extension);
  EXPECT_STREQ("AIFF", recording_format(2)->name);
  EXPECT_EQ(nullptr, recording_format(-1));
  EXPECT_EQ(nullptr, recording_format(3));
}

TEST(RecordingFormats, PathsAreKnownByTheirExtensionInAnyCase) {
  EXPECT_EQ(kRecordWav, format_of_path("C:\\Enregistrements\\Prise.WAV"));
  EXPECT_EQ(kRecordMp3, format_of_path("a.b.Mp3"));
  EXPECT_EQ(kRecordAiff, format_of_path("/tmp/x.aif"));
  // ".aiff" is read as AIFF but is not the extension recordings get.
  EXPECT_EQ(kNoRecordingFormat, format_of_path("x.AIFF"));
  EXPECT_EQ(kRecordAiff, readable_format_of_path("x.AIFF"));
  // The dot must be in the file's own name, and the extension whole.
  EXPECT_EQ(kNoRecordingFormat, format_of_path("C:\\prises.wav\\note"));
  EXPECT_EQ(kNoRecordingFormat, readable_format_of_path("dossier.mp3/note"));
  EXPECT_EQ(kNoRecordingFormat, format_of_path("x.wa"));
  EXPECT_EQ(kNoRecordingFormat, format_of_path("x.wavx"));
  EXPECT_EQ(kNoRecordingFormat, format_of_path("x."));
  EXPECT_EQ(kNoRecordingFormat, format_of_path(""));
  EXPECT_EQ(".WAV", extension_of("C:\\a.b\\Prise.WAV"));
  EXPECT_EQ("", extension_of("C:\\a.b\\Prise"));
}

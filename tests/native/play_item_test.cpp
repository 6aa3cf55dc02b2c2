// What the list hands the player opens the recording whatever the case of its extension.
#include <gtest/gtest.h>

#include "formats/file_writers.h"
#include "player/play_item.h"
#include "tests/support/native_files.h"

using namespace vt;

TEST(PlayItem, OpensRecordingsNamedInAnyCase) {
  vt_test::TempDir dir;
  open_wav_writer(make_pcm_format(1, 16, 22050), dir.path("PRISE.WAV"));
  open_aiff_writer(dir.path("Note.Aif"));
  vt_test::write_file(dir.path("lisez.txt"), {'R', 'I', 'F', 'F'});

  SourceRef wav = PlayItem("PRISE", dir.path("PRISE.WAV")).open_stream();
  EXPECT_EQ(kSourceOk, wav->status);
  EXPECT_EQ(22050, wav->sample_rate);
  SourceRef aiff = PlayItem("Note", dir.path("Note.Aif")).open_stream();
  EXPECT_EQ(kSourceOk, aiff->status);
  EXPECT_EQ(2, aiff->channels);
  EXPECT_EQ(kSourceEmpty, PlayItem("lisez", dir.path("lisez.txt")).open_stream()->status);
}

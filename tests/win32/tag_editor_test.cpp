// The tag editor as the recordings list runs it: this thread calls edit_tags, a second
// thread reads what the dialog shows, types, picks and answers.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/binary_file.h"
#include "gui/tag_editor_res.h"
#include "gui/tag_editor_win.h"
#include "tags/tag_files.h"
#include "tests/support/win32_driver.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kBoxTextId = 0xFFFF;  // a message box's text

HWND visible_dialog_of(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM out) -> BOOL {
        if (vt_test::window_class(window) != "#32770" || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

// Calls edit_tags here and `drive` on another thread once a dialog is shown.
bool run_editor(const std::string& path, std::function<void(HWND)> drive) {
  DWORD thread = GetCurrentThreadId();
  std::atomic<bool> driven{false};
  std::thread driver([&] {
    HWND dialog = nullptr;
    if (vt_test::wait_until([&] { return (dialog = visible_dialog_of(thread)) != nullptr; }, 40000)) {
      drive(dialog);
      driven = true;
    } else {
      ADD_FAILURE() << "no dialog appeared";
    }
  });
  bool written = vt::edit_tags(nullptr, path);
  driver.join();
  EXPECT_TRUE(driven);
  return written;
}

std::string temp_path(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  return std::string(folder) + name;
}

void write_bytes(const std::string& path, const Bytes& bytes) {
  auto file = vt::open_binary_file(path, vt::FileAccess::kCreateReadShared);
  ASSERT_TRUE(file && file->write(bytes.data(), static_cast<int>(bytes.size())));
}

Bytes read_bytes(const std::string& path) {
  auto file = vt::open_binary_file(path, vt::FileAccess::kReadShared);
  Bytes bytes(file ? static_cast<size_t>(file->size()) : 0);
  if (file) file->read(bytes.data(), static_cast<int>(bytes.size()));
  return bytes;
}

// An MP3 file: an ID3v2.3 tag with title, genre code 119 and an encoder frame, then audio.
Bytes tagged_mp3(Bytes* audio) {
  auto frame = [](const std::string& id, const std::string& value) {
    Bytes f(id.begin(), id.end());
    uint32_t size = static_cast<uint32_t>(value.size() + 2);
    f.insert(f.end(), {uint8_t(size >> 24), uint8_t(size >> 16), uint8_t(size >> 8), uint8_t(size), 0, 0, 0});
    f.insert(f.end(), value.begin(), value.end());
    f.push_back(0);
    return f;
  };
  Bytes frames = frame("TIT2", "Ancien titre");
  for (const Bytes& f : {frame("TCON", "(119)"), frame("TENC", "Encodeur")}) frames.insert(frames.end(), f.begin(), f.end());
  Bytes file = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, uint8_t(frames.size())};
  file.insert(file.end(), frames.begin(), frames.end());
  audio->assign(4000, 0);
  for (size_t i = 0; i < audio->size(); ++i) (*audio)[i] = uint8_t(i * 13);
  file.insert(file.end(), audio->begin(), audio->end());
  return file;
}

LRESULT genre_message(HWND dialog, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
  return SendDlgItemMessageA(dialog, IDC_TAG_GENRE, message, wparam, lparam);
}

std::string genre_item(HWND dialog, int index) {
  char text[64] = {};
  genre_message(dialog, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  return text;
}

}  // namespace

TEST(TagEditor, ShowsTheFieldsAndWritesTitleAndGenreOnOk) {
  std::string path = temp_path("vt-tag-editor.mp3");
  Bytes audio;
  write_bytes(path, tagged_mp3(&audio));
  bool written = run_editor(path, [](HWND dialog) {
    EXPECT_EQ("Editer les Repères Audio", vt_test::window_text(dialog));
    for (const char* label : {"Titre:", "Artiste:", "Album:", "Genre:", "Numéro de Piste:", "Année:", "Comment.."})
      EXPECT_TRUE(vt_test::find_child(dialog, "Static", label)) << label;
    EXPECT_EQ("OK", vt_test::control_text(dialog, IDOK));
    EXPECT_EQ("Annuler", vt_test::control_text(dialog, IDCANCEL));
    EXPECT_EQ("Ancien titre", vt_test::control_text(dialog, IDC_TAG_TITLE));
    EXPECT_EQ("", vt_test::control_text(dialog, IDC_TAG_ARTIST));
    ASSERT_EQ(147, genre_message(dialog, CB_GETCOUNT));
    EXPECT_EQ("Blues", genre_item(dialog, 0));
    EXPECT_EQ("Freestyle", genre_item(dialog, 119));
    EXPECT_EQ("Freestyle", genre_item(dialog, 120));
    EXPECT_EQ("Jpop", genre_item(dialog, 146));
    EXPECT_EQ(120, genre_message(dialog, CB_GETCURSEL)) << "the last name that matches";
    vt_test::save_screenshot("LAudioTagDataEditor");
    vt_test::set_control_text(dialog, IDC_TAG_TITLE, "  Nouveau titre  ");
    vt_test::set_control_text(dialog, IDC_TAG_YEAR, "2026");
    genre_message(dialog, CB_SETCURSEL, 17);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_TAG_GENRE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_TAG_GENRE)));
    vt_test::click(dialog, IDOK);
  });
  EXPECT_TRUE(written);
  vt::TagList list;
  ASSERT_TRUE(vt::read_tags(list, path));
  EXPECT_EQ("Nouveau titre", list.get("TITLE"));
  EXPECT_EQ("Rock", list.get("GENRE"));
  EXPECT_EQ("2026", list.get("DATE"));
  EXPECT_EQ("Encodeur", list.get("TENC"));
  Bytes file = read_bytes(path);
  ASSERT_GT(file.size(), audio.size() + 128);
  EXPECT_EQ(audio, Bytes(file.end() - 128 - audio.size(), file.end() - 128)) << "the audio is untouched";
  EXPECT_EQ(17, file.back());  // the trailer's genre code

  // Without a genre "Blues" is shown and stored; Annuler changes nothing.
  Bytes before = read_bytes(path);
  EXPECT_FALSE(run_editor(path, [](HWND dialog) {
    genre_message(dialog, CB_SETCURSEL, 3);
    vt_test::set_control_text(dialog, IDC_TAG_TITLE, "Pas écrit");
    vt_test::click(dialog, IDCANCEL);
  }));
  EXPECT_EQ(before, read_bytes(path));
  DeleteFileA(path.c_str());
  std::string plain = temp_path("vt-tag-editor-plain.mp3");
  write_bytes(plain, audio);
  EXPECT_TRUE(run_editor(plain, [](HWND dialog) {
    EXPECT_EQ(0, genre_message(dialog, CB_GETCURSEL));
    vt_test::click(dialog, IDOK);
  }));
  vt::TagList plain_list;
  vt::read_tags(plain_list, plain);
  EXPECT_EQ("Blues", plain_list.get("GENRE"));
  DeleteFileA(plain.c_str());
}

TEST(TagEditor, RefusesOtherFilesWithItsMessage) {
  std::string path = temp_path("vt-tag-editor.aif");
  Bytes content(600, 0x41);
  write_bytes(path, content);
  EXPECT_FALSE(run_editor(path, [](HWND box) {
    EXPECT_EQ("Seuls les repères des fichiers wav et mp3 peuvent être édités.", vt_test::control_text(box, kBoxTextId));
    EXPECT_NE(nullptr, GetDlgItem(box, IDOK));
    vt_test::click(box, IDOK);
  }));
  EXPECT_EQ(content, read_bytes(path));
  DeleteFileA(path.c_str());
}

namespace {

// A visible message box of the thread whose text is `text`.
HWND message_box_of(DWORD thread, const std::string& text) {
  HWND dialog = visible_dialog_of(thread);
  if (!dialog || !GetDlgItem(dialog, kBoxTextId)) return nullptr;
  return vt_test::control_text(dialog, kBoxTextId) == text ? dialog : nullptr;
}

const char kNotSaved[] =
    "Impossible d'enregistrer les repères. Le fichier est peut-être ouvert dans un autre programme ou protégé en "
    "écriture, ou le disque est plein. Le fichier n'a pas été modifié.";

}  // namespace

TEST(TagEditor, TagsNotReadWholeAreNotEditedAndTheUserIsTold) {
  std::string path = temp_path("vt-tag-editor-damaged.mp3");
  // The header promises an extended header whose size runs past the tag.
  Bytes damaged = {'I', 'D', '3', 3, 0, 0x40, 0, 0, 0, 30, 0, 0, 1, 0};
  damaged.resize(40 + 3000, 0x55);
  write_bytes(path, damaged);
  EXPECT_FALSE(run_editor(path, [](HWND box) {
    EXPECT_EQ(
        "Impossible de lire entièrement les repères de ce fichier. Ils ne seront pas modifiés, afin de ne rien perdre "
        "de ce qu'ils contiennent.",
        vt_test::control_text(box, kBoxTextId));
    vt_test::click(box, IDOK);
  }));
  EXPECT_EQ(damaged, read_bytes(path));
  DeleteFileA(path.c_str());
}

TEST(TagEditor, SaveRefusedByAFileHeldElsewhereIsReportedAndChangesNothing) {
  std::string path = temp_path("vt-tag-editor-held.mp3");
  Bytes audio;
  Bytes original = tagged_mp3(&audio);
  write_bytes(path, original);
  // Held as the delivery worker holds a recording it sends: read, shared for reading only.
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  DWORD thread = GetCurrentThreadId();
  std::atomic<bool> told{false};
  std::thread driver([&] {
    HWND dialog = nullptr;
    if (!vt_test::wait_until([&] { return (dialog = visible_dialog_of(thread)) != nullptr; }, 40000)) {
      ADD_FAILURE() << "no editor appeared";
      return;
    }
    vt_test::set_control_text(dialog, IDC_TAG_TITLE, "Titre qui ne sera pas écrit");
    vt_test::click(dialog, IDOK);
    HWND box = nullptr;
    if (vt_test::wait_until([&] { return (box = message_box_of(thread, kNotSaved)) != nullptr; }, 40000)) {
      told = true;
      vt_test::click(box, IDOK);
    }
  });
  bool written = vt::edit_tags(nullptr, path);
  driver.join();
  CloseHandle(held);
  EXPECT_FALSE(written);
  EXPECT_TRUE(told) << "the user is told";
  EXPECT_EQ(original, read_bytes(path));
  DeleteFileA(path.c_str());
}

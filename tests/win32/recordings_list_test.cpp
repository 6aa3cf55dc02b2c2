// The recordings list window under Wine over a folder of files that sox, lame and
// ffmpeg wrote: its rows, sorting, renaming, deleting, saving as WAV and MP3 (read back
// by sox and mpg123), and what it hands to the companions. The window lives on a thread
// of its own, as in the program; this thread drives it like a user.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "gui/play_dlg_res.h"
#include "gui/recordings_list_res.h"
#include "gui/tag_editor_res.h"
#include "gui/recordings_list_win.h"
#include "tests/support/linux_process.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "tests/win32/player_sound.h"
#include "ui/controls_win.h"
#include "ui/progress_dialog_res.h"
#include "win/settings_win.h"

namespace vt {
namespace {

using vt_test::find_window;
using vt_test::wait_until;

const UINT kRunOnThread = WM_APP + 1;
const char kComponentsKey[] = "Software\\Ardentine\\Components\\mp3el";
const char kBurnerKey[] = "Software\\Ardentine\\Discwright\\Settings";
const char kConverterKey[] = "Software\\Ardentine\\Formatory\\Settings";

std::string linux_path(const std::string& windows) {
  std::string path = windows.size() > 2 && windows[1] == ':' ? windows.substr(2) : windows;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Runs a shell command; its standard output, trimmed.
std::string linux_output(const std::string& command, const std::string& scratch) {
  std::string out = scratch + "\\out.txt";
  EXPECT_EQ(0, vt_test::run_linux("{ " + command + "; } > '" + linux_path(out) + "' 2>/dev/null")) << command;
  std::string text = read_text(out);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// Waits for the box captioned `caption`, keeps its text and presses `button`.
std::string answer_box(const char* caption, int button) {
  HWND box = find_window("#32770", caption, 20000);
  if (!box) return "(no box " + std::string(caption) + ")";
  std::string text;
  wait_until([&] { return !(text = vt_test::static_texts(box)).empty(); }, 10000);
  PostMessageA(box, WM_COMMAND, button, 0);
  wait_until([&] { return !IsWindow(box); }, 10000);
  return text;
}

const int kArrowBits = HDF_SORTUP | HDF_SORTDOWN | HDF_BITMAP | HDF_BITMAP_ON_RIGHT;

HDITEMA header_item(HWND header, int column) {
  HDITEMA item = {};
  item.mask = HDI_FORMAT | HDI_BITMAP;
  SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
  return item;
}

// The pixels of two bitmaps are the same.
bool same_picture(HBITMAP a, HBITMAP b) {
  BITMAP x = {}, y = {};
  if (!a || !b || !GetObjectA(a, sizeof x, &x) || !GetObjectA(b, sizeof y, &y)) return false;
  if (x.bmWidth != y.bmWidth || x.bmHeight != y.bmHeight) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = x.bmWidth;
  info.bmiHeader.biHeight = x.bmHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> pa(static_cast<size_t>(x.bmWidth) * x.bmHeight), pb(pa.size());
  HDC dc = GetDC(nullptr);
  GetDIBits(dc, a, 0, x.bmHeight, pa.data(), &info, DIB_RGB_COLORS);
  GetDIBits(dc, b, 0, y.bmHeight, pb.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  return pa == pb;
}

// Common controls 6 and later draw the header's own arrows (down when ascending);
// older ones get shell32's pictures 133 (ascending) and 134 on the right of the text.
testing::AssertionResult shows_sort_arrow(HWND header, int column, bool ascending) {
  HDITEMA item = header_item(header, column);
  if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
    if ((item.fmt & kArrowBits) == (ascending ? HDF_SORTDOWN : HDF_SORTUP)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "header format " << std::hex << item.fmt;
  }
  if ((item.fmt & kArrowBits) != (HDF_BITMAP | HDF_BITMAP_ON_RIGHT))
    return testing::AssertionFailure() << "no arrow, header format " << std::hex << item.fmt;
  HMODULE shell = LoadLibraryA("shell32.dll");
  HBITMAP expected = static_cast<HBITMAP>(
      LoadImageA(shell, MAKEINTRESOURCEA(ascending ? 133 : 134), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  const bool same = same_picture(item.hbm, expected);
  DeleteObject(expected);
  if (same) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "the picture is not shell32's arrow for this direction";
}

testing::AssertionResult shows_no_arrow(HWND header, int column) {
  HDITEMA item = header_item(header, column);
  if (item.fmt & kArrowBits) return testing::AssertionFailure() << "header format " << std::hex << item.fmt;
  return testing::AssertionSuccess();
}

// GDI objects of this process: the system's count where it keeps one, otherwise (Wine)
// the live entries of the handle table, which a handle's index alone finds.
int gdi_objects() {
  DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted) return static_cast<int>(counted);
  int live = 0;
  for (UINT index = 1; index < 0x10000; ++index)
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<UINT_PTR>(index)))) ++live;
  return live;
}

// The list window and its owner on a thread with its own message loop. The owner
// counts the list's closing messages.
class ListThread {
 public:
  ListThread() {
    thread_ = std::thread([this] { run(); });
    wait_until([&] { return owner_ != nullptr; }, 10000);
  }
  ~ListThread() {
    call([this] { list_->close(); });
    PostMessageA(owner_, WM_CLOSE, 0, 0);
    thread_.join();
  }
  // Runs `work` on the window's thread; `wait` until it has returned.
  void post(std::function<void()> work) {
    PostMessageA(owner_, kRunOnThread, 0, reinterpret_cast<LPARAM>(new std::function<void()>(std::move(work))));
  }
  void call(std::function<void()> work) {
    std::atomic<bool> done{false};
    post([&] {
      work();
      done = true;
    });
    wait_until([&] { return done.load(); }, 60000);
  }
  RecordingsListWindow& list() { return *list_; }
  HWND window() { return list_->window(); }
  int closed_messages() const { return closed_messages_; }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<ListThread*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == kRunOnThread) {
      auto* work = reinterpret_cast<std::function<void()>*>(lparam);
      (*work)();
      delete work;
      return 0;
    }
    if (message == kListClosedMessage && self) {
      ++self->closed_messages_;
      return 0;
    }
    if (message == WM_CLOSE) {
      DestroyWindow(window);
      PostQuitMessage(0);
      return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
  }
  void run() {
    WNDCLASSA type = {};
    type.lpfnWndProc = procedure;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "VtListTestOwner";
    RegisterClassA(&type);
    HWND owner = CreateWindowExA(0, "VtListTestOwner", "owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                 type.hInstance, nullptr);
    SetWindowLongPtrA(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    RecordingsListWindow list(GetModuleHandleA(nullptr), [owner] { return owner; });
    list_ = &list;
    owner_ = owner;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    list_ = nullptr;
  }

  std::thread thread_;
  std::atomic<HWND> owner_{nullptr};
  RecordingsListWindow* list_ = nullptr;
  std::atomic<int> closed_messages_{0};
};

class RecordingsListTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = vt_test::scratch_folder("recordings_list");
    scratch_ = vt_test::scratch_folder("recordings_list_work");
    write_setting(kOutputFolder, folder_.c_str());
    register_ui_controls(GetModuleHandleA(nullptr));
  }
  std::string at(const std::string& name) { return folder_ + "\\" + name; }
  // A sine of `seconds` written by sox.
  void sox_tone(const std::string& name, const char* format, double seconds) {
    ASSERT_EQ(0, vt_test::run_linux("sox -n " + std::string(format) + " '" + linux_path(at(name)) + "' synth " +
                                    std::to_string(seconds) + " sine 440 vol 0.5"));
  }
  void write_bytes(const std::string& name, size_t count) {
    std::ofstream(at(name), std::ios::binary) << std::string(count, 'x');
  }
  std::vector<std::string> shown(ListThread& ui, int column) {
    std::vector<std::string> texts;
    ui.call([&] {
      for (const RecordingRow& row : ui.list().shown_rows()) texts.push_back(column_text(row, column));
    });
    return texts;
  }
  void select(ListThread& ui, const std::vector<std::string>& names) {
    ui.call([&] {
      HWND list = ui.list().list_view();
      std::vector<RecordingRow> rows = ui.list().shown_rows();
      ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
      for (size_t i = 0; i < rows.size(); ++i)
        for (const std::string& name : names)
          if (rows[i].name == name) ListView_SetItemState(list, static_cast<int>(i), LVIS_SELECTED, LVIS_SELECTED);
    });
  }
  void click_column(ListThread& ui, int column) {
    ui.call([&] {
      NMLISTVIEW click = {};
      click.hdr.hwndFrom = ui.list().list_view();
      click.hdr.idFrom = IDC_LIST_VIEW;
      click.hdr.code = LVN_COLUMNCLICK;
      click.iItem = -1;
      click.iSubItem = column;
      SendMessageA(ui.window(), WM_NOTIFY, IDC_LIST_VIEW, reinterpret_cast<LPARAM>(&click));
    });
  }
  // Types `name` into the in-place editor of the selected row and presses Enter.
  void rename_to(ListThread& ui, const std::string& name) {
    ui.post([&] { ui.list().list_key(VK_F2); });
    HWND editor = nullptr;
    ASSERT_TRUE(wait_until([&] { return (editor = ListView_GetEditControl(ui.list().list_view())) != nullptr; }, 10000));
    SendMessageA(editor, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
  }
  void wait_for_no_editor(ListThread& ui) {
    EXPECT_TRUE(wait_until([&] { return ListView_GetEditControl(ui.list().list_view()) == nullptr; }, 10000));
  }
  // The save dialog: types `target` and confirms.
  void choose_target(const std::string& target) {
    HWND dialog = find_window("#32770", "Enregistrer le Fichier", 60000);
    ASSERT_NE(nullptr, dialog);
    ASSERT_TRUE(wait_until([&] { return IsWindowVisible(dialog) != FALSE; }, 20000));
    HWND name = GetDlgItem(dialog, 0x47C);  // cmb13, the file name box
    if (!name) name = GetDlgItem(dialog, 0x480);
    ASSERT_NE(nullptr, name);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }, 20000));
  }
  void cancel_target_dialog() {
    HWND dialog = find_window("#32770", "Enregistrer le Fichier", 20000);
    ASSERT_NE(nullptr, dialog);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }, 20000));
  }
  // OK in a dialog of this title (the codec chooser, the encoder options).
  void confirm(const char* title) {
    HWND dialog = find_window("#32770", title, 20000);
    ASSERT_NE(nullptr, dialog) << title;
    ASSERT_TRUE(wait_until([&] { return IsWindowVisible(dialog) != FALSE; }, 20000));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(dialog); }, 20000));
  }
  bool idle(ListThread& ui) {
    std::atomic<bool> done{false};
    ui.post([&] { done = true; });
    return wait_until([&] { return done.load(); }, 120000);
  }

  vt_test::SettingGuard folder_setting_{Hive::User, kSectionSettings, "OutputFolder"};
  std::string folder_, scratch_;
};

TEST_F(RecordingsListTest, RowsOfFilesFromOtherProgramsSortedAsText) {
  sox_tone("tone.wav", "-r 44100 -c 1 -b 16", 1);
  sox_tone("clip.aif", "-r 22050 -c 2 -b 16", 1);
  ASSERT_EQ(0, vt_test::run_linux("lame --quiet -b 64 '" + linux_path(at("tone.wav")) + "' '" +
                                  linux_path(at("a.b.mp3")) + "'"));
  ASSERT_EQ(0, vt_test::run_linux("ffmpeg -loglevel quiet -f lavfi -i sine=frequency=300:duration=2 -ac 1 -ar 8000 '" +
                                  linux_path(at("Note.WAV")) + "'"));
  write_bytes("small.wav", 1023);
  write_bytes("two.wav", 2048);
  write_bytes("ten.wav", 10 * 1024);
  write_bytes("nine.wav", 9 * 1024);
  write_bytes("Entretien été.mp3", 100);
  write_bytes("notes.txt", 100);

  ListThread ui;
  ui.call([&] { ui.list().open(); });
  ASSERT_NE(nullptr, ui.window());
  EXPECT_EQ("Liste d'Enregistrement Vocatrack", vt_test::window_text(ui.window()));
  EXPECT_EQ((std::vector<std::string>{"a.b", "clip", "Entretien été", "nine", "Note", "small", "ten", "tone", "two"}),
            shown(ui, kColumnName));
  EXPECT_EQ((std::vector<std::string>{"Mp3", "AIFF", "Mp3", "Wav", "Wav", "Wav", "Wav", "Wav", "Wav"}),
            shown(ui, kColumnFormat));
  // ffmpeg's 2 s at 8 kHz mono: 32,000 bytes of samples and its header.
  EXPECT_EQ((std::vector<std::string>{"8 KB", "86 KB", "0 KB", "9 KB", "31 KB", "0 KB", "10 KB", "86 KB", "2 KB"}),
            shown(ui, kColumnSize));
  for (const std::string& date : shown(ui, kColumnDate)) EXPECT_EQ(19u, date.size()) << date;
  // The first row is selected after every refresh.
  EXPECT_EQ(at("a.b.mp3"), ui.list().selected_path());

  // The sort column's header shows the arrow of its direction, the others none.
  const HWND header = ListView_GetHeader(ui.list().list_view());
  EXPECT_TRUE(shows_sort_arrow(header, kColumnName, true));
  click_column(ui, kColumnSize);
  EXPECT_EQ((std::vector<std::string>{"0 KB", "0 KB", "10 KB", "2 KB", "31 KB", "8 KB", "86 KB", "86 KB", "9 KB"}),
            shown(ui, kColumnSize));
  EXPECT_TRUE(shows_sort_arrow(header, kColumnSize, true));
  EXPECT_TRUE(shows_no_arrow(header, kColumnName));
  click_column(ui, kColumnSize);
  EXPECT_EQ("9 KB", shown(ui, kColumnSize).front());
  EXPECT_TRUE(shows_sort_arrow(header, kColumnSize, false));
  for (int column : {kColumnName, kColumnFormat, kColumnDate}) EXPECT_TRUE(shows_no_arrow(header, column));
  EXPECT_TRUE(vt_test::focus(ui.list().list_view()));
  EXPECT_FALSE(vt_test::save_screenshot("recordings_list").empty());

  // The row-exists test follows the rows while the list is open.
  bool found = false, other_format = true;
  ui.call([&] {
    found = ui.list().has_row("TONE", "wav");
    other_format = ui.list().has_row("tone", "Mp3");
  });
  EXPECT_TRUE(found);
  EXPECT_FALSE(other_format);
  ui.call([&] { ui.list().close(); });
  EXPECT_EQ(nullptr, ui.window());
  EXPECT_EQ(2, ui.closed_messages());
  ui.call([&] { found = ui.list().has_row("tone", "Wav"); });
  EXPECT_FALSE(found);
}

TEST_F(RecordingsListTest, RenameInPlaceCleansRefusesClashesAndReportsFailures) {
  write_bytes("Interview.wav", 100);
  write_bytes("b.wav", 100);
  write_bytes("c.mp3", 100);
  ListThread ui;
  ui.call([&] { ui.list().open(); });
  select(ui, {"Interview"});
  rename_to(ui, "Entretien été");
  wait_for_no_editor(ui);
  EXPECT_TRUE(exists(at("Entretien t.wav")));
  EXPECT_FALSE(exists(at("Interview.wav")));
  EXPECT_EQ((std::vector<std::string>{"b", "c", "Entretien t"}), shown(ui, kColumnName));

  // Another Wav named b: refused; the Mp3 named c does not count.
  select(ui, {"Entretien t"});
  rename_to(ui, "B");
  EXPECT_EQ("L'enregistrement ne peut être renommé car il existe déjà un autre enregistrement de même nom et de même "
            "format. Veuillez essayer un autre nom.",
            answer_box("Le Nom de l'Enregistrement Existe Déjà", IDOK));
  wait_for_no_editor(ui);
  EXPECT_TRUE(exists(at("Entretien t.wav")));
  rename_to(ui, "...");
  EXPECT_EQ("Le nom doit comporter du texte.", answer_box("Nom Invalide", IDOK));
  wait_for_no_editor(ui);
  rename_to(ui, "c");
  wait_for_no_editor(ui);
  EXPECT_TRUE(idle(ui));
  EXPECT_TRUE(exists(at("c.wav")));
  rename_to(ui, "C");  // only the case changes
  wait_for_no_editor(ui);
  EXPECT_TRUE(idle(ui));
  EXPECT_EQ((std::vector<std::string>{"b", "c", "C"}), shown(ui, kColumnName));
  EXPECT_TRUE(exists(at("C.wav")));

  // A file someone holds open keeps its name, and so does its row.
  select(ui, {"b"});
  HANDLE held = CreateFileA(at("b.wav").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  rename_to(ui, "held");
  std::string text = answer_box("Renommer", IDOK);
  CloseHandle(held);
  EXPECT_EQ("L'enregistrement n'a pas pu être renommé: le fichier est peut-être en cours d'utilisation, ou un autre "
            "fichier porte déjà ce nom.",
            text);
  wait_for_no_editor(ui);
  EXPECT_TRUE(exists(at("b.wav")));
  EXPECT_FALSE(exists(at("held.wav")));
  EXPECT_EQ(at("b.wav"), ui.list().selected_path());
}

TEST_F(RecordingsListTest, DeleteAsksFirst) {
  write_bytes("keep.wav", 100);
  write_bytes("gone.mp3", 100);
  write_bytes("gone.aif", 100);
  ListThread ui;
  ui.call([&] { ui.list().open(); });
  select(ui, {"gone"});
  ui.post([&] { ui.list().list_key(VK_DELETE); });
  EXPECT_EQ("Etes vous sûr de vouloir supprimer les fichiers sélectionnés?. Les fichiers seront définitivement "
            "supprimées de votre ordinateur.",
            answer_box("Confirmer suppression", IDCANCEL));
  EXPECT_TRUE(idle(ui));
  EXPECT_TRUE(exists(at("gone.mp3")));
  ui.post([&] { ui.list().list_key(VK_DELETE); });
  answer_box("Confirmer suppression", IDOK);
  EXPECT_TRUE(idle(ui));
  EXPECT_FALSE(exists(at("gone.mp3")));
  EXPECT_FALSE(exists(at("gone.aif")));
  EXPECT_EQ((std::vector<std::string>{"keep"}), shown(ui, kColumnName));
}

TEST_F(RecordingsListTest, PlaysInThePanelAndEditsTags) {
  sox_tone("tone.wav", "-r 44100 -c 1 -b 16", 1);
  sox_tone("fresh.wav", "-r 8000 -c 1 -b 16", 1);
  ListThread ui;
  ui.call([&] { ui.list().open(); });
  select(ui, {"tone"});
  player_test::SinkRecording sink;
  ASSERT_TRUE(sink.started());
  ASSERT_TRUE(sink.wait_for_more(500, 10000));
  ui.post([&] { ui.list().list_key(VK_F9); });
  HWND panel = find_window("#32770", "Contrôle Reproduction", 20000);
  ASSERT_NE(nullptr, panel);
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(panel, IDC_PLAY_NAME) == "tone"; }, 5000));
  EXPECT_TRUE(wait_until([&] { return !vt_test::is_enabled(ui.window()); }, 5000));  // the panel stands over the list
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(panel, IDC_PLAY_TIME) == "0:00:01.00"; }, 15000))
      << vt_test::control_text(panel, IDC_PLAY_TIME);
  ASSERT_TRUE(sink.wait_for_more(1500, 10000));
  std::vector<int16_t> heard = sink.stop();
  PostMessageA(panel, WM_CLOSE, 0, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(panel); }, 10000));
  // One second of tone, heard whole: gaps within it are the sound server's dropouts.
  auto runs = player_test::sound_runs(heard, 1000, 250);
  ASSERT_EQ(1u, runs.size()) << heard.size() << " samples heard";
  EXPECT_NEAR(1000, runs[0].second, 150);
  EXPECT_TRUE(wait_until([&] { return vt_test::is_enabled(ui.window()); }, 5000));

  // The tag editor over the list; the title reaches the file, played or not.
  for (const char* name : {"fresh", "tone"}) {
    select(ui, {name});
    ui.post([&] { SendMessageA(ui.window(), WM_COMMAND, IDM_LIST_EDIT_TAGS, 0); });
    HWND editor = find_window("#32770", "Editer les Repères Audio", 20000);
    ASSERT_NE(nullptr, editor);
    ASSERT_TRUE(wait_until([&] { return IsWindowVisible(editor) != FALSE; }, 10000));
    vt_test::set_control_text(editor, IDC_TAG_TITLE, "Titre de la liste");
    PostMessageA(editor, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(wait_until([&] { return !IsWindow(editor); }, 10000));
    EXPECT_TRUE(idle(ui));
    // The title of a WAV file is the text of its DISP chunk (type 1).
    const std::string bytes = read_text(at(std::string(name) + ".wav"));
    const std::string disp = std::string("DISP\x16\0\0\0\x01\0\0\0Titre de la liste\0", 30);
    EXPECT_NE(std::string::npos, bytes.find(disp)) << name;
  }
}

// Top-level windows of this process with that title.
int windows_titled(const char* title) {
  struct Search {
    const char* title;
    int count;
  } search = {title, 0};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && vt_test::window_text(window) == s->title) ++s->count;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

TEST_F(RecordingsListTest, PlayWhileThePanelIsOpenPlaysInThatPanel) {
  sox_tone("first.wav", "-r 8000 -c 1 -b 16", 30);
  sox_tone("second.wav", "-r 8000 -c 1 -b 16", 2);
  ListThread ui;
  ui.call([&] { ui.list().open(); });
  ui.post([&] { ui.list().play(at("first.wav")); });
  HWND panel = find_window("#32770", "Contrôle Reproduction", 20000);
  ASSERT_NE(nullptr, panel);
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(panel, IDC_PLAY_NAME) == "first"; }, 10000));
  // A forwarded -play reaches the list through the panel's own message loop.
  ui.post([&] { ui.list().play(at("second.wav")); });
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(panel, IDC_PLAY_NAME) == "second"; }, 20000))
      << vt_test::control_text(panel, IDC_PLAY_NAME);
  // The second recording plays to its end in that panel, over a list still disabled.
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(panel, IDC_PLAY_TIME) == "0:00:02.00" &&
                                      vt_test::is_checked(panel, IDC_PLAY_STOP); }, 20000))
      << vt_test::control_text(panel, IDC_PLAY_TIME);
  EXPECT_EQ(1, windows_titled("Contrôle Reproduction"));
  EXPECT_FALSE(vt_test::is_enabled(ui.window()));
  PostMessageA(panel, WM_CLOSE, 0, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(panel); }, 10000));
  EXPECT_TRUE(wait_until([&] { return vt_test::is_enabled(ui.window()); }, 5000));
  EXPECT_TRUE(idle(ui));
  EXPECT_EQ(0, windows_titled("Contrôle Reproduction"));
}

TEST_F(RecordingsListTest, OpeningAndClosingLeavesNoGdiObjectsBehind) {
  write_bytes("a.wav", 100);
  ListThread ui;
  auto open_and_close = [&] {
    ui.call([&] {
      ui.list().open();
      ui.list().close();
    });
  };
  open_and_close();  // what is loaded once per process (the old sort arrows, fonts)
  const int before = gdi_objects();
  // Twenty openings: each takes Wine about two seconds without a window manager, and
  // an image list left at each would be six objects.
  for (int i = 0; i < 20; ++i) open_and_close();
  const int after = gdi_objects();
  EXPECT_LE(after, before + 10) << before << " GDI objects before, " << after << " after";
  EXPECT_EQ(42, ui.closed_messages());
}

class RecordingsListSaveTest : public RecordingsListTest {
 protected:
  void SetUp() override {
    RecordingsListTest::SetUp();
    std::string encoder = vt_test::windows_path(vt_test::build_dir() + "/mp3enc/mp3enc.exe");
    ASSERT_TRUE(exists(encoder)) << encoder;
    vt_test::write_raw_value(Hive::Machine, kComponentsKey, "Path", REG_SZ, encoder);
  }
  vt_test::RegistryValueGuard component_{Hive::Machine, kComponentsKey, "Path"};
};

TEST_F(RecordingsListSaveTest, SavesAsWavAndMp3ThatSoxAndMpg123Read) {
  sox_tone("tone.wav", "-r 44100 -c 2 -b 16", 1);
  const std::string source = read_text(at("tone.wav"));
  ListThread ui;
  ui.call([&] { ui.list().open(); });

  ui.post([&] { ui.list().list_key('S' | vt_test::kCtrl); });
  choose_target(scratch_ + "\\as wave.wav");
  // Wine's chooser keeps its own caption instead of the title it is given.
  confirm("Sound Selection");
  EXPECT_TRUE(wait_until([&] { return exists(scratch_ + "\\as wave.wav"); }, 60000));
  EXPECT_TRUE(idle(ui));
  std::string wav = linux_path(scratch_ + "\\as wave.wav");
  // PCM is saved at 11,025 Hz mono, whatever the stored format's rate and channels.
  EXPECT_EQ("11025 1 11025", linux_output("soxi -r '" + wav + "' | tr '\\n' ' '; soxi -c '" + wav +
                                              "' | tr '\\n' ' '; soxi -s '" + wav + "'",
                                          scratch_));

  ui.post([&] { ui.list().list_key('S' | vt_test::kCtrl); });
  choose_target(scratch_ + "\\as mpeg.mp3");
  confirm("Pamètres de l'Encodeur MP3");
  EXPECT_TRUE(wait_until([&] { return exists(scratch_ + "\\as mpeg.mp3"); }, 60000));
  EXPECT_TRUE(idle(ui));
  std::string mp3 = linux_path(scratch_ + "\\as mpeg.mp3");
  std::string decoded = linux_path(scratch_ + "\\decoded.wav");
  EXPECT_EQ("44100 2 44100", linux_output("mpg123 -q -w '" + decoded + "' '" + mp3 + "' && soxi -r '" + decoded +
                                              "' | tr '\\n' ' '; soxi -c '" + decoded + "' | tr '\\n' ' '; soxi -s '" +
                                              decoded + "'",
                                          scratch_));
  EXPECT_FALSE(exists(scratch_ + "\\~vtsave.tmp"));

  // Onto itself: refused, the source untouched; the dialog comes back.
  ui.post([&] { ui.list().list_key('S' | vt_test::kCtrl); });
  choose_target(at("TONE.wav"));
  EXPECT_EQ("Un enregistrement ne peut être enregistré sur lui-même. Veuillez choisir un autre nom.",
            answer_box("Le Fichier Existe", IDOK));
  // An extension that cannot be written is told, not silently skipped.
  choose_target(scratch_ + "\\other.aif");
  EXPECT_EQ("Seuls les formats wav et mp3 peuvent être enregistrés. Veuillez choisir un nom de fichier se terminant "
            "par .wav ou .mp3.",
            answer_box("Enregistrer le Fichier", IDOK));
  cancel_target_dialog();
  EXPECT_TRUE(idle(ui));
  EXPECT_EQ(source, read_text(at("tone.wav")));
  EXPECT_FALSE(exists(scratch_ + "\\other.aif"));
}

TEST_F(RecordingsListSaveTest, CancelledSaveLeavesTheOldTargetWhole) {
  sox_tone("long.wav", "-r 44100 -c 2 -b 16", 600);
  const std::string old_target = "an older file that must survive";
  std::ofstream(scratch_ + "\\old.mp3", std::ios::binary) << old_target;
  ListThread ui;
  ui.call([&] { ui.list().open(); });
  ui.post([&] { ui.list().list_key('S' | vt_test::kCtrl); });
  choose_target(scratch_ + "\\old.mp3");
  EXPECT_EQ("Il existe un autre fichier portant le même nom. Voulez vous le remplacer? ",
            answer_box("Le Fichier Existe", IDYES));
  confirm("Pamètres de l'Encodeur MP3");
  HWND progress = find_window("#32770", "Enregistrement du Fichier", 20000);
  ASSERT_NE(nullptr, progress);
  EXPECT_TRUE(wait_until([&] { return vt_test::control_text(progress, IDC_PROGRESS_LINE0) == "Encoding mp3"; }, 20000));
  EXPECT_TRUE(wait_until([&] { return exists(scratch_ + "\\~vtsave.tmp"); }, 20000));
  EXPECT_FALSE(vt_test::save_screenshot("recordings_list_saving").empty());
  PostMessageA(progress, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(idle(ui));
  EXPECT_EQ(old_target, read_text(scratch_ + "\\old.mp3"));
  EXPECT_TRUE(wait_until([&] { return !exists(scratch_ + "\\~vtsave.tmp"); }, 30000));
}

class RecordingsListCompanionTest : public RecordingsListTest {
 protected:
  void SetUp() override {
    RecordingsListTest::SetUp();
    log_ = scratch_ + "\\standin.log";
    SetEnvironmentVariableA("VT_STANDIN_LOG", log_.c_str());
    standin_ = vt_test::windows_path(vt_test::build_dir() + "/tests/win32/vt_standin.exe");
    const std::string command = "\"" + standin_ + "\" companion %s";
    vt_test::write_raw_value(Hive::User, kBurnerKey, "CopyCD", REG_SZ, command);
    vt_test::write_raw_value(Hive::User, kConverterKey, "Convert", REG_SZ, command);
  }
  void TearDown() override {
    SetEnvironmentVariableA("VT_STANDIN_LOG", nullptr);
    SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", nullptr);
  }
  std::string log() { return read_text(log_); }
  vt_test::RegistryValueGuard burner_{Hive::User, kBurnerKey, "CopyCD"};
  vt_test::RegistryValueGuard converter_{Hive::User, kConverterKey, "Convert"};
  std::string log_, standin_;
};

TEST_F(RecordingsListCompanionTest, CdBurnerGetsTheListFileAndTheConverterEachPath) {
  write_bytes("one.wav", 100);
  write_bytes("two words.mp3", 100);
  write_bytes("three.aif", 100);
  write_bytes("left out.wav", 100);
  ListThread ui;
  ui.call([&] { ui.list().open(); });
  select(ui, {"one", "two words", "three"});
  HANDLE stay = CreateEventA(nullptr, TRUE, FALSE, "vt-list-burner-stay");
  SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", "vt-list-burner-stay");
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string list_file = std::string(temp) + "vtburn.txt";
  ui.post([&] { SendMessageA(ui.window(), WM_COMMAND, IDM_LIST_DATA_CD, 0); });
  const std::string expected = "companion \"" + standin_ + "\" companion  -type data -list \"" + list_file + "\"\n";
  EXPECT_TRUE(wait_until([&] { return log() == expected; }, 30000)) << log();
  EXPECT_EQ(at("one.wav") + "\r\n" + at("three.aif") + "\r\n" + at("two words.mp3") + "\r\n", read_text(list_file));
  SetEvent(stay);
  EXPECT_TRUE(wait_until([&] { return !exists(list_file); }, 30000));
  EXPECT_TRUE(idle(ui));
  CloseHandle(stay);

  SetEnvironmentVariableA("VT_STANDIN_STAY_EVENT", nullptr);
  DeleteFileA(log_.c_str());
  select(ui, {"two words", "one"});
  ui.post([&] { SendMessageA(ui.window(), WM_COMMAND, IDM_LIST_CONVERT, 0); });
  const std::string converted = "companion \"" + standin_ + "\" companion \"" + at("one.wav") + "\"\ncompanion \"" +
                                standin_ + "\" companion \"" + at("two words.mp3") + "\"\n";
  EXPECT_TRUE(wait_until([&] { return log() == converted; }, 30000)) << log();
  EXPECT_TRUE(idle(ui));
}

}  // namespace
}  // namespace vt

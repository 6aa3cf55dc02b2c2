// The output options page inside a one-page property sheet run by a second thread, as
// the options sheet will run it; this thread types, clicks and answers message boxes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "win/settings_win.h"
#include "gui/mp3_encode_dlg_res.h"
#include "gui/output_page_res.h"
#include "gui/output_page_win.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"

namespace vt {
namespace {

using vt_test::child;
using vt_test::control_text;
using vt_test::find_window;
using vt_test::wait_until;
using vt_test::window_text;

constexpr int kBoxTextId = 0xFFFF;  // the message box's text
constexpr int kBoxIconId = 0x0440;  // and its icon

// What the saved settings say, in Apply's order.
struct Saved {
  std::string pattern, folder;
  bool prompt = false;
  int format = -1;
};
Saved saved_now() {
  Saved saved;
  saved.pattern = read_setting(kFileNameFormat);
  saved.prompt = read_setting(kPromptForName);
  saved.folder = read_setting(kOutputFolder);
  saved.format = read_setting(kFormat);
  return saved;
}

class FakeServices : public OutputPageServices {
 public:
  void choose_wav_format(HWND) override { ++wav_dialogs; }
  void edit_mp3_options(HWND) override { ++mp3_dialogs; }
  bool pick_folder(HWND, const std::string& start, std::string* chosen) override {
    std::lock_guard<std::mutex> lock(mutex);
    starts.push_back(start);
    if (picks.empty()) return false;
    *chosen = picks.front();
    picks.erase(picks.begin());
    return true;
  }
  bool free_space(const std::string& drive, uint64_t* bytes) override {
    std::lock_guard<std::mutex> lock(mutex);
    drives.push_back(drive);
    auto it = space.find(drive);
    if (it == space.end()) return false;
    *bytes = it->second;
    return true;
  }
  bool ensure_mp3_component(HWND owner) override {
    std::lock_guard<std::mutex> lock(mutex);
    component_owner = owner;
    at_component_check.push_back(saved_now());
    return component_present;
  }
  void destination_changed() override {
    std::lock_guard<std::mutex> lock(mutex);
    at_destination_change.push_back(saved_now());
  }

  std::mutex mutex;
  HWND component_owner = nullptr;  // the window the install's progress dialog disables
  std::vector<std::string> picks, starts, drives;
  std::map<std::string, uint64_t> space;
  bool component_present = true;
  std::atomic<int> wav_dialogs{0}, mp3_dialogs{0};
  std::vector<Saved> at_component_check, at_destination_change;
};

// A property sheet holding only the output page, on its own thread.
class SheetRun {
 public:
  explicit SheetRun(OutputPage& page) {
    thread_ = std::thread([this, &page] {
      INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
      InitCommonControlsEx(&controls);
      PROPSHEETPAGEA sheet_page = page.sheet_page();
      PROPSHEETHEADERA header = {};
      header.dwSize = sizeof header;
      header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOCONTEXTHELP;
      header.pszCaption = "Options";
      header.nPages = 1;
      header.ppsp = &sheet_page;
      result_ = PropertySheetA(&header);
      done_ = true;
    });
    sheet_ = find_window("#32770", "Options", 10000);
    if (sheet_) wait_until([&] { return (page_ = PropSheet_GetCurrentPageHwnd(sheet_)) != nullptr; }, 5000);
  }
  ~SheetRun() {
    if (!done_ && sheet_) PostMessageA(sheet_, WM_COMMAND, IDCANCEL, 0);
    thread_.join();
  }
  HWND sheet() const { return sheet_; }
  HWND page() const { return page_; }
  bool done() const { return done_; }
  INT_PTR result() const { return result_; }
  void apply() { PostMessageA(sheet_, PSM_APPLY, 0, 0); }

 private:
  std::thread thread_;
  HWND sheet_ = nullptr, page_ = nullptr;
  std::atomic<bool> done_{false};
  INT_PTR result_ = -2;
};

// One message box as the user sees it.
struct Box {
  HWND window = nullptr;
  std::string text;
  HICON icon = nullptr;
  bool has(int button) const { return GetDlgItem(window, button) != nullptr; }
};

Box wait_box(const char* caption) {
  Box box;
  box.window = vt_test::find_message_box(caption, 20000, &box.text);
  if (box.window) {
    wait_until([&] { return !(box.text = control_text(box.window, kBoxTextId)).empty(); }, 2000);
    box.icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box.window, kBoxIconId, STM_GETICON, 0, 0));
  }
  return box;
}

void answer(const Box& box, int button) {
  PostMessageA(box.window, WM_COMMAND, button, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(box.window); }, 20000));
}

HICON system_icon(LPCSTR name) { return LoadIconA(nullptr, name); }

void expect_same(const Saved& expected, const Saved& actual, const char* step) {
  EXPECT_EQ(expected.pattern, actual.pattern) << step;
  EXPECT_EQ(expected.prompt, actual.prompt) << step;
  EXPECT_EQ(expected.folder, actual.folder) << step;
  EXPECT_EQ(expected.format, actual.format) << step;
}

class OutputPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = vt_test::scratch_folder("output_page");
    before_ = scratch_ + "\\Avant";
    CreateDirectoryA(before_.c_str(), nullptr);
    write_setting(kFileNameFormat, "Avant %autonumber%");
    write_setting(kPromptForName, false);
    write_setting(kOutputFolder, before_.c_str());
    write_setting(kFormat, 2);
  }
  void set(HWND page, int id, const std::string& text) { vt_test::set_control_text(page, id, text); }
  void select_format(HWND page, int index) {
    SendDlgItemMessageA(page, IDC_OUTPUT_FORMAT_LIST, CB_SETCURSEL, index, 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_OUTPUT_FORMAT_LIST, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(child(page, IDC_OUTPUT_FORMAT_LIST)));
  }
  // No message box left over and the sheet still open on the page.
  void expect_page_open(SheetRun& run) {
    EXPECT_FALSE(run.done());
    EXPECT_EQ(run.page(), PropSheet_GetCurrentPageHwnd(run.sheet()));
  }

  vt_test::SettingGuard pattern_guard_{Hive::User, kSectionSettings, "FileNameFormat"};
  vt_test::SettingGuard prompt_guard_{Hive::User, kSectionSettings, "PromptForName"};
  vt_test::SettingGuard folder_guard_{Hive::User, kSectionSettings, "OutputFolder"};
  vt_test::SettingGuard format_guard_{Hive::User, kSectionSettings, "Format"};
  std::string scratch_, before_;
};

TEST_F(OutputPageTest, OpensWithTheSavedSettingsAndEnablesByChoice) {
  FakeServices services;
  OutputPage page(&services);
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  HWND p = run.page();

  // The page's title on its tab, and every control's text.
  HWND tabs = PropSheet_GetTabControl(run.sheet());
  char title[64] = {};
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = title;
  item.cchTextMax = sizeof title;
  SendMessageA(tabs, TCM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ("Sortie ", title);
  EXPECT_EQ("Format de Sortie", control_text(p, IDC_OUTPUT_FORMAT_GROUP));
  EXPECT_EQ("Paramètres de Form..", control_text(p, IDC_OUTPUT_FORMAT_OPTIONS));
  EXPECT_EQ("Répertoire de Destination", control_text(p, IDC_OUTPUT_FOLDER_GROUP));
  EXPECT_EQ("...", control_text(p, IDC_OUTPUT_BROWSE));
  EXPECT_EQ("Nom de Fichier Sortant", control_text(p, IDC_OUTPUT_NAMING_GROUP));
  EXPECT_EQ("Demander un nom de fichier avant de débuter l'enregistrement", control_text(p, IDC_OUTPUT_ASK_NAME));
  EXPECT_EQ("Utiliser ce format de nom fichier", control_text(p, IDC_OUTPUT_USE_PATTERN));
  EXPECT_EQ("Voir l'Echantillon", control_text(p, IDC_OUTPUT_PREVIEW));
  std::string help = control_text(p, IDC_OUTPUT_HELP);
  for (const char* token : {"%YYYY%", "%MM%", "%DD%", "%HH%", "%MIN%", "%SS%", "%autonumber%"})
    EXPECT_NE(std::string::npos, help.find(token)) << token;

  // The list's entries and the saved values.
  HWND list = child(p, IDC_OUTPUT_FORMAT_LIST);
  ASSERT_EQ(3, SendMessageA(list, CB_GETCOUNT, 0, 0));
  const char* entries[] = {"Wav", "Mp3", "AIFF"};
  for (int i = 0; i < 3; ++i) {
    char entry[16] = {};
    SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ(entries[i], entry);
  }
  EXPECT_EQ(2, SendMessageA(list, CB_GETCURSEL, 0, 0));
  EXPECT_EQ(before_, control_text(p, IDC_OUTPUT_FOLDER));
  EXPECT_EQ("Avant %autonumber%", control_text(p, IDC_OUTPUT_PATTERN));
  EXPECT_TRUE(vt_test::is_checked(p, IDC_OUTPUT_USE_PATTERN));
  EXPECT_FALSE(vt_test::is_checked(p, IDC_OUTPUT_ASK_NAME));

  // Format options: the codec format for WAV, the encoder options for MP3, none for AIFF.
  EXPECT_FALSE(vt_test::is_enabled(child(p, IDC_OUTPUT_FORMAT_OPTIONS)));
  select_format(p, 0);
  EXPECT_TRUE(vt_test::is_enabled(child(p, IDC_OUTPUT_FORMAT_OPTIONS)));
  vt_test::click(p, IDC_OUTPUT_FORMAT_OPTIONS);
  EXPECT_EQ(1, services.wav_dialogs);
  select_format(p, 1);
  EXPECT_TRUE(vt_test::is_enabled(child(p, IDC_OUTPUT_FORMAT_OPTIONS)));
  vt_test::click(p, IDC_OUTPUT_FORMAT_OPTIONS);
  EXPECT_EQ(1, services.mp3_dialogs);
  EXPECT_EQ(1, services.wav_dialogs);
  select_format(p, 2);
  EXPECT_FALSE(vt_test::is_enabled(child(p, IDC_OUTPUT_FORMAT_OPTIONS)));

  // The pattern and its preview follow the naming choice.
  EXPECT_TRUE(vt_test::is_enabled(child(p, IDC_OUTPUT_PATTERN)));
  EXPECT_TRUE(vt_test::is_enabled(child(p, IDC_OUTPUT_PREVIEW)));
  vt_test::click(p, IDC_OUTPUT_ASK_NAME);
  EXPECT_FALSE(vt_test::is_enabled(child(p, IDC_OUTPUT_PATTERN)));
  EXPECT_FALSE(vt_test::is_enabled(child(p, IDC_OUTPUT_PREVIEW)));
  vt_test::click(p, IDC_OUTPUT_USE_PATTERN);
  EXPECT_TRUE(vt_test::is_enabled(child(p, IDC_OUTPUT_PATTERN)));
  select_format(p, 0);

  EXPECT_FALSE(vt_test::save_screenshot("output_page").empty());
}

TEST_F(OutputPageTest, OpensOnTheAskButtonWhenPromptingIsSaved) {
  write_setting(kPromptForName, true);
  write_setting(kFormat, 0);
  OutputPage page;
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  EXPECT_TRUE(vt_test::is_checked(run.page(), IDC_OUTPUT_ASK_NAME));
  EXPECT_FALSE(vt_test::is_enabled(child(run.page(), IDC_OUTPUT_PATTERN)));
  EXPECT_TRUE(vt_test::is_enabled(child(run.page(), IDC_OUTPUT_FORMAT_OPTIONS)));
}

TEST_F(OutputPageTest, RefusesEachInvalidPatternAndSavesNothing) {
  FakeServices services;
  OutputPage page(&services);
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  HWND p = run.page();
  Saved before = saved_now();
  // Everything after the pattern is changed too, so that a save would show.
  set(p, IDC_OUTPUT_FOLDER, scratch_);
  select_format(p, 0);

  struct Case {
    const char* pattern;
    const char* message;
  } cases[] = {
      {"", "Le format du nom de fichier est invalide. Veuillez réessayer."},
      {"x %autonumber% y",
       "Les formats de noms contenant \"%autonumber%\" ne peuvent avoir de post-chaîne. Veuillez réessayer."},
      {"%HH%%MIN%", "Le format du nom de fichier doit contenir soit \"%autonumber%\" soit \"%SS%\". Veuillez réessayer."},
      {"%yyyy%", "Le format du nom de fichier doit contenir soit \"%autonumber%\" soit \"%SS%\". Veuillez réessayer."},
  };
  for (const Case& c : cases) {
    set(p, IDC_OUTPUT_PATTERN, c.pattern);
    run.apply();
    Box box = wait_box("Format invalide");
    ASSERT_NE(nullptr, box.window) << c.pattern;
    EXPECT_EQ(c.message, box.text);
    EXPECT_EQ(system_icon(IDI_ERROR), box.icon);
    EXPECT_TRUE(box.has(IDOK));
    answer(box, IDOK);
    expect_same(before, saved_now(), c.pattern);
    expect_page_open(run);
  }
  EXPECT_TRUE(services.at_destination_change.empty());
  EXPECT_TRUE(services.at_component_check.empty());

  // OK with a refused pattern keeps the sheet open too.
  PostMessageA(run.sheet(), WM_COMMAND, IDOK, 0);
  Box box = wait_box("Format invalide");
  ASSERT_NE(nullptr, box.window);
  answer(box, IDOK);
  expect_page_open(run);
  expect_same(before, saved_now(), "OK");
}

TEST_F(OutputPageTest, PatternIsNotCheckedWhileAskingForNames) {
  OutputPage page;
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  HWND p = run.page();
  set(p, IDC_OUTPUT_PATTERN, "");
  vt_test::click(p, IDC_OUTPUT_ASK_NAME);
  run.apply();
  ASSERT_TRUE(wait_until([] { return read_setting(kPromptForName); }, 5000));
  EXPECT_EQ(nullptr, find_window("#32770", "Format invalide", 300));
  EXPECT_EQ("Avant %autonumber%", read_setting(kFileNameFormat));
}

TEST_F(OutputPageTest, FolderRefusalsSaveOnlyTheStepsBefore) {
  write_setting(kPromptForName, true);
  FakeServices services;
  OutputPage page(&services);
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  HWND p = run.page();
  set(p, IDC_OUTPUT_PATTERN, "Rec %SS%");
  vt_test::click(p, IDC_OUTPUT_USE_PATTERN);
  select_format(p, 0);
  Saved expected = saved_now();
  expected.pattern = "Rec %SS%";  // steps 1 and 2 pass every time
  expected.prompt = false;
  const char* kInvalid = "Répertoire de destination invalide";

  // Empty.
  set(p, IDC_OUTPUT_FOLDER, "");
  run.apply();
  Box box = wait_box(kInvalid);
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ("Répertoire de destination invalide. Veuillez réessayer.", box.text);
  EXPECT_EQ(system_icon(IDI_ERROR), box.icon);
  answer(box, IDOK);
  expect_same(expected, saved_now(), "empty folder");
  expect_page_open(run);

  // Missing: No and Cancel both stop without creating anything.
  std::string missing = scratch_ + "\\Nouveau";
  set(p, IDC_OUTPUT_FOLDER, missing);
  for (int button : {IDNO, IDCANCEL}) {
    run.apply();
    box = wait_box("Créer Répertoire");
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ("Le répertoire de destination spécifié n'existe pas. Voulez vous le créer maintenant?", box.text);
    EXPECT_EQ(system_icon(IDI_QUESTION), box.icon);
    EXPECT_TRUE(box.has(IDYES) && box.has(IDNO) && box.has(IDCANCEL));
    answer(box, button);
    EXPECT_EQ(nullptr, find_window("#32770", kInvalid, 200));
    EXPECT_FALSE(vt_test::is_folder(missing));
    expect_same(expected, saved_now(), "not created");
    expect_page_open(run);
  }

  // Yes, but the parent is missing: only the last level is ever created.
  std::string deep = scratch_ + "\\Manque\\Nouveau";
  set(p, IDC_OUTPUT_FOLDER, deep);
  run.apply();
  answer(wait_box("Créer Répertoire"), IDYES);
  box = wait_box(kInvalid);
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ("Impossible de créer le répertoire spécifié. Veuillez réessayer.", box.text);
  EXPECT_EQ(system_icon(IDI_INFORMATION), box.icon);
  answer(box, IDOK);
  EXPECT_FALSE(vt_test::is_folder(scratch_ + "\\Manque"));
  expect_same(expected, saved_now(), "parent missing");

  // Yes, with no parent part at all.
  set(p, IDC_OUTPUT_FOLDER, "SansParent");
  run.apply();
  answer(wait_box("Créer Répertoire"), IDYES);
  box = wait_box(kInvalid);
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ("Impossible de créer le répertoire spécifié. Veuillez entrer un répertoire valide.", box.text);
  EXPECT_EQ(system_icon(IDI_INFORMATION), box.icon);
  answer(box, IDOK);
  expect_same(expected, saved_now(), "no parent");
  EXPECT_TRUE(services.at_destination_change.empty());

  // Yes with the parent present: the folder is made and everything saved.
  set(p, IDC_OUTPUT_FOLDER, missing);
  run.apply();
  answer(wait_box("Créer Répertoire"), IDYES);
  ASSERT_TRUE(wait_until([] { return read_setting(kFormat) == 0; }, 5000));
  EXPECT_TRUE(vt_test::is_folder(missing));
  expected.folder = missing;
  expected.format = 0;
  expect_same(expected, saved_now(), "created");
  EXPECT_TRUE(page.destination_changed());
}

TEST_F(OutputPageTest, ValidApplySavesInOrder) {
  FakeServices services;
  OutputPage page(&services);
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  HWND p = run.page();
  std::string after = scratch_;  // exists
  set(p, IDC_OUTPUT_PATTERN, "%YYYY%-%MM%-%DD% %HH%h%MIN%m%SS%s");
  set(p, IDC_OUTPUT_FOLDER, after);
  select_format(p, 1);

  // The component is missing: the page stays open and Format is not saved.
  services.component_present = false;
  run.apply();
  ASSERT_TRUE(wait_until([&] {
    std::lock_guard<std::mutex> lock(services.mutex);
    return !services.at_component_check.empty();
  }, 5000));
  wait_until([] { return read_setting(kOutputFolder) != std::string(); }, 1000);
  EXPECT_EQ(2, read_setting(kFormat));
  EXPECT_EQ(after, read_setting(kOutputFolder));
  expect_page_open(run);
  {
    // The whole options dialog is held during the download, its OK and Cancel too.
    std::lock_guard<std::mutex> lock(services.mutex);
    EXPECT_EQ(GetParent(p), services.component_owner);
  }

  {
    std::lock_guard<std::mutex> lock(services.mutex);
    services.component_present = true;
    services.at_component_check.clear();
    services.at_destination_change.clear();
  }
  // The saved folder is now the new one: no second change is reported.
  write_setting(kOutputFolder, before_.c_str());
  write_setting(kFileNameFormat, "Avant %autonumber%");
  run.apply();
  ASSERT_TRUE(wait_until([] { return read_setting(kFormat) == 1; }, 5000));
  std::lock_guard<std::mutex> lock(services.mutex);
  // Step 4 sees steps 1 and 2 saved and the old folder; step 5 sees the new folder and the old format.
  ASSERT_EQ(1u, services.at_destination_change.size());
  const Saved& at_change = services.at_destination_change[0];
  EXPECT_EQ("%YYYY%-%MM%-%DD% %HH%h%MIN%m%SS%s", at_change.pattern);
  EXPECT_FALSE(at_change.prompt);
  EXPECT_EQ(before_, at_change.folder);
  EXPECT_EQ(2, at_change.format);
  ASSERT_EQ(1u, services.at_component_check.size());
  EXPECT_EQ(after, services.at_component_check[0].folder);
  EXPECT_EQ(2, services.at_component_check[0].format);
  EXPECT_TRUE(page.destination_changed());
}

TEST_F(OutputPageTest, SameFolderInOtherCaseIsNoChangeAndOkCloses) {
  FakeServices services;
  OutputPage page(&services);
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  std::string upper = before_;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  set(run.page(), IDC_OUTPUT_FOLDER, upper);
  PostMessageA(run.sheet(), WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(wait_until([&] { return run.done(); }, 5000));
  EXPECT_FALSE(page.destination_changed());
  EXPECT_TRUE(services.at_destination_change.empty());
  EXPECT_EQ(upper, read_setting(kOutputFolder));
}

TEST_F(OutputPageTest, BrowseRefusesAFullDriveAndBrowsesAgain) {
  FakeServices services;
  services.picks = {"Q:\\Plein\\Dossier", "R:/Presque", scratch_};
  services.space["Q:\\"] = 0;
  services.space["R:/"] = 1023;
  services.space["Z:\\"] = 1024;  // exactly 1 KB is enough
  OutputPage page(&services);
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  HWND p = run.page();

  PostMessageA(p, WM_COMMAND, IDC_OUTPUT_BROWSE, 0);
  for (int refusal = 0; refusal < 2; ++refusal) {
    Box box = wait_box("Pas d'espace libre");
    ASSERT_NE(nullptr, box.window);
    EXPECT_EQ("Il n'y a pas d'espace libre sur le disque du répertoire sélectionné. Veuillez sélectionner un autre "
              "répertoire et réessayez.",
              box.text);
    EXPECT_EQ(system_icon(IDI_ERROR), box.icon);
    EXPECT_EQ(before_, control_text(p, IDC_OUTPUT_FOLDER));
    answer(box, IDOK);
  }
  ASSERT_TRUE(wait_until([&] { return control_text(p, IDC_OUTPUT_FOLDER) == scratch_; }, 5000));
  {
    std::lock_guard<std::mutex> lock(services.mutex);
    EXPECT_EQ((std::vector<std::string>{"Q:\\", "R:/", "Z:\\"}), services.drives);
    EXPECT_EQ(before_, services.starts[0]);
  }

  // A drive that cannot be asked counts as having space; cancelling changes nothing.
  services.picks = {"W:\\Inconnu"};
  SendMessageA(p, WM_COMMAND, IDC_OUTPUT_BROWSE, 0);
  EXPECT_EQ("W:\\Inconnu", control_text(p, IDC_OUTPUT_FOLDER));
  SendMessageA(p, WM_COMMAND, IDC_OUTPUT_BROWSE, 0);
  EXPECT_EQ("W:\\Inconnu", control_text(p, IDC_OUTPUT_FOLDER));
  std::lock_guard<std::mutex> lock(services.mutex);
  EXPECT_EQ("W:\\Inconnu", services.starts.back());
  EXPECT_EQ(before_, read_setting(kOutputFolder));  // nothing saved before Apply
}

TEST_F(OutputPageTest, PreviewExpandsTheTypedPatternAgainstTheSavedFolder) {
  for (const char* name : {"Essai01.aif", "Essai02.aif", "Essai03.wav"}) {
    CloseHandle(CreateFileA((before_ + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  OutputPage page;
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  HWND p = run.page();
  set(p, IDC_OUTPUT_PATTERN, "Essai.%autonumber%");
  set(p, IDC_OUTPUT_FOLDER, scratch_);  // not saved: the preview ignores it
  select_format(p, 0);                  // likewise: the saved format is AIFF
  PostMessageA(p, WM_COMMAND, IDC_OUTPUT_PREVIEW, 0);
  Box box = wait_box("Nom du Fichier d'Echantillonnage");
  ASSERT_NE(nullptr, box.window);
  EXPECT_EQ("Essai03", box.text);  // the dot dropped; WAV files do not count for AIFF
  EXPECT_EQ(system_icon(IDI_INFORMATION), box.icon);
  answer(box, IDOK);
}

// A visible dialog of another thread than ours, other than the sheet, holding a child
// with that id or that text.
HWND other_dialog(HWND sheet, int child_id, const char* child_text) {
  struct Query {
    HWND sheet;
    int id;
    const char* text;
    HWND found;
  } query = {sheet, child_id, child_text, nullptr};
  EnumThreadWindows(
      GetWindowThreadProcessId(sheet, nullptr),
      [](HWND window, LPARAM param) -> BOOL {
        auto* q = reinterpret_cast<Query*>(param);
        if (window == q->sheet || !IsWindowVisible(window) || vt_test::window_class(window) != "#32770") return TRUE;
        if ((q->id && GetDlgItem(window, q->id)) || (q->text && vt_test::find_child(window, nullptr, q->text))) {
          q->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&query));
  return query.found;
}

TEST_F(OutputPageTest, RealEncoderOptionsAndFolderBrowserOpenFromThePage) {
  OutputPage page;
  SheetRun run(page);
  ASSERT_NE(nullptr, run.page());
  HWND p = run.page();
  select_format(p, 1);
  PostMessageA(p, WM_COMMAND, IDC_OUTPUT_FORMAT_OPTIONS, 0);
  HWND encoder = nullptr;
  ASSERT_TRUE(wait_until([&] { return (encoder = other_dialog(run.sheet(), IDC_MP3_CONSTANT, nullptr)) != nullptr; }, 5000));
  PostMessageA(encoder, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(encoder); }, 5000));

  PostMessageA(p, WM_COMMAND, IDC_OUTPUT_BROWSE, 0);
  HWND browser = nullptr;
  ASSERT_TRUE(wait_until([&] {
    return (browser = other_dialog(run.sheet(), 0, "Localisez le répertoire de destination:")) != nullptr;
  }, 10000));
  PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(wait_until([&] { return !IsWindow(browser); }, 5000));
  EXPECT_EQ(before_, control_text(p, IDC_OUTPUT_FOLDER));

  // The free-space query of the real services.
  OutputPageServices services;
  uint64_t bytes = 0;
  EXPECT_TRUE(services.free_space("Z:\\", &bytes));
  EXPECT_LT(0u, bytes);
  EXPECT_FALSE(services.free_space("Q:\\", &bytes));
}

}  // namespace
}  // namespace vt

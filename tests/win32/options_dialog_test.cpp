// The options dialog under Wine, run on the test thread as the program runs it and
// driven from a second thread: opening pages, the hotkey hooks, the checks and the
// writing order of the pages' OK, screenshots of every page.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/commands_page_res.h"
#include "gui/commands_page_win.h"
#include "hotkeys/hotkey_bindings.h"
#include "gui/general_page_res.h"
#include "gui/options_sheet_win.h"
#include "base/settings_names.h"
#include "win/settings_win.h"
#include "gui/transmit_page_res.h"
#include "gui/output_page_res.h"
#include "gui/output_page_win.h"
#include "gui/record_page_res.h"
#include "gui/schedule_page_res.h"
#include "tests/support/registry_guard.h"
#include "tests/support/win32_driver.h"
#include "ui/db_slider_win.h"

namespace {

using vt::Hive;
using vt_test::wait_until;

const char* const kPageTitles[6] = {"Enreg.", "Sortie ", "Transmettre", "Général", "Commandes", "Programmation"};

// The output page's services without the shell or the encoder component.
class QuietOutputServices : public vt::OutputPageServices {
 public:
  bool free_space(const std::string& drive, uint64_t* bytes) override {
    *bytes = 40ull << 30;
    return true;
  }
  bool ensure_mp3_component(HWND owner) override { return true; }
  bool pick_folder(HWND owner, const std::string& start, std::string* chosen) override { return false; }
};

// Hooks that count the hotkey calls and note whether the sheet was open then.
class CountingHooks : public vt::OptionsHooks {
 public:
  void unregister_hotkeys() override {
    ++unregistered;
    sheet_open_at_unregister = FindWindowA(nullptr, "Options") != nullptr;
  }
  void register_hotkeys() override {
    ++registered;
    sheet_open_at_register = FindWindowA(nullptr, "Options") != nullptr;
  }
  int input_source_count(int device) override { return static_cast<int>(sources.size()); }
  std::string input_source_name(int device, int source) override { return sources[source]; }
  void open_recording_mixer(HWND owner) override { ++mixer_opened; }
  void edit_email_settings(HWND owner) override { ++email_settings; }
  void show_help(HWND owner, int context) override { help_context = context; }
  vt::OutputPageServices* output_services() override { return &output; }

  std::atomic<int> unregistered{0}, registered{0}, mixer_opened{0}, email_settings{0}, help_context{0};
  std::atomic<bool> sheet_open_at_unregister{true}, sheet_open_at_register{true};
  std::vector<std::string> sources;
  QuietOutputServices output;
};

// Every value the pages write, put back after each test.
class OptionsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const vt::BoolSetting* const kBools[] = {
        &vt::kRecordTone, &vt::kStoppedTone,  &vt::kIntervalTone, &vt::kRecordWhenRun, &vt::kVoiceActivate,
        &vt::kCheckMaxTime, &vt::kStopReachMaxTime, &vt::kLaunchPlayWhenStop, &vt::kPromptForName, &vt::kSendEmail, &vt::kSendFtp,
        &vt::kSendFolder, &vt::kSendRun, &vt::kResumeRecording, &vt::kStayAwake, &vt::kWarnSilence,
        &vt::kFtpUseTls};
    static const vt::IntSetting* const kInts[] = {&vt::kIntervalSecs, &vt::kWarnSpaceBelow, &vt::kRecordDevice,
                                                   &vt::kRecordChan, &vt::kRecordVolume, &vt::kVoiceActivateLevel,
                                                   &vt::kFormat, &vt::kWarnSilenceSecs};
    static const vt::TextSetting* const kTexts[] = {&vt::kMaxTime,    &vt::kSendFolderDir, &vt::kSendRunExe,
                                                     &vt::kOpenExeDir, &vt::kEmailTo,       &vt::kFtpServer,
                                                     &vt::kFtpUserName, &vt::kFtpPassword,  &vt::kFtpDirectory,
                                                     &vt::kOutputFolder, &vt::kFileNameFormat};
    for (auto* s : kBools) guard(s->hive, s->section, s->name);
    for (auto* s : kInts) guard(s->hive, s->section, s->name);
    for (auto* s : kTexts) guard(s->hive, s->section, s->name);
    for (const char* name : {"Count", "Key0", "Key0Command", "Key1", "Key1Command", "Key2", "Key2Command"})
      guard(Hive::User, vt::kSectionKeys, name);
    guards_.push_back(std::make_unique<vt_test::RegistryValueGuard>(Hive::Machine, vt::kRunKey, vt::kLogonValueName));
    // Start from the defaults.
    for (auto* s : kBools) vt_test::delete_value(s->hive, key(s->section), s->name);
    for (auto* s : kInts) vt_test::delete_value(s->hive, key(s->section), s->name);
    for (auto* s : kTexts) vt_test::delete_value(s->hive, key(s->section), s->name);
    vt::remove_logon_entry();
    write_user_int(vt::kSectionKeys, "Count", 0);
  }
  void TearDown() override { guards_.clear(); }

  static std::string key(const char* section) { return std::string("Software\\Ardentine\\Vocatrack\\") + section; }
  void guard(Hive hive, const char* section, const char* name) {
    guards_.push_back(std::make_unique<vt_test::SettingGuard>(hive, section, name));
  }
  static void write_user_int(const char* section, const char* name, int value) {
    vt::write_user_int(section, name, value);
  }
  // The stored text of a value, or "(absent)".
  static std::string stored(Hive hive, const char* section, const char* name) {
    DWORD type = 0;
    std::string data;
    if (!vt_test::read_raw_value(hive, key(section), name, &type, &data)) return "(absent)";
    return std::string(data.c_str());
  }
  template <class Setting>
  static std::string stored(const Setting& setting) {
    return stored(setting.hive, setting.section, setting.name);
  }

  // Runs the dialog on this thread on `first_page` and `drive` on another once it is
  // shown; a driver that cannot find the sheet fails the test and lets it close.
  vt::OptionsOutcome run(int first_page, const std::function<void(HWND)>& drive) {
    std::atomic<bool> driven{false};
    std::thread driver([&] {
      HWND sheet = nullptr;
      if (wait_until([&] { return (sheet = FindWindowA(nullptr, "Options")) && IsWindowVisible(sheet); }, 10000)) {
        drive(sheet);
        driven = true;
      } else {
        ADD_FAILURE() << "the options sheet did not appear";
      }
    });
    vt::OptionsOutcome outcome = vt::show_options_dialog(nullptr, first_page, &hooks_);
    driver.join();
    EXPECT_TRUE(driven);
    return outcome;
  }

  CountingHooks hooks_;
  std::vector<std::unique_ptr<vt_test::RegistryValueGuard>> guards_;
};

// ----------------------------------------------------------------- sheet helpers

HWND current_page(HWND sheet) {
  return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}
int current_index(HWND sheet) {
  return static_cast<int>(SendMessageA(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(current_page(sheet)), 0));
}
void select_page(HWND sheet, int index) { SendMessageA(sheet, PSM_SETCURSEL, index, 0); }

// Posted: the sheet's OK runs the pages' checks, whose message boxes are modal.
void press(HWND sheet, int button) { PostMessageA(sheet, PSM_PRESSBUTTON, button, 0); }

std::vector<std::string> tab_texts(HWND sheet) {
  std::vector<std::string> texts;
  HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
  int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[64] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    texts.push_back(text);
  }
  return texts;
}

bool sheet_closed() { return FindWindowA(nullptr, "Options") == nullptr; }

// The longest static text of a window: a message box's message.
std::string message_text(HWND box) {
  std::string longest;
  for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    std::string text = vt_test::window_text(c);
    if (lstrcmpiA(vt_test::window_class(c).c_str(), "Static") == 0 && text.size() > longest.size()) longest = text;
  }
  return longest;
}

// Waits for the message box captioned `caption`, returns its message and closes it.
std::string answer_box(const char* caption) {
  std::string other;
  HWND box = vt_test::find_message_box(caption, 20000, &other);
  if (!box) return "(no box captioned " + std::string(caption) + "; closed " + other + ")";
  std::string text = message_text(box);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  wait_until([&] { return !IsWindow(box); }, 5000);
  return text;
}

void type_text(HWND page, int id, const std::string& text) { vt_test::set_control_text(page, id, text); }

void set_box(HWND page, int id, bool ticked) {
  if (vt_test::is_checked(page, id) != ticked) vt_test::click(page, id);
}

// ----------------------------------------------------------------------- tests

TEST_F(OptionsDialogTest, OpensOnEachPageWithHotkeysOffWhileOpen) {
  for (int first = 0; first < 6; ++first) {
    SCOPED_TRACE(first);
    hooks_.unregistered = hooks_.registered = 0;
    vt::OptionsOutcome outcome = run(first, [&](HWND sheet) {
      EXPECT_EQ("Options", vt_test::window_text(sheet));
      EXPECT_EQ(std::vector<std::string>(kPageTitles, kPageTitles + 6), tab_texts(sheet));
      EXPECT_EQ(first, current_index(sheet));
      EXPECT_EQ(1, hooks_.unregistered.load());
      EXPECT_EQ(0, hooks_.registered.load());
      vt_test::save_screenshot(std::string("options_page_") + std::to_string(first));
      press(sheet, PSBTN_CANCEL);
      EXPECT_TRUE(wait_until(sheet_closed, 20000));
    });
    EXPECT_EQ(vt::OptionsOutcome::kCancelled, outcome);
    EXPECT_EQ(1, hooks_.unregistered.load());
    EXPECT_EQ(1, hooks_.registered.load());
    EXPECT_FALSE(hooks_.sheet_open_at_unregister.load());
    EXPECT_FALSE(hooks_.sheet_open_at_register.load());
  }
  // Out of range: the first page.
  run(9, [&](HWND sheet) {
    EXPECT_EQ(0, current_index(sheet));
    press(sheet, PSBTN_CANCEL);
  });
}

TEST_F(OptionsDialogTest, SchedulePageAddsChangesRemovesAndStoresEntries) {
  const char kKey[] = "Software\\Ardentine\\Vocatrack\\Schedule";
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  auto choose = [](HWND page, int id, int index) {
    SendDlgItemMessageA(page, id, CB_SETCURSEL, index, 0);
    vt_test::send_command(page, id, CBN_SELCHANGE);
  };
  auto select_row = [](HWND page, int row) {
    SendDlgItemMessageA(page, IDC_SCHEDULE_LIST, LB_SETCURSEL, row, 0);
    vt_test::send_command(page, IDC_SCHEDULE_LIST, LBN_SELCHANGE);
  };
  auto rows = [](HWND page) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendDlgItemMessageA(page, IDC_SCHEDULE_LIST, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char text[300] = {};
      SendDlgItemMessageA(page, IDC_SCHEDULE_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
      texts.push_back(text);
    }
    return texts;
  };
  const long long made_at = static_cast<long long>(time(nullptr) / 60);
  vt::OptionsOutcome outcome = run(vt::kOptionsSchedulePage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    EXPECT_TRUE(rows(page).empty());
    // A one-shot time gone by is refused, as is a day-less choice of days.
    type_text(page, IDC_SCHEDULE_TIME, "10:00");
    type_text(page, IDC_SCHEDULE_DATE, "2001-01-01");
    vt_test::post_command(page, IDC_SCHEDULE_ADD);
    EXPECT_EQ("Cette heure est déjà passée : veuillez choisir une heure à venir.", answer_box("Heure invalide"));
    choose(page, IDC_SCHEDULE_REPEAT, 3);
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_SCHEDULE_DATE)));
    EXPECT_TRUE(vt_test::is_enabled(vt_test::child(page, IDC_SCHEDULE_DAY_FIRST + 6)));
    vt_test::post_command(page, IDC_SCHEDULE_ADD);
    EXPECT_EQ("Veuillez cocher au moins un jour.", answer_box("Jours choisis"));
    EXPECT_TRUE(rows(page).empty());

    choose(page, IDC_SCHEDULE_REPEAT, 2);
    type_text(page, IDC_SCHEDULE_TIME, "07:30");
    type_text(page, IDC_SCHEDULE_MINUTES, "45");
    type_text(page, IDC_SCHEDULE_PATTERN, "Matinale %autonumber%");
    choose(page, IDC_SCHEDULE_FORMAT, 2);
    vt_test::click(page, IDC_SCHEDULE_ADD);
    choose(page, IDC_SCHEDULE_REPEAT, 3);
    set_box(page, IDC_SCHEDULE_DAY_FIRST + 5, true);
    set_box(page, IDC_SCHEDULE_DAY_FIRST + 6, true);
    type_text(page, IDC_SCHEDULE_TIME, "23:59");
    type_text(page, IDC_SCHEDULE_MINUTES, "0");
    type_text(page, IDC_SCHEDULE_PATTERN, "");
    choose(page, IDC_SCHEDULE_FORMAT, 0);
    vt_test::click(page, IDC_SCHEDULE_ADD);
    EXPECT_EQ((std::vector<std::string>{"Du lundi au vendredi 07:30, 45 min, Mp3, Matinale %autonumber%",
                                        "sam dim 23:59, jusqu'à l'arrêt"}),
              rows(page));

    // Modify: a chosen row fills the fields; remove the other.
    select_row(page, 0);
    EXPECT_EQ("07:30", vt_test::control_text(page, IDC_SCHEDULE_TIME));
    EXPECT_EQ("Matinale %autonumber%", vt_test::control_text(page, IDC_SCHEDULE_PATTERN));
    type_text(page, IDC_SCHEDULE_MINUTES, "60");
    vt_test::click(page, IDC_SCHEDULE_CHANGE);
    select_row(page, 1);
    vt_test::click(page, IDC_SCHEDULE_REMOVE);
    EXPECT_EQ(std::vector<std::string>{"Du lundi au vendredi 07:30, 60 min, Mp3, Matinale %autonumber%"}, rows(page));
    press(sheet, PSBTN_OK);
  });
  EXPECT_EQ(vt::OptionsOutcome::kAccepted, outcome);
  auto value = [](const char* name) {
    char text[vt::kSettingTextBytes];
    return vt::read_user_text("Schedule", name, text, "(absent)") ? std::string(text) : std::string("(absent)");
  };
  EXPECT_EQ("1", value("Count"));
  EXPECT_EQ("730", value("Entry0Time"));
  EXPECT_EQ("2", value("Entry0Repeat"));
  EXPECT_EQ("3600", value("Entry0Duration"));
  EXPECT_EQ("1", value("Entry0Format"));
  EXPECT_EQ("Matinale %autonumber%", value("Entry0Pattern"));
  // A new entry counts from its making: a slot under way is not started by surprise.
  EXPECT_NEAR(static_cast<double>(made_at), std::atof(value("Entry0Done").c_str()), 2.0);
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
}

TEST_F(OptionsDialogTest, OkWithoutChangesAcceptsAndRegistersHotkeysAgain) {
  vt::OptionsOutcome outcome = run(vt::kOptionsGeneralPage, [&](HWND sheet) { press(sheet, PSBTN_OK); });
  EXPECT_EQ(vt::OptionsOutcome::kAccepted, outcome);
  EXPECT_EQ(1, hooks_.registered.load());
  // The pages that were opened wrote their values; the defaults come back.
  EXPECT_EQ("1", stored(vt::kRecordTone));
  EXPECT_EQ("(absent)", stored(vt::kIntervalSecs));  // its box is off
  EXPECT_EQ("200", stored(vt::kWarnSpaceBelow));
}

TEST_F(OptionsDialogTest, NewDestinationFolderAsksAndRequestsExit) {
  std::string folder = vt_test::scratch_folder("options-destination");
  vt::OptionsOutcome outcome = run(vt::kOptionsOutputPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    type_text(page, IDC_OUTPUT_FOLDER, folder);
    press(sheet, PSBTN_OK);
    EXPECT_TRUE(vt_test::find_window("#32770", vt::kDestinationChangedCaption, 20000));
    EXPECT_TRUE(sheet_closed());
    EXPECT_EQ(0, hooks_.registered.load());  // the question comes before the hotkeys return
    EXPECT_EQ(vt::kDestinationChangedText, answer_box(vt::kDestinationChangedCaption));
  });
  EXPECT_EQ(vt::OptionsOutcome::kExitRequested, outcome);
  EXPECT_EQ(1, hooks_.registered.load());
  EXPECT_EQ(folder, stored(vt::kOutputFolder));

  // The same folder again is no change.
  outcome = run(vt::kOptionsOutputPage, [&](HWND sheet) { press(sheet, PSBTN_OK); });
  EXPECT_EQ(vt::OptionsOutcome::kAccepted, outcome);
  vt_test::remove_tree(folder);
}

TEST_F(OptionsDialogTest, GeneralPageWritesInOrderAndRefusesBadIntervals) {
  vt::OptionsOutcome outcome = run(vt::kOptionsGeneralPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    // Loaded from the defaults; the interval box follows its check box.
    EXPECT_TRUE(vt_test::is_checked(page, IDC_GENERAL_RECORD_TONE));
    EXPECT_TRUE(vt_test::is_checked(page, IDC_GENERAL_STOPPED_TONE));
    EXPECT_FALSE(vt_test::is_checked(page, IDC_GENERAL_INTERVAL_TONE));
    EXPECT_EQ("30", vt_test::control_text(page, IDC_GENERAL_INTERVAL_SECS));
    EXPECT_EQ("200", vt_test::control_text(page, IDC_GENERAL_WARN_SPACE));
    EXPECT_FALSE(vt_test::is_checked(page, IDC_GENERAL_LOGON));
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_GENERAL_INTERVAL_SECS)));
    set_box(page, IDC_GENERAL_INTERVAL_TONE, true);
    EXPECT_TRUE(vt_test::is_enabled(vt_test::child(page, IDC_GENERAL_INTERVAL_SECS)));

    set_box(page, IDC_GENERAL_RECORD_TONE, false);
    set_box(page, IDC_GENERAL_RECORD_WHEN_RUN, true);
    set_box(page, IDC_GENERAL_LOGON, true);
    type_text(page, IDC_GENERAL_WARN_SPACE, "-50");
    type_text(page, IDC_GENERAL_INTERVAL_SECS, "");
    select_page(sheet, vt::kOptionsRecordPage);  // OK from another page still shows the refusing one

    press(sheet, PSBTN_OK);
    EXPECT_EQ("Veuillez entrer un intervalle valide (en secs).", answer_box("Intervalle Invalide"));
    // The three tones were written before the check; nothing after it.
    EXPECT_EQ("0", stored(vt::kRecordTone));
    EXPECT_EQ("1", stored(vt::kStoppedTone));
    EXPECT_EQ("1", stored(vt::kIntervalTone));
    EXPECT_EQ("(absent)", stored(vt::kIntervalSecs));
    EXPECT_EQ("(absent)", stored(vt::kRecordWhenRun));
    EXPECT_EQ("(absent)", stored(vt::kWarnSpaceBelow));
    EXPECT_FALSE(vt::logon_entry_exists());
    EXPECT_FALSE(sheet_closed());
    EXPECT_EQ(vt::kOptionsGeneralPage, current_index(sheet));

    type_text(page, IDC_GENERAL_INTERVAL_SECS, "3O");
    press(sheet, PSBTN_OK);
    EXPECT_EQ("Veuillez entrer une durée d'intervalle valide.", answer_box("Durée invalide"));
    EXPECT_FALSE(sheet_closed());

    // A period of no time would sound the tone without pause.
    type_text(page, IDC_GENERAL_INTERVAL_SECS, "0");
    press(sheet, PSBTN_OK);
    EXPECT_EQ("Veuillez entrer une durée d'intervalle valide.", answer_box("Durée invalide"));
    EXPECT_EQ("(absent)", stored(vt::kIntervalSecs));

    type_text(page, IDC_GENERAL_INTERVAL_SECS, "45");
    press(sheet, PSBTN_OK);
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  EXPECT_EQ(vt::OptionsOutcome::kAccepted, outcome);
  EXPECT_EQ("45", stored(vt::kIntervalSecs));
  EXPECT_EQ("1", stored(vt::kRecordWhenRun));
  EXPECT_EQ("-50", stored(vt::kWarnSpaceBelow));
  EXPECT_TRUE(vt::logon_entry_exists());
  DWORD type = 0;
  std::string entry;
  ASSERT_TRUE(vt_test::read_raw_value(Hive::Machine, vt::kRunKey, vt::kLogonValueName, &type, &entry));
  EXPECT_NE(std::string::npos, std::string(entry.c_str()).find("\" -logon"));

  // Unticked: the entry goes; an unticked interval box is not checked at all.
  run(vt::kOptionsGeneralPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    EXPECT_TRUE(vt_test::is_checked(page, IDC_GENERAL_LOGON));
    EXPECT_EQ("45", vt_test::control_text(page, IDC_GENERAL_INTERVAL_SECS));
    set_box(page, IDC_GENERAL_LOGON, false);
    set_box(page, IDC_GENERAL_INTERVAL_TONE, false);
    type_text(page, IDC_GENERAL_INTERVAL_SECS, "abc");
    press(sheet, PSBTN_OK);
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  EXPECT_FALSE(vt::logon_entry_exists());
  EXPECT_EQ("0", stored(vt::kIntervalTone));
  EXPECT_EQ("45", stored(vt::kIntervalSecs));
}

TEST_F(OptionsDialogTest, RecordPageChecksTheMaximumDuration) {
  vt::OptionsOutcome outcome = run(vt::kOptionsRecordPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    EXPECT_EQ("1:00:00", vt_test::control_text(page, IDC_RECORD_MAX_TIME));
    EXPECT_FALSE(vt_test::is_checked(page, IDC_RECORD_LIMIT));
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_RECORD_MAX_TIME)));
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_RECORD_CONTINUE_AT_MAX)));
    EXPECT_TRUE(vt_test::is_checked(page, IDC_RECORD_STOP_AT_MAX));
    EXPECT_TRUE(vt_test::is_checked(page, IDC_RECORD_OPEN_LIST));
    set_box(page, IDC_RECORD_LIMIT, true);
    EXPECT_TRUE(vt_test::is_enabled(vt_test::child(page, IDC_RECORD_MAX_TIME)));
    EXPECT_TRUE(vt_test::is_enabled(vt_test::child(page, IDC_RECORD_CONTINUE_AT_MAX)));
    vt_test::click(page, IDC_RECORD_CONTINUE_AT_MAX);
    set_box(page, IDC_RECORD_OPEN_LIST, false);

    const char* const kRange = "La durée maximale d'enregistrement doit être comprise entre 1 et 7200 secondes.";
    const char* const kInvalid = "Veuillez entrer une durée maximale d'enregistrement valide.";
    struct Refusal {
      const char* typed;
      const char* message;
    };
    for (const Refusal& refusal : {Refusal{"0:00:00", kRange}, Refusal{"2:00:01", kRange}, Refusal{"1h", kInvalid},
                                   Refusal{"", kInvalid}, Refusal{"-0:30", kRange}}) {
      SCOPED_TRACE(refusal.typed);
      type_text(page, IDC_RECORD_MAX_TIME, refusal.typed);
      press(sheet, PSBTN_OK);
      EXPECT_EQ(refusal.message, answer_box("Durée invalide"));
      EXPECT_FALSE(sheet_closed());
      EXPECT_EQ(vt::kOptionsRecordPage, current_index(sheet));
    }
    // Written up to the check, nothing after it.
    EXPECT_EQ("1", stored(vt::kCheckMaxTime));
    EXPECT_EQ("0", stored(vt::kRecordDevice));
    EXPECT_EQ("-1", stored(vt::kRecordChan));
    EXPECT_EQ("(absent)", stored(vt::kMaxTime));
    EXPECT_EQ("(absent)", stored(vt::kStopReachMaxTime));
    EXPECT_EQ("(absent)", stored(vt::kLaunchPlayWhenStop));

    type_text(page, IDC_RECORD_MAX_TIME, "2:00:00");
    press(sheet, PSBTN_OK);
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  EXPECT_EQ(vt::OptionsOutcome::kAccepted, outcome);
  EXPECT_EQ("2:00:00", stored(vt::kMaxTime));
  EXPECT_EQ("0", stored(vt::kStopReachMaxTime));
  EXPECT_EQ("0", stored(vt::kLaunchPlayWhenStop));

  // Without the limit any text is kept as typed.
  run(vt::kOptionsRecordPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    EXPECT_TRUE(vt_test::is_checked(page, IDC_RECORD_CONTINUE_AT_MAX));
    set_box(page, IDC_RECORD_LIMIT, false);
    type_text(page, IDC_RECORD_MAX_TIME, "3 heures");
    press(sheet, PSBTN_OK);
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  EXPECT_EQ("0", stored(vt::kCheckMaxTime));
  EXPECT_EQ("3 heures", stored(vt::kMaxTime));
}

// Unattended recording: on by default; the silence delay is checked only when its box
// is ticked.
TEST_F(OptionsDialogTest, RecordPageUnattendedOptions) {
  vt::OptionsOutcome outcome = run(vt::kOptionsRecordPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    EXPECT_TRUE(vt_test::is_checked(page, IDC_RECORD_RESUME));
    EXPECT_TRUE(vt_test::is_checked(page, IDC_RECORD_STAY_AWAKE));
    EXPECT_TRUE(vt_test::is_checked(page, IDC_RECORD_WARN_SILENCE));
    EXPECT_EQ("60", vt_test::control_text(page, IDC_RECORD_SILENCE_SECS));
    set_box(page, IDC_RECORD_WARN_SILENCE, false);
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_RECORD_SILENCE_SECS)));
    set_box(page, IDC_RECORD_WARN_SILENCE, true);
    EXPECT_TRUE(vt_test::is_enabled(vt_test::child(page, IDC_RECORD_SILENCE_SECS)));
    set_box(page, IDC_RECORD_RESUME, false);
    for (const char* typed : {"0", "", "86401"}) {
      SCOPED_TRACE(typed);
      type_text(page, IDC_RECORD_SILENCE_SECS, typed);
      press(sheet, PSBTN_OK);
      EXPECT_EQ("Veuillez entrer une durée de silence comprise entre 1 et 86400 secondes.", answer_box("Durée invalide"));
      EXPECT_FALSE(sheet_closed());
    }
    EXPECT_EQ("(absent)", stored(vt::kWarnSilenceSecs));
    type_text(page, IDC_RECORD_SILENCE_SECS, "90");
    press(sheet, PSBTN_OK);
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  EXPECT_EQ(vt::OptionsOutcome::kAccepted, outcome);
  EXPECT_EQ("0", stored(vt::kResumeRecording));
  EXPECT_EQ("1", stored(vt::kStayAwake));
  EXPECT_EQ("1", stored(vt::kWarnSilence));
  EXPECT_EQ("90", stored(vt::kWarnSilenceSecs));
}

TEST_F(OptionsDialogTest, RecordPageVoiceActivationAndInputLines) {
  vt::write_setting(vt::kVoiceActivateLevel, -25);
  vt::write_setting(vt::kRecordChan, 1);
  vt::write_setting(vt::kRecordVolume, 4);
  hooks_.sources = {"Micro", "Entrée Ligne"};
  run(vt::kOptionsRecordPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    HWND inputs = vt_test::child(page, IDC_RECORD_INPUT);
    ASSERT_EQ(3, SendMessageA(inputs, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(2, SendMessageA(inputs, CB_GETCURSEL, 0, 0));
    char entry[64] = {};
    SendMessageA(inputs, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ("Mixeur d’Enregistrement Windows", entry);
    HWND devices = vt_test::child(page, IDC_RECORD_DEVICE);
    SendMessageA(devices, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
    EXPECT_STREQ("[Son Initial Entrant]", entry);
    EXPECT_EQ(0, SendMessageA(devices, CB_GETCURSEL, 0, 0));

    // An actual line shows the volume slider; the Windows mixer entry the button.
    EXPECT_TRUE(vt_test::is_visible(vt_test::child(page, IDC_RECORD_VOLUME)));
    EXPECT_FALSE(vt_test::is_visible(vt_test::child(page, IDC_RECORD_MIXER)));
    EXPECT_EQ(4, vt::slider_value(vt_test::child(page, IDC_RECORD_VOLUME)));
    SendMessageA(inputs, CB_SETCURSEL, 0, 0);
    vt_test::send_command(page, IDC_RECORD_INPUT, CBN_SELCHANGE);
    EXPECT_FALSE(vt_test::is_visible(vt_test::child(page, IDC_RECORD_VOLUME)));
    EXPECT_TRUE(vt_test::is_visible(vt_test::child(page, IDC_RECORD_MIXER)));
    vt_test::click(page, IDC_RECORD_MIXER);
    EXPECT_TRUE(wait_until([&] { return hooks_.mixer_opened == 1; }, 2000));

    HWND level = vt_test::child(page, IDC_RECORD_VOICE_LEVEL);
    EXPECT_EQ(-25, vt::slider_value(level));
    EXPECT_FALSE(vt_test::is_enabled(level));
    set_box(page, IDC_RECORD_VOICE, true);
    EXPECT_TRUE(vt_test::is_enabled(level));
    vt::set_slider_value(page, IDC_RECORD_VOICE_LEVEL, -50);  // held at the threshold range
    EXPECT_EQ(-40, vt::slider_value(level));
    SendMessageA(inputs, CB_SETCURSEL, 1, 0);
    vt_test::send_command(page, IDC_RECORD_INPUT, CBN_SELCHANGE);
    vt_test::save_screenshot("options_record_line");
    press(sheet, PSBTN_OK);
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  EXPECT_EQ("1", stored(vt::kVoiceActivate));
  EXPECT_EQ("-40", stored(vt::kVoiceActivateLevel));
  EXPECT_EQ("0", stored(vt::kRecordChan));
  EXPECT_EQ("4", stored(vt::kRecordVolume));
}

TEST_F(OptionsDialogTest, TransmitPageLoadsChecksAndStoresInGroups) {
  vt::write_setting(vt::kSendFtp, true);
  vt::write_setting(vt::kFtpServer, "ftp.example.fr");
  std::string mirror = vt_test::scratch_folder("options-mirror");
  vt::OptionsOutcome outcome = run(vt::kOptionsTransmitPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    EXPECT_EQ("/", vt_test::control_text(page, IDC_TRANSMIT_FTP_DIRECTORY));
    EXPECT_EQ("ftp.example.fr", vt_test::control_text(page, IDC_TRANSMIT_FTP_SERVER));
    EXPECT_TRUE(vt_test::is_enabled(vt_test::child(page, IDC_TRANSMIT_FTP_PASSWORD)));
    EXPECT_TRUE(vt_test::is_enabled(vt_test::child(page, IDC_TRANSMIT_FTP_TLS)));
    EXPECT_EQ(BST_UNCHECKED, SendDlgItemMessageA(page, IDC_TRANSMIT_FTP_TLS, BM_GETCHECK, 0, 0));
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_TRANSMIT_EMAIL_TO)));
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_TRANSMIT_MIRROR_BROWSE)));
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_TRANSMIT_RUN_EXE)));

    press(sheet, PSBTN_HELP);
    EXPECT_TRUE(wait_until([&] { return hooks_.help_context == 104; }, 2000));
    EXPECT_EQ("Annuler", vt_test::control_text(sheet, IDCANCEL));
    EXPECT_EQ("Aide", vt_test::control_text(sheet, IDHELP));

    set_box(page, IDC_TRANSMIT_EMAIL, true);
    EXPECT_TRUE(vt_test::is_enabled(vt_test::child(page, IDC_TRANSMIT_EMAIL_SETTINGS)));
    vt_test::click(page, IDC_TRANSMIT_EMAIL_SETTINGS);
    EXPECT_TRUE(wait_until([&] { return hooks_.email_settings == 1; }, 2000));
    const char* const kAddress =
        "Veuillez entrer l'adresse email de la personne à qui vous souhaitez envoyer les enregistrements.";
    for (const char* address : {"jean@example.f", "@example.fr", "jean.example.fr", ""}) {
      SCOPED_TRACE(address);
      type_text(page, IDC_TRANSMIT_EMAIL_TO, address);
      press(sheet, PSBTN_OK);
      EXPECT_EQ(kAddress, answer_box("Adresse Email Invalide"));
    }
    EXPECT_EQ("(absent)", stored(vt::kSendEmail));
    type_text(page, IDC_TRANSMIT_EMAIL_TO, "jean@example.fr");

    // FTP needs server, user and password; the e-mail group is stored by then.
    press(sheet, PSBTN_OK);
    HWND box = nullptr;
    ASSERT_TRUE(wait_until([&] {
      box = FindWindowA("#32770", nullptr);
      return box && box != sheet && message_text(box) == "Le serveur FTP ou les détails utilisateur sont demandés.";
    }, 5000));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    wait_until([&] { return !IsWindow(box); }, 5000);
    EXPECT_EQ("1", stored(vt::kSendEmail));
    EXPECT_EQ("jean@example.fr", stored(vt::kEmailTo));
    EXPECT_EQ("(absent)", stored(vt::kFtpUserName));
    type_text(page, IDC_TRANSMIT_FTP_USER, "jean");
    type_text(page, IDC_TRANSMIT_FTP_PASSWORD, "secret");
    set_box(page, IDC_TRANSMIT_FTP_TLS, true);

    set_box(page, IDC_TRANSMIT_MIRROR, true);
    press(sheet, PSBTN_OK);
    EXPECT_EQ(
        "Le répertoire spécifié est invalide. Veuillez sélectionner un répertoire valide vers lequel vous souhaitez "
        "faire une sauvegarde des enregistrements.",
        answer_box("Répertoire Invalide"));
    EXPECT_EQ("jean", stored(vt::kFtpUserName));
    EXPECT_EQ("/", stored(vt::kFtpDirectory));
    EXPECT_EQ("1", stored(vt::kFtpUseTls));
    type_text(page, IDC_TRANSMIT_MIRROR_FOLDER, mirror);
    {
      // A file of the user's own that happens to bear the write test's old name.
      std::ofstream((mirror + "\\__wt").c_str(), std::ios::binary) << "mine";
    }

    set_box(page, IDC_TRANSMIT_RUN, true);
    press(sheet, PSBTN_OK);
    EXPECT_EQ("Veuillez entrer le fichier exe ou bat que vous souhaitez lancer.", answer_box("Fichier Exe Invalide"));
    EXPECT_EQ(mirror, stored(vt::kSendFolderDir));
    type_text(page, IDC_TRANSMIT_RUN_EXE, "\"C:\\outils\\envoi.exe\" \"%s\"");
    press(sheet, PSBTN_OK);
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  EXPECT_EQ(vt::OptionsOutcome::kAccepted, outcome);
  EXPECT_EQ("1", stored(vt::kSendRun));
  EXPECT_EQ("\"C:\\outils\\envoi.exe\" \"%s\"", stored(vt::kSendRunExe));
  EXPECT_EQ("secret", stored(vt::kFtpPassword));
  // The write test leaves nothing behind and the user's file untouched.
  std::ifstream mine((mirror + "\\__wt").c_str(), std::ios::binary);
  std::string kept((std::istreambuf_iterator<char>(mine)), std::istreambuf_iterator<char>());
  EXPECT_EQ("mine", kept);
  mine.close();
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((mirror + "\\*").c_str(), &found);
  int files = 0;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  EXPECT_EQ(1, files);
  vt_test::remove_tree(mirror);
}

TEST_F(OptionsDialogTest, CommandsPageListsAndRemovesBindings) {
  write_user_int(vt::kSectionKeys, "Count", 3);
  write_user_int(vt::kSectionKeys, "Key0", 0x60078);  // Ctrl+Shift+F9
  write_user_int(vt::kSectionKeys, "Key0Command", 3);
  write_user_int(vt::kSectionKeys, "Key1", 0x74);  // F5
  write_user_int(vt::kSectionKeys, "Key1Command", 7);
  write_user_int(vt::kSectionKeys, "Key2", 0x10000 | 'R');
  write_user_int(vt::kSectionKeys, "Key2Command", 0);
  run(vt::kOptionsCommandsPage, [&](HWND sheet) {
    HWND page = current_page(sheet);
    HWND list = vt_test::child(page, IDC_COMMANDS_LIST);
    auto cell = [&](int row, int column) {
      char text[128] = {};
      LVITEMA item = {};
      item.iSubItem = column;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
      return std::string(text);
    };
    ASSERT_EQ(3, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ(0u, cell(0, 0).find("Ctrl+Shift+"));
    EXPECT_GT(cell(0, 0).size(), std::string("Ctrl+Shift+").size());
    EXPECT_EQ("Stop", cell(0, 1));
    EXPECT_EQ("", cell(1, 1));  // no command 7
    EXPECT_EQ(0u, cell(2, 0).find("Alt+"));
    EXPECT_EQ("Enreg.", cell(2, 1));
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_COMMANDS_REMOVE)));
    EXPECT_FALSE(vt_test::is_enabled(vt_test::child(page, IDC_COMMANDS_MODIFY)));

    LVITEMA select = {};
    select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
    EXPECT_TRUE(wait_until([&] { return vt_test::is_enabled(vt_test::child(page, IDC_COMMANDS_REMOVE)); }, 2000));
    vt_test::click(page, IDC_COMMANDS_REMOVE);
    EXPECT_EQ(2, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ("Enreg.", cell(1, 1));
    press(sheet, PSBTN_HELP);
    EXPECT_TRUE(wait_until([&] { return hooks_.help_context == 106; }, 2000));
    press(sheet, PSBTN_CANCEL);  // the page writes as the user works
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  EXPECT_EQ("2", stored(Hive::User, vt::kSectionKeys, "Count"));
  EXPECT_EQ(std::to_string(0x74), stored(Hive::User, vt::kSectionKeys, "Key0"));
  EXPECT_EQ("7", stored(Hive::User, vt::kSectionKeys, "Key0Command"));
  EXPECT_EQ(std::to_string(0x10000 | 'R'), stored(Hive::User, vt::kSectionKeys, "Key1"));
  EXPECT_EQ("0", stored(Hive::User, vt::kSectionKeys, "Key1Command"));
  EXPECT_EQ("Stop", std::string(vt::hotkey_command_name(3)));
}

TEST_F(OptionsDialogTest, DamagedBindingCountIsBounded) {
  // A count no one could have made: the page lists the bounded number and stays usable.
  write_user_int(vt::kSectionKeys, "Count", 2000000000);
  run(vt::kOptionsCommandsPage, [&](HWND sheet) {
    HWND list = vt_test::child(current_page(sheet), IDC_COMMANDS_LIST);
    EXPECT_EQ(vt::kMaxHotkeyBindings, SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    press(sheet, PSBTN_CANCEL);
    EXPECT_TRUE(wait_until(sheet_closed, 20000));
  });
  write_user_int(vt::kSectionKeys, "Count", 0);
}

}  // namespace

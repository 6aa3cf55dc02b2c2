// The Keys bindings and what the key-capture dialog takes.
#include <gtest/gtest.h>

#include <string>

#include "hotkeys/hotkey_bindings.h"
#include "tests/support/map_section.h"

namespace {

using namespace vt;

TEST(HotkeyBindings, CountBoundsTheBindingsRead) {
  vt_test::MapSection keys;
  EXPECT_TRUE(load_hotkey_bindings(keys).empty());
  keys.values = {{"Count", "2"}, {"Key0", "393336"}, {"Key0Command", "3"}, {"Key1", "118"},
                 {"Key2", "119"}, {"Key2Command", "1"}};
  std::vector<HotkeyBinding> bindings = load_hotkey_bindings(keys);
  ASSERT_EQ(2u, bindings.size());
  EXPECT_EQ(0x60078, bindings[0].key_code);  // Ctrl+Shift+F9
  EXPECT_EQ(6u, hotkey_modifiers(bindings[0].key_code));
  EXPECT_EQ(0x78u, hotkey_virtual_key(bindings[0].key_code));
  EXPECT_EQ(3, bindings[0].command);
  EXPECT_EQ(0, bindings[1].command);  // missing command: 0

  keys.values["Count"] = "2147483647";
  EXPECT_EQ(kMaxHotkeyBindings, hotkey_binding_count(keys));
  keys.values["Count"] = "-4";
  EXPECT_EQ(0, hotkey_binding_count(keys));
}

TEST(HotkeyBindings, RemovingTheFirstOfThreeMovesTheOthersDown) {
  vt_test::MapSection keys;
  write_hotkey_binding_count(keys, 3);
  for (int n = 0; n < 3; ++n) {
    write_hotkey_key(keys, n, 0x20041 + n);
    write_hotkey_command(keys, n, n);
  }
  remove_hotkey_binding(keys, 0);
  EXPECT_EQ("2", keys.values["Count"]);
  EXPECT_EQ(std::to_string(0x20042), keys.values["Key0"]);
  EXPECT_EQ("1", keys.values["Key0Command"]);
  EXPECT_EQ(std::to_string(0x20043), keys.values["Key1"]);
  EXPECT_EQ("2", keys.values["Key1Command"]);
  // The last pair stays behind, past the count.
  EXPECT_EQ(std::to_string(0x20043), keys.values["Key2"]);
  remove_hotkey_binding(keys, 5);
  EXPECT_EQ("2", keys.values["Count"]);
  keys.values["Count"] = "0";
  remove_hotkey_binding(keys, 0);
  EXPECT_EQ("0", keys.values["Count"]);
}

TEST(HotkeyBindings, KeyCaptureTakesRefusesAndIgnores) {
  EXPECT_EQ(KeyCapture::kTaken, classify_captured_key(0x60078));  // Ctrl+Shift+F9
  EXPECT_EQ(KeyCapture::kTaken, classify_captured_key(0x78));     // F9 alone
  EXPECT_EQ(KeyCapture::kTaken, classify_captured_key(0x24));     // Home alone
  EXPECT_EQ(KeyCapture::kTaken, classify_captured_key(0x20041));  // Ctrl+A
  EXPECT_EQ(KeyCapture::kTaken, classify_captured_key(0x10031));  // Alt+1
  EXPECT_EQ(KeyCapture::kRefused, classify_captured_key(0x41));   // A
  EXPECT_EQ(KeyCapture::kRefused, classify_captured_key(0x40041));  // Shift+A types "A"
  EXPECT_EQ(KeyCapture::kRefused, classify_captured_key(0x35));   // 5
  EXPECT_EQ(KeyCapture::kRefused, classify_captured_key(0x20));   // space
  EXPECT_EQ(KeyCapture::kRefused, classify_captured_key(0xBC));   // comma
  EXPECT_EQ(KeyCapture::kRefused, classify_captured_key(0x64));   // keypad 4
  EXPECT_EQ(KeyCapture::kIgnored, classify_captured_key(0x0D));   // Enter
  EXPECT_EQ(KeyCapture::kIgnored, classify_captured_key(0x20011));  // Ctrl alone
  EXPECT_EQ(KeyCapture::kIgnored, classify_captured_key(0x40010));  // Shift alone
  EXPECT_EQ(KeyCapture::kIgnored, classify_captured_key(0x10012));  // Alt alone
  EXPECT_EQ(KeyCapture::kCancel, classify_captured_key(0x1B));
}

struct CommandLog : HotkeyCommands {
  std::string log;
  void record() override { log += "R"; }
  void pause() override { log += "P"; }
  void restart() override { log += "H"; }
  void stop_and_mark() override { log += "S"; }
  void toggle_recordings_list() override { log += "L"; }
};

TEST(HotkeyBindings, CommandTable) {
  CommandLog commands;
  for (int command : {0, 1, 2, 3, 4, 7, -1, 5}) run_hotkey_command(command, commands);
  EXPECT_EQ("RPHSL", commands.log);
  EXPECT_STREQ("Aller au Début", hotkey_command_name(2));
  EXPECT_STREQ("Ouvrir la Liste d'Enregistrements", hotkey_command_name(4));
  EXPECT_STREQ("", hotkey_command_name(7));
}

}  // namespace

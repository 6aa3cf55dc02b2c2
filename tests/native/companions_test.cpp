// Companion command lines and the launches of the "Lancer" menu and the recordings list.
#include <gtest/gtest.h>

#include <cstring>

#include "base/command_template.h"
#include "setup/companions.h"
#include "setup/server_addresses.h"

namespace {

TEST(FormatCommand, PutsTheArgumentIntoTheFirstPlaceholderOnly) {
  EXPECT_EQ("\"C:\\Trimwell\\tw.exe\" C:\\rec one.wav", vt::format_command("\"C:\\Trimwell\\tw.exe\" %s", "C:\\rec one.wav"));
  EXPECT_EQ("tw.exe ", vt::format_command("tw.exe %s", ""));
  EXPECT_EQ("tw.exe", vt::format_command("tw.exe", "ignored"));
  // A template from the registry is not trusted with printf: other conversions,
  // a second %s and a lone % at the end stay as they are; %% is one %.
  EXPECT_EQ("x a %d %s 100% %n %", vt::format_command("x %s %d %s 100%% %n %", "a"));
  // The argument's own % signs are not read again.
  EXPECT_EQ("x 50%s", vt::format_command("x %s", "50%s"));
}

TEST(CompanionLaunches, MenuCommandsQuoteAndWaitOnlyWithARecording) {
  vt::CompanionLaunch launch;
  ASSERT_TRUE(vt::menu_launch(1011, "", &launch));
  EXPECT_STREQ("Trimwell", launch.companion.registry_name);
  EXPECT_EQ("", launch.argument);
  EXPECT_FALSE(launch.wait);
  ASSERT_TRUE(vt::menu_launch(1011, "C:\\rec one.wav", &launch));
  EXPECT_EQ("C:\\rec one.wav", launch.argument);  // the editor gets it unquoted
  EXPECT_TRUE(launch.wait);

  ASSERT_TRUE(vt::menu_launch(1012, "C:\\rec one.wav", &launch));
  EXPECT_STREQ("CopyCD", launch.companion.command_value);
  EXPECT_EQ("\"C:\\rec one.wav\"", launch.argument);
  EXPECT_TRUE(launch.wait);
  ASSERT_TRUE(vt::menu_launch(1012, "", &launch));
  EXPECT_EQ("", launch.argument);
  EXPECT_FALSE(launch.wait);

  // The ripper takes nothing from the list.
  ASSERT_TRUE(vt::menu_launch(1013, "C:\\rec.wav", &launch));
  EXPECT_STREQ("liftsetup", launch.companion.setup_name);
  EXPECT_EQ("", launch.argument);
  EXPECT_FALSE(launch.wait);

  ASSERT_TRUE(vt::menu_launch(1014, "C:\\rec.wav", &launch));
  EXPECT_STREQ("Formatory", launch.companion.display_name);
  EXPECT_EQ("\"C:\\rec.wav\"", launch.argument);
  EXPECT_TRUE(launch.wait);

  EXPECT_FALSE(vt::menu_launch(1015, "", &launch));
}

TEST(CompanionLaunches, ListCommandsAlwaysWait) {
  vt::CompanionLaunch edit = vt::edit_launch("C:\\a b.wav");
  EXPECT_STREQ("RunEdit", edit.companion.command_value);
  EXPECT_EQ("C:\\a b.wav", edit.argument);
  EXPECT_TRUE(edit.wait);
  vt::CompanionLaunch burn = vt::copy_to_cd_launch(" -type audio -list C:\\t\\vtburn.txt");
  EXPECT_STREQ("discsetup", burn.companion.setup_name);
  EXPECT_EQ(" -type audio -list C:\\t\\vtburn.txt", burn.argument);
  EXPECT_TRUE(burn.wait);
  vt::CompanionLaunch convert = vt::convert_launch("C:\\a b.wav");
  EXPECT_STREQ("Convert", convert.companion.command_value);
  EXPECT_EQ("C:\\a b.wav", convert.argument);
  EXPECT_TRUE(convert.wait);
  EXPECT_EQ("Run Discwright", vt::launch_caption(vt::kCdBurner));
}

TEST(ServerAddresses, PathsJoinWithOneSlash) {
  EXPECT_EQ("http://h:8080/p/components/mp3el.exe", vt::setup_program_url("http://h:8080/p", "mp3el"));
  EXPECT_EQ("http://h/components/mp3el.exe", vt::setup_program_url("http://h//", "mp3el"));
  EXPECT_EQ("http://www.site/trimwell/index.html", vt::web_page_url("http://www.site/", "trimwell/index"));
}

}  // namespace

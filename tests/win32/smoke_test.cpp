#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/win32_driver.h"

TEST(Win32Environment, RunsAsVista) {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(6u, info.dwMajorVersion);
  EXPECT_EQ(0u, info.dwMinorVersion);
}

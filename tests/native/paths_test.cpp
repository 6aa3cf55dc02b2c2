#include <gtest/gtest.h>

#include <string>

#include "base/paths.h"

namespace vt {

TEST(JoinPath, AddsOneSeparatorAndCutsAtTheLimit) {
  EXPECT_EQ("C:\\a\\b.wav", join_path("C:\\a", "b.wav"));
  EXPECT_EQ("C:\\a\\b.wav", join_path("C:\\a\\", "b.wav"));
  EXPECT_EQ("C:/a/b.wav", join_path("C:/a/", "b.wav"));
  EXPECT_EQ("b.wav", join_path("", "b.wav"));
  std::string long_path = join_path(std::string(250, 'x'), std::string(20, 'y'));
  EXPECT_EQ(kMaxPathChars, long_path.size());
  EXPECT_EQ('\\', long_path[250]);
}

}  // namespace vt

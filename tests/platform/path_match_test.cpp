// Shell-style patterns over paths: what matches a port list entry, and what the
// file system expands a pattern to.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/path_match.h"
#include "temp_folder.h"

namespace t418::platform {
namespace {

TEST(PathMatches, WildcardsStayWithinOnePathPart) {
  const struct {
    const char* pattern;
    const char* path;
    bool matches;
  } cases[] = {
      {"/dev/ttyUSB*", "/dev/ttyUSB0", true},
      {"/dev/ttyUSB*", "/dev/ttyUSB10", true},
      {"/dev/ttyUSB*", "/dev/ttyUSB", true},
      {"/dev/ttyUSB*", "/dev/ttyACM0", false},
      // '*' and '?' never stand for a slash.
      {"/dev/*", "/dev/pts/3", false},
      {"/dev/*/3", "/dev/pts/3", true},
      {"/dev/pts?3", "/dev/pts/3", false},
      {"/dev/ttyUSB?", "/dev/ttyUSB1", true},
      {"/dev/ttyUSB?", "/dev/ttyUSB10", false},
      // Sets, ranges and their negation.
      {"/dev/ttyUSB[01]", "/dev/ttyUSB1", true},
      {"/dev/ttyUSB[01]", "/dev/ttyUSB2", false},
      {"/dev/ttyS[0-3]", "/dev/ttyS3", true},
      {"/dev/ttyS[!0-3]", "/dev/ttyS3", false},
      {"/dev/ttyS[!0-3]", "/dev/ttyS4", true},
      // A quoted wildcard is the character itself.
      {"/tmp/a\\*b", "/tmp/a*b", true},
      {"/tmp/a\\*b", "/tmp/axb", false},
      // The whole path must match, not a part of it.
      {"ttyUSB0", "/dev/ttyUSB0", false},
      {"/dev/ttyUSB0", "/dev/ttyUSB0", true},
      {"/dev/ttyUSB0", "/dev/ttyUSB00", false},
  };
  for (const auto& c : cases) EXPECT_EQ(PathMatches(c.pattern, c.path), c.matches) << c.pattern << " ~ " << c.path;
}

TEST(ExpandPathPattern, GivesTheExistingPathsThePatternNames) {
  testing::TempFolder folder;
  const std::string dir = folder.path().string();
  for (const char* name : {"line1", "line2", "line10", "other"}) std::ofstream(folder.path() / name) << "";
  std::filesystem::create_directory(folder.path() / "sub");
  std::ofstream(folder.path() / "sub" / "line3") << "";

  auto sorted = [](std::vector<std::string> paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
  };
  EXPECT_EQ(sorted(ExpandPathPattern(dir + "/line*")),
            (std::vector<std::string>{dir + "/line1", dir + "/line10", dir + "/line2"}));
  EXPECT_EQ(sorted(ExpandPathPattern(dir + "/line?")), (std::vector<std::string>{dir + "/line1", dir + "/line2"}));
  // The file in the sub-folder is not reached by a '*' of the upper one.
  EXPECT_EQ(sorted(ExpandPathPattern(dir + "/*3")), std::vector<std::string>{});
  EXPECT_EQ(sorted(ExpandPathPattern(dir + "/*/line3")), std::vector<std::string>{dir + "/sub/line3"});
  EXPECT_TRUE(ExpandPathPattern(dir + "/nothing*").empty());
  EXPECT_TRUE(ExpandPathPattern(dir + "/missing/line*").empty());
}

}  // namespace
}  // namespace t418::platform

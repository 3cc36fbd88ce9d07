// Where an installed program finds its data files: PREFIX/share/t418 beside
// PREFIX/bin, else its own folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/process.h"
#include "temp_folder.h"

namespace t418::platform {
namespace {

namespace fs = std::filesystem;

TEST(InstalledDataFolder, ShareFolderBesideBinElseTheProgramFolder) {
  testing::TempFolder root;
  const fs::path prefix = root.path() / "usr";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share" / "t418");
  fs::create_directories(prefix / "libexec");
  fs::create_directories(root.path() / "opt" / "bin");
  fs::create_directories(root.path() / "opt" / "share");
  std::ofstream(root.path() / "opt" / "share" / "t418") << "a file, not a folder";
  fs::create_directories(root.path() / "build" / "bin");

  struct Case {
    fs::path program;
    fs::path expected;
  };
  const Case cases[] = {
      {prefix / "bin", prefix / "share" / "t418"},
      {prefix / "bin" / "", prefix / "share" / "t418"},  // with a closing separator
      {prefix / "libexec", prefix / "libexec"},          // not a bin folder
      {root.path() / "opt" / "bin", root.path() / "opt" / "bin"},
      {root.path() / "build" / "bin", root.path() / "build" / "bin"},  // no share/t418 beside it
      {fs::path(), fs::path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program.string());
    EXPECT_EQ(InstalledDataFolder(c.program), c.expected);
  }
}

}  // namespace
}  // namespace t418::platform

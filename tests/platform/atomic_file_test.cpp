// Replacing a file whole: the new content appears only by the rename, the old
// file stays as it was whenever the replacement fails, and no new file is left
// behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "platform/process.h"
#include "temp_folder.h"

namespace t418::platform {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileReplacement, ReplacesTheContentKeepingTheOldFilesMode) {
  testing::TempFolder folder;
  const fs::path target = folder.path() / "T418Cfg.ini";
  testing::WriteBytes(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  {
    FileReplacement replacement(target);
    ASSERT_FALSE(replacement.Error()) << replacement.Error().message();
    EXPECT_FALSE(replacement.Write("new "));
    EXPECT_FALSE(replacement.Write("content"));
    // Until the commit the old file is what readers see.
    EXPECT_EQ(testing::ReadBytes(target), "old");
    EXPECT_FALSE(replacement.Commit());
    EXPECT_TRUE(replacement.Committed());
  }
  EXPECT_EQ(testing::ReadBytes(target), "new content");
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"T418Cfg.ini"});
}

TEST(FileReplacement, ANewFileIsCreatedAndItsNameTellsTheProcess) {
  testing::TempFolder folder;
  const fs::path target = folder.path() / "new.cfg";
  FileReplacement replacement(target);
  ASSERT_FALSE(replacement.Error());
  // Left-over files of ended processes are recognised by this name.
  const std::string name = replacement.TemporaryPath().filename().string();
  const std::string prefix = ".new.cfg." + std::to_string(CurrentProcessId()) + "-";
  EXPECT_EQ(name.rfind(prefix, 0), 0u) << name;
  EXPECT_TRUE(name.ends_with(".tmp")) << name;
  EXPECT_EQ(replacement.TemporaryPath().parent_path(), folder.path());
  EXPECT_FALSE(fs::exists(target));
  EXPECT_FALSE(replacement.Write("x=1\r\n"));
  EXPECT_FALSE(replacement.Commit());
  EXPECT_EQ(testing::ReadBytes(target), "x=1\r\n");
}

TEST(FileReplacement, AFailureLeavesTheOldFileAndNoNewOne) {
  testing::TempFolder folder;
  const fs::path target = folder.path() / "T418Cfg.ini";
  testing::WriteBytes(target, "old");

  {
    // Given up before the commit: nothing changes.
    FileReplacement replacement(target);
    ASSERT_FALSE(replacement.Error());
    EXPECT_FALSE(replacement.Write("half"));
  }
  EXPECT_EQ(testing::ReadBytes(target), "old");
  EXPECT_EQ(Names(folder.path()), std::vector<std::string>{"T418Cfg.ini"});

  // The rename fails: the target is a folder that holds a file.
  const fs::path folderTarget = folder.path() / "busy";
  fs::create_directory(folderTarget);
  testing::WriteBytes(folderTarget / "inside", "kept");
  {
    FileReplacement replacement(folderTarget);
    ASSERT_FALSE(replacement.Error());
    EXPECT_FALSE(replacement.Write("new"));
    EXPECT_TRUE(replacement.Commit());
    EXPECT_FALSE(replacement.Committed());
  }
  EXPECT_TRUE(fs::is_directory(folderTarget));
  EXPECT_EQ(testing::ReadBytes(folderTarget / "inside"), "kept");
  EXPECT_EQ(Names(folder.path()), (std::vector<std::string>{"T418Cfg.ini", "busy"}));
}

TEST(FileReplacement, AFolderThatCannotBeWrittenIsAnErrorAtOnce) {
  testing::TempFolder folder;
  const fs::path target = folder.path() / "missing" / "T418Cfg.ini";
  FileReplacement replacement(target);
  EXPECT_EQ(replacement.Error(), std::errc::no_such_file_or_directory);
  EXPECT_TRUE(replacement.Write("x"));
  EXPECT_TRUE(replacement.Commit());
  EXPECT_FALSE(replacement.Committed());
  EXPECT_FALSE(fs::exists(target));
}

}  // namespace
}  // namespace t418::platform

// What the system says of a file before the tool reads or writes it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/file_facts.h"
#include "temp_folder.h"

namespace t418::platform {
namespace {

namespace fs = std::filesystem;

TEST(FileFacts, KindOfEachSortOfFile) {
  testing::TempFolder folder;
  const fs::path file = folder.path() / "a.cfg";
  testing::WriteBytes(file, "x=1");
  const fs::path fifo = folder.path() / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_symlink(file, folder.path() / "link");
  fs::create_symlink(folder.path() / "gone", folder.path() / "dangling");

  const struct {
    fs::path path;
    FileKind kind;
  } cases[] = {
      {file, FileKind::Regular},
      {folder.path() / "link", FileKind::Regular},  // links are followed
      {folder.path(), FileKind::Folder},
      {fifo, FileKind::Other},
      {"/dev/null", FileKind::Other},
      {folder.path() / "missing", FileKind::Missing},
      {folder.path() / "dangling", FileKind::Missing},
      {file / "below", FileKind::Missing},
  };
  for (const auto& c : cases) {
    std::error_code error;
    EXPECT_EQ(KindOfFile(c.path, error), c.kind) << c.path;
    EXPECT_EQ(static_cast<bool>(error), c.kind == FileKind::Missing) << c.path;
  }
  std::error_code error;
  KindOfFile(folder.path() / "missing", error);
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

TEST(FileFacts, ReadAndWritePermissions) {
  testing::TempFolder folder;
  const fs::path file = folder.path() / "a.cfg";
  testing::WriteBytes(file, "x=1");
  std::error_code error;
  EXPECT_TRUE(MayRead(file, error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(MayRead(folder.path() / "missing", error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  EXPECT_TRUE(MayWriteIn(folder.path()));
  EXPECT_FALSE(MayWriteIn(folder.path() / "missing"));
  // An empty folder is the current one.
  EXPECT_EQ(MayWriteIn({}), ::access(".", W_OK) == 0);

  if (::geteuid() == 0) GTEST_SKIP() << "a privileged user may read and write anything";
  ASSERT_EQ(::chmod(file.c_str(), 0200), 0);
  EXPECT_FALSE(MayRead(file, error));
  EXPECT_EQ(error, std::errc::permission_denied);
  ASSERT_EQ(::chmod(folder.path().c_str(), 0500), 0);
  EXPECT_FALSE(MayWriteIn(folder.path()));
}

TEST(FileFacts, SameFileWhateverNameLeadsThere) {
  testing::TempFolder folder;
  const fs::path a = folder.path() / "a.cfg";
  const fs::path b = folder.path() / "b.cfg";
  testing::WriteBytes(a, "same bytes");
  testing::WriteBytes(b, "same bytes");
  fs::create_hard_link(a, folder.path() / "hard");
  fs::create_symlink(a, folder.path() / "soft");

  const struct {
    fs::path left, right;
    std::optional<bool> same;
  } cases[] = {
      {a, a, true},
      {a, folder.path() / "." / "a.cfg", true},
      {a, folder.path() / "hard", true},
      {folder.path() / "soft", a, true},
      {a, b, false},  // equal content is not the same file
      {a, folder.path() / "missing", std::nullopt},
      {folder.path() / "missing", folder.path() / "missing", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(SameExistingFile(c.left, c.right), c.same) << c.left << " / " << c.right;
}

}  // namespace
}  // namespace t418::platform

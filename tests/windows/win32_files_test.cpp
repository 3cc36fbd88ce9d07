// The Win32 file backends on UTF-16 paths: a folder with Chinese characters
// in its name is read, written and replaced like any other.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/atomic_file.h"
#include "platform/file_facts.h"
#include "platform/file_io.h"
#include "temp_folder.h"

namespace t418::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// "配置文件" (configuration files): no code page but UTF-16 names it.
const fs::path kChineseFolder = fs::path(L"\u914D\u7F6E\u6587\u4EF6");

TEST(Win32AtomicFile, ReplacesAFileInAChineseFolderWholeAndLeavesNoSibling) {
  TempFolder temp;
  const fs::path folder = temp.path() / kChineseFolder;
  fs::create_directory(folder);
  const fs::path target = folder / L"T418Cfg.ini";
  WriteBytes(target, "old");

  FileReplacement replacement(target);
  ASSERT_FALSE(replacement.Error()) << replacement.Error().message();
  EXPECT_EQ(replacement.TemporaryPath().parent_path(), folder);
  EXPECT_FALSE(replacement.Write("new content"));
  EXPECT_EQ(ReadBytes(target), "old");  // nothing changes before the commit
  EXPECT_FALSE(replacement.Commit());
  EXPECT_TRUE(replacement.Committed());
  EXPECT_EQ(ReadBytes(target), "new content");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++files;
  EXPECT_EQ(files, 1u) << "the new file was renamed, not copied";
}

TEST(Win32AtomicFile, AFailedCommitKeepsTheOldFileAndAnAbandonedOneLeavesNothing) {
  TempFolder temp;
  const fs::path target = temp.path() / L"profile.ini";
  WriteBytes(target, "old");
  {
    FileReplacement abandoned(target);
    ASSERT_FALSE(abandoned.Write("half"));
  }
  EXPECT_EQ(ReadBytes(target), "old");
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(temp.path())) ++files;
  EXPECT_EQ(files, 1u);

  // A folder in the target's place cannot be replaced by a file.
  const fs::path folderTarget = temp.path() / L"taken";
  fs::create_directory(folderTarget);
  FileReplacement refused(folderTarget);
  ASSERT_FALSE(refused.Write("x"));
  EXPECT_TRUE(refused.Commit());
  EXPECT_FALSE(refused.Committed());
  EXPECT_TRUE(fs::is_directory(folderTarget));
}

TEST(Win32AtomicFile, TheNewFileMayBeReplacedByNameBeforeItReplacesTheTarget) {
  // A writer that saves whole files itself writes the new file by its name:
  // Windows refuses a move over a file someone holds open.
  TempFolder temp;
  const fs::path target = temp.path() / L"line.ini";
  WriteBytes(target, "old");
  FileReplacement outer(target);
  ASSERT_FALSE(outer.Error());
  {
    FileReplacement inner(outer.TemporaryPath());
    ASSERT_FALSE(inner.Write("[Param]\r\nAPN=CMNET\r\n"));
    ASSERT_FALSE(inner.Commit()) << "the new file is open";
  }
  EXPECT_FALSE(outer.Commit());
  EXPECT_EQ(ReadBytes(target), "[Param]\r\nAPN=CMNET\r\n");
}

TEST(Win32AtomicFile, AReadOnlyTargetIsReplacedAndStaysReadOnly) {
  TempFolder temp;
  const fs::path target = temp.path() / L"locked.ini";
  WriteBytes(target, "old");
  ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
  FileReplacement replacement(target);
  ASSERT_FALSE(replacement.Write("new"));
  EXPECT_FALSE(replacement.Commit());
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_TRUE(::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32FileFacts, KindsAccessAndSameFileUnderUtf16Names) {
  TempFolder temp;
  const fs::path folder = temp.path() / kChineseFolder;
  fs::create_directory(folder);
  const fs::path file = folder / L"\u6570\u636E.json";  // "数据.json"
  WriteBytes(file, "{}");

  std::error_code error;
  EXPECT_EQ(KindOfFile(file, error), FileKind::Regular);
  EXPECT_EQ(KindOfFile(folder, error), FileKind::Folder);
  EXPECT_EQ(KindOfFile(folder / L"missing", error), FileKind::Missing);
  EXPECT_EQ(error, std::errc::no_such_file_or_directory) << error.message();
  EXPECT_TRUE(MayRead(file, error));
  EXPECT_FALSE(MayRead(folder / L"missing", error));
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
  EXPECT_TRUE(MayWriteIn(folder));
  EXPECT_FALSE(MayWriteIn(folder / L"missing"));

  EXPECT_EQ(SameExistingFile(file, folder / L"." / file.filename()), std::optional<bool>(true));
  WriteBytes(folder / L"other.json", "{}");
  EXPECT_EQ(SameExistingFile(file, folder / L"other.json"), std::optional<bool>(false));
  EXPECT_EQ(SameExistingFile(file, folder / L"missing"), std::nullopt);
}

TEST(Win32FileIo, AppendsReadsTheLastByteAndCutsBack) {
  TempFolder temp;
  const fs::path path = temp.path() / kChineseFolder;
  std::error_code error;
  const FileHandle file = OpenForAppending(path, error);
  ASSERT_NE(file, kNoFile) << error.message();
  ASSERT_EQ(WriteSome(file, "line 1\n", 7, error), 7);
  ASSERT_EQ(WriteSome(file, "half", 4, error), 4);
  OpenFileFacts facts;
  ASSERT_TRUE(FactsOfOpenFile(file, facts, error));
  EXPECT_TRUE(facts.regular);
  EXPECT_EQ(facts.size, 11u);
  EXPECT_EQ(ByteAt(file, 6), std::optional<char>('\n'));
  EXPECT_EQ(ByteAt(file, 10), std::optional<char>('f'));
  EXPECT_EQ(ByteAt(file, 11), std::nullopt);
  ASSERT_TRUE(CutTo(file, 7));
  // Appends go to the end, wherever the last read left the file position.
  ASSERT_EQ(WriteSome(file, "line 2\n", 7, error), 7);
  CloseFile(file);
  EXPECT_EQ(ReadBytes(path), "line 1\nline 2\n");

  const FileHandle reader = OpenForReading(path, error);
  ASSERT_NE(reader, kNoFile);
  char buffer[64];
  EXPECT_EQ(ReadSome(reader, buffer, sizeof buffer, error), 14);
  EXPECT_EQ(ReadSome(reader, buffer, sizeof buffer, error), 0);
  CloseFile(reader);
  EXPECT_EQ(OpenForReading(temp.path() / L"missing", error), kNoFile);
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace t418::platform

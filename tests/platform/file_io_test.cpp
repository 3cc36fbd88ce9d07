// Files by handle: reads that never wait for a FIFO, appends, the last byte
// and cutting back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/file_io.h"
#include "temp_folder.h"

namespace t418::platform {
namespace {

namespace fs = std::filesystem;

TEST(FileIo, ReadingGivesTheBytesAndTheFactsOfTheOpenFile) {
  testing::TempFolder folder;
  const fs::path file = folder.path() / "a.txt";
  testing::WriteBytes(file, "hello");
  std::error_code error;
  const FileHandle handle = OpenForReading(file, error);
  ASSERT_NE(handle, kNoFile) << error.message();
  OpenFileFacts facts;
  ASSERT_TRUE(FactsOfOpenFile(handle, facts, error));
  EXPECT_TRUE(facts.regular);
  EXPECT_EQ(facts.size, 5u);
  char buffer[16];
  EXPECT_EQ(ReadSome(handle, buffer, 3, error), 3);
  EXPECT_EQ(std::string(buffer, 3), "hel");
  EXPECT_EQ(ReadSome(handle, buffer, sizeof buffer, error), 2);
  EXPECT_EQ(ReadSome(handle, buffer, sizeof buffer, error), 0);
  CloseFile(handle);

  EXPECT_EQ(OpenForReading(folder.path() / "missing", error), kNoFile);
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

TEST(FileIo, AFifoOpensWithoutAWriterAndIsNotRegular) {
  testing::TempFolder folder;
  const fs::path fifo = folder.path() / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::error_code error;
  const FileHandle handle = OpenForReading(fifo, error);  // would hang if it waited
  ASSERT_NE(handle, kNoFile) << error.message();
  OpenFileFacts facts;
  ASSERT_TRUE(FactsOfOpenFile(handle, facts, error));
  EXPECT_FALSE(facts.regular);
  CloseFile(handle);
}

TEST(FileIo, AppendingAddsAtTheEndAndCuttingTakesItBack) {
  testing::TempFolder folder;
  const fs::path file = folder.path() / "report.csv";
  testing::WriteBytes(file, "a,1\nb,");
  std::error_code error;
  const FileHandle handle = OpenForAppending(file, error);
  ASSERT_NE(handle, kNoFile) << error.message();
  EXPECT_EQ(ByteAt(handle, 5), std::optional<char>(','));
  EXPECT_EQ(ByteAt(handle, 6), std::nullopt);
  EXPECT_EQ(WriteSome(handle, "2\n", 2, error), 2);
  EXPECT_EQ(testing::ReadBytes(file), "a,1\nb,2\n");
  ASSERT_TRUE(CutTo(handle, 4));
  EXPECT_EQ(testing::ReadBytes(file), "a,1\n");
  // The next append goes to the new end.
  EXPECT_EQ(WriteSome(handle, "c,3\n", 4, error), 4);
  EXPECT_EQ(testing::ReadBytes(file), "a,1\nc,3\n");
  CloseFile(handle);

  // A missing file is created.
  const FileHandle created = OpenForAppending(folder.path() / "new.csv", error);
  ASSERT_NE(created, kNoFile);
  CloseFile(created);
  EXPECT_TRUE(fs::is_regular_file(folder.path() / "new.csv"));
  EXPECT_EQ(OpenForAppending(folder.path() / "missing" / "x.csv", error), kNoFile);
  EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace t418::platform

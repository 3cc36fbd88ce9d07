// Firmware files on disk.
#include <gtest/gtest.h>

#include "firmware/upgrade_ports.h"
#include "temp_folder.h"

namespace t418 {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

TEST(DiskFirmwareSource, ReadsTheWholeFileEachTime) {
  TempFolder folder;
  const auto path = folder.path() / "T418.bin";
  const std::string firmware("\x00\x1A\xFF\r\n", 5);
  WriteBytes(path, firmware);
  DiskFirmwareSource source;
  std::string reason;
  auto file = source.Open(path, reason);
  ASSERT_NE(file, nullptr) << reason;
  EXPECT_EQ(file->Size(), 5u);
  EXPECT_EQ(file->ReadAll(), firmware);
  EXPECT_EQ(file->ReadAll(), firmware);  // from the first byte again

  WriteBytes(path, firmware + firmware);  // rebuilt while held
  EXPECT_EQ(file->Size(), 10u);
  EXPECT_EQ(file->ReadAll(), firmware + firmware);
}

TEST(DiskFirmwareSource, AnEmptyFileIsAFile) {
  TempFolder folder;
  WriteBytes(folder.path() / "empty.bin", "");
  DiskFirmwareSource source;
  std::string reason;
  auto file = source.Open(folder.path() / "empty.bin", reason);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->Size(), 0u);
  EXPECT_EQ(file->ReadAll(), "");
}

TEST(DiskFirmwareSource, SaysWhyAFileDoesNotOpen) {
  TempFolder folder;
  DiskFirmwareSource source;
  std::string reason;
  EXPECT_EQ(source.Open(folder.path() / "missing.bin", reason), nullptr);
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_EQ(source.Open(folder.path(), reason), nullptr);
  EXPECT_EQ(reason, "Is a directory");
}

}  // namespace
}  // namespace t418

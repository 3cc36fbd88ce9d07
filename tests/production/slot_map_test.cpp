// Slots files: which place is which slot, and what refuses a file.
#include "production/slot_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_folder.h"

namespace t418 {
namespace {

const std::string kPlaceA = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1.2:1.0-port0";
const std::string kPlaceB = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1.3:1.0-port0";

TEST(SlotMap, GoodFilesInEitherFormat) {
  const struct {
    const char* what;
    std::string text;
  } files[] = {
      {"INI", kPlaceA + " = A1\n" + kPlaceB + "=B2\n"},
      {"INI with section, comments, blank lines and CR LF",
       "; the bench by the window\r\n[slots]\r\n\r\n# left hub\r\n  " + kPlaceA + "  =  A1  \r\n" + kPlaceB +
           " = B2\r\n"},
      {"CSV", kPlaceA + ",A1\n" + kPlaceB + ",B2\n"},
      {"CSV with header, quotes and no last line end", "path,slot\n\"" + kPlaceA + "\",\"A1\"\n# two\n" + kPlaceB +
                                                           " , B2"},
      {"CSV starting with a byte order mark", "\xEF\xBB\xBF" + kPlaceA + ",A1\n" + kPlaceB + ",B2\n"},
  };
  for (std::size_t i = 0; i < std::size(files); ++i) {
    SCOPED_TRACE(files[i].what);
    std::string error;
    const auto map = SlotMap::Parse(files[i].text, "slots.txt", error);
    ASSERT_TRUE(map) << error;
    EXPECT_EQ(map->NameOf(kPlaceA), "A1");
    EXPECT_EQ(map->NameOf(kPlaceB), "B2");
    EXPECT_EQ(map->NameOf("/dev/serial/by-path/pci-0000:00:14.0-usb-0:1.4:1.0-port0"), "");
  }
}

TEST(SlotMap, JunkRefusesTheWholeFileNamingFileAndLine) {
  const struct {
    std::string text;
    std::string message;  // the whole message
  } cases[] = {
      {"# header\njunk\n", "bench.slots:2: neither \"PATH = SLOT\" nor \"PATH,SLOT\": \"junk\""},
      {kPlaceA + " = A1\n" + kPlaceB + "\n", "bench.slots:2: no \"PATH = SLOT\" line: \"" + kPlaceB + "\""},
      {kPlaceA + ",A1\n" + kPlaceB + " B2\n", "bench.slots:2: no \"PATH,SLOT\" line: \"" + kPlaceB + " B2\""},
      {kPlaceA + ",A1,left\n", "bench.slots:1: more than two fields: \"" + kPlaceA + ",A1,left\""},
      {" = A1\n", "bench.slots:1: no path before the slot \"A1\""},
      {kPlaceA + " =\n", "bench.slots:1: no slot name for " + kPlaceA},
      {kPlaceA + ",\n", "bench.slots:1: no slot name for " + kPlaceA},
      {kPlaceA + " = A1\n\n" + kPlaceA + " = A2\n",
       "bench.slots:3: " + kPlaceA + " is given a slot again (first on line 1)"},
      {kPlaceA + ",A1\n" + kPlaceB + ",A1\n",
       "bench.slots:2: the slot A1 is given to " + kPlaceB + " and to " + kPlaceA + " (line 1)"},
      {kPlaceA + " = rack/A1\n", "bench.slots:1: the slot name \"rack/A1\" holds a '/'"},
      {kPlaceA + " = A\tB\n", "bench.slots:1: the slot name holds a control character"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    EXPECT_FALSE(SlotMap::Parse(c.text, "bench.slots", error));
    EXPECT_EQ(error, c.message);
  }
}

TEST(SlotMap, AnEmptyFileNamesNoSlotAndEveryPortKeepsItsPlace) {
  std::string error;
  const auto map = SlotMap::Parse("# nothing yet\n\n", "slots.ini", error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->Size(), 0u);
  EXPECT_EQ(map->NameOf(kPlaceA), "");
}

TEST(SlotMap, APlaceWithoutFolderNamesTheLastPartOfAPlace) {
  std::string error;
  const auto map = SlotMap::Parse(
      "pci-0000:00:14.0-usb-0:1.2:1.0-port0 = A1\n/run/user/1000/t418-ports/line2 = S2\n", "slots.ini", error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->NameOf(kPlaceA), "A1");
  EXPECT_EQ(map->NameOf("/run/user/1000/t418-ports/line2"), "S2");
  // A full path matches only itself.
  EXPECT_EQ(map->NameOf("/tmp/t418-ports/line2"), "");
  // A port without a stable place is its own place.
  EXPECT_EQ(map->SlotOf("/run/user/1000/t418-ports/line2"), "S2");
  EXPECT_EQ(map->SlotOf("/run/user/1000/t418-ports/line3"), "/run/user/1000/t418-ports/line3");
}

TEST(SlotMap, LoadNamesAFileItCannotRead) {
  testing::TempFolder folder;
  std::string error;
  EXPECT_FALSE(SlotMap::Load((folder.path() / "missing.slots").string(), error));
  EXPECT_EQ(error.rfind((folder.path() / "missing.slots").string() + ": cannot read the slots file (", 0), 0u)
      << error;
  EXPECT_FALSE(SlotMap::Load(folder.path().string(), error)) << "a folder is no slots file";
  testing::WriteBytes(folder.path() / "good.slots", kPlaceA + ",A1\n");
  const auto map = SlotMap::Load((folder.path() / "good.slots").string(), error);
  ASSERT_TRUE(map) << error;
  EXPECT_EQ(map->NameOf(kPlaceA), "A1");
}

}  // namespace
}  // namespace t418

// The station's report file: whole lines only, also when the disk is full.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "forked_child.h"
#include "production/record_file.h"
#include "temp_folder.h"

namespace t418 {
namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(RecordFile, ALineThatDoesNotFitIsTakenBackAndWaitsWhileLaterLinesThatFitGoIn) {
  testing::TempFolder folder;
  const std::string path = (folder.path() / "report.jsonl").string();
  const std::string first(100, 'a');
  const std::string big(600, 'b');
  const std::string small(50, 'c');
  // A file size limit of 512 bytes plays the full disk, in a child of its own.
  const testing::ChildEnd child = testing::RunInChild([&]() -> std::string {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{512, 512};
    setrlimit(RLIMIT_FSIZE, &limit);
    RecordFile file;
    if (!file.Open(path)) return "not opened";
    if (!file.Append(first)) return "first refused";
    if (file.Append(big)) return "big taken";  // does not fit: waits
    if (file.Waiting().size() != 1 || file.Error().empty()) return "big not waiting";
    if (file.Append(small)) return "small refused";  // goes in; the big one still waits
    if (file.Waiting() != std::vector<std::string>{big}) return "waiting list wrong";
    return "ok";
  });
  ASSERT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.report, "ok");
  EXPECT_EQ(Contents(path), first + "\n" + small + "\n");
}

TEST(RecordFile, ARecordAfterALineCutShortStartsOnALineOfItsOwn) {
  testing::TempFolder folder;
  const std::string path = (folder.path() / "report.jsonl").string();
  std::ofstream(path, std::ios::binary) << "{\"port\":\"/dev/ttyUSB0\"}\n{\"port\":";
  RecordFile file;
  ASSERT_TRUE(file.Open(path));
  EXPECT_TRUE(file.Append("{\"port\":\"/dev/ttyUSB1\"}"));
  EXPECT_EQ(Contents(path), "{\"port\":\"/dev/ttyUSB0\"}\n{\"port\":\n{\"port\":\"/dev/ttyUSB1\"}\n");
}

TEST(RecordFile, AFileThatTakesNothingKeepsEveryRecordWaitingWithTheReason) {
  RecordFile file;
  ASSERT_TRUE(file.Open("/dev/full"));
  EXPECT_FALSE(file.Append("one"));
  EXPECT_FALSE(file.Append("two"));
  EXPECT_EQ(file.Waiting(), (std::vector<std::string>{"one", "two"}));
  EXPECT_NE(file.Error().find("space"), std::string::npos) << file.Error();
}

}  // namespace
}  // namespace t418

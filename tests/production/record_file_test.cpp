// The station's report file: whole lines only, also when the disk is full.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>

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
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{512, 512};
    setrlimit(RLIMIT_FSIZE, &limit);
    RecordFile file;
    if (!file.Open(path)) _exit(10);
    if (!file.Append(first)) _exit(11);
    if (file.Append(big)) _exit(12);          // does not fit: waits
    if (file.Waiting().size() != 1 || file.Error().empty()) _exit(13);
    if (file.Append(small)) _exit(14);        // goes in; the big one still waits
    if (file.Waiting() != std::vector<std::string>{big}) _exit(15);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
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

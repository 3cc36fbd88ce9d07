// Processes by number, and whether a standard stream is a terminal.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/process.h"
#include "platform/terminal.h"

namespace t418::platform {
namespace {

TEST(Process, OwnNumberAndEndedProcesses) {
  EXPECT_EQ(CurrentProcessId(), static_cast<long>(::getpid()));
  EXPECT_FALSE(ProcessGone(CurrentProcessId()));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(ProcessGone(child));
  // A process this one may not signal (the system's first) still runs.
  EXPECT_FALSE(ProcessGone(1));
}

// Puts fd in place of standard error for the life of the object.
class StderrSwap {
 public:
  explicit StderrSwap(int fd) : saved_(::dup(STDERR_FILENO)) { ::dup2(fd, STDERR_FILENO); }
  ~StderrSwap() {
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }

 private:
  int saved_;
};

TEST(Terminal, StandardErrorIsATerminalOnlyWhenItIsOne) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  const int null = ::open("/dev/null", O_WRONLY);
  ASSERT_GE(null, 0);
  {
    StderrSwap swap(slave);
    EXPECT_TRUE(IsInteractiveTerminal(StandardStream::Error));
  }
  {
    StderrSwap swap(null);
    EXPECT_FALSE(IsInteractiveTerminal(StandardStream::Error));
  }
  ::close(null);
  ::close(slave);
  ::close(master);
}

}  // namespace
}  // namespace t418::platform

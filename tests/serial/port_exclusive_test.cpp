// One owner per port: a second opening is refused whatever path names the
// device and whoever asks, the refusal names the holder, and a port that is
// gone is told apart from one that is busy.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "forked_child.h"
#include "serial/port_owner.h"
#include "serial/serial_port.h"
#include "serial_fixtures.h"

namespace t418::test {
namespace {

namespace fs = std::filesystem;

class NoTimer : public ReplyTimer {
 public:
  void SetInterval(int ms) override { interval_ = ms; }
  int Interval() const override { return interval_; }
  void Start() override {}
  void Stop() override {}
  bool Active() const override { return false; }

 private:
  int interval_ = 0;
};

// A port as one front end holds it: its own component and toolbar logic.
struct FrontEnd {
  QueueDispatcher dispatcher;
  TComm comm{dispatcher};
  NoTimer timer;
  SerialPort port{comm, timer};
  bool Open(const std::string& path) { return port.OpenSerialPort(LineChoices{path, "115200", 0, 1, 0}); }
};

// A folder with a symbolic link to the port, as the simulator places one.
class LinkFolder {
 public:
  explicit LinkFolder(const std::string& target) {
    static int made = 0;
    folder_ = fs::temp_directory_path() /
              ("t418-owner-" + std::to_string(::getpid()) + "-" + std::to_string(++made));
    fs::create_directories(folder_);
    link_ = folder_ / "ttySIM0";
    fs::remove(link_);
    fs::create_symlink(target, link_);
  }
  ~LinkFolder() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  std::string Link() const { return link_.string(); }
  std::string Folder() const { return folder_.string(); }

 private:
  fs::path folder_;
  fs::path link_;
};

// Another program holding the port: a child process named "t418-holder" that
// opens it and takes it with flock or with the driver's exclusive mode only.
class Holder {
 public:
  enum class Mode { kLock, kExclusive };
  // farEnd: the master of the pseudo-terminal, which the child must not keep.
  Holder(const std::string& path, Mode mode, int farEnd)
      : child_([&](const testing::ChildReport& report) {
          ::close(farEnd);
          ::prctl(PR_SET_NAME, "t418-holder");
          const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
          bool held = fd >= 0;
          if (held && mode == Mode::kLock) held = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
          if (held && mode == Mode::kExclusive) held = ::ioctl(fd, TIOCEXCL) == 0;
          report.Say(held ? "y" : "n");
          ::pause();  // until the test ends it
        }),
        held_(child_.Read(1) == "y") {}
  bool Held() const { return held_; }
  pid_t Pid() const { return child_.Pid(); }

 private:
  testing::ForkedChild child_;
  bool held_;
};

std::string Self() { return "held by " + std::to_string(::getpid()); }

TEST(PortOwner, TwoFrontEndsNeverShareAPortWhicheverPathNamesIt) {
  Pty pty;
  LinkFolder links(pty.Path());
  // The window opens through the simulator's link, the command line through
  // the device's own name, and the other way round.
  const std::pair<std::string, std::string> orders[] = {
      {links.Link(), pty.Path()}, {pty.Path(), links.Link()}, {links.Link(), links.Link()}};
  for (const auto& [first, second] : orders) {
    SCOPED_TRACE(first + " then " + second);
    FrontEnd window;
    FrontEnd command;
    ASSERT_TRUE(window.Open(first));
    EXPECT_FALSE(command.Open(second));
    EXPECT_EQ(command.port.LastOpenError(), EBUSY);
    // The holder here is this very process (another session of the program).
    EXPECT_EQ(command.port.LastOpenOwner().rfind(Self() + " (", 0), 0u) << command.port.LastOpenOwner();
    EXPECT_EQ(command.comm.ComHandle(), 0u);
    // The window's line goes on untouched.
    window.port.SendData("AT\r\n");
    EXPECT_EQ(pty.Read(4), "AT\r\n");
    window.port.CloseSerialPort();
    EXPECT_TRUE(command.Open(second));
    EXPECT_EQ(command.port.LastOpenOwner(), "");
  }
}

TEST(PortOwner, APortAnotherProgramHoldsIsRefusedAndTheProgramIsNamed) {
  for (const auto mode : {Holder::Mode::kLock, Holder::Mode::kExclusive}) {
    SCOPED_TRACE(mode == Holder::Mode::kLock ? "locked" : "exclusive mode only");
    Pty pty;
    LinkFolder links(pty.Path());
    Holder holder(pty.Path(), mode, pty.Master());
    ASSERT_TRUE(holder.Held());
    // Also for a privileged user, who passes the driver's exclusive mode.
    FrontEnd front;
    EXPECT_FALSE(front.Open(links.Link()));
    EXPECT_EQ(front.port.LastOpenError(), EBUSY);
    EXPECT_EQ(front.port.LastOpenOwner(), "held by " + std::to_string(holder.Pid()) + " (t418-holder)");
    EXPECT_EQ(front.comm.ComHandle(), 0u);
    // Nothing reached the line.
    EXPECT_EQ(pty.Read(1, std::chrono::milliseconds(100)), "");
  }
}

TEST(PortOwner, AProgramOnTheMasterSideIsTheFarEndNotAHolder) {
  Pty pty;
  // A child that holds the master and the slave, as the simulator does: it
  // inherited the master and says when it holds the slave too.
  testing::ForkedChild child([&](const testing::ChildReport& report) {
    ::prctl(PR_SET_NAME, "t418-far-end");
    const int slave = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) ::_exit(1);
    report.Say("y");
    ::pause();
  });
  ASSERT_EQ(child.Read(1), "y");
  const int fd = ::open(pty.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(FindPortHolders(fd).empty()) << DescribePortHolders(FindPortHolders(fd));
  ::close(fd);
}

TEST(PortOwner, HoldersAreDescribedForTheMessage) {
  EXPECT_EQ(DescribePortHolders({}), "");
  EXPECT_EQ(DescribePortHolders({{1234, "t418"}}), "held by 1234 (t418)");
  EXPECT_EQ(DescribePortHolders({{1234, "t418"}, {99, ""}}), "held by 1234 (t418), 99");
}

TEST(PortOwner, APortThatIsGoneIsNoSuchPortNotBusy) {
  auto pty = std::make_unique<Pty>();
  const std::string path = pty->Path();
  LinkFolder links(path);
  FrontEnd front;
  // The far end ends while something (here the test) still holds the slave:
  // the node is still there, but its line is dead.
  pty->CloseMaster();
  EXPECT_FALSE(front.Open(path));
  EXPECT_TRUE(front.port.LastOpenError() == ENOENT || front.port.LastOpenError() == ENODEV)
      << std::strerror(front.port.LastOpenError());
  pty.reset();
  // Once nobody holds it, the node goes; its number may at once serve another
  // program's pseudo-terminal (tests run side by side), so a number that no
  // system hands out stands for it here.
  const std::string gonePts = "/dev/pts/4000000";
  LinkFolder toGone(gonePts);
  for (const auto& gone : {gonePts, toGone.Link(), links.Folder() + "/never-was", std::string("t418-never-was")}) {
    SCOPED_TRACE(gone);
    EXPECT_FALSE(front.Open(gone));
    EXPECT_EQ(front.port.LastOpenError(), ENOENT) << std::strerror(front.port.LastOpenError());
    EXPECT_EQ(front.port.LastOpenOwner(), "");
  }
}

}  // namespace
}  // namespace t418::test

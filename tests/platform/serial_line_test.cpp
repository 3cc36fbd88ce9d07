// The serial-line backend on pseudo-terminals: what opening refuses, and
// reads, writes and waits that the stop event ends.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/serial_line.h"
#include "temp_folder.h"

namespace t418::platform {
namespace {

// The master side of a pseudo-terminal, the far end of the line under test.
class FarEnd {
 public:
  FarEnd() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) throw std::runtime_error("no pty");
    path_ = ::ptsname(master_);
  }
  ~FarEnd() { Close(); }
  const std::string& Path() const { return path_; }
  void Send(const std::string& bytes) { ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
  void Close() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string path_;
};

TEST(SerialLine, OpeningRefusesWhatIsNoSerialLine) {
  testing::TempFolder folder;
  testing::WriteBytes(folder.path() / "plain", "x");
  const struct {
    std::string name;
    int error;
  } cases[] = {
      {(folder.path() / "missing").string(), ENOENT},
      {(folder.path() / "plain").string(), ENOTTY},
      {"/dev/null", ENOTTY},  // a device, but no terminal
      {"t418-no-such-device", ENOENT},  // a bare name is looked up among the devices
  };
  for (const auto& c : cases) {
    const LineOpening opening = OpenLine(c.name);
    EXPECT_EQ(opening.line, kNoLine) << c.name;
    EXPECT_EQ(opening.error, c.error) << c.name;
    EXPECT_STRNE(opening.message, "") << c.name;
    if (opening.line != kNoLine) {
      bool rs485 = false;
      CloseLine(opening.line, rs485);
    }
  }
}

TEST(SerialLine, ALineIsOpenedForOneOpeningOnly) {
  FarEnd far;
  const LineOpening first = OpenLine(far.Path());
  ASSERT_NE(first.line, kNoLine) << first.message << " " << first.error;
  EXPECT_NE(first.line, 0);
  EXPECT_TRUE(IsSerialLine(first.line));
  const LineOpening second = OpenLine(far.Path());
  EXPECT_EQ(second.line, kNoLine);
  EXPECT_EQ(second.error, EBUSY);
  bool rs485 = false;
  CloseLine(first.line, rs485);
  // Once let go, it opens again.
  const LineOpening again = OpenLine(far.Path());
  ASSERT_NE(again.line, kNoLine);
  CloseLine(again.line, rs485);
}

TEST(SerialLine, SettingsReachTheDriver) {
  FarEnd far;
  const LineOpening opening = OpenLine(far.Path());
  ASSERT_NE(opening.line, kNoLine);
  LineSettings settings;
  bool rs485 = false;
  for (std::uint32_t rate : {9600u, 115200u, 28800u}) {
    settings.baudRate = rate;
    EXPECT_TRUE(WriteLineSettings(opening.line, settings, rs485));
    EXPECT_EQ(LineSpeed(opening.line), std::optional<std::uint32_t>(rate));
  }
  LineCounters counters;
  EXPECT_EQ(ReadLineCounters(opening.line, counters), CountersResult::NotSupported);
  CloseLine(opening.line, rs485);
}

TEST(SerialLine, ReadsWaitsAndTheFarEndGoing) {
  FarEnd far;
  const LineOpening opening = OpenLine(far.Path());
  ASSERT_NE(opening.line, kNoLine);
  LineSettings raw;
  raw.outxCtsFlow = false;
  bool rs485 = false;
  ASSERT_TRUE(WriteLineSettings(opening.line, raw, rs485));
  WakeEvent stop, other;

  char buffer[64];
  EXPECT_EQ(ReadLine(opening.line, buffer, sizeof buffer).status, Io::WouldBlock);
  LineWait wait = WaitOnLine(opening.line, WaitFor::Reading, stop, nullptr, 20);
  EXPECT_EQ(wait.outcome, LineWait::TimedOut);
  EXPECT_FALSE(wait.lineReady);

  far.Send("AT\r");
  wait = WaitOnLine(opening.line, WaitFor::Reading, stop, nullptr, 5000);
  EXPECT_EQ(wait.outcome, LineWait::Ready);
  EXPECT_TRUE(wait.lineReady);
  EXPECT_FALSE(wait.stopped);
  const IoResult got = ReadLine(opening.line, buffer, sizeof buffer);
  EXPECT_EQ(got.status, Io::Done);
  EXPECT_EQ(std::string(buffer, got.count), "AT\r");

  const IoResult put = WriteLine(opening.line, "OK\r\n", 4);
  EXPECT_EQ(put.status, Io::Done);
  EXPECT_EQ(put.count, 4u);

  // The other event and the stop event each end a wait that has no time limit.
  std::thread raiser([&other] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    other.Raise();
  });
  wait = WaitOnLine(opening.line, WaitFor::Nothing, stop, &other, -1);
  raiser.join();
  EXPECT_TRUE(wait.event);
  EXPECT_FALSE(wait.stopped);
  stop.Raise();
  wait = WaitOnLine(opening.line, WaitFor::Reading, stop, &other, -1);
  EXPECT_TRUE(wait.stopped);

  // The far end goes: the line hangs up and a read says so.
  far.Close();
  WakeEvent calm;
  wait = WaitOnLine(opening.line, WaitFor::Reading, calm, nullptr, 5000);
  EXPECT_EQ(wait.outcome, LineWait::Ready);
  EXPECT_TRUE(wait.lineHungUp);
  EXPECT_EQ(ReadLine(opening.line, buffer, sizeof buffer).status, Io::Gone);
  CloseLine(opening.line, rs485);
}

}  // namespace
}  // namespace t418::platform

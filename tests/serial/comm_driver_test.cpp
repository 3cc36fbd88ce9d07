// The serial component on pseudo-terminals, where the test reaches the
// driver itself: the refusals of paths that are no line, the settings as the
// driver holds them, and a far end that writes or stops reading on its own.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "comm_fixture.h"
#include "serial/line_driver.h"
#include "serial_fixtures.h"
#include "wait_until.h"

namespace t418::test {
namespace {

TEST(CommOpenErrors, EachRefusalHasItsMessageAndLeavesTheComponentClosed) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("t418-comm-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto plainFile = dir / "not-a-port";
  std::ofstream(plainFile) << "x";

  struct Case {
    std::string name;
    std::string message;
  } cases[] = {
      {"/dev/t418-no-such-port", "Error opening serial port"},
      {"t418-no-such-port", "Error opening serial port"},  // looked up under /dev
      {"", "Error opening serial port"},                   // /dev/ itself
      {plainFile.string(), "File handle is not a comm handle "},
      {"/dev/null", "Cannot setup comm buffer"},  // a character device, but no line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QueueDispatcher dispatcher;
    TComm comm(dispatcher);
    comm.SetCommName(c.name);
    EXPECT_EQ(OpenError(comm), c.message);
    EXPECT_EQ(comm.ComHandle(), 0u);
    EXPECT_FALSE(comm.SendData("x"));
    // Nothing was left open: a second try meets the same refusal.
    EXPECT_EQ(OpenError(comm), c.message);
  }
  std::filesystem::remove_all(dir);
}

TEST_F(CommTest, ClosingWhileDataFlowsStopsReceptionAndKeepsTheOrder) {
  comm.OpenPort();
  const std::string stream = Pattern(1 << 20);
  std::atomic<bool> stop{false};
  std::thread farEnd([&] {
    std::size_t done = 0;
    while (!stop && done < stream.size()) {
      const ssize_t n = ::write(pty.Master(), stream.data() + done,
                                std::min<std::size_t>(512, stream.size() - done));
      if (n > 0) done += static_cast<std::size_t>(n);
      std::this_thread::sleep_for(1ms);
    }
  });
  ASSERT_TRUE(ReceiveBytes(4096));
  comm.ClosePort();
  EXPECT_EQ(comm.ComHandle(), 0u);
  // Chunks read before the close may still come; after them, nothing.
  dispatcher.RunFor(200ms);
  const std::size_t afterClose = log.received.size();
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(dispatcher.Pending(), 0u);
  stop = true;
  farEnd.join();
  EXPECT_EQ(log.received.size(), afterClose);
  EXPECT_TRUE(log.received == stream.substr(0, log.received.size()));
  EXPECT_EQ(log.hangups, 0);
}

termios SlaveSettings(const Pty& pty) {
  termios t{};
  EXPECT_EQ(tcgetattr(pty.Slave(), &t), 0);
  return t;
}

TEST_F(CommTest, FrameSettingsReachTheDriverAtOnceAndTheLineIsRaw) {
  // A pseudo-terminal forces 8 data bits and clears PARENB itself; the other
  // frame bits stay as set (the full composition is tested in line_driver_test).
  struct Case {
    TParity parity;
    TStopBits stop;
    tcflag_t parityBits;
    bool twoStops;
  } cases[] = {
      {TParity::None, TStopBits::_1, 0, false},
      {TParity::Odd, TStopBits::_2, PARODD, true},
      {TParity::Even, TStopBits::_1, 0, false},
      {TParity::Mark, TStopBits::_1_5, PARODD | CMSPAR, true},
      {TParity::Space, TStopBits::_2, CMSPAR, true},
  };
  comm.OpenPort();
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.parity));
    comm.SetParity(c.parity);
    comm.SetStopBits(c.stop);
    const termios t = SlaveSettings(pty);
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.parityBits);
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStops);
  }
  comm.SetParityCheck(true);
  const termios t = SlaveSettings(pty);
  EXPECT_NE(t.c_iflag & INPCK, 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), 0u);
}

TEST_F(CommTest, FlowControlSettingsReachTheDriver) {
  comm.SetOutx_CtsFlow(false);
  comm.SetRtsControl(TRtsControl::RtsDisable);
  comm.OpenPort();
  termios t = SlaveSettings(pty);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);

  comm.SetOutx_XonXoffFlow(true);
  comm.SetInx_XonXoffFlow(true);
  comm.SetXonChar('Q');
  comm.SetXoffChar('S');
  comm.SetRtsControl(TRtsControl::RtsHandshake);
  t = SlaveSettings(pty);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(t.c_cc[VSTART], 'Q');
  EXPECT_EQ(t.c_cc[VSTOP], 'S');
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
}

TEST_F(CommTest, EveryRateOfTheBaudListReachesTheDriverAtOnce) {
  comm.OpenPort();
  for (std::uint32_t rate : {1200u, 2400u, 4800u, 9600u, 14400u, 19200u, 28800u, 33600u, 38400u,
                             57600u, 115200u, 230400u, 460800u}) {
    comm.SetBaudRate(rate);
    EXPECT_EQ(platform::LineSpeed(pty.Slave()), std::optional<std::uint32_t>(rate));
  }
}

TEST_F(CommTest, AWriteThatCannotFinishInItsTotalTimeIsAHangUp) {
  // The far end reads nothing, so the line's buffers fill up.
  comm.SetWriteTotalTimeoutConstant(300);
  comm.OpenPort();
  ASSERT_TRUE(comm.SendData(std::string(1 << 20, 'x')));
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.hangups > 0; }));
  EXPECT_EQ(log.hangups, 1);
  comm.ClosePort();
}

TEST_F(CommTest, ClosingWhileAWriteIsStuckReturns) {
  // No write time-out: the transmit thread waits for the line until the close.
  comm.OpenPort();
  ASSERT_TRUE(comm.SendData(std::string(1 << 20, 'x')));
  // The write is under way once its first bytes wait at the far end, which
  // reads none: far more than the line holds is left.
  ASSERT_TRUE(testing::WaitUntil(
      [&] {
        int waiting = 0;
        return ::ioctl(pty.Master(), FIONREAD, &waiting) == 0 && waiting > 0;
      },
      5s))
      << "the transmit thread never wrote";
  comm.ClosePort();
  EXPECT_EQ(comm.ComHandle(), 0u);
  EXPECT_TRUE(comm.SendDataEmpty());
  dispatcher.RunFor(100ms);
  EXPECT_EQ(log.hangups, 0);
}

}  // namespace
}  // namespace t418::test

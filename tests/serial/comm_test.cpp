// The serial component on pseudo-terminals: opening and its refusals, sending,
// receiving in chunks, hang-ups, closing, and the settings reaching the driver.
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "serial/comm.h"
#include "serial/line_driver.h"
#include "serial_fixtures.h"
#include "wait_until.h"

namespace t418::test {
namespace {

std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return s;
}

class CommTest : public ::testing::Test {
 protected:
  CommTest() : comm(dispatcher) {
    log.Attach(comm);
    comm.SetCommName(pty.Path());
  }

  // Runs the dispatcher until `count` bytes have arrived.
  bool ReceiveBytes(std::size_t count) {
    return dispatcher.RunUntil([&] { return log.received.size() >= count; });
  }

  Pty pty;
  QueueDispatcher dispatcher;
  TComm comm;
  EventLog log;
};

std::string OpenError(TComm& comm) {
  try {
    comm.OpenPort();
  } catch (const ECommsError& e) {
    return e.what();
  }
  return "(opened)";
}

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

TEST_F(CommTest, NewComponentHasTheDocumentedDefaults) {
  QueueDispatcher d;
  TComm fresh(d);
  EXPECT_EQ(fresh.ComHandle(), 0u);
  EXPECT_EQ(fresh.CommName(), "COM1");
  EXPECT_EQ(fresh.BaudRate(), 9600u);
  EXPECT_FALSE(fresh.ParityCheck());
  EXPECT_TRUE(fresh.Outx_CtsFlow());
  EXPECT_TRUE(fresh.Outx_DsrFlow());
  EXPECT_EQ(fresh.DtrControl(), TDtrControl::DtrEnable);
  EXPECT_FALSE(fresh.DsrSensitivity());
  EXPECT_TRUE(fresh.TxContinueOnXoff());
  EXPECT_FALSE(fresh.Outx_XonXoffFlow());
  EXPECT_FALSE(fresh.Inx_XonXoffFlow());
  EXPECT_FALSE(fresh.ReplaceWhenParityError());
  EXPECT_FALSE(fresh.IgnoreNullChar());
  EXPECT_EQ(fresh.RtsControl(), TRtsControl::RtsEnable);
  EXPECT_EQ(fresh.XonLimit(), 10);
  EXPECT_EQ(fresh.XoffLimit(), 10);
  EXPECT_EQ(fresh.ByteSize(), TByteSize::_8);
  EXPECT_EQ(fresh.Parity(), TParity::None);
  EXPECT_EQ(fresh.StopBits(), TStopBits::_1);
  EXPECT_EQ(fresh.XonChar(), 0x11);
  EXPECT_EQ(fresh.XoffChar(), 0x13);
  EXPECT_EQ(fresh.ReplacedChar(), 0x00);
  EXPECT_EQ(fresh.ReadIntervalTimeout(), 10u);
  EXPECT_EQ(fresh.ReadTotalTimeoutMultiplier(), 0u);
  EXPECT_EQ(fresh.ReadTotalTimeoutConstant(), 0u);
  EXPECT_EQ(fresh.WriteTotalTimeoutMultiplier(), 0u);
  EXPECT_EQ(fresh.WriteTotalTimeoutConstant(), 0u);
  EXPECT_TRUE(fresh.SendDataEmpty());
}

TEST_F(CommTest, OpeningTwiceIsRefusedAndTheOpenPortGoesOn) {
  comm.OpenPort();
  const auto handle = comm.ComHandle();
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(OpenError(comm), "This serial port already opened");
  EXPECT_EQ(comm.ComHandle(), handle);
  ASSERT_TRUE(comm.SendData("still here"));
  EXPECT_EQ(pty.Read(10), "still here");
}

TEST_F(CommTest, ASecondOpenerOfThePortIsRefusedUntilTheFirstCloses) {
  comm.OpenPort();
  QueueDispatcher otherDispatcher;
  TComm other(otherDispatcher);
  other.SetCommName(pty.Path());
  EXPECT_EQ(OpenError(other), "Error opening serial port");
  EXPECT_EQ(other.ComHandle(), 0u);
  comm.ClosePort();
  EXPECT_EQ(OpenError(other), "(opened)");
}

TEST_F(CommTest, SendDataRefusesWhenClosedOrEmptyAndSendsNothing) {
  EXPECT_FALSE(comm.SendData("AT\r\n"));
  comm.ClosePort();  // closing a closed component does nothing
  EXPECT_EQ(comm.ComHandle(), 0u);
  comm.OpenPort();
  EXPECT_FALSE(comm.SendData("", 0));
  comm.ClosePort();
  EXPECT_EQ(comm.ComHandle(), 0u);
  EXPECT_FALSE(comm.SendData("AT\r\n"));
  EXPECT_EQ(pty.Read(1, 300ms), "");
}

TEST_F(CommTest, BlocksGoOutWholeInCallOrder) {
  comm.OpenPort();
  const std::string first = Pattern(133);
  ASSERT_TRUE(comm.SendData(first));
  ASSERT_TRUE(comm.SendData("\x06"));
  std::string third = "AT+VER?\r\n";
  ASSERT_TRUE(comm.SendData(third));
  third.assign("overwritten");  // the component sent its own copy
  EXPECT_EQ(pty.Read(133 + 1 + 9), first + "\x06" + "AT+VER?\r\n");
}

TEST_F(CommTest, ASendAboveSixtyFourKilobytesArrivesWholeAndInOrder) {
  comm.OpenPort();
  const std::string big = Pattern(3 * 65535 + 4321);
  ASSERT_TRUE(comm.SendData(big));
  ASSERT_TRUE(comm.SendData("END"));
  const std::string got = pty.Read(big.size() + 3, 30s);
  ASSERT_EQ(got.size(), big.size() + 3);
  EXPECT_TRUE(got == big + "END");
}

TEST_F(CommTest, TheSendEmptyNoticeComesOnceAfterOpeningAndAgainAfterSending) {
  comm.OpenPort();
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.empties >= 1; }));
  dispatcher.RunFor(300ms);
  EXPECT_EQ(log.empties, 1);
  EXPECT_TRUE(comm.SendDataEmpty());

  ASSERT_TRUE(comm.SendData("AT\r\n"));
  EXPECT_EQ(pty.Read(4), "AT\r\n");
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.empties >= 2; }));
  dispatcher.RunFor(200ms);
  EXPECT_EQ(log.empties, 2);
  EXPECT_TRUE(comm.SendDataEmpty());
}

TEST_F(CommTest, ThreeThousandBytesArriveInChunksOfAtMost1024InOrder) {
  comm.SetBaudRate(115200);
  comm.SetReadIntervalTimeout(60);
  comm.OpenPort();
  const std::string data = Pattern(3000);
  pty.Write(data);
  ASSERT_TRUE(ReceiveBytes(data.size()));
  dispatcher.RunFor(200ms);  // nothing more, nothing doubled
  EXPECT_TRUE(log.received == data);
  EXPECT_GE(log.chunks.size(), 3u);
  for (const auto& chunk : log.chunks) {
    EXPECT_GE(chunk.size(), 1u);
    EXPECT_LE(chunk.size(), 1024u);
  }
  EXPECT_EQ(log.hangups, 0);
  EXPECT_TRUE(log.errors.empty());
}

TEST_F(CommTest, APauseLongerThanTheGapEndsAChunkAndAShorterOneDoesNot) {
  comm.SetReadIntervalTimeout(500);
  comm.OpenPort();
  // Two pieces 20 ms apart: one chunk.
  pty.Write("+VER:");
  std::this_thread::sleep_for(20ms);
  pty.Write("V1.0.4\r\n");
  // A pause of five gap times: a second chunk.
  std::this_thread::sleep_for(2500ms);
  pty.Write("OK\r\n");
  ASSERT_TRUE(ReceiveBytes(17));
  dispatcher.RunFor(100ms);
  ASSERT_EQ(log.chunks.size(), 2u);
  EXPECT_EQ(log.chunks[0], "+VER:V1.0.4\r\n");
  EXPECT_EQ(log.chunks[1], "OK\r\n");
}

TEST_F(CommTest, AChunkWaitsForTheGapNotForMoreBytes) {
  // With the gap at 2 s, a chunk is not handed over before 2 s of quiet.
  comm.SetReadIntervalTimeout(2000);
  comm.OpenPort();
  pty.Write("abc");
  dispatcher.RunFor(600ms);
  EXPECT_TRUE(log.chunks.empty());
  ASSERT_TRUE(ReceiveBytes(3));
  EXPECT_EQ(log.chunks.front(), "abc");
}

TEST_F(CommTest, WithoutAGapLimitTheTotalTimeEndsARead) {
  // Interval 0 does not end a read; the total time-out (constant) does.
  comm.SetReadIntervalTimeout(0);
  comm.SetReadTotalTimeoutConstant(300);
  comm.OpenPort();
  pty.Write("abc");
  std::this_thread::sleep_for(100ms);
  pty.Write("def");
  ASSERT_TRUE(ReceiveBytes(6));
  EXPECT_EQ(log.received, "abcdef");
}

TEST_F(CommTest, TheFarEndGoingAwayIsOneHangUpAndNoCrash) {
  comm.OpenPort();
  pty.Write("last words");
  ASSERT_TRUE(ReceiveBytes(10));
  pty.CloseMaster();
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.hangups > 0; }));
  // The transmit thread then fails too; it must not report a second time.
  comm.SendData("into the void");
  dispatcher.RunFor(500ms);
  EXPECT_EQ(log.hangups, 1);
  EXPECT_EQ(log.received, "last words");
  // The port still counts as open until the owner closes it.
  EXPECT_NE(comm.ComHandle(), 0u);
  comm.ClosePort();
  EXPECT_EQ(comm.ComHandle(), 0u);
}

TEST_F(CommTest, AHangUpOfAnEarlierOpeningDoesNotReachThePortOpenedAfterIt) {
  // Port A goes away; before its hang-up is handled, the owner closes it and
  // opens port B. The stale news must not close B.
  comm.OpenPort();
  pty.CloseMaster();
  ASSERT_TRUE(testing::WaitUntil([&] { return dispatcher.Pending() > 0; }, 5s, 5ms)) << "the hang-up was never posted";
  comm.ClosePort();
  Pty other;
  comm.SetCommName(other.Path());
  comm.OpenPort();
  dispatcher.RunFor(300ms);
  EXPECT_EQ(log.hangups, 0);
  EXPECT_NE(comm.ComHandle(), 0u);
  // B works: what its far end writes arrives.
  other.Write("from B");
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.received == "from B"; }));
  comm.ClosePort();
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

TEST_F(CommTest, TasksLeftQueuedAfterTheComponentIsGoneDoNothing) {
  bool called = false;
  {
    TComm shortLived(dispatcher);
    shortLived.SetCommName(pty.Path());
    shortLived.OnReceiveData = [&](TComm&, const char*, std::uint16_t) { called = true; };
    shortLived.OpenPort();
    pty.Write("late");
    // The send-empty notice and the chunk.
    ASSERT_TRUE(testing::WaitUntil([&] { return dispatcher.Pending() >= 2; }, 5s)) << dispatcher.Pending();
  }
  dispatcher.RunFor(100ms);
  EXPECT_FALSE(called);
}

TEST_F(CommTest, ZeroBytesAreDroppedWhenIgnoreNullCharIsSet) {
  comm.OpenPort();
  pty.Write(std::string("a\0b", 3));
  ASSERT_TRUE(ReceiveBytes(3));
  EXPECT_EQ(log.received, std::string("a\0b", 3));

  comm.SetIgnoreNullChar(true);  // takes effect on the open port
  pty.Write(std::string("\0c\0\0d\0", 6));
  ASSERT_TRUE(ReceiveBytes(5));
  dispatcher.RunFor(100ms);
  EXPECT_EQ(log.received, std::string("a\0bcd", 5));
}

TEST_F(CommTest, ErrorMarkingKeepsDataBytes0xFF) {
  // With replacement on, the driver doubles a data byte 0xFF; it arrives once.
  comm.SetParityCheck(true);
  comm.SetReplaceWhenParityError(true);
  comm.SetReplacedChar('?');
  comm.OpenPort();
  pty.Write("\xFF" "A\xFF\xFF" "B");
  ASSERT_TRUE(ReceiveBytes(5));
  dispatcher.RunFor(100ms);
  EXPECT_EQ(log.received, "\xFF" "A\xFF\xFF" "B");
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

TEST_F(CommTest, ANewNameWaitsForTheNextOpening) {
  comm.OpenPort();
  comm.SetCommName("/dev/t418-no-such-port");
  ASSERT_TRUE(comm.SendData("same port"));
  EXPECT_EQ(pty.Read(9), "same port");
  comm.ClosePort();
  EXPECT_EQ(OpenError(comm), "Error opening serial port");
}

class CommLineStatusTest : public CommTest {
 protected:
  CommLineStatusTest() { comm.SetLineStatusSource(status); }
  std::shared_ptr<FakeLineStatus> status = std::make_shared<FakeLineStatus>();
};

TEST_F(CommLineStatusTest, LineErrorsAndModemChangesBecomeEventsAndReceptionGoesOn) {
  status->Change([](LineCounters& c) {
    c.frame = 7;  // counts from before the opening are not reported
    c.dcd = 3;
  });
  comm.OpenPort();
  dispatcher.RunFor(200ms);
  EXPECT_TRUE(log.errors.empty());
  EXPECT_TRUE(log.modem.empty());

  status->Change([](LineCounters& c) {
    ++c.frame;
    ++c.parity;
  });
  ASSERT_TRUE(dispatcher.RunUntil([&] { return !log.errors.empty(); }));
  EXPECT_EQ(log.errors.front(), kCeFrame | kCeRxParity);

  status->Change([](LineCounters& c) {
    ++c.overrun;
    ++c.bufOverrun;
    ++c.brk;
  });
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.errors.size() >= 2; }));
  EXPECT_EQ(log.errors[1], kCeOverrun | kCeRxOver | kCeBreak);

  status->Change([](LineCounters& c) { ++c.dcd; });
  ASSERT_TRUE(dispatcher.RunUntil([&] { return !log.modem.empty(); }));
  EXPECT_EQ(log.modem.front(), kModemCarrier);
  status->Change([](LineCounters& c) { ++c.rng; });
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.modem.size() >= 2; }));
  EXPECT_EQ(log.modem[1], kModemRing);
  status->Change([](LineCounters& c) {
    ++c.rng;
    ++c.dcd;
  });
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.modem.size() >= 3; }));
  EXPECT_EQ(log.modem[2], kModemCarrier | kModemRing);

  pty.Write("still receiving");
  ASSERT_TRUE(ReceiveBytes(15));
  EXPECT_EQ(log.received, "still receiving");
  dispatcher.RunFor(200ms);
  EXPECT_EQ(log.errors.size(), 2u);
  EXPECT_EQ(log.modem.size(), 3u);
  EXPECT_EQ(log.hangups, 0);
}

TEST_F(CommLineStatusTest, AFailingStatusCallIsOneHangUp) {
  comm.OpenPort();
  status->SetResult(CountersResult::Failed);
  ASSERT_TRUE(dispatcher.RunUntil([&] { return log.hangups > 0; }));
  dispatcher.RunFor(300ms);
  EXPECT_EQ(log.hangups, 1);
}

TEST_F(CommLineStatusTest, ADriverWithoutCountersIsNoFailure) {
  status->SetResult(CountersResult::NotSupported);
  comm.OpenPort();
  status->Change([](LineCounters& c) { ++c.frame; });
  pty.Write("fine");
  ASSERT_TRUE(ReceiveBytes(4));
  dispatcher.RunFor(300ms);
  EXPECT_EQ(log.hangups, 0);
  EXPECT_TRUE(log.errors.empty());
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

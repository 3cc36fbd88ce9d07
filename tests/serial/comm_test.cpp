// The serial component on a line whose far end the test plays: opening and
// its refusals, sending, receiving in chunks, hang-ups and closing (on
// pseudo-terminals here, on COM ports under Windows).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>

#include "serial/comm.h"
#include "serial/line_driver.h"
#include "comm_fixture.h"
#include "serial_fixtures.h"
#include "under_wine.h"
#include "wait_until.h"

namespace t418::test {
namespace {

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
  if (testing::UnderWine()) GTEST_SKIP() << "Wine: a second CreateFile of an open COM port succeeds";
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
  ASSERT_TRUE(ReceiveBytes(5)) << ::testing::PrintToString(log.received);
  dispatcher.RunFor(100ms);
  EXPECT_EQ(log.received, "\xFF" "A\xFF\xFF" "B");
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

}  // namespace
}  // namespace t418::test

// Opening the port from the toolbar's choices, closing it, and reopening it
// after a line error, on a pseudo-terminal (a COM port under Windows).
#include <gtest/gtest.h>

#include <cerrno>
#ifndef _WIN32
#include <termios.h>
#endif

#include "serial/serial_port.h"
#include "serial_fixtures.h"

namespace t418::test {
namespace {

class FakeTimer : public ReplyTimer {
 public:
  void SetInterval(int ms) override { interval = ms; }
  int Interval() const override { return interval; }
  void Start() override { active = true; }
  void Stop() override { active = false; }
  bool Active() const override { return active; }
  int interval = 1234;
  bool active = true;  // running, so that opening must stop it
};

class SerialPortTest : public ::testing::Test {
 protected:
  SerialPortTest() : comm(dispatcher), port(comm, timer) {
    // Created like a component fresh from the designer: handshakes and lines on.
    comm.SetOutx_CtsFlow(true);
    comm.SetOutx_DsrFlow(true);
    comm.SetDtrControl(TDtrControl::DtrHandshake);
    comm.SetRtsControl(TRtsControl::RtsHandshake);
    comm.SetTxContinueOnXoff(true);
    comm.SetOutx_XonXoffFlow(true);
    comm.SetInx_XonXoffFlow(true);
    port.OnChunk = [this](const std::string& chunk) { received += chunk; };
  }

  LineChoices Choices(const std::string& baud, int parity = 0, int data = 1, int stop = 0) {
    return LineChoices{pty.Path(), baud, parity, data, stop};
  }

  Pty pty;
  QueueDispatcher dispatcher;
  TComm comm;
  FakeTimer timer;
  SerialPort port;
  std::string received;
};

TEST_F(SerialPortTest, ToolbarChoicesMapOntoTheComponent) {
  struct Case {
    std::string baud;
    int parity, data, stop;
    std::uint32_t gap;
    bool check;
    TParity parityValue;
    TByteSize size;
    TStopBits stopBits;
  } cases[] = {
      {"1200", 0, 1, 0, 200, false, TParity::None, TByteSize::_8, TStopBits::_1},
      {"2400", 0, 1, 0, 200, false, TParity::None, TByteSize::_8, TStopBits::_1},
      {"4800", 1, 1, 0, 80, true, TParity::Odd, TByteSize::_8, TStopBits::_1},
      {"9600", 2, 0, 1, 60, true, TParity::Even, TByteSize::_7, TStopBits::_2},
      {"14400", 0, 1, 1, 60, false, TParity::None, TByteSize::_8, TStopBits::_2},
      {"33600", 1, 0, 0, 60, true, TParity::Odd, TByteSize::_7, TStopBits::_1},
      {"115200", 0, 1, 0, 60, false, TParity::None, TByteSize::_8, TStopBits::_1},
      {"460800", 2, 1, 0, 60, true, TParity::Even, TByteSize::_8, TStopBits::_1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.baud);
    timer.active = true;
    ASSERT_TRUE(port.OpenSerialPort(Choices(c.baud, c.parity, c.data, c.stop)));
    EXPECT_TRUE(port.PortOpen());
    EXPECT_NE(comm.ComHandle(), 0u);
    EXPECT_EQ(comm.CommName(), pty.Path());
    EXPECT_EQ(comm.BaudRate(), static_cast<std::uint32_t>(std::stoul(c.baud)));
    EXPECT_EQ(comm.ReadIntervalTimeout(), c.gap);
    EXPECT_EQ(comm.ReadTotalTimeoutMultiplier(), 0u);
    EXPECT_EQ(comm.ReadTotalTimeoutConstant(), 0u);
    EXPECT_EQ(comm.ParityCheck(), c.check);
    EXPECT_EQ(comm.Parity(), c.parityValue);
    EXPECT_EQ(comm.ByteSize(), c.size);
    EXPECT_EQ(comm.StopBits(), c.stopBits);
    // DTR and RTS off and no flow control, whatever the component held.
    EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrDisable);
    EXPECT_EQ(comm.RtsControl(), TRtsControl::RtsDisable);
    EXPECT_FALSE(comm.Outx_CtsFlow());
    EXPECT_FALSE(comm.Outx_DsrFlow());
    EXPECT_FALSE(comm.TxContinueOnXoff());
    EXPECT_FALSE(comm.Outx_XonXoffFlow());
    EXPECT_FALSE(comm.Inx_XonXoffFlow());
    EXPECT_EQ(timer.interval, 5000);
    EXPECT_FALSE(timer.active);
#ifndef _WIN32  // the driver's settings are seen through the slave side on this system only
    // And the driver has them.
    EXPECT_EQ(platform::LineSpeed(pty.Slave()), std::optional<std::uint32_t>(comm.BaudRate()));
    termios t{};
    ASSERT_EQ(tcgetattr(pty.Slave(), &t), 0);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
    // (A pseudo-terminal keeps 8 data bits and no PARENB whatever it is told.)
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.stopBits == TStopBits::_2);
    EXPECT_EQ((t.c_cflag & PARODD) != 0, c.parityValue == TParity::Odd);
    EXPECT_EQ((t.c_iflag & INPCK) != 0, c.check);
#endif
  }
}

TEST_F(SerialPortTest, NoSelectionLeavesTheComponentAsItWas) {
  comm.SetParityCheck(true);
  comm.SetParity(TParity::Mark);
  comm.SetByteSize(TByteSize::_6);
  comm.SetStopBits(TStopBits::_1_5);
  ASSERT_TRUE(port.OpenSerialPort(Choices("19200", -1, -1, -1)));
  EXPECT_TRUE(comm.ParityCheck());
  EXPECT_EQ(comm.Parity(), TParity::Mark);
  EXPECT_EQ(comm.ByteSize(), TByteSize::_6);
  EXPECT_EQ(comm.StopBits(), TStopBits::_1_5);
  EXPECT_EQ(comm.BaudRate(), 19200u);
}

TEST_F(SerialPortTest, ABadBaudTextOrPortFailsAndLeavesThePortClosed) {
  const LineChoices cases[] = {
      {pty.Path(), "", 0, 1, 0},        {pty.Path(), "96OO", 0, 1, 0},
      {pty.Path(), "-9600", 0, 1, 0},   {pty.Path(), "0", 0, 1, 0},
      {pty.Path(), " 9600", 0, 1, 0},   {pty.Path(), "99999999999", 0, 1, 0},
      {"", "9600", 0, 1, 0},            {"/dev/t418-no-such-port", "9600", 0, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port + " / " + c.baud);
    ASSERT_TRUE(port.OpenSerialPort(Choices("9600")));
    EXPECT_FALSE(port.OpenSerialPort(c));
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(comm.ComHandle(), 0u);
  }
}

TEST_F(SerialPortTest, OpeningAnOpenPortClosesItFirst) {
  ASSERT_TRUE(port.OpenSerialPort(Choices("9600")));
  ASSERT_TRUE(port.OpenSerialPort(Choices("115200")));
#ifndef _WIN32  // the slave side shows the driver's speed on this system only
  EXPECT_EQ(platform::LineSpeed(pty.Slave()), std::optional<std::uint32_t>(115200));
#endif
  port.SendData("AT+VER?\r\n");
  EXPECT_EQ(pty.Read(9), "AT+VER?\r\n");
}

TEST_F(SerialPortTest, ClosingClearsPortOpenAndStopsTraffic) {
  ASSERT_TRUE(port.OpenSerialPort(Choices("9600")));
  port.CloseSerialPort();
  EXPECT_FALSE(port.PortOpen());
  EXPECT_EQ(comm.ComHandle(), 0u);
  port.SendData("AT\r\n");
  EXPECT_EQ(pty.Read(1, 300ms), "");
  port.CloseSerialPort();  // closing again is harmless
  EXPECT_FALSE(port.PortOpen());
}

TEST_F(SerialPortTest, ReceivedChunksReachTheOwner) {
  ASSERT_TRUE(port.OpenSerialPort(Choices("115200")));
  pty.Write("\r\n+VER:V1.0\r\n\r\nOK\r\n");
  ASSERT_TRUE(dispatcher.RunUntil([&] { return received.size() >= 19; }));
  EXPECT_EQ(received, "\r\n+VER:V1.0\r\n\r\nOK\r\n");
}

class SerialPortLineErrorTest : public SerialPortTest {
 protected:
  SerialPortLineErrorTest() { comm.SetLineStatusSource(status); }
  void RaiseFramingError() {
    status->Change([](LineCounters& c) { ++c.frame; });
  }
  std::shared_ptr<FakeLineStatus> status = std::make_shared<FakeLineStatus>();
};

TEST_F(SerialPortLineErrorTest, ALineErrorReopensThePortWithTheCurrentChoices) {
  int lineErrors = 0;
  port.OnLineError = [&] { ++lineErrors; };
  ASSERT_TRUE(port.OpenSerialPort(Choices("9600")));
  // The toolbar changed while the port was open; the reopening takes it up.
  port.SetChoices(Choices("57600", 2, 0, 1));
  timer.active = true;
  RaiseFramingError();
  ASSERT_TRUE(dispatcher.RunUntil([&] { return lineErrors > 0; }));
  EXPECT_EQ(lineErrors, 1);
  EXPECT_TRUE(port.PortOpen());
  EXPECT_NE(comm.ComHandle(), 0u);
  EXPECT_EQ(comm.BaudRate(), 57600u);
  EXPECT_EQ(comm.Parity(), TParity::Even);
#ifndef _WIN32  // the slave side shows the driver's speed on this system only
  EXPECT_EQ(platform::LineSpeed(pty.Slave()), std::optional<std::uint32_t>(57600));
#endif
  EXPECT_FALSE(timer.active);
  // The reopened port works both ways.
  pty.Write("OK\r\n");
  ASSERT_TRUE(dispatcher.RunUntil([&] { return received == "OK\r\n"; }));
  port.SendData("AT\r\n");
  EXPECT_EQ(pty.Read(4), "AT\r\n");
}

TEST_F(SerialPortLineErrorTest, AFailedReopeningLeavesThePortClosed) {
  port.OnLineError = [&] { port.SetChoices(LineChoices{"/dev/t418-no-such-port", "9600"}); };
  int reopenFailures = 0;
  port.OnReopenFailed = [&] { ++reopenFailures; };
  ASSERT_TRUE(port.OpenSerialPort(Choices("9600")));
  RaiseFramingError();
  ASSERT_TRUE(dispatcher.RunUntil([&] { return !port.PortOpen(); }));
  EXPECT_EQ(comm.ComHandle(), 0u);
  EXPECT_EQ(reopenFailures, 1);
  EXPECT_EQ(port.LastOpenError(), ENOENT);
  port.CloseSerialPort();  // the button's close then is a no-op on the component
  EXPECT_FALSE(port.PortOpen());
}

TEST_F(SerialPortTest, AVanishedDeviceIsReportedOnceAndThePortStaysOpen) {
  int hangups = 0;
  port.OnHangup = [&] { ++hangups; };
  ASSERT_TRUE(port.OpenSerialPort(Choices("115200")));
  pty.CloseMaster();
  ASSERT_TRUE(dispatcher.RunUntil([&] { return hangups > 0; }));
  port.SendData("AT\r\n");
  dispatcher.RunFor(300ms);
  EXPECT_EQ(hangups, 1);
  EXPECT_TRUE(port.PortOpen());
  port.CloseSerialPort();
  EXPECT_FALSE(port.PortOpen());
}

TEST(GapTimeout, FollowsTheLineSpeed) {
  const std::pair<std::uint32_t, std::uint32_t> cases[] = {
      {1200, 200}, {2400, 200}, {4800, 80}, {9600, 60}, {19200, 60}, {115200, 60}, {460800, 60}};
  for (const auto& [baud, gap] : cases) EXPECT_EQ(GapTimeoutFor(baud), gap) << baud;
}

}  // namespace
}  // namespace t418::test

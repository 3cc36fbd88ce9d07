// A line whose two ends are set up differently: what each UART reads from the
// other, and the simulator meeting a program at the wrong rate or frame.
#include "t418-sim/line_mismatch.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <cstring>
#include <string>

#include "sim/sim_process.h"

namespace t418::sim {
namespace {

using testing::OpenPort;
using testing::ReadUntil;
using testing::SimProcess;
using testing::WriteAll;

const std::string kQuery = "AT+VER?\r\n";

TEST(ReceiveAcrossTest, EqualSettingsPassEveryByteAndOthersMangleThem) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const UartFrame fast{115200, 8, 'N', 1};
  EXPECT_EQ(ReceiveAcross(all, fast, fast), all);
  // Only the stop bits differ: the receiver looks at the first one only.
  EXPECT_EQ(ReceiveAcross(all, fast, UartFrame{115200, 8, 'N', 2}), all);

  struct Case {
    const char* what;
    UartFrame from, to;
  } cases[] = {
      {"sender slower", {9600, 8, 'N', 1}, fast},
      {"sender faster", fast, {9600, 8, 'N', 1}},
      {"near rates", {57600, 8, 'N', 1}, fast},
      {"seven data bits, even parity", {115200, 7, 'E', 1}, fast},
      {"parity the receiver does not expect", fast, {115200, 8, 'O', 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string got = ReceiveAcross(kQuery, c.from, c.to);
    EXPECT_NE(got, kQuery);
    EXPECT_EQ(got.find("AT+"), std::string::npos);
    // The same line gives the same garbage each time.
    EXPECT_EQ(ReceiveAcross(kQuery, c.from, c.to), got);
  }
  // A slow sender seen by a fast receiver: each byte's bits spread over
  // several of the receiver's bytes.
  EXPECT_GT(ReceiveAcross(kQuery, {9600, 8, 'N', 1}, fast).size(), kQuery.size());
  // Seven data bits read as eight: the parity bit becomes the top bit ("A"
  // has an even number of ones, "C" an odd one).
  EXPECT_EQ(ReceiveAcross("A", {115200, 7, 'E', 1}, fast), "A");
  EXPECT_EQ(ReceiveAcross("C", {115200, 7, 'E', 1}, fast), std::string(1, static_cast<char>('C' | 0x80)));
}

// Sets the port's rate the way a serial program does.
void SetRate(int fd, speed_t speed) {
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::cfsetspeed(&tio, speed);
  ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
}

TEST(SimLineSettingsTest, AProgramAtAnotherRateGetsNoValidReplyAndTheRightRateDoes) {
  SimProcess sim({"--baud", "115200"});
  ASSERT_FALSE(sim.SlavePath().empty());
  const int fd = OpenPort(sim.LinkPath());
  ASSERT_GE(fd, 0);

  SetRate(fd, B9600);
  WriteAll(fd, kQuery);
  const std::string wrong = ReadUntil(fd, "OK", 1500);
  EXPECT_EQ(wrong.find("OK"), std::string::npos) << wrong;
  EXPECT_EQ(wrong.find("+VER:"), std::string::npos) << wrong;

  SetRate(fd, B115200);
  WriteAll(fd, "\r\n" + kQuery);
  const std::string right = ReadUntil(fd, "OK\r\n\r\n", 3000);
  EXPECT_NE(right.find("+VER:"), std::string::npos) << right;
  ::close(fd);
}

TEST(SimLineSettingsTest, TheCheckNeedsARateAndAnyLineSwitchesItOff) {
  struct Case {
    std::vector<std::string> options;
    bool answered;
  } cases[] = {{{"--baud", "115200"}, false}, {{"--baud", "115200", "--any-line"}, true}, {{}, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.size());
    SimProcess sim(c.options);
    const int fd = OpenPort(sim.LinkPath());
    ASSERT_GE(fd, 0) << sim.LinkPath() << ": " << std::strerror(errno);
    SetRate(fd, B9600);
    WriteAll(fd, kQuery);
    const std::string got = ReadUntil(fd, "OK", 1500);
    EXPECT_EQ(got.find("OK") != std::string::npos, c.answered) << got;
    ::close(fd);
  }
}

TEST(SimLineSettingsTest, SevenDataBitsWithParityAtTheRightRateAreGarbageToo) {
  SimProcess sim({"--baud", "115200"});
  const int fd = OpenPort(sim.LinkPath());
  ASSERT_GE(fd, 0) << sim.LinkPath() << ": " << std::strerror(errno);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  tio.c_cflag = (tio.c_cflag & ~CSIZE) | CS7 | PARENB;
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    ::close(fd);
    GTEST_SKIP() << "this system's pseudo-terminals take no data bits or parity: " << std::strerror(errno);
  }
  WriteAll(fd, kQuery);
  const std::string got = ReadUntil(fd, "OK", 1500);
  EXPECT_EQ(got.find("OK"), std::string::npos) << got;
  ::close(fd);
}

}  // namespace
}  // namespace t418::sim

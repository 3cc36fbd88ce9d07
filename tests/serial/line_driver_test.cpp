// The termios2 fields composed from the line settings.
#include <gtest/gtest.h>
#include <termios.h>

#include "platform/posix/termios_fields.h"

namespace t418 {
namespace {

// The kernel's "rate in the speed fields" code; glibc's <termios.h> lacks it.
constexpr std::uint32_t kBother = 0010000;

TEST(ComposeLineSettings, FrameBitsFollowTheSettings) {
  struct Case {
    TParity parity;
    TByteSize size;
    TStopBits stop;
    tcflag_t parityBits;
    tcflag_t sizeBits;
    bool twoStops;
  } cases[] = {
      {TParity::None, TByteSize::_8, TStopBits::_1, 0, CS8, false},
      {TParity::Odd, TByteSize::_7, TStopBits::_2, PARENB | PARODD, CS7, true},
      {TParity::Even, TByteSize::_6, TStopBits::_1, PARENB, CS6, false},
      {TParity::Mark, TByteSize::_5, TStopBits::_1_5, PARENB | PARODD | CMSPAR, CS5, true},
      {TParity::Space, TByteSize::_8, TStopBits::_2, PARENB | CMSPAR, CS8, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.parity));
    LineSettings s;
    s.parity = c.parity;
    s.byteSize = c.size;
    s.stopBits = c.stop;
    // Start from every frame bit set, so stale bits would show.
    TermiosFields start;
    start.cflag = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    const TermiosFields t = ComposeLineSettings(s, start);
    EXPECT_EQ(t.cflag & (PARENB | PARODD | CMSPAR), c.parityBits);
    EXPECT_EQ(t.cflag & CSIZE, c.sizeBits);
    EXPECT_EQ((t.cflag & CSTOPB) != 0, c.twoStops);
  }
}

TEST(ComposeLineSettings, AnyRateGoesIntoTheSpeedFields) {
  for (std::uint32_t rate : {1200u, 14400u, 28800u, 33600u, 115200u, 460800u, 250000u}) {
    LineSettings s;
    s.baudRate = rate;
    TermiosFields start;
    start.cflag = B9600 | (B9600 << 16);  // an old B-code in both speed fields
    const TermiosFields t = ComposeLineSettings(s, start);
    EXPECT_EQ(t.cflag & CBAUD, kBother);
    EXPECT_EQ((t.cflag >> 16) & CBAUD, kBother);
    EXPECT_EQ(t.ispeed, rate);
    EXPECT_EQ(t.ospeed, rate);
  }
}

TEST(ComposeLineSettings, RawBinaryModeWithTheDriversOtherBitsKept) {
  TermiosFields start;
  start.iflag = ICRNL | INLCR | IGNCR | ISTRIP | IXANY | IGNPAR | BRKINT;
  start.oflag = OPOST | ONLCR;
  start.lflag = ICANON | ECHO | ECHOE | ISIG | IEXTEN | NOFLSH;
  start.cflag = HUPCL;
  start.vtime = 5;
  start.vmin = 0;
  const TermiosFields t = ComposeLineSettings(LineSettings{}, start);
  EXPECT_EQ(t.iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXANY | IGNPAR | BRKINT), 0u);
  EXPECT_EQ(t.oflag & OPOST, 0u);
  EXPECT_EQ(t.lflag & (ICANON | ECHO | ECHOE | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
  EXPECT_EQ(t.vmin, 1);
  EXPECT_EQ(t.vtime, 0);
  // Not decided by the settings: left as the driver had them.
  EXPECT_NE(t.oflag & ONLCR, 0u);
  EXPECT_NE(t.lflag & NOFLSH, 0u);
  EXPECT_NE(t.cflag & HUPCL, 0u);
}

TEST(ComposeLineSettings, FlowControlCheckingAndCharacters) {
  struct Case {
    const char* what;
    bool cts;
    TRtsControl rts;
    bool outXon, inXon, check, replace;
    bool crtscts;
    tcflag_t iflags;
  } cases[] = {
      {"none", false, TRtsControl::RtsDisable, false, false, false, false, false, 0},
      {"cts output flow", true, TRtsControl::RtsEnable, false, false, false, false, true, 0},
      {"rts handshake", false, TRtsControl::RtsHandshake, false, false, false, false, true, 0},
      {"rts while sending", false, TRtsControl::RtsTransmissionAvailable, false, false, false,
       false, false, 0},
      {"xon/xoff out", false, TRtsControl::RtsEnable, true, false, false, false, false, IXON},
      {"xon/xoff in", false, TRtsControl::RtsEnable, false, true, false, false, false, IXOFF},
      {"checking", false, TRtsControl::RtsEnable, false, false, true, false, false, INPCK},
      {"checking, replaced", false, TRtsControl::RtsEnable, false, false, true, true, false,
       INPCK | PARMRK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LineSettings s;
    s.outxCtsFlow = c.cts;
    s.rtsControl = c.rts;
    s.outxXonXoffFlow = c.outXon;
    s.inxXonXoffFlow = c.inXon;
    s.parityCheck = c.check;
    s.replaceWhenParityError = c.replace;
    s.xonChar = 'Q';
    s.xoffChar = 'S';
    const TermiosFields t = ComposeLineSettings(s, TermiosFields{});
    EXPECT_EQ((t.cflag & CRTSCTS) != 0, c.crtscts);
    EXPECT_EQ(t.iflag & (IXON | IXOFF | INPCK | PARMRK), c.iflags);
    EXPECT_EQ(t.vstart, 'Q');
    EXPECT_EQ(t.vstop, 'S');
  }
}

}  // namespace
}  // namespace t418

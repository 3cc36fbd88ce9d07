// Line settings through termios2 (TCGETS2/TCSETS2 with BOTHER), so that rates such
// as 14400, 28800 and 33600, which have no B-constant, reach the driver unchanged.
// This file must not include <termios.h>: its struct termios and flag macros
// clash with the kernel's <asm/termbits.h>.
#include "platform/posix/termios_fields.h"
#include "platform/serial_line.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

static_assert(sizeof(tcflag_t) == sizeof(std::uint32_t));

namespace t418 {

namespace {

tcflag_t DataBitsFlag(TByteSize size) {
  switch (size) {
    case TByteSize::_5: return CS5;
    case TByteSize::_6: return CS6;
    case TByteSize::_7: return CS7;
    case TByteSize::_8: return CS8;
  }
  return CS8;
}

tcflag_t ParityFlags(TParity parity) {
  switch (parity) {
    case TParity::None: return 0;
    case TParity::Odd: return PARENB | PARODD;
    case TParity::Even: return PARENB;
    // CMSPAR turns odd/even into a parity bit that is always 1 (mark) or 0 (space).
    case TParity::Mark: return PARENB | CMSPAR | PARODD;
    case TParity::Space: return PARENB | CMSPAR;
  }
  return 0;
}

void DriveLine(int fd, int bit, bool on) {
  // A pseudo-terminal has no modem lines and answers ENOTTY: nothing to drive.
  ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bit);
}

bool HardwareFlow(const LineSettings& s) {
  // Linux knows one hardware handshake (CRTSCTS) that covers both directions:
  // CTS-gated output and RTS-driven input go together.
  return s.outxCtsFlow || s.rtsControl == TRtsControl::RtsHandshake;
}

}  // namespace

TermiosFields ComposeLineSettings(const LineSettings& s, TermiosFields t) {
  // Binary (raw) mode always: no echo, no line editing, no signals, no
  // translation of CR or LF in either direction, no stripping of the 8th bit.
  t.iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR |
                                     IGNCR | ICRNL | IUCLC | IXON | IXOFF | IXANY | IMAXBEL);
  t.oflag &= ~static_cast<tcflag_t>(OPOST);
  t.lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON |
                                     ISIG | IEXTEN);
  t.cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD |
                                     (CBAUD << IBSHIFT));
  // CLOCAL: the carrier-detect line does not gate reception (its changes are
  // reported as modem events instead).
  t.cflag |= CREAD | CLOCAL;

  // Any rate: BOTHER with the rate itself in both speed fields.
  t.cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.ispeed = s.baudRate;
  t.ospeed = s.baudRate;

  // Parity checking of received bytes. Without PARMRK the driver hands a byte
  // with a parity or framing error over as a zero byte (the raw byte cannot be
  // passed through while checking is on). With PARMRK it marks such a byte as
  // 0xFF 0x00 byte; the receive thread puts the replacement character there.
  if (s.parityCheck) t.iflag |= INPCK;
  if (s.replaceWhenParityError) t.iflag |= PARMRK;

  if (s.outxXonXoffFlow) t.iflag |= IXON;
  if (s.inxXonXoffFlow) t.iflag |= IXOFF;
  t.vstart = static_cast<unsigned char>(s.xonChar);
  t.vstop = static_cast<unsigned char>(s.xoffChar);
  // Reads never block (the port is non-blocking and waits are done with poll),
  // so VMIN/VTIME play no part in cutting chunks.
  t.vmin = 1;
  t.vtime = 0;

  t.cflag |= DataBitsFlag(s.byteSize);
  t.cflag |= ParityFlags(s.parity);
  // CSTOPB gives two stop bits, and one and a half with 5 data bits on UARTs
  // that can do it; there is no separate setting for 1.5.
  if (s.stopBits != TStopBits::_1) t.cflag |= CSTOPB;
  if (HardwareFlow(s)) t.cflag |= CRTSCTS;
  return t;
}

namespace {

TermiosFields FieldsOf(const struct termios2& t) {
  TermiosFields fields;
  fields.iflag = t.c_iflag;
  fields.oflag = t.c_oflag;
  fields.cflag = t.c_cflag;
  fields.lflag = t.c_lflag;
  fields.ispeed = t.c_ispeed;
  fields.ospeed = t.c_ospeed;
  fields.vstart = t.c_cc[VSTART];
  fields.vstop = t.c_cc[VSTOP];
  fields.vmin = t.c_cc[VMIN];
  fields.vtime = t.c_cc[VTIME];
  return fields;
}

}  // namespace

std::optional<TermiosFields> ReadLineFields(int fd) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return std::nullopt;
  return FieldsOf(t);
}

int LineDataBits(const TermiosFields& fields) {
  switch (fields.cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

char LineParity(const TermiosFields& fields) {
  if (!(fields.cflag & PARENB)) return 'N';
  if (fields.cflag & CMSPAR) return (fields.cflag & PARODD) ? 'M' : 'S';
  return (fields.cflag & PARODD) ? 'O' : 'E';
}

int LineStopBits(const TermiosFields& fields) { return (fields.cflag & CSTOPB) ? 2 : 1; }

}  // namespace t418

namespace t418::platform {

bool IsSerialLine(LineHandle line) {
  struct termios2 t {};
  return ioctl(static_cast<int>(line), TCGETS2, &t) == 0;
}

// PARMRK: the driver marks a byte with a line error, the reader replaces it.
bool DriverMarksLineErrors() { return true; }

bool WriteLineSettings(LineHandle line, const LineSettings& s, bool& rs485Set) {
  const int fd = static_cast<int>(line);
  // Read first, so the fields not managed here (other control characters, the
  // line discipline's own flags) keep the driver's values.
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  TermiosFields fields = ComposeLineSettings(s, FieldsOf(t));
  t.c_iflag = fields.iflag;
  t.c_oflag = fields.oflag;
  t.c_cflag = fields.cflag;
  t.c_lflag = fields.lflag;
  t.c_ispeed = fields.ispeed;
  t.c_ospeed = fields.ospeed;
  t.c_cc[VSTART] = fields.vstart;
  t.c_cc[VSTOP] = fields.vstop;
  t.c_cc[VMIN] = fields.vmin;
  t.c_cc[VTIME] = fields.vtime;

  // TCSETS2 takes effect at once, like TCSANOW: no drain, and input already
  // waiting is kept.
  if (ioctl(fd, TCSETS2, &t) != 0) return false;

  // DTR: handshaking on DTR has no driver support here; it is driven on.
  DriveLine(fd, TIOCM_DTR, s.dtrControl != TDtrControl::DtrDisable);

  if (s.rtsControl == TRtsControl::RtsTransmissionAvailable && !HardwareFlow(s)) {
    // RTS only while sending: the driver's RS-485 mode, where the UART has one.
    struct serial_rs485 rs485 {};
    rs485.flags = SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
    if (ioctl(fd, TIOCSRS485, &rs485) == 0) {
      rs485Set = true;
    } else {
      DriveLine(fd, TIOCM_RTS, false);
    }
  } else {
    ClearRs485(fd, rs485Set);
    // With CRTSCTS the driver drives RTS itself.
    if (!HardwareFlow(s)) DriveLine(fd, TIOCM_RTS, s.rtsControl == TRtsControl::RtsEnable);
  }
  return true;
}

void ClearRs485(LineHandle line, bool& rs485Set) {
  if (!rs485Set) return;
  const int fd = static_cast<int>(line);
  struct serial_rs485 rs485 {};
  ioctl(fd, TIOCSRS485, &rs485);
  rs485Set = false;
}

std::optional<std::uint32_t> LineSpeed(LineHandle line) {
  struct termios2 t {};
  if (ioctl(static_cast<int>(line), TCGETS2, &t) != 0) return std::nullopt;
  return t.c_ospeed;
}

CountersResult ReadLineCounters(LineHandle line, LineCounters& out) {
  struct serial_icounter_struct ic {};
  if (ioctl(static_cast<int>(line), TIOCGICOUNT, &ic) != 0) {
    // ENOTTY (pseudo-terminals), EINVAL and the kernel's ENOIOCTLCMD (515) all
    // mean that this driver keeps no counters.
    if (errno == ENOTTY || errno == EINVAL || errno == EOPNOTSUPP || errno == 515) {
      return CountersResult::NotSupported;
    }
    return CountersResult::Failed;
  }
  out.dcd = static_cast<std::uint32_t>(ic.dcd);
  out.rng = static_cast<std::uint32_t>(ic.rng);
  out.frame = static_cast<std::uint32_t>(ic.frame);
  out.overrun = static_cast<std::uint32_t>(ic.overrun);
  out.parity = static_cast<std::uint32_t>(ic.parity);
  out.brk = static_cast<std::uint32_t>(ic.brk);
  out.bufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
  return CountersResult::Ok;
}

}  // namespace t418::platform

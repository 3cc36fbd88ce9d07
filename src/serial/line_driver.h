#pragma once
// The terminal-driver side of a serial port: line settings through the kernel's
// termios2 interface (any baud rate), the modem lines, and the line counters.
// Deliberately free of <termios.h> and <asm/termbits.h>, which clash with each
// other; only line_driver.cpp includes the kernel's header.
#include <cstdint>
#include <optional>

namespace t418 {

enum class TDtrControl : std::uint8_t { DtrDisable = 0, DtrEnable = 1, DtrHandshake = 2 };
enum class TRtsControl : std::uint8_t {
  RtsDisable = 0,
  RtsEnable = 1,
  RtsHandshake = 2,
  RtsTransmissionAvailable = 3,
};
// The number of data bits is the member's position plus 5.
enum class TByteSize : std::uint8_t { _5, _6, _7, _8 };
enum class TParity : std::uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
enum class TStopBits : std::uint8_t { _1 = 0, _1_5 = 1, _2 = 2 };

// The line settings a serial component manages, with the defaults of a new one.
struct LineSettings {
  std::uint32_t baudRate = 9600;
  bool parityCheck = false;
  bool outxCtsFlow = true;
  bool outxDsrFlow = true;
  TDtrControl dtrControl = TDtrControl::DtrEnable;
  bool dsrSensitivity = false;
  bool txContinueOnXoff = true;
  bool outxXonXoffFlow = false;
  bool inxXonXoffFlow = false;
  bool replaceWhenParityError = false;
  bool ignoreNullChar = false;
  TRtsControl rtsControl = TRtsControl::RtsEnable;
  std::uint16_t xonLimit = 10;
  std::uint16_t xoffLimit = 10;
  TByteSize byteSize = TByteSize::_8;
  TParity parity = TParity::None;
  TStopBits stopBits = TStopBits::_1;
  char xonChar = 0x11;
  char xoffChar = 0x13;
  char replacedChar = 0x00;

  bool operator==(const LineSettings&) const = default;
};

// The fields of the kernel's termios2 that the line settings decide, with the
// kernel's own flag values.
struct TermiosFields {
  std::uint32_t iflag = 0;
  std::uint32_t oflag = 0;
  std::uint32_t cflag = 0;
  std::uint32_t lflag = 0;
  std::uint32_t ispeed = 0;
  std::uint32_t ospeed = 0;
  unsigned char vstart = 0;
  unsigned char vstop = 0;
  unsigned char vmin = 0;
  unsigned char vtime = 0;
};

// The driver's current fields with the settings put in: raw binary mode and
// everything the settings say; bits that the settings do not decide are kept.
TermiosFields ComposeLineSettings(const LineSettings& settings, TermiosFields current);

// The driver's current fields of the port; nullopt when they cannot be read.
std::optional<TermiosFields> ReadLineFields(int fd);
// The frame the fields describe: data bits (5 to 8), parity ('N', 'O', 'E',
// 'M' mark, 'S' space) and stop bits (1 or 2).
int LineDataBits(const TermiosFields& fields);
char LineParity(const TermiosFields& fields);
int LineStopBits(const TermiosFields& fields);

// True when fd is a terminal whose settings can be read.
bool IsTerminal(int fd);

// Writes the settings to the open port at once (no drain, no flush of waiting
// input) and drives DTR and RTS. Modem-line requests that the driver refuses
// (a pseudo-terminal has no modem lines) are not failures. rs485Set tells
// whether the port's RS-485 mode was switched on by an earlier call; it is
// updated. Returns false when the driver refused the settings themselves.
bool WriteLineSettings(int fd, const LineSettings& settings, bool& rs485Set);

// Switches off an RS-485 mode that WriteLineSettings switched on.
void ClearRs485(int fd, bool& rs485Set);

// The output speed the driver holds for the port, in bits per second.
std::optional<std::uint32_t> LineSpeed(int fd);

// Counters of modem-line changes and line errors kept by the driver.
struct LineCounters {
  std::uint32_t dcd = 0;
  std::uint32_t rng = 0;
  std::uint32_t frame = 0;
  std::uint32_t overrun = 0;
  std::uint32_t parity = 0;
  std::uint32_t brk = 0;
  std::uint32_t bufOverrun = 0;
};

enum class CountersResult {
  Ok,
  NotSupported,  // the driver keeps no counters (e.g. ENOTTY on a pseudo-terminal)
  Failed,        // the call failed otherwise (the device has gone)
};

// Reads the driver's counters with TIOCGICOUNT.
CountersResult ReadLineCounters(int fd, LineCounters& out);

}  // namespace t418

#pragma once
// The settings of a serial line as the serial component keeps them, and the
// driver's counters of line events: plain values that every serial-line
// backend (platform/serial_line.h) carries out as far as its system can.
#include <cstdint>

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
  NotSupported,  // the driver keeps no counters (e.g. a pseudo-terminal)
  Failed,        // the call failed otherwise (the device has gone)
};

}  // namespace t418

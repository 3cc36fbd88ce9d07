#pragma once
// The POSIX serial backend's view of a line's settings: the fields of the
// kernel's termios2 (any baud rate) that the line settings decide. Free of
// <termios.h> and <asm/termbits.h>, which clash with each other; only
// line_driver.cpp includes the kernel's header.
#include <cstdint>
#include <optional>

#include "platform/line_settings.h"

namespace t418 {

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

}  // namespace t418

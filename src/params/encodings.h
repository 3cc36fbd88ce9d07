#pragma once
// Stateless conversions on GBK byte texts (hex forms in text/hex.h): cleaners, comma
// splitting, the XModem check value and version numbers. None throws.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/commands.h"
#include "text/hex.h"

namespace t418 {

std::string RemoveSpaces(std::string_view text);
// Removes every CR LF pair; a lone CR or LF stays.
std::string RemoveLineBreaks(std::string_view text);
std::string RemoveQuotes(std::string_view text);
// Non-overlapping occurrences, left to right.
int CountOccurrences(std::string_view pattern, std::string_view text);
// Comma text: commas and blanks separate, double quotes keep an item whole.
std::vector<std::string> SplitCommaText(std::string_view text);

// CRC-16/XMODEM of count bytes from start.
std::uint16_t XModemCrc16(const std::uint8_t* buffer, std::size_t start, std::size_t count);

std::string HdVerSignToName(THdVerSign sign);
// Case-insensitive; -1 when the name names no member.
int HdVerSignFromName(std::string_view name);

// The program's version as "major.minor.release" (the build number is not shown).
std::string FileVersionText();
// "V1.0.5" gives 10005; -1 for a part that is not a number; "" gives 0.
std::int64_t VersionToNumber(std::string_view version);

}  // namespace t418

#pragma once
// Whole decimal numbers in texts that come from outside (reports, files).
#include <optional>
#include <string_view>

namespace t418 {

// The number a whole field of decimal digits stands for, with an optional
// "+" or "-" in front, within int; nullopt for anything else ("", " 1", "1.0",
// "0x1", "+-1", an overflow).
std::optional<int> ParseDecimalInt(std::string_view field);

}  // namespace t418

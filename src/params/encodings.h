#pragma once
// The hardware sign's names and version numbers (text cleaners in text/comma_text.h, hex
// forms in text/hex.h). None throws.
#include <cstdint>
#include <string>
#include <string_view>

#include "params/commands.h"
#include "text/comma_text.h"
#include "text/hex.h"

namespace t418 {

std::string HdVerSignToName(THdVerSign sign);
// Case-insensitive; -1 when the name names no member.
int HdVerSignFromName(std::string_view name);

// The program's version as "major.minor.release" (the build number is not shown).
std::string FileVersionText();
// "V1.0.5" gives 10005; -1 for a part that is not a number; "" gives 0.
std::int64_t VersionToNumber(std::string_view version);

}  // namespace t418

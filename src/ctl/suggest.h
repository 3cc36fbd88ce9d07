#pragma once
// "Did you mean ...?" for a mistyped command word.
#include <string>
#include <vector>

namespace t418::ctl {

// The known word closest to the typed one (letters swapped, missing, extra or
// wrong, at most two of them); "" when none is that close.
std::string ClosestWord(const std::string& typed, const std::vector<std::string>& known);

}  // namespace t418::ctl

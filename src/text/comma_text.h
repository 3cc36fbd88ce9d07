#pragma once
// Stateless cleaners of GBK byte texts and the terminal's comma text. None throws.
#include <string>
#include <string_view>
#include <vector>

namespace t418 {

std::string RemoveSpaces(std::string_view text);
// Removes every CR LF pair; a lone CR or LF stays.
std::string RemoveLineBreaks(std::string_view text);
std::string RemoveQuotes(std::string_view text);
// Non-overlapping occurrences, left to right.
int CountOccurrences(std::string_view pattern, std::string_view text);
// Comma text: commas and blanks separate, double quotes keep an item whole.
std::vector<std::string> SplitCommaText(std::string_view text);

}  // namespace t418

#include "text/decimal.h"

#include <charconv>

namespace t418 {

std::optional<int> ParseDecimalInt(std::string_view field) {
  // from_chars takes a leading minus but no plus; "+-1" must stay refused.
  if (!field.empty() && field.front() == '+') {
    field.remove_prefix(1);
    if (!field.empty() && field.front() == '-') return std::nullopt;
  }
  int value = 0;
  const char* end = field.data() + field.size();
  const auto [ptr, ec] = std::from_chars(field.data(), end, value, 10);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace t418

#include "params/encodings.h"

#include <array>
#include <charconv>

#include "build_version.h"
#include "text/ascii_case.h"
#include "text/comma_text.h"

namespace t418 {
namespace {

constexpr std::array<std::string_view, 4> kHdVerSignNames = {"HdUnknown", "Hd520", "Hd521", "Hd540"};

}  // namespace

std::string HdVerSignToName(THdVerSign sign) {
  const auto index = static_cast<std::size_t>(sign);
  return index < kHdVerSignNames.size() ? std::string(kHdVerSignNames[index]) : std::string();
}

int HdVerSignFromName(std::string_view name) {
  for (std::size_t i = 0; i < kHdVerSignNames.size(); ++i)
    if (EqualsIgnoringAsciiCase(kHdVerSignNames[i], name)) return static_cast<int>(i);
  return -1;
}

std::string FileVersionText() {
  // The version comes from the build; the fourth number (build) is not shown.
  return std::to_string(T418_VERSION_MAJOR) + "." + std::to_string(T418_VERSION_MINOR) + "." +
         std::to_string(T418_VERSION_PATCH);
}

std::int64_t VersionToNumber(std::string_view version) {
  const std::string compact = RemoveSpaces(version);
  std::vector<std::int64_t> parts;
  std::size_t from = 0;
  while (from <= compact.size()) {
    std::size_t dot = compact.find('.', from);
    if (dot == std::string::npos) dot = compact.size();
    std::string_view part(compact.data() + from, dot - from);
    while (!part.empty() &&
           (part.front() == 'V' || part.front() == 'v' || part.front() == '\r' || part.front() == '\n'))
      part.remove_prefix(1);
    if (!part.empty()) {
      std::int64_t value = 0;
      const char* first = part.data();
      const char* last = part.data() + part.size();
      if (*first == '+' && part.size() > 1 && *(first + 1) != '-') ++first;
      const auto [ptr, ec] = std::from_chars(first, last, value, 10);
      if (ec != std::errc() || ptr != last || value < 0) return -1;
      parts.push_back(value);
    }
    from = dot + 1;
  }

  // No carry check: a part of 100 or more spills into the part before it.
  // Unsigned arithmetic so that absurdly long versions wrap instead of overflowing.
  std::uint64_t number = 0;
  for (std::int64_t value : parts) number = number * 100u + static_cast<std::uint64_t>(value);
  return static_cast<std::int64_t>(number);
}

}  // namespace t418

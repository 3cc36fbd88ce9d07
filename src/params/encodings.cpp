#include "params/encodings.h"

#include <array>
#include <charconv>

#include "build_version.h"
#include "text/ascii_case.h"

namespace t418 {
namespace {

std::string RemoveChar(std::string_view text, char removed) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != removed) out.push_back(c);
  return out;
}

constexpr std::array<std::string_view, 4> kHdVerSignNames = {"HdUnknown", "Hd520", "Hd521", "Hd540"};

// Blank and control characters that separate items of a comma text.
bool IsSeparatorBlank(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

}  // namespace

std::string RemoveSpaces(std::string_view text) { return RemoveChar(text, ' '); }

std::string RemoveLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;  // the pair goes; a lone CR or LF stays
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

std::string RemoveQuotes(std::string_view text) { return RemoveChar(text, '"'); }

int CountOccurrences(std::string_view pattern, std::string_view text) {
  // Counted on the GBK bytes. For the patterns the tool counts ("+" and other
  // ASCII below 0x40) this equals counting characters: such a byte is never
  // the trail byte of a Chinese character. An empty pattern occurs nowhere.
  if (pattern.empty()) return 0;
  int count = 0;
  std::size_t pos = 0;
  while (text.size() - pos >= pattern.size()) {
    if (text.compare(pos, pattern.size(), pattern) == 0) {
      ++count;
      pos += pattern.size();
    } else {
      ++pos;
    }
  }
  return count;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
  // A zero byte ends the text, as it ends a C string; it is never part of an item.
  if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);

  std::vector<std::string> items;
  std::size_t p = 0;
  const std::size_t end = text.size();
  while (p < end && IsSeparatorBlank(text[p])) ++p;

  while (p < end) {
    std::string item;
    if (text[p] == '"') {
      // Quoted item: "" inside stands for one quote; commas and blanks belong
      // to it. A quote never closed takes the rest of the text.
      ++p;
      while (p < end) {
        if (text[p] == '"') {
          if (p + 1 < end && text[p + 1] == '"') {
            item.push_back('"');
            p += 2;
            continue;
          }
          ++p;  // the closing quote
          break;
        }
        item.push_back(text[p++]);
      }
    } else {
      const std::size_t start = p;
      while (p < end && !IsSeparatorBlank(text[p]) && text[p] != ',') ++p;
      item.assign(text.substr(start, p - start));
    }
    items.push_back(std::move(item));

    while (p < end && IsSeparatorBlank(text[p])) ++p;
    if (p < end && text[p] == ',') {
      if (p + 1 == end) items.emplace_back();  // a comma at the very end adds an empty item
      do {
        ++p;
      } while (p < end && IsSeparatorBlank(text[p]));
    }
  }
  return items;
}

std::uint16_t XModemCrc16(const std::uint8_t* buffer, std::size_t start, std::size_t count) {
  std::uint16_t crc = 0;
  if (buffer == nullptr) return crc;
  for (std::size_t i = start; i < start + count; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ (static_cast<std::uint16_t>(buffer[i]) << 8));
    for (int bit = 0; bit < 8; ++bit) {
      if (crc & 0x8000)
        crc = static_cast<std::uint16_t>((crc << 1) ^ 0x1021);
      else
        crc = static_cast<std::uint16_t>(crc << 1);
    }
  }
  return crc;
}

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

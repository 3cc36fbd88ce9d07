#include "text/comma_text.h"

namespace t418 {
namespace {

std::string RemoveChar(std::string_view text, char removed) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != removed) out.push_back(c);
  return out;
}

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

}  // namespace t418

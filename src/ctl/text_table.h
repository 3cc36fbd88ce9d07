#pragma once
// Columns of UTF-8 text padded to their widest cell, two spaces apart, for a
// terminal screen: a Chinese character takes two columns there, as it does in
// every terminal emulator, so a name such as 王芳 does not push its row out of line.
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace t418::ctl {

// The columns a UTF-8 text takes on a terminal: one per character, two for the
// wide ones (CJK, Hangul, full-width forms).
inline std::size_t ScreenWidth(const std::string& utf8) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                      (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                      (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                      (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
    width += wide ? 2 : 1;
    i += length;
  }
  return width;
}

// The rows (the first is the header) as lines of padded columns.
inline std::string TextTable(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], ScreenWidth(row[i]));
  }
  std::string table;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - ScreenWidth(row[i]) + 2, ' ');
    }
    table += line + "\n";
  }
  return table;
}

}  // namespace t418::ctl

#include "ctl/suggest.h"

#include <algorithm>
#include <cctype>

namespace t418::ctl {
namespace {

// Edits from one word to the other: a letter inserted, removed, replaced, or
// two neighbours swapped; letter case ignored.
std::size_t Edits(const std::string& a, const std::string& b) {
  std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  auto same = [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  };
  for (std::size_t i = 1; i <= a.size(); ++i)
    for (std::size_t j = 1; j <= b.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (same(a[i - 1], b[j - 1]) ? 0 : 1)});
      if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

}  // namespace

std::string ClosestWord(const std::string& typed, const std::vector<std::string>& known) {
  std::string best;
  std::size_t bestEdits = 0;
  for (const auto& word : known) {
    const std::size_t edits = Edits(typed, word);
    // Short words allow fewer edits: "ls" is not "read".
    const std::size_t allowed = std::min<std::size_t>(2, std::max<std::size_t>(1, word.size() / 3));
    if (edits <= allowed && (best.empty() || edits < bestEdits)) {
      best = word;
      bestEdits = edits;
    }
  }
  return best;
}

}  // namespace t418::ctl

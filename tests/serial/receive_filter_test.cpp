// Decoding of the driver's error marks and dropping of zero bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/receive_filter.h"

namespace t418 {
namespace {

// Feeds the pieces one after the other through one filter and joins the output.
std::string Filter(const std::vector<std::string>& pieces, bool marked, char replacement,
                bool dropNull) {
  ReceiveFilter filter;
  std::string out;
  for (std::string piece : pieces) {
    const std::size_t kept = filter.Apply(piece.data(), piece.size(), marked, replacement, dropNull);
    out.append(piece.data(), kept);
  }
  return out;
}

TEST(ReceiveFilter, DecodesMarksAndDropsZeros) {
  using S = std::string;
  struct Case {
    const char* what;
    std::vector<std::string> in;
    bool marked;
    bool dropNull;
    std::string out;
  } cases[] = {
      {"plain bytes pass", {S("AT\r\n\xFF\0", 6)}, false, false, S("AT\r\n\xFF\0", 6)},
      {"zeros dropped", {S("\0a\0\0b\0", 6)}, false, true, "ab"},
      {"doubled 0xFF is one data byte", {"A\xFF\xFF" "B"}, true, false, "A\xFF" "B"},
      {"marked byte replaced", {S("A\xFF\0\x55" "B", 5)}, true, false, "A?B"},
      {"mark split after 0xFF", {"A\xFF", S("\0\x55" "B", 3)}, true, false, "A?B"},
      {"mark split after 0xFF 0x00", {S("A\xFF\0", 3), "\x55" "B"}, true, false, "A?B"},
      {"doubled 0xFF split", {"\xFF", "\xFF"}, true, false, "\xFF"},
      {"marks off: 0xFF 0x00 are data", {S("\xFF\0x", 3)}, false, false, S("\xFF\0x", 3)},
      {"data zeros dropped, marks decoded", {S("\0\xFF\0\x01z", 5)}, true, true, "?z"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Filter(c.in, c.marked, '?', c.dropNull), c.out);
  }
}

TEST(ReceiveFilter, AZeroReplacementIsDroppedWithTheZeros) {
  EXPECT_EQ(Filter({std::string("a\xFF\0\x7F" "b", 5)}, true, '\0', true), "ab");
  EXPECT_EQ(Filter({std::string("a\xFF\0\x7F" "b", 5)}, true, '\0', false), std::string("a\0b", 3));
}

}  // namespace
}  // namespace t418

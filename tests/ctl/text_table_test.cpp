// Tables on a terminal screen: columns line up whatever script their cells hold.
#include <gtest/gtest.h>

#include <sstream>

#include "ctl/text_table.h"

namespace t418::ctl {
namespace {

TEST(ScreenWidth, CountsColumnsNotBytes) {
  const struct {
    const char* text;
    std::size_t width;
  } cases[] = {
      {"", 0},
      {"A1", 2},
      {"\xE7\x8E\x8B\xE8\x8A\xB3", 4},                 // 王芳: two wide characters
      {"\xC3\xA9t\xC3\xA9", 3},                        // été: narrow letters of two bytes
      {"line-\xE4\xB8\x80", 7},                        // line-一
      {"\xEF\xBC\xA1", 2},                             // a full-width A
      {"\xF0\xA0\x80\x80", 2},                         // a CJK character beyond the first plane
  };
  for (const auto& c : cases) EXPECT_EQ(ScreenWidth(c.text), c.width) << c.text;
}

TEST(TextTable, ColumnsStartAtTheSameScreenColumnInEveryRow) {
  const std::string table = TextTable({{"SLOT", "OPERATOR", "RESULT"},
                                       {"A1", "\xE7\x8E\x8B\xE8\x8A\xB3", "ok"},  // 王芳
                                       {"B12", "Li", "failed"}});
  std::istringstream lines(table);
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  ASSERT_EQ(rows.size(), 3u) << table;
  // The third column starts where "RESULT" starts in the header, counted on the screen.
  const std::size_t resultColumn = ScreenWidth(rows[0].substr(0, rows[0].find("RESULT")));
  EXPECT_EQ(ScreenWidth(rows[1].substr(0, rows[1].find("ok"))), resultColumn) << table;
  EXPECT_EQ(ScreenWidth(rows[2].substr(0, rows[2].find("failed"))), resultColumn) << table;
  // Two spaces after the widest cell of a column; the last cell is not padded.
  EXPECT_EQ(rows[0], "SLOT  OPERATOR  RESULT");
  EXPECT_EQ(rows[2], "B12   Li        failed");
}

}  // namespace
}  // namespace t418::ctl

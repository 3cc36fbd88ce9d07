#include "text/decimal.h"

#include <gtest/gtest.h>

namespace t418 {
namespace {

TEST(DecimalText, AcceptsOnlyWholeSignedDecimals) {
  EXPECT_EQ(ParseDecimalInt("0"), 0);
  EXPECT_EQ(ParseDecimalInt("15"), 15);
  EXPECT_EQ(ParseDecimalInt("-1"), -1);
  EXPECT_EQ(ParseDecimalInt("+7"), 7);
  for (const char* bad : {"", "+", "-", "+-1", " 1", "1 ", "0x1", "1.0", "9999999999", "$1F", "a"})
    EXPECT_EQ(ParseDecimalInt(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace t418

#include "text/gbk.h"

#include <gtest/gtest.h>

#include <string>

namespace t418 {
namespace {

using namespace std::string_literals;

TEST(Gbk, ChineseTakesTwoBytesPerCharacterAndRoundTrips) {
  const std::string utf8 = "串口未打开";
  const std::string gbk = Utf8ToGbk(utf8);
  EXPECT_EQ(gbk.size(), 10u);
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(Utf8ToGbk("心跳"), "\xd0\xc4\xcc\xf8"s);
  EXPECT_EQ(GbkToUtf8("\xd0\xc4\xcc\xf8"s), "心跳");
}

TEST(Gbk, AsciiAndEmptyPassUnchanged) {
  const std::string ascii = "AT+CSQ?\r\n\x00 ~"s;
  EXPECT_EQ(Utf8ToGbk(ascii), ascii);
  EXPECT_EQ(GbkToUtf8(ascii), ascii);
  EXPECT_EQ(Utf8ToGbk(""), "");
  EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(Gbk, InvalidBytesBecomeQuestionMarks) {
  // 0xFF is no GBK byte; a lead byte cut off at the end is no character either.
  EXPECT_EQ(GbkToUtf8("A\xff" "B"s), "A?B");
  EXPECT_EQ(GbkToUtf8("A\xd0"s), "A?");
  EXPECT_EQ(GbkToUtf8("\xd0\xc4\xff\xcc\xf8"s), "心?跳");
  // A broken UTF-8 sequence, and a character that GBK cannot hold.
  EXPECT_EQ(Utf8ToGbk("A\xc3" "B"s), "A?B");
  // One '?' per character, not per UTF-8 byte.
  EXPECT_EQ(Utf8ToGbk("a😀b"), "a?b");
  EXPECT_EQ(Utf8ToGbk("😀😀"), "??");
  EXPECT_EQ(Utf8ToGbk("中😀文"), Utf8ToGbk("中") + "?" + Utf8ToGbk("文"));
}

TEST(Gbk, CompletePrefixLeavesOnlyADanglingLeadByteOut) {
  struct Case {
    std::string bytes;
    std::size_t complete;
  };
  const Case cases[] = {
      {"", 0},
      {"AB", 2},
      {"AB\xd0"s, 2},                  // lead byte at the end
      {"\xd0\xc4"s, 2},               // one whole character
      {"\xd0\xc4\xcc"s, 2},          // a character, then a lead byte
      {"A\xd0\x7c"s, 3},              // a trail byte in the ASCII range
      {"\xd0\xd0"s, 2},               // a lead byte's trail may look like a lead
      {"\xd0\xd0\xd0"s, 2},
      {"\x80\xff"s, 2},               // bytes that open no character
  };
  for (const auto& c : cases) EXPECT_EQ(CompleteGbkPrefix(c.bytes), c.complete) << testing::PrintToString(c.bytes);
}

}  // namespace
}  // namespace t418

#include "params/encodings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "build_version.h"
#include "firmware/xmodem_crc.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using namespace std::string_literals;

const std::uint8_t* AsBytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

// ---- writing hex -----------------------------------------------------------

TEST(HexWriting, BytesToHexWritesTwoUpperCaseDigitsPerByte) {
  const std::uint8_t bytes[] = {0x06, 0x0D, 0x0A, 0x3E};
  EXPECT_EQ(BytesToHex(bytes, 4), "060D0A3E");
  EXPECT_EQ(BytesToHex(bytes, 2), "060D");  // only the first count bytes
  EXPECT_EQ(BytesToHex(bytes, 0), "");
  EXPECT_EQ(BytesToHex("\x00\x0a\xc8\xff"s), "000AC8FF");
}

TEST(HexWriting, BytesToTextKeepsEveryByte) {
  const std::uint8_t bytes[] = {'C', 0x00, 0xFF, 0x0D};
  EXPECT_EQ(BytesToText(bytes, 4), "C\x00\xff\r"s);
  EXPECT_EQ(BytesToText(bytes, 1), "C");
  EXPECT_EQ(BytesToText(bytes, 0), "");
}

TEST(HexWriting, TextToHexPutsTheSeparatorBehindEveryPair) {
  struct Case {
    std::string text, separator, expected;
  };
  const std::vector<Case> cases = {
      {"AB1", "", "414231"},
      {"AB1", " ", "41 42 31 "},
      {"", "", ""},
      {"", " ", ""},
      {"\x00"s, " ", "00 "},
      {"\n\xc8", "-", "0A-C8-"},
      {Utf8ToGbk("心跳"), "", "D0C4CCF8"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TextToHex(c.text, c.separator), c.expected) << "separator '" << c.separator << "'";
}

TEST(HexWriting, TextToSpacedHexHasBlanksOnlyBetweenPairs) {
  EXPECT_EQ(TextToSpacedHex("AB1"), "41 42 31");
  EXPECT_EQ(TextToSpacedHex("A"), "41");
  EXPECT_EQ(TextToSpacedHex(""), "");
  EXPECT_EQ(TextToSpacedHex(Utf8ToGbk("心跳")), "D0 C4 CC F8");
  EXPECT_EQ(TextToSpacedHex("\x00\xff"s), "00 FF");
}

// ---- reading hex -----------------------------------------------------------

TEST(HexReading, HexToTextOrSame) {
  struct Case {
    std::string hex, expected;
  };
  const std::vector<Case> cases = {
      {"4142", "AB"},
      {"41 42", "41 42"},  // the blank spoils the second pair: input back unchanged
      {"4G42", "4G42"},
      {"414", "A"},  // a last, unpaired digit is ignored
      {"41424", "AB"},
      {"4", ""},
      {"", ""},
      {"6162", "ab"},
      {"6A6b", "jk"},
      {"D0C4CCF8", Utf8ToGbk("心跳")},
      {"00FF", "\x00\xff"s},
      {"41-2", "41-2"},  // a sign is no digit
      {"+142", "+142"},
      {"41\r\n", "41\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(HexToTextOrSame(c.hex), c.expected) << "hex '" << c.hex << "'";
}

TEST(HexReading, TryHexToTextIgnoresBlanksAndFailsOnABadPair) {
  struct Case {
    std::string hex;
    std::optional<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"41 42", "AB"},
      {" 4 1 4 2 ", "AB"},  // blanks go before pairing
      {"41 4G", std::nullopt},
      {"", ""},
      {"   ", ""},
      {"414", "A"},
      {"6a6B", "jk"},
      {"D0 C4 CC F8", Utf8ToGbk("心跳")},
      {"41\t42", std::nullopt},  // only blanks are removed
      {"ZZ41", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TryHexToText(c.hex), c.expected) << "hex '" << c.hex << "'";
}

TEST(HexReading, RoundTripOfEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(HexToTextOrSame(TextToHex(all, "")), all);
  EXPECT_EQ(TryHexToText(TextToSpacedHex(all)), all);
  EXPECT_EQ(TryHexToText(TextToHex(all, " ")), all);
}

// ---- cleaners and counting -------------------------------------------------

TEST(Cleaners, RemoveSpacesRemovesOnlyBlanks) {
  EXPECT_EQ(RemoveSpaces(" 138 0013\t8000 "), "1380013\t8000");
  EXPECT_EQ(RemoveSpaces("   "), "");
  EXPECT_EQ(RemoveSpaces(Utf8ToGbk("心 跳")), Utf8ToGbk("心跳"));
}

TEST(Cleaners, RemoveLineBreaksRemovesPairsOnly) {
  struct Case {
    std::string text, expected;
  };
  const std::vector<Case> cases = {
      {"a\r\nb", "ab"},
      {"a\r\nb\rc\nd", "ab\rc\nd"},  // lone CR and lone LF stay in place
      {"\n\r", "\n\r"},              // LF CR is no pair
      {"\r\r\n\n", "\r\n"},          // the middle pair goes, the outer CR and LF stay
      {"\r\n\r\n", ""},
      {"\r", "\r"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(RemoveLineBreaks(c.text), c.expected);
}

TEST(Cleaners, RemoveQuotesRemovesEveryDoubleQuote) {
  EXPECT_EQ(RemoveQuotes("\"ON\""), "ON");
  EXPECT_EQ(RemoveQuotes("a\"\"b'c"), "ab'c");
  EXPECT_EQ(RemoveQuotes(""), "");
}

TEST(Cleaners, CountOccurrencesWithoutOverlap) {
  struct Case {
    std::string pattern, text;
    int expected;
  };
  const std::vector<Case> cases = {
      {"+", "\r\n+CSQ:20\r\n\r\nOK", 1},
      {"+", "+++", 3},
      {"+", "", 0},
      {"aa", "aaaa", 2},
      {"aa", "aaa", 1},  // no overlap
      {"abc", "ab", 0},
      {"", "abc", 0},
      {"+", Utf8ToGbk("+心跳+") + "+", 3},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CountOccurrences(c.pattern, c.text), c.expected) << c.pattern << " in " << c.text;
}

// ---- comma text ------------------------------------------------------------

TEST(CommaText, SplitCommaText) {
  using Items = std::vector<std::string>;
  struct Case {
    std::string text;
    Items expected;
  };
  const std::string xin = Utf8ToGbk("心跳");
  const std::vector<Case> cases = {
      {"a,b", {"a", "b"}},
      {"a b", {"a", "b"}},
      {"a, b", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {"a,", {"a", ""}},
      {"a, ", {"a"}},  // the comma is not the last character
      {"\"x, y\",z", {"x, y", "z"}},
      {"\"say \"\"hi\"\"\",2", {"say \"hi\"", "2"}},
      {"\"\",b", {"", "b"}},
      {"", {}},
      {" ", {}},
      {" \t\r\n", {}},
      {"\r\n\t a,b", {"a", "b"}},   // leading control characters are skipped
      {"a\r\n,b\r\n", {"a", "b"}},  // so are those behind an item
      {",a", {"", "a"}},
      {"TCP,1.2.3.4,5000", {"TCP", "1.2.3.4", "5000"}},
      {xin + ",b" + xin, {xin, "b" + xin}},  // bytes above 127 belong to the item
      {"\"x\"y,z", {"x", "y", "z"}},
      {"a\"b,c", {"a\"b", "c"}},   // a quote inside an item is ordinary
      {"\"open, end", {"open, end"}},  // an unclosed quote takes the rest
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommaText(c.text), c.expected) << "text '" << c.text << "'";
}

TEST(CommaText, ZeroByteEndsTheText) {
  EXPECT_EQ(SplitCommaText("a,b\0,c"s), (std::vector<std::string>{"a", "b"}));
}

// ---- XModem check value ----------------------------------------------------

TEST(XModemCrc, KnownVectors) {
  const std::string check = "123456789";
  EXPECT_EQ(XModemCrc16(AsBytes(check), 0, check.size()), 0x31C3);

  const std::vector<std::uint8_t> eof(128, 0x1A);
  EXPECT_EQ(XModemCrc16(eof.data(), 0, eof.size()), 0xF8B0);

  const std::vector<std::uint8_t> zeros(128, 0);
  EXPECT_EQ(XModemCrc16(zeros.data(), 0, zeros.size()), 0);

  EXPECT_EQ(XModemCrc16(AsBytes(check), 0, 0), 0);
  EXPECT_EQ(XModemCrc16(AsBytes(check), 4, 0), 0);
}

TEST(XModemCrc, StartIndexIsRespected) {
  // The packet header in front must not enter the check value.
  std::vector<std::uint8_t> packet = {0x01, 0x05, 0xFA};
  for (char c : std::string("123456789")) packet.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(XModemCrc16(packet.data(), 3, 9), 0x31C3);
  EXPECT_NE(XModemCrc16(packet.data(), 0, 9), 0x31C3);
  // Start near the end of a 255-byte range.
  std::vector<std::uint8_t> big(255 + 128, 0x1A);
  big[254] = 0x00;
  EXPECT_EQ(XModemCrc16(big.data(), 255, 128), 0xF8B0);
}

// ---- hardware-version sign names --------------------------------------------

TEST(HdVerSignNames, ToAndFromName) {
  struct Case {
    THdVerSign sign;
    const char* name;
  };
  const std::vector<Case> cases = {{THdVerSign::HdUnknown, "HdUnknown"},
                                   {THdVerSign::Hd520, "Hd520"},
                                   {THdVerSign::Hd521, "Hd521"},
                                   {THdVerSign::Hd540, "Hd540"}};
  for (const auto& c : cases) {
    EXPECT_EQ(HdVerSignToName(c.sign), c.name);
    EXPECT_EQ(HdVerSignFromName(c.name), static_cast<int>(c.sign)) << c.name;
  }
  EXPECT_EQ(HdVerSignFromName("hdunknown"), static_cast<int>(THdVerSign::HdUnknown));
  EXPECT_EQ(HdVerSignFromName("HD540"), static_cast<int>(THdVerSign::Hd540));
  EXPECT_EQ(HdVerSignFromName("Hd530"), -1);
  EXPECT_EQ(HdVerSignFromName("Hd540 "), -1);
  EXPECT_EQ(HdVerSignFromName(""), -1);
}

// ---- versions ----------------------------------------------------------------

TEST(Versions, FileVersionTextShowsThreeNumbersOfTheBuild) {
  const std::string expected = std::to_string(T418_VERSION_MAJOR) + "." + std::to_string(T418_VERSION_MINOR) +
                               "." + std::to_string(T418_VERSION_PATCH);
  EXPECT_EQ(FileVersionText(), expected);
  EXPECT_EQ(FileVersionText(), "1.0.4");
}

TEST(Versions, VersionToNumber) {
  struct Case {
    std::string version;
    std::int64_t expected;
  };
  const std::vector<Case> cases = {
      {"V1.0.5", 10005},
      {"2.1", 201},
      {"V 2. 0 .3", 20003},  // blanks go first
      {"v1.2.3", 10203},
      {"\r\nV1.0.5", 10005},  // CR and LF at the start of a part are skipped
      {"1.x", -1},
      {"1.-2", -1},  // a negative part
      {"-1", -1},
      {"1.2a", -1},
      {"1.0\r\n", -1},  // CR LF only skipped at the start of a part
      {"", 0},
      {"V", 0},
      {"...", 0},
      {"V1..2", 102},   // empty parts are dropped
      {"1.100", 200},   // no carry check
      {"2.0", 200},
      {"12", 12},
      {"1.2.3.4", 1020304},
  };
  for (const auto& c : cases) EXPECT_EQ(VersionToNumber(c.version), c.expected) << "version '" << c.version << "'";
}

}  // namespace
}  // namespace t418

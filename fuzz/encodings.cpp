// The readers of value encodings on any bytes: hex forms, decimal numbers,
// comma texts, version numbers and the cleaners. Each ends without fault; what
// a writer produces, its reader takes back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "firmware/xmodem_crc.h"
#include "fuzz_check.h"
#include "params/encodings.h"
#include "text/decimal.h"
#include "text/hex.h"

namespace {

using t418::fuzz::Require;

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// Items in double quotes (a quote inside doubled), joined by commas.
std::string QuotedCommaText(const std::vector<std::string>& items) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    out += '"';
    for (char c : items[i]) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Hex: any bytes written as hex read back as themselves, in every layout.
  Require(t418::TryHexToText(t418::BytesToHex(text)) == std::string(text), "hex of bytes reads back");
  Require(t418::TryHexToText(t418::TextToSpacedHex(text)) == std::string(text), "spaced hex reads back");
  Require(t418::HexToTextOrSame(t418::BytesToHex(text)) == text, "hex or same reads back");
  // Hex read from outside: a text that decodes, re-encoded, decodes the same.
  if (const auto decoded = t418::TryHexToText(text))
    Require(t418::TryHexToText(t418::BytesToHex(*decoded)) == decoded, "decoded hex re-encodes");
  const std::string same = t418::HexToTextOrSame(text);
  Require(same.size() <= text.size(), "hex decoding never grows the text");
  for (char c : text) {
    const int digit = t418::HexDigitValue(c);
    Require(digit >= -1 && digit <= 15, "a hex digit is 0 to 15 or -1");
  }

  // Decimal: a number read gives back the same number from its plain form.
  if (const auto number = t418::ParseDecimalInt(text))
    Require(t418::ParseDecimalInt(std::to_string(*number)) == number, "a decimal number reads back");

  // Comma texts: the items, each written in quotes, split into the same items.
  const auto items = t418::SplitCommaText(text);
  Require(t418::SplitCommaText(QuotedCommaText(items)) == items, "quoted comma text splits back");

  // The cleaners remove what they name and nothing grows.
  const std::string noSpaces = t418::RemoveSpaces(text);
  Require(!Contains(noSpaces, " ") && noSpaces.size() <= text.size(), "RemoveSpaces");
  const std::string noBreaks = t418::RemoveLineBreaks(text);
  Require(noBreaks.size() <= text.size(), "RemoveLineBreaks does not grow");
  Require(t418::RemoveLineBreaks(noBreaks).size() <= noBreaks.size(), "RemoveLineBreaks again");
  const std::string noQuotes = t418::RemoveQuotes(text);
  Require(noQuotes.size() <= text.size(), "RemoveQuotes does not grow");

  // Counting: never more occurrences than the text can hold.
  if (!text.empty()) {
    const std::string_view pattern = text.substr(0, 1 + text.size() % 3);
    const int count = t418::CountOccurrences(pattern, text);
    Require(count >= 1 && static_cast<std::size_t>(count) * pattern.size() <= text.size(), "CountOccurrences");
  }

  (void)t418::VersionToNumber(text);
  (void)t418::HdVerSignFromName(text);
  (void)t418::HdVerSignOfVersion(text);
  (void)t418::CmdFromName(text);
  if (!text.empty())
    (void)t418::XModemCrc16(reinterpret_cast<const std::uint8_t*>(text.data()), 0, text.size());
  return 0;
}

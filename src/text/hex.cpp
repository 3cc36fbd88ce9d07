#include "text/hex.h"

#include <optional>

namespace t418 {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexPair(std::string& out, unsigned char byte) {
  out.push_back(kHexDigits[byte >> 4]);
  out.push_back(kHexDigits[byte & 0x0F]);
}

// Decodes the whole pairs of hex; a last, unpaired character is ignored.
// nullopt at the first pair that is not two hexadecimal digits.
std::optional<std::string> DecodeHexPairs(std::string_view hex) {
  std::string out;
  out.reserve(hex.size() / 2);
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const int high = HexDigitValue(hex[i]);
    const int low = HexDigitValue(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out.push_back(static_cast<char>((high << 4) | low));
  }
  return out;
}

// Drops the blanks between pairs.
std::string WithoutBlanks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    if (c != ' ') out.push_back(c);
  return out;
}

}  // namespace

std::string BytesToText(const std::uint8_t* bytes, std::size_t count) {
  if (bytes == nullptr || count == 0) return {};
  return std::string(reinterpret_cast<const char*>(bytes), count);
}

std::string BytesToHex(const std::uint8_t* bytes, std::size_t count) {
  if (bytes == nullptr) return {};
  std::string out;
  out.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) AppendHexPair(out, bytes[i]);
  return out;
}

std::string BytesToHex(std::string_view bytes) {
  return BytesToHex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string TextToHex(std::string_view text, std::string_view separator) {
  std::string out;
  out.reserve(text.size() * (2 + separator.size()));
  for (char c : text) {
    AppendHexPair(out, static_cast<unsigned char>(c));
    out.append(separator);
  }
  return out;
}

std::string TextToSpacedHex(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char c : text) {
    out.push_back(' ');
    AppendHexPair(out, static_cast<unsigned char>(c));
  }
  if (!out.empty()) out.erase(0, 1);
  return out;
}

std::string HexToTextOrSame(std::string_view hex) {
  // Blanks are not skipped here: "41 42" pairs "41", " 4" and so stays as it is.
  auto decoded = DecodeHexPairs(hex);
  return decoded ? std::move(*decoded) : std::string(hex);
}

std::optional<std::string> TryHexToText(std::string_view hex) {
  return DecodeHexPairs(WithoutBlanks(hex));
}

}  // namespace t418

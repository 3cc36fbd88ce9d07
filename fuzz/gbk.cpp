// GBK and UTF-8 conversion on any bytes: both directions end, the UTF-8 they
// give is well formed, and text that came out of a conversion survives the
// trip through the other encoding unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "text/gbk.h"

namespace {

using t418::fuzz::Require;

bool IsWellFormedUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      length = 2, code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3, code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4, code = c & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    const std::uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  // The bytes taken as GBK.
  const std::string utf8 = t418::GbkToUtf8(bytes);
  Require(IsWellFormedUtf8(utf8), "GbkToUtf8 gives well-formed UTF-8");
  const std::string gbk = t418::Utf8ToGbk(utf8);
  Require(t418::GbkToUtf8(gbk) == utf8, "UTF-8 read from GBK goes back to GBK and returns unchanged");

  // The bytes taken as UTF-8: what has a GBK form comes back the same.
  const std::string fromUtf8 = t418::Utf8ToGbk(bytes);
  Require(t418::Utf8ToGbk(t418::GbkToUtf8(fromUtf8)) == fromUtf8, "GBK -> UTF-8 -> GBK round trip of valid text");

  const std::size_t prefix = t418::CompleteGbkPrefix(bytes);
  Require(prefix <= bytes.size() && prefix + 1 >= bytes.size(), "CompleteGbkPrefix holds back at most one byte");
  return 0;
}

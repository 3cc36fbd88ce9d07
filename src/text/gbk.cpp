#include "text/gbk.h"

#include <vector>

#include "platform/gbk_codec.h"

namespace t418 {
namespace {

// The length of the UTF-8 sequence that a byte opens (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

// How many bytes an unconvertible sequence at the front of the input spans.
using SkipRule = std::size_t (*)(const char* at, std::size_t left);

std::size_t SkipOneByte(const char*, std::size_t) { return 1; }

std::size_t SkipUtf8Character(const char* at, std::size_t left) {
  std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(*at));
  if (length > left) length = left;
  // Only continuation bytes belong to the character.
  for (std::size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(at[i]) & 0xC0) != 0x80) return i;
  return length;
}

// Converts with the system's converter; an unconvertible or cut-off sequence
// becomes one '?' and conversion goes on behind it.
std::string Convert(std::string_view in, platform::Charset from, platform::Charset to, SkipRule skip) {
  platform::TextConverter converter(from, to);
  if (!converter.Valid()) return std::string(in);
  std::string out;
  std::vector<char> buffer(in.size() * 4 + 16);
  const char* src = in.data();
  std::size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer.data();
    std::size_t dstLeft = buffer.size();
    const auto step = converter.Convert(src, srcLeft, dst, dstLeft);
    out.append(buffer.data(), static_cast<std::size_t>(dst - buffer.data()));
    if (step == platform::TextConverter::Step::Invalid) {
      out.push_back('?');
      const std::size_t skipped = skip(src, srcLeft);
      src += skipped;
      srcLeft -= skipped;
    }
  }
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  return Convert(gbk, platform::Charset::Gbk, platform::Charset::Utf8, SkipOneByte);
}

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert(utf8, platform::Charset::Utf8, platform::Charset::Gbk, SkipUtf8Character);
}

std::size_t CompleteGbkPrefix(std::string_view gbk) {
  std::size_t i = 0;
  while (i < gbk.size()) {
    if (!IsGbkLeadByte(static_cast<unsigned char>(gbk[i]))) {
      ++i;
    } else if (i + 1 < gbk.size()) {
      i += 2;
    } else {
      return i;  // a lead byte waiting for its trail byte
    }
  }
  return i;
}

}  // namespace t418

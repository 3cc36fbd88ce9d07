#include "text/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

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

// Converts with glibc iconv; an unconvertible or cut-off sequence becomes one
// '?' and conversion goes on behind it.
std::string Convert(std::string_view in, const char* to, const char* from, SkipRule skip) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  std::vector<char> buffer(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer.data();
    std::size_t dstLeft = buffer.size();
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), static_cast<std::size_t>(dst - buffer.data()));
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      out.push_back('?');  // EILSEQ or EINVAL
      const std::size_t skipped = skip(src, srcLeft);
      src += skipped;
      srcLeft -= skipped;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return Convert(gbk, "UTF-8", "GBK", SkipOneByte); }

std::string Utf8ToGbk(std::string_view utf8) { return Convert(utf8, "GBK", "UTF-8", SkipUtf8Character); }

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

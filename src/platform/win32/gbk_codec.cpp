// The converter on the system's code page 936, one character at a time: the
// system's lead-byte table tells how long a GBK character is, UTF-8 is taken
// apart and put together here.
#include "platform/gbk_codec.h"

#include <windows.h>

#include <cstdint>

namespace t418::platform {
namespace {

constexpr UINT kGbkCodePage = 936;

struct Direction {
  Charset from;
};

// The length of the UTF-8 sequence at src and its code point; 0 when it is
// not a whole, shortest-form sequence.
std::size_t DecodeUtf8(const unsigned char* src, std::size_t left, char32_t& cp) {
  const unsigned char b = src[0];
  std::size_t length = 0;
  char32_t min = 0;
  if (b < 0x80) {
    cp = b;
    return 1;
  } else if ((b & 0xE0) == 0xC0) {
    length = 2, cp = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3, cp = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    length = 4, cp = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((src[i] & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (src[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

std::size_t EncodeUtf8(char32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

// One GBK character at src into UTF-8 at out (room for 8 bytes); 0 when the
// input is not a whole convertible character.
std::size_t GbkToUtf8(const char* src, std::size_t left, std::size_t& used, char* out) {
  const auto lead = static_cast<unsigned char>(src[0]);
  if (lead < 0x80) {
    used = 1;
    out[0] = src[0];
    return 1;
  }
  used = ::IsDBCSLeadByteEx(kGbkCodePage, lead) ? 2 : 1;
  if (left < used) return 0;
  wchar_t wide[2];
  const int n = ::MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, src, static_cast<int>(used), wide, 2);
  if (n != 1) return 0;
  // A byte pair the table does not hold may come back as the default character.
  if (wide[0] == 0x30FB || wide[0] == L'?') {
    char back[2];
    BOOL usedDefault = FALSE;
    const int m = ::WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide, 1, back, 2, nullptr, &usedDefault);
    if (usedDefault || m != static_cast<int>(used) || back[0] != src[0] || (used == 2 && back[1] != src[1])) return 0;
  }
  return EncodeUtf8(static_cast<char32_t>(wide[0]), out);
}

// One UTF-8 character at src into GBK at out (room for 2 bytes); 0 when it is
// not whole or GBK has no such character.
std::size_t Utf8ToGbk(const char* src, std::size_t left, std::size_t& used, char* out) {
  char32_t cp = 0;
  used = DecodeUtf8(reinterpret_cast<const unsigned char*>(src), left, cp);
  if (used == 0) return 0;
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  wchar_t wide[2];
  int units = 1;
  if (cp >= 0x10000) {
    wide[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
    wide[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    units = 2;
  } else {
    wide[0] = static_cast<wchar_t>(cp);
  }
  BOOL usedDefault = FALSE;
  const int n = ::WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide, units, out, 2, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return 0;
  return static_cast<std::size_t>(n);
}

}  // namespace

TextConverter::TextConverter(Charset from, Charset to) {
  CPINFO info;
  if (from != to && ::GetCPInfo(kGbkCodePage, &info)) state_ = new Direction{from};
}

TextConverter::~TextConverter() { delete static_cast<Direction*>(state_); }

TextConverter::Step TextConverter::Convert(const char*& src, std::size_t& srcLeft, char*& dst, std::size_t& dstLeft) {
  const bool fromGbk = static_cast<Direction*>(state_)->from == Charset::Gbk;
  while (srcLeft > 0) {
    char out[8];
    std::size_t used = 0;
    const std::size_t made = fromGbk ? GbkToUtf8(src, srcLeft, used, out) : Utf8ToGbk(src, srcLeft, used, out);
    if (made == 0) return Step::Invalid;
    if (made > dstLeft) return Step::OutputFull;
    for (std::size_t i = 0; i < made; ++i) dst[i] = out[i];
    dst += made;
    dstLeft -= made;
    src += used;
    srcLeft -= used;
  }
  return Step::Done;
}

}  // namespace t418::platform

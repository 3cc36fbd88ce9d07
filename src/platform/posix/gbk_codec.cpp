// The converter as glibc's iconv.
#include "platform/gbk_codec.h"

#include <iconv.h>

#include <cerrno>

namespace t418::platform {
namespace {

const char* IconvName(Charset charset) { return charset == Charset::Gbk ? "GBK" : "UTF-8"; }

}  // namespace

TextConverter::TextConverter(Charset from, Charset to) {
  iconv_t cd = iconv_open(IconvName(to), IconvName(from));
  if (cd != reinterpret_cast<iconv_t>(-1)) state_ = cd;
}

TextConverter::~TextConverter() {
  if (state_) iconv_close(static_cast<iconv_t>(state_));
}

TextConverter::Step TextConverter::Convert(const char*& src, std::size_t& srcLeft, char*& dst,
                                           std::size_t& dstLeft) {
  char* in = const_cast<char*>(src);
  const std::size_t rc = iconv(static_cast<iconv_t>(state_), &in, &srcLeft, &dst, &dstLeft);
  src = in;
  if (rc != static_cast<std::size_t>(-1)) return Step::Done;
  return errno == E2BIG ? Step::OutputFull : Step::Invalid;  // EILSEQ or EINVAL
}

}  // namespace t418::platform

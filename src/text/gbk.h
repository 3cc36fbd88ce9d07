#pragma once
// The one place where GBK (code page 936) bytes and Unicode (UTF-8) meet.
// Bytes that cannot be converted become '?' rather than failing.
#include <string>
#include <string_view>

namespace t418 {

std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace t418

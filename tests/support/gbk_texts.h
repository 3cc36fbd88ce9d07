#pragma once
// Short forms for stating expected GBK texts in readable Chinese.
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "text/gbk.h"

namespace t418::testing {

inline std::string G(std::string_view utf8) { return Utf8ToGbk(utf8); }

inline std::vector<std::string> G(std::initializer_list<std::string_view> utf8) {
  std::vector<std::string> texts;
  for (const auto text : utf8) texts.push_back(Utf8ToGbk(text));
  return texts;
}

}  // namespace t418::testing

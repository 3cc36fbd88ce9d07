#pragma once
// What the rest of the core needs of the language list: the text of a
// catalogue name in the current language (GBK bytes).
#include <string>
#include <string_view>

namespace t418 {

class TextLookup {
 public:
  virtual ~TextLookup() = default;
  // A name that no layer knows gives the name itself.
  virtual std::string LangText(std::string_view name) const = 0;
};

}  // namespace t418

#include "session/value_list.h"

#include <algorithm>

#include "text/ascii_case.h"

namespace t418 {
namespace {

// Whether entry is "name=..." with the name compared without regard to case.
bool HoldsName(const std::string& entry, const std::string& name) {
  if (entry.size() <= name.size() || entry[name.size()] != '=') return false;
  return EqualsIgnoringAsciiCase(std::string_view(entry).substr(0, name.size()), name);
}

}  // namespace

void ValueList::PutValue(const std::string& name, const std::string& value) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const std::string& e) { return HoldsName(e, name); });
  if (value.empty()) {
    if (it != entries_.end()) entries_.erase(it);
    return;
  }
  if (it != entries_.end())
    *it = it->substr(0, name.size()) + "=" + value;
  else
    entries_.push_back(name + "=" + value);
}

std::string ValueList::Value(const std::string& name) const {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const std::string& e) { return HoldsName(e, name); });
  return it == entries_.end() ? std::string() : it->substr(name.size() + 1);
}

}  // namespace t418

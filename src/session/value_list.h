#pragma once
// The last value the terminal reported, per command name (case ignored).
#include <string>
#include <vector>

namespace t418 {

class ValueList {
 public:
  void ClearValues() { entries_.clear(); }
  // A non-empty value replaces or appends "NAME=value"; an empty one removes the name.
  void PutValue(const std::string& name, const std::string& value);
  // The stored value of a name, "" when there is none.
  std::string Value(const std::string& name) const;
  // The entries as "NAME=value", in the order they were first stored.
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;
};

}  // namespace t418

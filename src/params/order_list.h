#pragma once
// The queue of lines a session sends to the terminal, and the current index.
#include <string>
#include <vector>

#include "params/commands.h"

namespace t418 {

class OrderList {
 public:
  void ClearOrders();
  // Appends the text unchanged (used for "+++" and "a").
  void AddOrder(const std::string& text);
  // Appends "AT+" body CR LF.
  void AddCmdLine(const std::string& body);
  void AddQuery(TCmd cmd);
  // The query, unless the list holds it already.
  void AddQueryOnce(TCmd cmd);
  void AddSetText(const std::string& name, const std::string& value);
  void AddSet(TCmd cmd, const std::string& value);
  // The line at i; "" when i is outside the list.
  std::string GetOrder(int i) const;
  int OrderCount() const { return static_cast<int>(lines_.size()); }
  // Puts "+++" and "a" in front of the current line, unless it already is "+++".
  void InsertModeEntry();
  // The command lines among the first `end` lines (all when end is past the
  // list): "+++" and "a" are mode switches, not counted.
  int CommandLineCount(int end) const;
  int CommandLineCount() const { return CommandLineCount(OrderCount()); }

  int OrderIndex = 0;

  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

}  // namespace t418

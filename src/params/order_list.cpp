#include "params/order_list.h"

#include <algorithm>

namespace t418 {

void OrderList::ClearOrders() {
  lines_.clear();
  OrderIndex = 0;
}

void OrderList::AddOrder(const std::string& text) { lines_.push_back(text); }

void OrderList::AddCmdLine(const std::string& body) { lines_.push_back("AT+" + body + "\r\n"); }

void OrderList::AddQuery(TCmd cmd) { AddCmdLine(CmdToName(cmd) + "?"); }

void OrderList::AddQueryOnce(TCmd cmd) {
  const std::string query = "AT+" + CmdToName(cmd) + "?\r\n";
  if (std::find(lines_.begin(), lines_.end(), query) == lines_.end()) lines_.push_back(query);
}

void OrderList::AddSetText(const std::string& name, const std::string& value) {
  AddCmdLine(name + "=" + value);
}

void OrderList::AddSet(TCmd cmd, const std::string& value) { AddSetText(CmdToName(cmd), value); }

std::string OrderList::GetOrder(int i) const {
  if (i < 0 || i >= OrderCount()) return {};
  return lines_[static_cast<std::size_t>(i)];
}

void OrderList::InsertModeEntry() {
  if (GetOrder(OrderIndex) == "+++") return;
  // The index may equal the count (then both are appended); it never exceeds it.
  const auto at = static_cast<std::size_t>(std::min(std::max(OrderIndex, 0), OrderCount()));
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), "+++");
  if (GetOrder(OrderIndex + 1) != "a")
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at + 1), "a");
}

int OrderList::CommandLineCount(int end) const {
  const int last = std::min(std::max(end, 0), OrderCount());
  return static_cast<int>(std::count_if(lines_.begin(), lines_.begin() + last,
                                        [](const std::string& line) { return line != "+++" && line != "a"; }));
}

}  // namespace t418

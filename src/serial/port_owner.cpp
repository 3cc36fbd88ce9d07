#include "serial/port_owner.h"

namespace t418 {

std::string DescribePortHolders(const std::vector<PortHolder>& holders) {
  if (holders.empty()) return {};
  std::string text = "held by ";
  for (std::size_t i = 0; i < holders.size(); ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(holders[i].pid);
    if (!holders[i].name.empty()) text += " (" + holders[i].name + ")";
  }
  return text;
}

}  // namespace t418

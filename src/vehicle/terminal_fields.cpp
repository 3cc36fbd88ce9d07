#include "vehicle/terminal_fields.h"

#include <cstdint>
#include <vector>

#include "text/comma_text.h"
#include "text/decimal.h"

namespace t418 {

TerminalTypeItems TerminalTypeItemsOf(int typeNumber) {
  const auto bits = static_cast<std::uint32_t>(typeNumber);
  TerminalTypeItems items{};
  for (std::size_t k = 0; k < items.size(); ++k) {
    items[k] = static_cast<int>((bits >> kTerminalTypeBitNumbers[k]) & 1U);
  }
  return items;
}

int TerminalTypeBits(const TerminalTypeItems& items) {
  int bits = 0;
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (items[k] == 1) bits |= 1 << kTerminalTypeBitNumbers[k];
  }
  return bits;
}

std::optional<TerminalReport> ParseTerminalReport(std::string_view value) {
  const std::vector<std::string> fields = SplitCommaText(value);
  if (fields.size() != 3) return std::nullopt;
  TerminalReport report{fields[0], fields[1], std::nullopt};
  if (const auto number = ParseDecimalInt(fields[2])) report.typeItems = TerminalTypeItemsOf(*number);
  return report;
}

std::string TerminalCommandValue(std::string_view terminalId, std::string_view model, int typeBits) {
  std::string value(terminalId);
  value += ',';
  value += model;
  value += ',';
  value += std::to_string(typeBits);
  return value;
}

int PlateColourCode(int item) { return item <= 4 ? item : 9; }

int PlateColourItem(int code) {
  if (code == 9) return 5;
  if (code >= 0 && code < kPlateColourItemCount) return code;
  return -1;
}

std::optional<CarInfoReport> ParseCarInfoReport(std::string_view value) {
  const std::vector<std::string> fields = SplitCommaText(value);
  if (fields.size() != 2) return std::nullopt;
  const auto colour = ParseDecimalInt(fields[0]);
  if (!colour) return std::nullopt;
  return CarInfoReport{PlateColourItem(*colour), fields[1] == "0" ? std::string("VIN") : fields[1]};
}

std::string CarInfoCommandValue(int colourItem, std::string_view plate) {
  std::string value = std::to_string(PlateColourCode(colourItem));
  value += ',';
  value += plate;
  return value;
}

}  // namespace t418

#pragma once
// The vehicle-terminal fields of the JT808 registration: the terminal type word
// spread over six two-item lists, the plate colour list, and the values of the
// QTERMINAL and QCARINFO commands in both directions. Pure functions on GBK
// text; the form binding moves the results into the controls.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace t418 {

// The type lists in their fixed order and the bit of the type word each one
// stands for; bits 4 and 5 have no list. Item 0 of a list is "bit clear",
// item 1 "bit set".
inline constexpr std::array<int, 6> kTerminalTypeBitNumbers = {0, 1, 2, 3, 6, 7};
inline constexpr std::array<std::string_view, 6> kTerminalTypeListNames = {
    "cbbtype0", "cbbtype1", "cbbtype2", "cbbtype3", "cbbtype6", "cbbtype7"};

// The selected item of each type list, in the order above.
using TerminalTypeItems = std::array<int, 6>;

// The items that show a type word: item 1 where its bit is set. Bits 4 and 5
// are ignored; a negative number is taken in two's complement.
TerminalTypeItems TerminalTypeItemsOf(int typeNumber);
// The type word of the lists: the sum of item × 2^bit. A list on any item but 1
// (no selection is -1) counts as bit clear, so the word is never negative.
// All six on item 1 give 207; only cbbtype6 gives 64.
int TerminalTypeBits(const TerminalTypeItems& items);

// A QTERMINAL value (report or profile): terminal ID "," model "," type word.
struct TerminalReport {
  std::string terminalId;  // edtTerminalID
  std::string model;       // edtTerminalmode
  // The items of the six type lists; nullopt when the third field is not a
  // decimal integer, which leaves the lists as they were.
  std::optional<TerminalTypeItems> typeItems;
};
// Split with SplitCommaText; nullopt (nothing changes) unless there are exactly
// three fields.
std::optional<TerminalReport> ParseTerminalReport(std::string_view value);
// The QTERMINAL setting value: ID "," model "," type word in decimal.
std::string TerminalCommandValue(std::string_view terminalId, std::string_view model, int typeBits);

// cbbCarcolor: items 0 to 4 (no plate, blue, yellow, black, white) are the
// codes 0 to 4; item 5 (other) is the code 9.
inline constexpr int kPlateColourItemCount = 6;
// The code a command carries for a list item: the item itself when at most 4,
// 9 otherwise.
int PlateColourCode(int item);
// The item a reported colour number selects: 9 gives item 5, 0 to 5 give the
// item of that number, anything else -1 (no item).
int PlateColourItem(int code);

// A QCARINFO value (report or profile): colour "," plate.
struct CarInfoReport {
  int colourItem = -1;  // cbbCarcolor, -1 for no item
  std::string plate;    // edtCarNum; a reported "0" stands for "VIN"
};
// Split with SplitCommaText; nullopt (nothing changes) unless there are exactly
// two fields and the first is a decimal integer.
std::optional<CarInfoReport> ParseCarInfoReport(std::string_view value);
// The QCARINFO setting value: the colour code of the item "," the plate.
std::string CarInfoCommandValue(int colourItem, std::string_view plate);

}  // namespace t418

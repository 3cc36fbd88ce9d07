#include "vehicle/terminal_fields.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "text/gbk.h"

namespace t418 {
namespace {

// ---- terminal type word ------------------------------------------------------------

TEST(TerminalType, NumberToItemsAndBack) {
  struct Case {
    int number;
    TerminalTypeItems items;  // cbbtype0, 1, 2, 3, 6, 7
    int back;                 // what the lists give back
  };
  const std::vector<Case> cases = {
      {207, {1, 1, 1, 1, 1, 1}, 207},
      {64, {0, 0, 0, 0, 1, 0}, 64},
      {15, {1, 1, 1, 1, 0, 0}, 15},  // the profile default
      {0, {0, 0, 0, 0, 0, 0}, 0},
      {128, {0, 0, 0, 0, 0, 1}, 128},
      {5, {1, 0, 1, 0, 0, 0}, 5},
      {48, {0, 0, 0, 0, 0, 0}, 0},     // bits 4 and 5 have no list
      {255, {1, 1, 1, 1, 1, 1}, 207},  // and are dropped on the way back
      {256 + 2, {0, 1, 0, 0, 0, 0}, 2},
      {-1, {1, 1, 1, 1, 1, 1}, 207},  // two's complement: every bit set
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TerminalTypeItemsOf(c.number), c.items) << c.number;
    EXPECT_EQ(TerminalTypeBits(c.items), c.back) << c.number;
  }
}

TEST(TerminalType, EachListWeighsItsOwnBit) {
  for (std::size_t k = 0; k < kTerminalTypeBitNumbers.size(); ++k) {
    TerminalTypeItems items{};
    items[k] = 1;
    EXPECT_EQ(TerminalTypeBits(items), 1 << kTerminalTypeBitNumbers[k]) << kTerminalTypeListNames[k];
    EXPECT_EQ(kTerminalTypeListNames[k], "cbbtype" + std::to_string(kTerminalTypeBitNumbers[k]));
  }
}

TEST(TerminalType, AListWithoutSelectionCountsAsBitClear) {
  const struct {
    TerminalTypeItems items;
    int bits;
  } cases[] = {
      {{-1, 1, -1, -1, -1, -1}, 2},
      {{-1, -1, -1, -1, -1, -1}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(TerminalTypeBits(c.items), c.bits) << ::testing::PrintToString(c.items);
}

// ---- QTERMINAL values -------------------------------------------------------------

// A QTERMINAL value and the three fields it must give.
struct TerminalReportCase {
  const char* what;
  std::string value;
  std::string terminalId;
  std::string model;
  std::optional<TerminalTypeItems> typeItems;
};

void ExpectTerminalReports(const std::vector<TerminalReportCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.what) + ": " + c.value);
    const auto r = ParseTerminalReport(c.value);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->terminalId, c.terminalId);
    EXPECT_EQ(r->model, c.model);
    EXPECT_EQ(r->typeItems, c.typeItems);
  }
}

TEST(TerminalReportValue, ThreeFieldsGiveIdModelAndTypeItems) {
  ExpectTerminalReports({
      {"every type bit", "ZAVGNSS,zav-gnss-001,207", "ZAVGNSS", "zav-gnss-001", TerminalTypeItems{1, 1, 1, 1, 1, 1}},
      {"only bit 6", "ID1,M1,64", "ID1", "M1", TerminalTypeItems{0, 0, 0, 0, 1, 0}},
  });
}

TEST(TerminalReportValue, FieldsFollowTheCommaTextRules) {
  // Quotes keep commas and blanks in a field; a blank separates like a comma;
  // an empty field between commas counts; Chinese bytes belong to the field.
  const std::string model = Utf8ToGbk("终端型号");
  ExpectTerminalReports({
      {"quoted fields", R"("ID, 1","model x",15)", "ID, 1", "model x", TerminalTypeItems{1, 1, 1, 1, 0, 0}},
      {"blanks separate", "ID M 1", "ID", "M", TerminalTypeItems{1, 0, 0, 0, 0, 0}},
      {"empty fields", ",,0", "", "", TerminalTypeItems{}},
      {"Chinese model", "ID," + model + ",128", "ID", model, TerminalTypeItems{0, 0, 0, 0, 0, 1}},
  });
}

TEST(TerminalReportValue, AnyOtherFieldCountChangesNothing) {
  for (const char* value : {"", " ", "a", "a,b", "a,b,7,x", "a,b,7,", "\"a,b\",7", "a b c d"}) {
    EXPECT_EQ(ParseTerminalReport(value), std::nullopt) << value;
  }
}

TEST(TerminalReportValue, ATypeThatIsNoDecimalNumberLeavesTheTypeLists) {
  // "ID,M," has three fields: a trailing comma adds an empty one.
  std::vector<TerminalReportCase> cases;
  for (const char* value : {"ID,M,x", "ID,M,", "ID,M,\"\"", "ID,M,7a", "ID,M,0x10", "ID,M,1.5", "ID,M,+-3",
                            "ID,M,99999999999"}) {
    // ID and model are still taken.
    cases.push_back({"no decimal number", value, "ID", "M", std::nullopt});
  }
  // A signed decimal is a number, quoted or not.
  cases.push_back({"signed", "ID,M,+64", "ID", "M", TerminalTypeItems{0, 0, 0, 0, 1, 0}});
  cases.push_back({"quoted", "ID,M,\"64\"", "ID", "M", TerminalTypeItems{0, 0, 0, 0, 1, 0}});
  ExpectTerminalReports(cases);
}

TEST(TerminalReportValue, CommandValueIsIdModelAndDecimalType) {
  const struct {
    const char* id;
    const char* model;
    int type;
    const char* value;
  } cases[] = {
      {"ZAVGNSS", "zav-gnss-001", 15, "ZAVGNSS,zav-gnss-001,15"},
      {"", "", 0, ",,0"},
  };
  for (const auto& c : cases) EXPECT_EQ(TerminalCommandValue(c.id, c.model, c.type), c.value);
  // What the lists show goes back out unchanged.
  const auto r = ParseTerminalReport("ID1,M1,207");
  ASSERT_TRUE(r && r->typeItems);
  EXPECT_EQ(TerminalCommandValue(r->terminalId, r->model, TerminalTypeBits(*r->typeItems)), "ID1,M1,207");
}

// ---- plate colour and QCARINFO ----------------------------------------------------

TEST(PlateColour, ItemsAndCodesBothWays) {
  struct Case {
    int item, code;
  };
  const std::vector<Case> cases = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 9}};
  for (const auto& c : cases) {
    EXPECT_EQ(PlateColourCode(c.item), c.code) << c.item;
    EXPECT_EQ(PlateColourItem(c.code), c.item) << c.code;
  }
  // A reported 5 selects the entry of that number; numbers beyond the list select none.
  EXPECT_EQ(PlateColourItem(5), 5);
  for (const int code : {6, 7, 8, 10, 99, -1}) EXPECT_EQ(PlateColourItem(code), -1) << code;
}

TEST(CarInfoValue, ColourAndPlate) {
  struct Case {
    std::string value;
    int item;
    std::string plate;
  };
  const std::vector<Case> cases = {
      {"9,0", 5, "VIN"},  // "0" stands for the VIN
      {"1,0", 1, "VIN"},
      {"2,ABC123", 2, "ABC123"},
      {"0,", 0, ""},  // the profile default: no plate yet
      {"4,00", 4, "00"},
      {"7,X", -1, "X"},
      {"\"3\",\"A B\"", 3, "A B"},
      {"1," + Utf8ToGbk("京A12345"), 1, Utf8ToGbk("京A12345")},  // Chinese bytes belong to the plate
  };
  for (const auto& c : cases) {
    const auto r = ParseCarInfoReport(c.value);
    ASSERT_TRUE(r) << c.value;
    EXPECT_EQ(r->colourItem, c.item) << c.value;
    EXPECT_EQ(r->plate, c.plate) << c.value;
  }
}

TEST(CarInfoValue, WrongFieldCountOrColourChangesNothing) {
  for (const char* value : {"", "1", "1,A,B", ",A", "x,A", "1.0,A", "1,A,"}) {
    EXPECT_EQ(ParseCarInfoReport(value), std::nullopt) << value;
  }
}

TEST(CarInfoValue, CommandValueCarriesTheColourCode) {
  const struct {
    int item;
    const char* plate;
    const char* value;
  } cases[] = {
      {5, "ABC", "9,ABC"},  // "other" goes out as 9
      {0, "ABC", "0,ABC"},
      {3, "", "3,"},
  };
  for (const auto& c : cases) EXPECT_EQ(CarInfoCommandValue(c.item, c.plate), c.value) << c.item;
}

}  // namespace
}  // namespace t418

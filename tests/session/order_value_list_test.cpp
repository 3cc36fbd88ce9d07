#include <gtest/gtest.h>

#include "params/order_list.h"
#include "session/value_list.h"

namespace t418 {
namespace {

TEST(OrderList, GetOrderOutsideTheListIsEmpty) {
  OrderList orders;
  EXPECT_EQ(orders.GetOrder(0), "");
  orders.AddOrder("+++");
  EXPECT_EQ(orders.GetOrder(0), "+++");
  EXPECT_EQ(orders.GetOrder(1), "");
  EXPECT_EQ(orders.GetOrder(7), "");
  EXPECT_EQ(orders.GetOrder(-1), "");
}

TEST(OrderList, ClearSetsTheIndexToZeroEvenWhenEmpty) {
  OrderList orders;
  orders.OrderIndex = 3;
  orders.ClearOrders();
  EXPECT_EQ(orders.OrderIndex, 0);
  EXPECT_EQ(orders.OrderCount(), 0);
}

TEST(OrderList, LinesAreBuiltByteForByte) {
  OrderList orders;
  orders.AddQuery(TCmd::VER);
  orders.AddSet(TCmd::WKMOD, "NET");
  orders.AddSetText("STMSG", "HELLO, A=B");
  orders.AddCmdLine("CSQ");
  const std::string ver = orders.GetOrder(0);
  EXPECT_EQ(ver, std::string("AT+VER?\x0D\x0A"));
  EXPECT_EQ(ver.size(), 9u);
  EXPECT_EQ(orders.GetOrder(1), "AT+WKMOD=NET\r\n");
  EXPECT_EQ(orders.GetOrder(2), "AT+STMSG=HELLO, A=B\r\n");
  EXPECT_EQ(orders.GetOrder(3), "AT+CSQ\r\n");
}

struct ModeEntryCase {
  const char* name;
  std::vector<std::string> before;
  int index;
  std::vector<std::string> after;
};

class InsertModeEntryTest : public ::testing::TestWithParam<ModeEntryCase> {};

TEST_P(InsertModeEntryTest, PutsCommandModeEntryInFrontOfTheCurrentLine) {
  const auto& c = GetParam();
  OrderList orders;
  for (const auto& line : c.before) orders.AddOrder(line);
  orders.OrderIndex = c.index;
  orders.InsertModeEntry();
  EXPECT_EQ(orders.Lines(), c.after);
  EXPECT_EQ(orders.OrderIndex, c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InsertModeEntryTest,
    ::testing::Values(
        ModeEntryCase{"middle", {"q0", "q1", "q2"}, 1, {"q0", "+++", "a", "q1", "q2"}},
        ModeEntryCase{"answerWasCurrent", {"+++", "a"}, 1, {"+++", "+++", "a"}},
        ModeEntryCase{"atTheEnd", {"q0"}, 1, {"q0", "+++", "a"}},
        ModeEntryCase{"emptyList", {}, 0, {"+++", "a"}},
        ModeEntryCase{"entryAlreadyCurrent", {"+++", "a", "q"}, 0, {"+++", "a", "q"}},
        ModeEntryCase{"behindAnEntry", {"+++", "a", "q"}, 2, {"+++", "a", "+++", "a", "q"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ValueList, NamesIgnoreCaseAndEmptyValuesRemove) {
  ValueList values;
  values.PutValue("WKMOD", "NET");
  values.PutValue("SOCKA", "TCP,1.2.3.4,5");
  values.PutValue("wkmod", "HTTPD");
  EXPECT_EQ(values.Entries(), (std::vector<std::string>{"WKMOD=HTTPD", "SOCKA=TCP,1.2.3.4,5"}));
  EXPECT_EQ(values.Value("Wkmod"), "HTTPD");
  values.PutValue("WKMOD", "");
  EXPECT_EQ(values.Entries(), (std::vector<std::string>{"SOCKA=TCP,1.2.3.4,5"}));
  values.PutValue("NOSUCH", "");
  EXPECT_EQ(values.Entries().size(), 1u);
  values.ClearValues();
  EXPECT_TRUE(values.Entries().empty());
}

TEST(ValueList, NamePrefixesAreDistinctNames) {
  ValueList values;
  values.PutValue("SOCKA", "x");
  values.PutValue("SOCKAEN", "ON");
  values.PutValue("SOCKA", "y");
  EXPECT_EQ(values.Entries(), (std::vector<std::string>{"SOCKA=y", "SOCKAEN=ON"}));
}

}  // namespace
}  // namespace t418

#include "params/form_getters.h"

#include <gtest/gtest.h>

namespace t418 {
namespace {

TEST(FormGetters, SwitchWordsFollowTheBox) {
  ParamForm form;
  CheckBox& box = form.rzchckbxHtpFlt;
  box.SetCheckedWithoutRule(false);
  EXPECT_EQ(OnOffText(box), "OFF");
  EXPECT_EQ(OneZeroText(box), "0");
  box.SetCheckedWithoutRule(true);
  EXPECT_EQ(OnOffText(box), "ON");
  EXPECT_EQ(OneZeroText(box), "1");
}

TEST(FormGetters, IndexOneZeroTextIsZeroOnlyForTheFirstEntry) {
  ParamForm form;
  ChoiceList& list = form.cbbGPOSSND;  // three entries
  const struct {
    int entry;
    const char* expected;
  } cases[] = {{0, "0"}, {1, "1"}, {2, "1"}, {-1, "1"}};
  for (const auto& c : cases) {
    list.SetItemIndex(c.entry);
    EXPECT_EQ(IndexOneZeroText(list), c.expected) << c.entry;
  }
}

TEST(FormGetters, UartTextJoinsBaudDataStopAndParityButNotFlowControl) {
  ParamForm form;
  // Start state: no baud rate chosen yet, 8 data bits, 1 stop bit, no parity.
  EXPECT_EQ(UartText(form), ",8,1,NONE");

  form.cbbBaud.SetText("115200");
  EXPECT_EQ(UartText(form), "115200,8,1,NONE");

  form.cbbBaud.SetText("9600");
  form.cbbD.SetText("7");
  form.cbbS.SetText("2");
  form.cbbP.SetText("EVEN");
  form.cbbFlow.SetText("RS485");
  EXPECT_EQ(UartText(form), "9600,7,2,EVEN");
}

}  // namespace
}  // namespace t418

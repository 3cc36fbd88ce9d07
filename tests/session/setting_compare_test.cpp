#include "session/setting_compare.h"

#include <gtest/gtest.h>

namespace t418 {
namespace {

TEST(CompareSettings, ListsTheLinesAWriteWouldChangeAndTheSettingsNoReadAsksFor) {
  ValueList values;
  values.PutValue("WKMOD", "NET");
  values.PutValue("SOCKA", "TCP,a.example.com,2317");
  values.PutValue("UART", "115200,8,1,NONE,NFC");
  values.PutValue("HEARTTM", "30");
  // STMSG reported empty: the value list holds nothing for it.
  const std::vector<std::string> queries = {"AT+VER?\r\n",   "AT+WKMOD?\r\n",   "AT+SOCKA?\r\n", "AT+UART?\r\n",
                                            "AT+HEARTTM?\r\n", "AT+STMSG?\r\n"};
  const std::vector<std::string> settings = {
      "AT+WKMOD=NET\r\n",
      "AT+SOCKA=TCP,b.example.com,2317\r\n",  // changed
      "AT+UART=115200,8,1,NONE\r\n",          // the fifth field is flow control
      "AT+HEARTTM=60\r\n",                    // changed
      "AT+STMSG=\r\n",                        // empty both ways
      "AT+DSTNUM=12345\r\n",                  // not read
  };
  const SettingComparison result = CompareSettings(settings, queries, values);
  EXPECT_EQ(result.changed,
            (std::vector<std::string>{"AT+SOCKA=TCP,b.example.com,2317\r\n", "AT+HEARTTM=60\r\n"}));
  EXPECT_EQ(result.notRead, std::vector<std::string>{"DSTNUM"});
}

TEST(CompareSettings, OnlyTheSerialLinesFlowControlMayBeMissing) {
  ValueList values;
  values.PutValue("UART", "115200,8,1,NONE,NFC,X");
  values.PutValue("APN", "cmnet,user");
  const std::vector<std::string> queries = {"AT+UART?\r\n", "AT+APN?\r\n"};
  const SettingComparison result =
      CompareSettings({"AT+UART=115200,8,1,NONE\r\n", "AT+APN=cmnet\r\n"}, queries, values);
  EXPECT_EQ(result.changed.size(), 2u);
}

}  // namespace
}  // namespace t418

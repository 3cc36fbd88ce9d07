#include <gtest/gtest.h>

#include "text/gbk.h"
#include "session/manual_terminal.h"
#include "session_fakes.h"

namespace t418 {
namespace {

using testing::EngineRig;

struct SerialCase {
  std::string text;
  bool autoCR;
  bool hex;
  std::vector<std::string> written;
};

TEST(ManualTerminal, SerialSendsByTheBoxesRules) {
  const SerialCase cases[] = {
      {"at+csq", true, false, {"at+csq\r\n"}},
      {"AT+CSQ\r\n", true, false, {"AT+CSQ\r\n"}},  // one use of the new-line key: no second line end
      {"+++", true, false, {"+++"}},
      {"a", true, false, {"a"}},
      {"A", true, false, {"A"}},  // fewer than two characters
      {"AT+CSQ", false, false, {"AT+CSQ"}},
      {"41 54 0D 0A", false, true, {"AT\r\n"}},
      {"41 5", false, true, {"A"}},  // the lone digit is ignored
      {"41 GG", false, true, {}},    // not hexadecimal: nothing goes out
      {"", false, false, {}},
  };
  for (const auto& c : cases) {
    EngineRig rig;
    rig.engine.pendingAction = PendingAction::PaReadAll;
    ManualTerminal terminal(rig.engine);
    SendAreaState area;
    area.text = c.text;
    area.autoCR = c.autoCR;
    area.hex = c.hex;
    terminal.Send(area);
    EXPECT_EQ(rig.TakeWritten(), c.written) << c.text;
    EXPECT_EQ(rig.engine.pendingAction, PendingAction::PaNone);
  }
}

TEST(ManualTerminal, HexSendWritesTheDecodedBytes) {
  EngineRig rig;
  ManualTerminal terminal(rig.engine);
  SendAreaState area;
  area.text = "41 54 0D 0A";
  area.hex = true;
  terminal.Send(area);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"AT\r\n"});
}

TEST(ManualTerminal, ClosedPortWarnsAndSendsNothing) {
  EngineRig rig;
  rig.line.open = false;
  ManualTerminal terminal(rig.engine);
  SendAreaState area;
  area.text = "AT";
  terminal.Send(area);
  EXPECT_TRUE(rig.line.written.empty());
  EXPECT_EQ(rig.logView.Count("<info_ComNoOpen>"), 1);
}

TEST(ManualTerminal, SmsJoinsCountryCodeAndNumberAndDropsLineBreaks) {
  struct Case {
    std::string country, number, text;
    std::vector<std::string> written;
  } cases[] = {
      {"86", "123 4567", "hello", {"AT+SMSEND=861234567,hello\r\n"}},
      {"86", "1234567", "two\r\nlines", {"AT+SMSEND=861234567,twolines\r\n"}},
      {"", " ", "hello", {}},
      {"86", "1234567", "\r\n", {}},
  };
  for (const auto& c : cases) {
    EngineRig rig;
    ManualTerminal terminal(rig.engine);
    SendAreaState area;
    area.type = SendType::Sms;
    area.countryCode = c.country;
    area.phoneNumber = c.number;
    area.text = c.text;
    area.hex = true;  // plays no part for SMS
    area.autoCR = true;
    terminal.Send(area);
    EXPECT_EQ(rig.TakeWritten(), c.written) << c.number << "/" << c.text;
  }
}

TEST(ManualTerminal, SmsTextGoesOutInGbkUnconverted) {
  EngineRig rig;
  ManualTerminal terminal(rig.engine);
  const std::string text = Utf8ToGbk("你好");
  terminal.SendSms("8613800000000", text);
  EXPECT_EQ(rig.TakeWritten(), std::vector<std::string>{"AT+SMSEND=8613800000000," + text + "\r\n"});
}

TEST(ManualTerminal, HexViewSwitchesBackAndForth) {
  EXPECT_EQ(SwitchHexView("AT", true), "41 54");
  EXPECT_EQ(SwitchHexView("41 54", false), "AT");
  EXPECT_EQ(SwitchHexView("41 GG", false), "41 GG");
  const std::string original = "AT+VER?\r\n" + Utf8ToGbk("心跳");
  EXPECT_EQ(SwitchHexView(SwitchHexView(original, true), false), original);
  EXPECT_EQ(AppendLineBreak("AT+CSQ"), "AT+CSQ\r\n");
}

}  // namespace
}  // namespace t418

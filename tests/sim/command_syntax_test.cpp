// The simulated terminal against the setting lines the configuration build
// writes: every value shape it can write from a valid form is taken and
// reported back as set, values the command table forbids are refused, and
// every reported value reads back through the session engine's full read.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gbk_texts.h"
#include "read_all_queries.h"
#include "session_fakes.h"
#include "t418-sim/terminal_model.h"
#include "t418-sim/value_syntax.h"
#include "text/hex.h"

namespace t418::sim {
namespace {

using t418::testing::G;

const std::string kOk = "\r\nOK\r\n\r\n";

std::string Joined(const Emissions& out) {
  std::string all;
  for (const auto& e : out) all += e.bytes;
  return all;
}

std::string ReportOf(const std::string& name, const std::string& value) {
  return "\r\n+" + name + ":" + value + "\r\n\r\nOK\r\n\r\n";
}

// One setting line as the configuration build writes it, and the value the
// terminal reports afterwards when that is not the value itself.
struct Shape {
  Shape(std::string n, std::string v) : name(std::move(n)), value(std::move(v)) {}
  Shape(std::string n, std::string v, std::string r)
      : name(std::move(n)), value(std::move(v)), reported(std::move(r)) {}
  std::string name;
  std::string value;
  std::optional<std::string> reported;
  std::string Line() const { return "AT+" + name + "=" + value; }
  std::string Reported() const { return reported.value_or(value); }
};

// TextToHex as the build applies it to a text typed with the Hex box clear.
std::string AsHex(const std::string& text) { return TextToHex(text, ""); }

std::string ChineseText(int characters) {
  std::string text;
  for (int i = 0; i < characters; ++i) text += G(i % 2 == 0 ? "注" : "册");
  return text;
}

// One line or more for every settable command, in the shapes the build writes.
const std::vector<Shape>& BuilderShapes() {
  static const std::vector<Shape> shapes = {
      {"E", "OFF"},
      {"STMSG", G("欢迎, 使用T418")},  // GBK, a comma and a blank: the text is taken whole
      {"WKMOD", "UDC"},
      {"CMDPW", "p@ss,word 1"},
      {"UART", "9600,7,2,ODD", "9600,7,2,ODD,NFC"},  // four fields; the flow control stays
      {"RFCEN", "ON"},
      {"UARTFT", "2000"},
      {"UARTFL", "4096"},
      {"APN", "3GNET,user,pa ss,1"},
      {"SOCKA", "TCP," + std::string(90, 'a') + ".example.net,2317"},
      {"SOCKB", "UDP,198.51.100.7,65535"},
      {"SOCKAEN", "OFF"},
      {"SOCKBEN", "ON"},
      {"SOCKASL", "SHORT"},
      {"SOCKBSL", "SHORT"},
      {"SOCKATO", "600"},
      {"SOCKBTO", "0"},
      {"SOCKC", "UDP,192.0.2.3,1"},
      {"SOCKD", "TCP,d.example.net,4000"},
      {"SOCKCEN", "ON"},
      {"SOCKDEN", "ON"},
      {"SOCKCSL", "SHORT"},
      {"SOCKDSL", "SHORT"},
      {"SOCKCTO", "7"},
      {"SOCKDTO", "8"},
      {"SOCKRSTIM", "5000"},
      {"SOCKIND", "ON"},
      {"REGEN", "ON"},
      {"REGTP", "MEID"},
      {"REGTP", "CLOUD"},
      {"REGTP", "USER"},
      {"REGDT", AsHex(G("注册包") + std::string(294, 'x'))},  // 600 digits
      {"REGSND", "DATA"},
      {"HEARTEN", "OFF"},
      {"HEARTDT", "fe01a5"},  // typed with the Hex box checked: written as typed
      {"HEARTDT", AsHex(G("心跳AB"))},
      {"HEARTSND", "COM"},
      {"HEARTTM", "86400"},
      {"HTPTP", "POST"},
      {"HTPURL", "/up,load.php[3F]a=1&b=2"},
      {"HTPSV", "http.example.org,8080"},
      {"HTPHD", G("Accept: text/html, */*[0D][0A]X-Site: 北京[0D][0A]")},
      {"HTPTO", "3"},
      {"HTPFLT", "OFF"},
      {"DSTNUM", "+8613912345678"},
      {"SMSFLT", "ON"},
      {"SMSPH", "ON"},
      {"CLOUD", "86012345678901234567,0000ab12"},
      {"ID", "UDC,01"},
      {"RSTIM", "30"},
      {"GNSSFUNEN", "1"},
      {"GNSSMOD", "QX"},
      {"GCLOUD", "86012345678901234567,Ab3$xY9z"},
      {"GMDBS", "255,65535"},
      {"GPOSUPTM", "6000"},
      {"GWKMOD", "MULT"},
      {"SOCKG", "TCPC,gnss.example.net,7001"},
      {"SOCKGTO", "1"},
      {"GREGEN", "ON"},
      {"GREGTP", "SN"},
      {"GREGDT", AsHex(ChineseText(128))},  // 128 characters typed without Hex: 512 digits
      {"GREGSND", "DATA"},
      {"GPOSTP", "MDBS"},
      {"GPOSSND", "DOUBLE"},
      {"GBYDTU", "0,1"},
      {"SOCKQ", "TCP,203.0.113.5,9000"},
      {"SOCKQTO", "100"},
      {"QLBSADDEN", "OFF"},
      {"QPOSPACK", "ON"},
      {"QPHONE", "013912345678"},
      {"QPOSUPTM", "1"},
      {"QHEARTEN", "ON"},
      {"QHEARTTM", "6000"},
      {"QCITY", "440305"},
      {"QPRODUCER", G("中科A1")},  // 4 characters in 6 bytes
      {"QTERMINAL", "T418QX1,t418-qx-model-with-a-long-name,207"},  // all six type bits
      {"QCARINFO", "9,VIN"},
      {"QCARINFO", G("1,粤B12345")},
      {"QHWVER", G("硬件版本") + "HW-2024-Rev-B-01"},  // 20 characters in 24 bytes
  };
  return shapes;
}

// Empty fields that the build writes as "AT+NAME=" and the table takes as text.
const std::vector<Shape>& EmptyTextShapes() {
  static const std::vector<Shape> shapes = {
      {"STMSG", ""},  {"CMDPW", ""}, {"APN", ""},       {"HTPURL", ""}, {"HTPHD", ""},
      {"DSTNUM", ""}, {"ID", ""},    {"QPRODUCER", ""}, {"QHWVER", ""},
  };
  return shapes;
}

class CommandSyntaxTest : public ::testing::Test {
 protected:
  void SetUp() override { config_.Set("E", "OFF"); }
  std::string Send(const std::string& line) { return Joined(model_.Receive(line + "\r\n")); }
  std::string QueryReply(const std::string& name) { return Send("AT+" + name + "?"); }

  SimConfig config_;
  TerminalModel model_{config_, TerminalBehaviour{}};
};

TEST_F(CommandSyntaxTest, EverySettableCommandTakesTheShapesTheBuildWritesAndReportsThemAsSet) {
  std::set<std::string> covered;
  for (const auto* group : {&BuilderShapes(), &EmptyTextShapes()}) {
    for (const auto& shape : *group) {
      EXPECT_EQ(Send(shape.Line()), kOk) << shape.Line();
      EXPECT_EQ(QueryReply(shape.name), ReportOf(shape.name, shape.Reported())) << shape.Line();
      covered.insert(shape.name);
    }
  }
  std::vector<std::string> missing;
  for (const auto& command : CommandSpecs())
    if (command.form == CmdForm::Parameter && command.name != "SMSEND" &&
        !covered.count(command.name))
      missing.push_back(command.name);
  EXPECT_TRUE(missing.empty()) << "settable commands without a line: " << ::testing::PrintToString(missing);
}

TEST_F(CommandSyntaxTest, ValuesTheTableForbidsAreRefusedAndLeaveTheSettingAsItWas) {
  struct Refused {
    std::string line;
    const char* rule;
  };
  const std::vector<Refused> cases = {
      // words: exact, letter case significant, nothing around them
      {"AT+WKMOD=net", "word"},
      {"AT+WKMOD= NET", "word"},
      {"AT+SOCKAEN=\"ON\"", "word"},
      {"AT+GNSSFUNEN=ON", "word"},
      {"AT+GREGSND=LINK&DATA", "word"},  // only REGSND knows it
      {"AT+REGTP=user", "word"},
      {"AT+SOCKG=TCP,gnss.example.net,7001", "word"},
      // numbers: decimal digits only, within the ranges the table gives
      {"AT+SOCKATO=", "number"},
      {"AT+UARTFT=-5", "number"},
      {"AT+UARTFL=+1", "number"},
      {"AT+HEARTTM=3O", "number"},
      {"AT+HTPTO=1.5", "number"},
      {"AT+SOCKGTO=0", "number"},
      {"AT+SOCKQTO=101", "number"},
      {"AT+QHEARTTM=6001", "number"},
      {"AT+GMDBS=256,1", "number"},
      {"AT+HTPSV=http.example.org,65536", "number"},
      {"AT+SOCKA=TCP,dtu.example.net,0", "number"},
      // digit strings of a fixed length
      {"AT+QPHONE=13912345678", "digits"},
      {"AT+QPHONE=0139123456789", "digits"},
      {"AT+QCITY=31010A", "digits"},
      {"AT+GCLOUD=8601234567890123456X,Ab3$xY9z", "digits"},
      // hex packets: pairs of hex digits, at least one byte
      {"AT+HEARTDT=", "hex"},
      {"AT+REGDT=ABC", "hex"},
      {"AT+GREGDT=0G", "hex"},
      {"AT+HEARTDT=41 42", "hex"},
      // texts inside fields: not empty, no control bytes, lengths in characters
      {"AT+SOCKA=TCP,,2317", "text"},
      {"AT+QCARINFO=1,", "text"},
      {"AT+CLOUD=8601234567890123456,0000ab12", "text"},
      {"AT+CLOUD=86012345678901234567,0000ab123", "text"},
      {"AT+QPRODUCER=" + G("中科ABCD"), "text"},
      {"AT+QHWVER=" + G("硬件版本") + "HW-2024-Rev-B-012", "text"},
      {"AT+STMSG=a\tb", "text"},
      // field counts
      {"AT+UART=9600,8,1", "fields"},
      {"AT+UART=9600,8,1,NONE,NFC,X", "fields"},
      {"AT+GBYDTU=1", "fields"},
      {"AT+GMDBS=1,2,3", "fields"},
      {"AT+SOCKQ=TCP,203.0.113.5", "fields"},
      {"AT+QTERMINAL=T418,QX,model,15", "fields"},  // a comma inside the terminal ID
      // the terminal type: only the bits 0 to 3, 6 and 7
      {"AT+QTERMINAL=ID1,M1,16", "bits"},
      {"AT+QTERMINAL=ID1,M1,48", "bits"},
      {"AT+QTERMINAL=ID1,M1,256", "bits"},
      {"AT+QTERMINAL=ID1,M1,x", "bits"},
  };
  for (const auto& c : cases) {
    const std::string name = c.line.substr(3, c.line.find('=') - 3);
    const std::string before = QueryReply(name);
    EXPECT_EQ(Send(c.line), "\r\n+ERR:4\r\n\r\n") << c.rule << ": " << c.line;
    EXPECT_EQ(QueryReply(name), before) << c.rule << ": " << c.line << " changed the value";
  }
}

TEST_F(CommandSyntaxTest, ALineLongerThanTheTerminalTakesIsRefusedNotCutShort) {
  const std::string before = QueryReply("HEARTDT");
  EXPECT_EQ(Send("AT+HEARTDT=" + std::string(5000, 'A')), "\r\n+ERR:1\r\n\r\n");
  EXPECT_EQ(QueryReply("HEARTDT"), before);
  // A line of 4095 bytes is still taken whole.
  const std::string longest = std::string(4084, 'B');
  EXPECT_EQ(Send("AT+HEARTDT=" + longest), kOk);
  EXPECT_EQ(QueryReply("HEARTDT"), ReportOf("HEARTDT", longest));
}

// The tool's engine reads every value back from the report framing: each
// query of the full read stores exactly the value that was set.
// The simulator answers with the core's rules themselves, the ones the
// configuration build checks its lines with, not with a copy that could drift.
TEST(CommandSyntaxSharedRules, TheSimulatorUsesTheCoresRuleOfEveryCommand) {
  for (int i = 0; i < kCmdCount; ++i) {
    const auto cmd = static_cast<TCmd>(i);
    const CommandSpec* command = FindSpec(CmdToName(cmd));
    ASSERT_NE(command, nullptr) << CmdToName(cmd);
    EXPECT_EQ(&command->rule, &SettingRule(cmd)) << CmdToName(cmd);
    EXPECT_EQ(command->form, FindSyntax(CmdToName(cmd))->form) << CmdToName(cmd);
  }
}

TEST(CommandSyntaxReadBackTest, EveryReportedValueComesBackThroughTheFullRead) {
  for (const auto* group : {&BuilderShapes(), &EmptyTextShapes()}) {
    SimConfig config;
    TerminalModel model(config, TerminalBehaviour{});
    std::map<std::string, std::string> expected;
    for (const auto& shape : *group) {
      ASSERT_EQ(Joined(model.Receive(shape.Line() + "\r\n")).find("+ERR"), std::string::npos)
          << shape.Line();
      expected[shape.name] = shape.Reported();
    }

    t418::testing::EngineRig rig;
    rig.engine.ActionButtonClick(kTagAskAll);
    const long end = rig.clock.now + 120'000;
    while (rig.clock.now < end && rig.logView.Count("<info_DoOver>") == 0) {
      rig.Advance(10);
      for (const auto& line : rig.TakeWritten())
        for (const auto& piece : model.Receive(line)) rig.engine.HandleReceived(piece.bytes);
    }
    ASSERT_EQ(rig.logView.Count("<info_DoOver>"), 1);

    // What the engine hands on, as name and value, for each report of the read.
    std::map<std::string, std::string> read;
    for (const auto& [name, value] : rig.reports.reports) read[name] = value;
    for (const auto& name : t418::testing::ReadAllQueryNames()) {
      const CommandSpec* command = FindSpec(name);
      ASSERT_NE(command, nullptr) << name;
      if (command->form != CmdForm::Parameter) continue;
      ASSERT_TRUE(read.count(name)) << name << " was not read back";
      EXPECT_EQ(read[name], config.Value(name)) << name;
      if (expected.count(name)) {
        EXPECT_EQ(read[name], expected[name]) << name;
      }
    }
  }
}

}  // namespace
}  // namespace t418::sim

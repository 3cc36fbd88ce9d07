// The simulated terminal's command side, driven without a pseudo-terminal.
#include "t418-sim/terminal_model.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "params/commands.h"
#include "text/gbk.h"
#include "t418-sim/value_syntax.h"

namespace t418::sim {
namespace {

const std::string kOk = "\r\nOK\r\n\r\n";

std::string Joined(const Emissions& out) {
  std::string all;
  for (const auto& e : out) all += e.bytes;
  return all;
}

class TerminalModelTest : public ::testing::Test {
 protected:
  void Make(TerminalBehaviour behaviour = {}) {
    model_ = std::make_unique<TerminalModel>(config_, std::move(behaviour));
    model_->onLine = [this](std::string_view line) { lines_.emplace_back(line); };
    model_->onConfigChanged = [this] { ++changes_; };
  }
  void SetUp() override {
    Make();
    EchoOff();
  }
  void EchoOff() {
    config_.Set("E", "OFF");
    lines_.clear();
  }
  // The reply to one command line sent with CR LF, all pieces joined.
  std::string Send(const std::string& line) { return Joined(model_->Receive(line + "\r\n")); }
  // The value a query reports (echo, if any, left out); "<reply>" when it is no report.
  std::string Query(const std::string& name) {
    std::string reply = Send("AT+" + name + "?");
    const std::string echo = "AT+" + name + "?\r\n";
    if (reply.rfind(echo, 0) == 0) reply.erase(0, echo.size());
    const std::string head = "\r\n+" + name + ":";
    const std::string tail = "\r\n\r\nOK\r\n\r\n";
    if (reply.rfind(head, 0) != 0 || reply.size() < head.size() + tail.size())
      return "<" + reply + ">";
    return reply.substr(head.size(), reply.size() - head.size() - tail.size());
  }

  SimConfig config_;
  std::unique_ptr<TerminalModel> model_;
  std::vector<std::string> lines_;
  int changes_ = 0;
};

TEST_F(TerminalModelTest, QueriesAreFramedByteForByte) {
  TerminalBehaviour behaviour;
  behaviour.hardwareVersion = "V2.3.4";
  Make(behaviour);
  EchoOff();
  struct Case {
    std::string line;
    std::string reply;
  };
  const std::vector<Case> cases = {
      {"AT+VER?", "\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n"},
      {"AT+HDVER?", "\r\n+HDVER:V2.3.4\r\n\r\nOK\r\n\r\n"},
      {"AT+WKMOD?", "\r\n+WKMOD:NET\r\n\r\nOK\r\n\r\n"},
      {"at+wkmod?", "\r\n+WKMOD:NET\r\n\r\nOK\r\n\r\n"},  // letter case of the line ignored
      {"AT+UART?", "\r\n+UART:115200,8,1,NONE,NFC\r\n\r\nOK\r\n\r\n"},
      {"AT+GNSSFUNEN?", "\r\n+GNSSFUNEN:0\r\n\r\nOK\r\n\r\n"},
      {"AT+SOCKALK?", "\r\n+SOCKALK:CONNECTED\r\n\r\nOK\r\n\r\n"},  // socket A is on
      {"AT+SOCKBLK?", "\r\n+SOCKBLK:DISCONNECTED\r\n\r\nOK\r\n\r\n"},
      {"AT+CSQ", "\r\n+CSQ:24,99\r\n\r\nOK\r\n\r\n"},
      {"AT", kOk},
  };
  for (const auto& c : cases) {
    const Emissions out = model_->Receive(c.line + "\r\n");
    ASSERT_EQ(out.size(), 1u) << c.line;  // one write
    EXPECT_EQ(out[0].bytes, c.reply) << c.line;
    EXPECT_TRUE(out[0].reply);
  }
}

TEST_F(TerminalModelTest, EveryCommandWordIsKnownAndItsFactoryValueFollowsItsSyntax) {
  const auto& commands = CommandSpecs();
  ASSERT_EQ(commands.size(), static_cast<std::size_t>(kCmdCount) + 2);
  for (int i = 0; i < kCmdCount; ++i) {
    const std::string name = CmdToName(static_cast<TCmd>(i));
    EXPECT_EQ(commands[i].name, name) << "ordinal " << i;
    if (commands[i].form == CmdForm::Parameter) {
      EXPECT_TRUE(ValueMatches(commands[i].rule, commands[i].factory)) << name << "=" << commands[i].factory;
      EXPECT_EQ(SimConfig().Value(name), commands[i].factory) << name;
      EXPECT_EQ(Query(name), config_.Value(name)) << name;
    } else if (commands[i].form == CmdForm::ReadOnly) {
      EXPECT_FALSE(Query(name).empty()) << name;
    } else {
      EXPECT_EQ(Send("AT+" + name + "?"), "\r\n+ERR:3\r\n\r\n") << name;
    }
  }
  EXPECT_EQ(commands[kCmdCount].name, "REBOOT");
  EXPECT_EQ(commands[kCmdCount + 1].name, "SMSEND");
}

TEST_F(TerminalModelTest, SettingsAreCheckedAgainstTheValueSyntax) {
  struct Case {
    std::string line;
    bool accepted;
  };
  const std::vector<Case> cases = {
      // words
      {"AT+WKMOD=HTTPD", true},
      {"AT+WKMOD=net", false},
      {"AT+WKMOD=", false},
      {"AT+WKMOD=\"NET\"", false},
      {"AT+E=OFF", true},
      {"AT+GNSSFUNEN=1", true},
      {"AT+GNSSFUNEN=ON", false},
      {"AT+REGSND=LINK&DATA", true},
      // field counts and words inside fields
      {"AT+UART=9600,8,1,NONE", true},
      {"AT+UART=9600,7,2,EVEN,RS485", true},
      {"AT+UART=9600,8,1", false},
      {"AT+UART=9600,8,1,NONE,NFC,X", false},
      {"AT+UART=9601,8,1,NONE", false},
      {"AT+UART=9600,9,1,NONE", false},
      {"AT+SOCKA=UDP,192.0.2.1,2317", true},
      {"AT+SOCKA=TCP,192.0.2.1", false},
      {"AT+SOCKA=SCTP,192.0.2.1,2317", false},
      {"AT+SOCKA=TCP,192.0.2.1,65536", false},
      {"AT+SOCKA=TCP,,2317", false},
      {"AT+SOCKG=TCPC,host.example,1", true},
      {"AT+SOCKG=TCP,host.example,1", false},
      {"AT+SOCKQ=TCP,192.0.2.7,8808", true},
      {"AT+GBYDTU=1,0", true},
      {"AT+GBYDTU=2,0", false},
      {"AT+QCARINFO=9,0", true},
      {"AT+QCARINFO=5,A12345", false},
      {"AT+QTERMINAL=ID1,model-1,15", true},
      {"AT+QTERMINAL=ID1,model-1", false},
      {"AT+QTERMINAL=ID1,model-1,256", false},
      {"AT+CLOUD=01234567890123456789,abcd1234", true},
      {"AT+CLOUD=0123456789012345678,abcd1234", false},
      {"AT+GCLOUD=0123456789012345678X,abcd1234", false},
      {"AT+GMDBS=1,40001", true},
      {"AT+GMDBS=256,1", false},
      // ranges and lengths
      {"AT+GPOSUPTM=1", true},
      {"AT+GPOSUPTM=6000", true},
      {"AT+GPOSUPTM=6001", false},
      {"AT+GPOSUPTM=0", false},
      {"AT+GPOSUPTM=-1", false},
      {"AT+SOCKGTO=100", true},
      {"AT+SOCKGTO=101", false},
      {"AT+SOCKATO=", false},
      {"AT+QPHONE=013800138000", true},
      {"AT+QPHONE=13800138000", false},
      {"AT+QCITY=110105", true},
      {"AT+QCITY=11010", false},
      {"AT+QPRODUCER=ABCDE", true},
      {"AT+QPRODUCER=ABCDEF", false},
      // hex packets
      {"AT+HEARTDT=4142", true},
      {"AT+HEARTDT=414", false},
      {"AT+HEARTDT=41G2", false},
      // texts taken whole
      {"AT+APN=CMNET,user,pass,0", true},
      {"AT+HTPHD=Connection: close[0D][0A]", true},
      {"AT+STMSG=" + Utf8ToGbk("欢迎使用"), true},
      {"AT+SMSEND=8613800138000,hello, world", true},
      {"AT+SMSEND=+86138,hello", false},
      {"AT+SMSEND=8613800138000", false},
  };
  for (const auto& c : cases) {
    const std::string name = c.line.substr(3, c.line.find('=') - 3);
    const std::string before = config_.Value(name);
    const std::string reply = Send(c.line);
    EXPECT_EQ(reply, c.accepted ? kOk : "\r\n+ERR:4\r\n\r\n") << c.line;
    if (name == "SMSEND") continue;
    const std::string value = c.line.substr(c.line.find('=') + 1);
    if (c.accepted && name != "UART") {
      EXPECT_EQ(Query(name), value) << c.line;
    } else if (!c.accepted) {
      EXPECT_EQ(Query(name), before) << c.line << " changed the value";
    }
  }
}

TEST_F(TerminalModelTest, UartWithFourFieldsKeepsTheFlowControl) {
  EXPECT_EQ(Send("AT+UART=9600,8,1,NONE,RS485"), kOk);
  EXPECT_EQ(Send("AT+UART=57600,8,2,ODD"), kOk);
  EXPECT_EQ(Query("UART"), "57600,8,2,ODD,RS485");
}

TEST_F(TerminalModelTest, WrongFormsAndUnknownWordsAreRefused) {
  EXPECT_EQ(Send("AT+FOO?"), "\r\n+ERR:2\r\n\r\n");
  EXPECT_EQ(Send("AT+CSQ "), "\r\n+ERR:2\r\n\r\n");
  EXPECT_EQ(Send("hello"), "\r\n+ERR:1\r\n\r\n");
  EXPECT_EQ(Send("ATI"), "\r\n+ERR:1\r\n\r\n");
  EXPECT_EQ(Send("AT+VER=V9"), "\r\n+ERR:3\r\n\r\n");  // read only
  EXPECT_EQ(Send("AT+Z?"), "\r\n+ERR:3\r\n\r\n");      // action
  EXPECT_EQ(Send("AT+CLEAR=1"), "\r\n+ERR:3\r\n\r\n");
  EXPECT_EQ(Send("AT+SMSEND?"), "\r\n+ERR:3\r\n\r\n");
  EXPECT_EQ(Query("VER"), "V1.0.5");
}

TEST_F(TerminalModelTest, EchoGoesInFrontOfTheReplyInTheSameWrite) {
  config_.Set("E", "ON");
  Emissions out = model_->Receive("AT+VER?\r\n");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, "AT+VER?\r\n\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n");

  // The line that switches echo off is still echoed; the next is not.
  EXPECT_EQ(Send("AT+E=OFF"), "AT+E=OFF\r\n" + kOk);
  EXPECT_EQ(Send("AT+E?"), "\r\n+E:OFF\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(Send("AT+E=ON"), kOk);
  EXPECT_EQ(Send("AT+FOO"), "AT+FOO\r\n\r\n+ERR:2\r\n\r\n");
}

TEST_F(TerminalModelTest, LinesEndAtCrLfOrALoneCrAndMayArriveInPieces) {
  EXPECT_TRUE(model_->Receive("AT+VE").empty());
  EXPECT_TRUE(model_->Receive("R?").empty());
  EXPECT_EQ(Joined(model_->Receive("\r")), "\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n");
  EXPECT_TRUE(model_->Receive("\n").empty());  // the LF of that CR LF gives no second reply
  EXPECT_EQ(Joined(model_->Receive("AT+E?\rAT+VER?\n")),
            "\r\n+E:OFF\r\n\r\nOK\r\n\r\n\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n");
  EXPECT_TRUE(model_->Receive("\r\n\r\n").empty());  // empty lines are no commands
  EXPECT_EQ(Joined(model_->Receive("AT+VEX\bR?\r\n")), "\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(lines_, (std::vector<std::string>{"AT+VER?", "AT+E?", "AT+VER?", "AT+VER?"}));
}

TEST_F(TerminalModelTest, PlusPlusPlusThenAEntersCommandMode) {
  EXPECT_EQ(Joined(model_->Receive("+")), "");
  EXPECT_EQ(Joined(model_->Receive("++")), "a");
  EXPECT_EQ(Joined(model_->Receive("a")), "+ok\r\n");
  EXPECT_TRUE(model_->InCommandMode());

  config_.Set("E", "ON");
  EXPECT_EQ(Joined(model_->Receive("+++")), "a");
  EXPECT_EQ(Joined(model_->Receive("a")), "a+ok\r\n");

  // Anything but "a" after the "a": the bytes are taken as usual.
  config_.Set("E", "OFF");
  EXPECT_EQ(Joined(model_->Receive("+++")), "a");
  EXPECT_EQ(Joined(model_->Receive("AT+VER?\r\n")), "\r\n+VER:V1.0.5\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(lines_, (std::vector<std::string>{"+++", "a", "+++", "a", "+++", "AT+VER?"}));
}

TEST_F(TerminalModelTest, DataModeSwallowsEverythingUntilPlusPlusPlus) {
  EXPECT_EQ(Send("AT+ENTM"), kOk);
  EXPECT_FALSE(model_->InCommandMode());
  EXPECT_TRUE(model_->Receive("AT+VER?\r\n").empty());
  EXPECT_TRUE(model_->Receive("a").empty());
  EXPECT_TRUE(model_->Receive("x++y+").empty());
  EXPECT_EQ(Joined(model_->Receive("++")), "a");
  // Not "a": still in data mode.
  EXPECT_TRUE(model_->Receive("b AT+VER?\r\n").empty());
  EXPECT_FALSE(model_->InCommandMode());
  EXPECT_EQ(Joined(model_->Receive("payload+++")), "a");
  EXPECT_EQ(Joined(model_->Receive("a")), "+ok\r\n");
  EXPECT_TRUE(model_->InCommandMode());
  EXPECT_EQ(Query("VER"), "V1.0.5");
  // Lines sent in data mode are not command lines.
  EXPECT_EQ(lines_, (std::vector<std::string>{"AT+ENTM", "+++", "+++", "a", "AT+VER?"}));
}

TEST_F(TerminalModelTest, RestartAnswersOkThenTheStartUpMessageInTheStartMode) {
  for (const std::string word : {"Z", "REBOOT"}) {
    TerminalBehaviour behaviour;
    behaviour.startInDataMode = true;
    Make(behaviour);
    EXPECT_FALSE(model_->InCommandMode());
    model_->Receive("+++");
    model_->Receive("a");
    ASSERT_TRUE(model_->InCommandMode());

    const Emissions out = model_->Receive("AT+" + word + "\r\n");
    ASSERT_EQ(out.size(), 2u) << word;
    EXPECT_EQ(out[0].bytes, kOk);
    EXPECT_EQ(out[1].bytes, "\r\n[ZAV-T418]\r\n");
    EXPECT_EQ(out[1].delayMs, 500);
    EXPECT_FALSE(out[1].reply);
    EXPECT_FALSE(model_->InCommandMode()) << "back in its start mode after " << word;
  }
}

TEST_F(TerminalModelTest, ClearRestoresFactoryValuesAndCfgtfReldKeepUserDefaults) {
  EXPECT_EQ(Send("AT+WKMOD=HTTPD"), kOk);
  EXPECT_EQ(Send("AT+HEARTTM=99"), kOk);
  EXPECT_EQ(Send("AT+CFGTF"), kOk);
  EXPECT_EQ(Send("AT+WKMOD=SMS"), kOk);
  EXPECT_EQ(Send("AT+RELD"), kOk);
  EXPECT_EQ(Query("WKMOD"), "HTTPD");
  EXPECT_EQ(Query("HEARTTM"), "99");
  EXPECT_EQ(Send("AT+CLEAR"), kOk);
  EXPECT_EQ(Query("WKMOD"), "NET");
  EXPECT_EQ(Query("HEARTTM"), "30");
  EXPECT_EQ(Query("E"), "ON");  // factory echo is back
  config_.Set("E", "OFF");
  EXPECT_EQ(Send("AT+RELD"), kOk);  // the user defaults outlive CLEAR
  EXPECT_EQ(Query("WKMOD"), "HTTPD");
  // Settings, CLEAR and RELD change the settings; CFGTF and refused lines do not.
  EXPECT_EQ(changes_, 6);
}

TEST_F(TerminalModelTest, SilentErrorAndSplitCommands) {
  TerminalBehaviour behaviour;
  behaviour.silent = {"VER"};
  behaviour.error = {"WKMOD"};
  behaviour.split = {"IMEI", "HEARTTM"};
  Make(behaviour);
  config_.Set("E", "ON");

  EXPECT_TRUE(model_->Receive("AT+VER?\r\n").empty());
  EXPECT_TRUE(model_->Receive("at+ver?\r\n").empty());

  EXPECT_EQ(Send("AT+WKMOD=HTTPD"), "AT+WKMOD=HTTPD\r\n\r\n+ERR:5\r\n\r\n");
  EXPECT_EQ(Send("AT+WKMOD?"), "AT+WKMOD?\r\n\r\n+ERR:5\r\n\r\n");
  EXPECT_EQ(config_.Value("WKMOD"), "NET");

  const Emissions out = model_->Receive("AT+IMEI?\r\n");
  ASSERT_EQ(out.size(), 2u);
  const std::string whole = "AT+IMEI?\r\n\r\n+IMEI:868323028765432\r\n\r\nOK\r\n\r\n";
  EXPECT_EQ(out[0].bytes + out[1].bytes, whole);
  EXPECT_EQ(out[0].bytes.rfind("AT+IMEI?\r\n\r\n+IMEI:", 0), 0u)
      << "the echo stays with the first piece";
  EXPECT_EQ(out[1].bytes.find("OK"), out[1].bytes.size() - 6) << "the second piece ends the report";
  EXPECT_EQ(out[1].delayMs, 300);
  EXPECT_FALSE(out[1].reply);
  const Emissions set = model_->Receive("AT+HEARTTM=45\r\n");
  ASSERT_EQ(set.size(), 2u);
  EXPECT_EQ(set[0].bytes + set[1].bytes, "AT+HEARTTM=45\r\n" + kOk);

  // Other commands are answered as usual, and every line is logged.
  EXPECT_EQ(Send("AT+E?"), "AT+E?\r\n\r\n+E:ON\r\n\r\nOK\r\n\r\n");
  EXPECT_EQ(lines_.front(), "AT+VER?");
  EXPECT_EQ(lines_.size(), 7u);
}

TEST_F(TerminalModelTest, AnUnreadableCommandTakesItsSettingsAndRefusesItsQuery) {
  TerminalBehaviour behaviour;
  behaviour.unreadable = {"APN"};
  Make(behaviour);
  config_.Set("E", "OFF");
  EXPECT_EQ(Send("AT+APN=cmnet.example,user,secret,0"), kOk);
  EXPECT_EQ(config_.Value("APN"), "cmnet.example,user,secret,0");
  EXPECT_EQ(Send("AT+APN?"), "\r\n+ERR:5\r\n\r\n");
  // The other commands read as usual.
  EXPECT_EQ(Query("E"), "OFF");
}

TEST_F(TerminalModelTest, AForgetfulTerminalAnswersOkToEverySettingAndKeepsNone) {
  TerminalBehaviour behaviour;
  behaviour.forgetful = true;
  Make(behaviour);
  EchoOff();
  const std::string before = Query("HEARTTM");
  // Good and bad values alike are answered OK.
  for (const std::string line : {"AT+HEARTTM=45", "AT+HEARTTM=not-a-number", "AT+WKMOD=HTTPD", "AT+STMSG=hello"})
    EXPECT_EQ(Send(line), kOk) << line;
  EXPECT_EQ(Query("HEARTTM"), before);
  EXPECT_EQ(config_.Value("WKMOD"), "NET");
  EXPECT_EQ(changes_, 0);
  // What is no setting is answered as usual.
  EXPECT_EQ(Send("AT+NOSUCH=1"), "\r\n+ERR:2\r\n\r\n");
  EXPECT_EQ(Send("AT+VER=1"), "\r\n+ERR:3\r\n\r\n");
}

TEST_F(TerminalModelTest, HelpFitsOneReceiveChunkAndEndsWithOk) {
  config_.Set("E", "ON");
  const std::string reply = Send("AT+H");
  EXPECT_LT(reply.size(), 1024u);
  EXPECT_EQ(reply.substr(reply.size() - kOk.size()), kOk);
  EXPECT_NE(reply.find("QHWVER"), std::string::npos);
}

TEST(SimConfigTest, StateFileKeepsTheSettingsAndSkipsBadLines) {
  const std::string path =
      ::testing::TempDir() + "/t418-sim-state-" + std::to_string(::getpid()) + ".txt";
  SimConfig config;
  config.Set("WKMOD", "UDC");
  config.Set("STMSG", Utf8ToGbk("启动"));
  ASSERT_TRUE(config.SaveFile(path));

  SimConfig loaded;
  std::vector<std::string> warnings;
  ASSERT_TRUE(loaded.LoadFile(path, warnings));
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(loaded.Value("WKMOD"), "UDC");
  EXPECT_EQ(loaded.Value("STMSG"), Utf8ToGbk("启动"));

  {
    std::ofstream out(path, std::ios::trunc);
    out << "# comment\nWKMOD=HTTPD\nVER=V9\nNOPE=1\nGPOSUPTM=7000\nno equals "
           "sign\nuart=9600,8,1,NONE\n";
  }
  SimConfig partly;
  warnings.clear();
  ASSERT_TRUE(partly.LoadFile(path, warnings));
  EXPECT_EQ(partly.Value("WKMOD"), "HTTPD");
  EXPECT_EQ(partly.Value("GPOSUPTM"), "30");
  EXPECT_EQ(partly.Value("UART"), "9600,8,1,NONE,NFC");
  EXPECT_EQ(warnings.size(), 4u);  // VER, NOPE, GPOSUPTM, the line without "="

  SimConfig missing;
  warnings.clear();
  EXPECT_FALSE(missing.LoadFile(path + ".none", warnings));
  EXPECT_TRUE(warnings.empty());
  std::remove(path.c_str());
}

}  // namespace
}  // namespace t418::sim

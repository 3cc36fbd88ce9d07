// The identity a simulator reports: made from its name unless given.
#include "t418-sim/sim_identity.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sim_process.h"
#include "t418-sim/sim_options.h"
#include "t418-sim/terminal_model.h"
#include "t418-sim/value_syntax.h"

namespace t418::sim {
namespace {

using testing::OpenPort;
using testing::ReadUntil;
using testing::SimProcess;
using testing::WriteAll;

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

TEST(SimIdentityTest, LuhnCheckDigitsOfKnownNumbers) {
  // Published examples: an IMEI and the classic card number test value.
  EXPECT_EQ(LuhnCheckDigit("49015420323751"), '8');
  EXPECT_TRUE(LuhnValid("490154203237518"));
  EXPECT_FALSE(LuhnValid("490154203237517"));
  EXPECT_TRUE(LuhnValid("79927398713"));
  EXPECT_FALSE(LuhnValid("79927398710"));
  EXPECT_EQ(LuhnCheckDigit("7992739871"), '3');
  EXPECT_FALSE(LuhnValid("4901542032375x8"));
}

TEST(SimIdentityTest, EightNamesAreEightValidTerminalsAndANameIsAlwaysTheSame) {
  std::set<std::string> imeis, iccids, sns;
  for (int i = 0; i < 8; ++i) {
    const std::string name = "ttySIM" + std::to_string(i);
    const SimIdentity identity = IdentityFromName(name);
    EXPECT_EQ(identity.imei.size(), 15u) << identity.imei;
    EXPECT_TRUE(AllDigits(identity.imei)) << identity.imei;
    EXPECT_TRUE(LuhnValid(identity.imei)) << identity.imei;
    EXPECT_GE(identity.iccid.size(), 19u);
    EXPECT_LE(identity.iccid.size(), 20u);
    EXPECT_EQ(identity.iccid.rfind("8986", 0), 0u) << identity.iccid;
    EXPECT_TRUE(AllDigits(identity.iccid)) << identity.iccid;
    EXPECT_TRUE(LuhnValid(identity.iccid)) << identity.iccid;
    EXPECT_TRUE(AllDigits(identity.sn)) << identity.sn;
    imeis.insert(identity.imei);
    iccids.insert(identity.iccid);
    sns.insert(identity.sn);
    const SimIdentity again = IdentityFromName(name);
    EXPECT_EQ(again.imei, identity.imei);
    EXPECT_EQ(again.iccid, identity.iccid);
    EXPECT_EQ(again.sn, identity.sn);
  }
  EXPECT_EQ(imeis.size(), 8u) << "two names gave one IMEI";
  EXPECT_EQ(iccids.size(), 8u) << "two names gave one ICCID";
  EXPECT_EQ(sns.size(), 8u) << "two names gave one serial number";
  // Fixed across builds and systems: a station's records of yesterday name the same terminals.
  EXPECT_EQ(IdentityFromName("ttySIM0").imei, IdentityFromName(std::string("ttySIM") + "0").imei);
  EXPECT_NE(IdentityFromName("line1").imei, IdentityFromName("line10").imei);
}

TEST(SimIdentityTest, OptionsTakeValidIdentitiesAndRefuseOthers) {
  struct Case {
    std::vector<std::string> args;
    bool taken;
    bool warned;
  };
  const std::vector<Case> cases = {
      {{"--imei", "490154203237518"}, true, false},
      {{"--imei=490154203237517"}, true, true},  // wrong check digit: taken, told
      {{"--imei", "49015420323751"}, false, false},
      {{"--imei", "4901542032375188"}, false, false},
      {{"--imei", "49015420323751A"}, false, false},
      {{"--imei", ""}, false, false},
      {{"--iccid", "89860118802125746431"}, true, false},
      {{"--iccid", "8986011880212574643"}, true, false},
      {{"--iccid", "1986011880212574643"}, true, true},
      {{"--iccid", "898601188021257464"}, false, false},
      {{"--iccid", "8986011880212574643X"}, false, false},
      {{"--sn", "SN-0042"}, true, false},
      {{"--sn", "with space"}, false, false},
      {{"--sn", "a,b"}, false, false},
      {{"--sn="}, false, false},
  };
  for (const auto& c : cases) {
    std::string error;
    std::vector<std::string> warnings;
    const auto options = ParseOptions(c.args, error, warnings);
    EXPECT_EQ(options.has_value(), c.taken) << c.args[0] << " " << (c.args.size() > 1 ? c.args[1] : "") << ": "
                                            << error;
    EXPECT_EQ(!warnings.empty(), c.warned) << c.args[0];
    if (!c.taken) {
      EXPECT_NE(error.find(c.args[0].substr(0, c.args[0].find('='))), std::string::npos) << error;
    }
  }
  std::string error;
  std::vector<std::string> warnings;
  const auto options = ParseOptions({"--imei", "490154203237518", "--iccid", "89860118802125746431", "--sn", "X1"},
                                    error, warnings);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->imei, "490154203237518");
  EXPECT_EQ(options->iccid, "89860118802125746431");
  EXPECT_EQ(options->sn, "X1");
}

TEST(SimIdentityTest, TheModelReportsTheGivenIdentityAndTheFactoryOneWithoutIt) {
  SimConfig config;
  TerminalBehaviour behaviour;
  behaviour.imei = "490154203237518";
  behaviour.iccid = "89860118802125746431";
  behaviour.sn = "X1";
  behaviour.forgetful = false;
  TerminalModel given(config, behaviour);
  auto replyOf = [](TerminalModel& model, const std::string& line) {
    std::string all;
    for (const auto& e : model.Receive(line)) all += e.bytes;
    return all;
  };
  EXPECT_NE(replyOf(given, "AT+IMEI?\r\n").find("+IMEI:490154203237518\r\n"), std::string::npos);
  EXPECT_NE(replyOf(given, "AT+ICCID?\r\n").find("+ICCID:89860118802125746431\r\n"), std::string::npos);
  EXPECT_NE(replyOf(given, "AT+SN?\r\n").find("+SN:X1\r\n"), std::string::npos);
  // Still read-only.
  EXPECT_NE(replyOf(given, "AT+IMEI=490154203237518\r\n").find("+ERR:3"), std::string::npos);

  TerminalModel factory(config, TerminalBehaviour{});
  EXPECT_NE(replyOf(factory, "AT+IMEI?\r\n").find("+IMEI:" + FindSpec("IMEI")->factory + "\r\n"), std::string::npos);
}

std::string Ask(const std::string& port, const std::string& word) {
  const int fd = OpenPort(port);
  if (fd < 0) return {};
  WriteAll(fd, "AT+" + word + "?\r\n");
  const std::string reply = ReadUntil(fd, "OK\r\n\r\n", 5000);
  ::close(fd);
  const std::string head = "+" + word + ":";
  const auto at = reply.find(head);
  if (at == std::string::npos) return {};
  const auto end = reply.find("\r\n", at);
  return reply.substr(at + head.size(), end - at - head.size());
}

TEST(SimIdentityTest, SimulatorsReportTheirNamesIdentityOrTheGivenOne) {
  SimProcess a({}, "lineA");
  SimProcess b({}, "lineB");
  const std::string imeiA = Ask(a.SlavePath(), "IMEI");
  const std::string imeiB = Ask(b.SlavePath(), "IMEI");
  EXPECT_EQ(imeiA, IdentityFromName("lineA").imei);
  EXPECT_EQ(imeiB, IdentityFromName("lineB").imei);
  EXPECT_NE(imeiA, imeiB);
  EXPECT_TRUE(LuhnValid(imeiA)) << imeiA;
  EXPECT_EQ(Ask(a.SlavePath(), "ICCID"), IdentityFromName("lineA").iccid);
  EXPECT_EQ(Ask(a.SlavePath(), "SN"), IdentityFromName("lineA").sn);

  // Another run under the same name is the same terminal.
  SimProcess again({}, "lineA");
  EXPECT_EQ(Ask(again.SlavePath(), "IMEI"), imeiA);

  // A duplicate staged: two simulators given one IMEI report it both; the rest stays their own.
  SimProcess c({"--imei", imeiA}, "lineC");
  EXPECT_EQ(Ask(c.SlavePath(), "IMEI"), imeiA);
  EXPECT_EQ(Ask(c.SlavePath(), "ICCID"), IdentityFromName("lineC").iccid);
  SimProcess d({"--iccid", "89860000000000000001", "--sn", "BENCH7"}, "lineD");
  EXPECT_EQ(Ask(d.SlavePath(), "ICCID"), "89860000000000000001");
  EXPECT_EQ(Ask(d.SlavePath(), "SN"), "BENCH7");
  EXPECT_EQ(Ask(d.SlavePath(), "IMEI"), IdentityFromName("lineD").imei);
}

}  // namespace
}  // namespace t418::sim

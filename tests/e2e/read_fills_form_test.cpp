// A full read fills the form while it runs: each report is in its field
// before the next query goes out, not gathered and shown at the end.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "gbk_texts.h"
#include "session_rig.h"

namespace t418 {
namespace {

using namespace testing;

// Reports and the one field each fills (nothing else in a read touches these
// fields), with what the field shows for a value.
using FieldCheck = std::function<bool(const ParamForm&, const std::string& value)>;

FieldCheck TextOf(std::string field) {
  return [field](const ParamForm& f, const std::string& value) { return f.Get<TextField>(field)->Text() == value; };
}
FieldCheck OnOffOf(std::string box) {
  return [box](const ParamForm& f, const std::string& value) {
    return f.Get<CheckBox>(box)->Checked() == (value == "ON");
  };
}

const std::map<std::string, FieldCheck>& Checks() {
  static const std::map<std::string, FieldCheck> checks = {
      {"E", OnOffOf("rzchckbxE")},
      {"WKMOD", [](const ParamForm& f, const std::string& v) { return f.rbNetTran.Checked() == (v == "NET"); }},
      {"CMDPW", TextOf("lbledtCmdPw")},
      {"STMSG", TextOf("lbledtStMsg")},
      {"RSTIM", TextOf("lbledtRsTim")},
      {"UARTFT", TextOf("edtUARTFT")},
      {"UARTFL", TextOf("edtUARTFL")},
      {"APN", TextOf("lbledtApn")},
      {"SOCKAEN", OnOffOf("rzchckbxSktA")},
      {"SOCKBEN", OnOffOf("rzchckbxSktB")},
      {"SOCKATO", TextOf("edtSockATo")},
      {"SOCKBTO", TextOf("edtSockBTo")},
      {"SOCKIND", OnOffOf("rzchckbxSOCKIND")},
      {"SOCKRSTIM", TextOf("lbledtSockRsTim")},
      {"REGEN", OnOffOf("rzchckbxRegEn")},
      {"HEARTEN", OnOffOf("rzchckbxHeartEn")},
      {"HEARTDT", TextOf("edtHeartDt")},
      {"HEARTTM", TextOf("edtHeartTm")},
      {"HTPURL", TextOf("edtHTPURL")},
      {"HTPHD", TextOf("edtHTPHD")},
      {"QPHONE", TextOf("edtQphone")},
      {"QHWVER", TextOf("edtlHWver")},
  };
  return checks;
}

TEST(ReadAsReportsArrive, EachReportIsInTheFormBeforeTheNextQueryGoesOut) {
  SessionRig rig;
  Session& session = *rig.session;
  const Simulator source = rig.StartSimulator("net_sockets.state");
  ASSERT_TRUE(rig.ConnectTo(source));

  std::map<std::string, std::string> reported;  // the latest value of each checked report
  session.Engine().OnReport = [&](const std::string& name, const std::string& value) {
    if (Checks().count(name)) reported[name] = value;
  };
  int queriesSent = 0;
  int fieldsSeen = 0;
  std::vector<std::string> late;
  rig.logView.onEntry = [&](const LoggedEntry& entry) {
    if (entry.colour != LogColour::Sent || entry.text.find("AT+") == std::string::npos) return;
    ++queriesSent;
    // Whatever was reported so far already shows, as the query after it leaves.
    for (const auto& [name, value] : reported) {
      ++fieldsSeen;
      if (!Checks().at(name)(session.Form(), value)) late.push_back(name + " before " + entry.text);
    }
  };
  ASSERT_TRUE(rig.RunAction(kTagAskAll));

  EXPECT_EQ(queriesSent, 70);
  EXPECT_EQ(reported.size(), Checks().size()) << "a checked report never came";
  // Checked before later queries: the earlier a report, the more often.
  EXPECT_GT(fieldsSeen, 300);
  EXPECT_TRUE(late.empty()) << ::testing::PrintToString(late);
  // The fixture's values, not the factory's, were the ones seen.
  EXPECT_EQ(reported.at("STMSG"), G("欢迎使用T418"));
  EXPECT_EQ(reported.at("HEARTDT"), "FE01A5C30D0A");
}

}  // namespace
}  // namespace t418

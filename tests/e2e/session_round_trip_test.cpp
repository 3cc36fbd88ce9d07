// The session object against the terminal simulator, for every fixture
// configuration: a full read fills the form with every value of the fixture,
// and a full write of that form gives a factory-fresh terminal the fixture's
// settings. A form that fails a GNSS check sends nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "form_expectations.h"
#include "gbk_texts.h"
#include "params/config_builder.h"
#include "read_all_queries.h"
#include "session_rig.h"

namespace t418 {
namespace {

using namespace testing;
using sim::testing::SimState;
using sim::testing::StateDifferences;

struct FixtureCase {
  // What the form shows after the full read.
  std::vector<Shows> form = {};
  // Boxes the user checks before the write, for groups a read never opens
  // (their commands are written only while the box is checked).
  std::vector<std::string> checkBeforeWrite = {};
  // Fields the user types before the write (field, text): what a read does not ask for.
  std::vector<std::pair<std::string, std::string>> typeBeforeWrite = {};
  // The message boxes the read raises (each also a warning line).
  std::vector<std::string> messages = {};
};

const std::map<std::string, FixtureCase>& Cases() {
  static const std::map<std::string, FixtureCase> cases = {
      {"net_sockets.state",
       {{Checked("rbNetTran"), Page("rzpgcntrlPara", 0),
         // Socket A and B: on, TCP (connection kind shown), short connections.
         Checked("rzchckbxSktA"), Visible("rzgrpbxSktA"), Text("cbbProtocolA", "TCP"),
         Text("edtAddrA", "dtu-a.example.net"), Text("edtPortA", "6001"), Entry("cbbASL", 0), Visible("cbbASL"),
         Text("edtSockATo", "12"), Checked("rzchckbxSktB"), Visible("rzgrpbxSktB"), Text("cbbProtocolB", "TCP"),
         Text("edtAddrB", "198.51.100.23"), Text("edtPortB", "6002"), Entry("cbbBSL", 0), Text("edtSockBTo", "20"),
         Text("lbledtSockRsTim", "25"),
         // Heartbeat as hex, to the serial side.
         Checked("rzchckbxHeartEn"), Visible("rzgrpbxHeart"), Text("edtHeartTm", "45"),
         Text("edtHeartDt", "FE01A5C30D0A"), Checked("rzchckbxHeartDtHex"), Entry("cbbHeartSnd", 1),
         // Registration with user data, in hex, on data.
         Checked("rzchckbxRegEn"), Visible("rzgrpbxReg"), Entry("cbbRegSnd", 1), Entry("cbbRegTp", 3),
         Entry("cbbRegDt", 3), Text("cbbRegDt", "5A41562D543431382D3031"), Checked("rzchckbxRegDtHex"),
         Visible("rzchckbxRegDtHex"), Hidden("edtCloudPa"), Checked("rzchckbxSOCKIND"),
         // Global parameters.
         Text("cbbBaud", "57600"), Text("cbbD", "8"), Text("cbbS", "2"), Text("cbbP", "EVEN"), Text("cbbFlow", "NFC"),
         Text("edtUARTFT", "80"), Text("edtUARTFL", "512"), Clear("rzchckbxE"), Text("lbledtCmdPw", "pass42"),
         Text("lbledtStMsg", G("欢迎使用T418")), Text("lbledtApn", "3GNET,user1,secret,1"),
         Text("lbledtRsTim", "3600"), Clear("rzchckbxGNSSen"), Hidden("rzgrpbxGNSSen")},
        {"rzchckbxMore"}}},
      {"httpd.state",
       {{Checked("rbHttpd"), Clear("rbNetTran"), Page("rzpgcntrlPara", 1), Entry("cbbHTPTP", 1),
         Text("edtHTPURL", "/api/v2/upload.php[3F]id=7"), Text("edtHTPSVIP", "http.example.org"),
         Text("edtHTPSVPort", "8080"), Text("edtHtpTo", "25"),
         Text("edtHTPHD", G("Accept: text/html, */*[0D][0A]X-Site: 北京[0D][0A]")), Clear("rzchckbxHtpFlt"),
         Entry("cbbHeartSnd", 0)}}},
      // A read does not ask for the SMS settings: the fields keep what they
      // showed (here the view's start state) and the user types them.
      {"sms.state",
       {{Checked("rbSmsTran"), Page("rzpgcntrlPara", 2), Text("edtDSTNUM", ""), Checked("rzchckbxSMSFLT"),
         Clear("rzchckbxSMSPH")},
        {"rzchckbxSMSPH"},
        {{"edtDSTNUM", "13912345678"}}}},
      {"udc.state",
       {{Checked("rbUdc"), Clear("rbNetTran"), Page("rzpgcntrlPara", 0), Text("edtUdcId", "UDC-7731-0042"),
         Visible("edtUdcId"), Hidden("cbbRegTp"), Hidden("cbbRegDt"), Hidden("cbbRegSnd"),
         // Socket A on TCP, socket B on UDP (its connection kind hidden), both long and locked.
         Checked("rzchckbxSktA"), Text("cbbProtocolA", "TCP"), Text("edtAddrA", "udc.example.net"),
         Text("edtPortA", "5020"), Entry("cbbASL", 1), Enabled("cbbASL", false), Text("edtSockATo", "9"),
         Checked("rzchckbxSktB"), Text("cbbProtocolB", "UDP"), Text("edtAddrB", "203.0.113.77"),
         Text("edtPortB", "5021"), Entry("cbbBSL", 1), Hidden("cbbBSL"), Text("edtSockBTo", "11"),
         Text("lbledtSockRsTim", "40"), Checked("rzchckbxHeartEn"), Enabled("rzchckbxHeartEn", false),
         Text("edtHeartTm", "120"), Text("edtHeartDt", "554443204845415254"), Entry("cbbHeartSnd", 0),
         Checked("rzchckbxRegEn"), Enabled("rzchckbxRegEn", false), Entry("cbbRegSnd", 0),
         Checked("rzchckbxSOCKIND")}}},
      {"gnss_cloud.state",
       {{Checked("rzchckbxGNSSen"), Visible("rzgrpbxGNSSen"), Visible("RzPageControlGNSS"), Checked("rbZavCloud"),
         Page("RzPageControlGNSS", 0), Text("edtdevid", "86012345678901234567"), Text("edtpwd", "Ab3$xY9z"),
         Text("edtMODBUSID1", "3"), Text("edtMODBUSAddr1", "40001"), Text("edtMODBUSID2", "3"),
         Text("edtMODBUSAddr2", "40001"), Text("edtreportinternal", "120"), Text("edtGPOSUPTM", "120")}}},
      {"gnss_qianxun.state",
       {{Checked("rzchckbxGNSSen"), Checked("rbQianXun"), Page("RzPageControlGNSS", 2), Text("cbbprotocol", "TCP"),
         Text("edtSOCKQAddr", "203.0.113.5"), Text("edtSOCKQport", "9000"), Text("edtSOCKQTO", "15"),
         Clear("rzchckbxQLBSADDEN"), Checked("rzchckbxQPOSPACK"), Text("edtQPOSUPTM", "60"),
         Text("edtQphone", "013912345678"), Checked("rzchckbxQHEARTEN"), Visible("rzgrpbxQHeartTM"),
         Text("edtQHEARTTM", "90"),
         // The region code chooses its province, city and county.
         Text("edtQCITY", "310104"), Text("cbbProvince", G("上海市")), Text("cbbcity", G("市辖区")),
         Text("cbbCounty", G("徐汇区")), Text("edtQPRODUCER", "ZAV01"), Text("edtTerminalID", "T418QX1"),
         Text("edtTerminalmode", "t418-qx-model-b"),
         // Type 207: every bit of the six lists set.
         Entry("cbbtype0", 1), Entry("cbbtype1", 1), Entry("cbbtype2", 1), Entry("cbbtype3", 1), Entry("cbbtype6", 1),
         Entry("cbbtype7", 1), Entry("cbbCarcolor", 2), Text("edtCarNum", G("沪B67890")), Text("edtlHWver", "HW-3.1")},
        {"rzchckbxGNSSMore"}}},
      {"gnss_private_inde.state",
       {{Checked("rbPrivateCloud"), Page("RzPageControlGNSS", 1), Checked("rbINDE"), Clear("rbMULT"),
         Page("rzpgcntrlGWKMOD", 1), Text("RzComboBoxSOCKG", "TCPC"), Text("edtSockgAddr", "gnss.example.net"),
         Text("edtSockgPort", "7001"), Text("edtSOCKGTO", "30"), Checked("rzchckbxGREGTP"), Visible("rzgrpbxGREGTP"),
         Entry("cbbGREGTYPE", 1), Entry("cbbGREGTP", 4), Entry("cbbGREGDT", 4),
         Text("cbbGREGDT", "0102030405060708090A0B0C0D0E0F10A0B0C0D0E0F0FFEEDDCCBBAA99887766"),
         Checked("rzchckbxGREGDThex"), Visible("rzchckbxGREGDThex"), Text("edtGPOSUPTM", "45"),
         Text("edtreportinternal", "45"), Entry("cbbGHEARTTP2", 1), Hidden("edtMODBUSID2")}}},
      {"gnss_private_mult.state",
       {{Checked("rbNetTran"), Checked("rbPrivateCloud"), Checked("rbMULT"), Page("rzpgcntrlGWKMOD", 0),
         Entry("cbbBYsocketA", 1), Entry("cbbBYsocketB", 1), Entry("cbbGPOSSND", 2), Text("edtGPOSUPTM", "15"),
         Entry("cbbGHEARTTP2", 2), Visible("edtMODBUSID2"), Text("edtMODBUSID2", "5"), Text("edtMODBUSAddr2", "30001"),
         Checked("rzchckbxSktB"), Text("edtAddrB", "gnss-b.example.net"), Text("edtPortB", "6012"),
         Entry("cbbBSL", 0), Text("edtSockBTo", "15")}}},
      {"httpd_gnss_mult.state",
       {{Checked("rbHttpd"), Page("rzpgcntrlPara", 1), Text("edtHTPURL", "/gnss/report.php"),
         Text("edtHTPSVIP", "gnss-http.example.org"), Text("edtHTPSVPort", "8088"), Text("edtHtpTo", "30"),
         Checked("rzchckbxGNSSen"), Checked("rbPrivateCloud"),
         // The channel stays chosen although it needs network transfer mode.
         Checked("rbMULT"), Page("rzpgcntrlGWKMOD", 0), Entry("cbbBYsocketA", 1), Entry("cbbBYsocketB", 0),
         Entry("cbbGPOSSND", 1), Text("edtGPOSUPTM", "20"), Entry("cbbGHEARTTP2", 1)},
        {},
        {},
        {G("复用原有通道功能仅支持网络透传模式使用")}}},
  };
  return cases;
}

std::vector<std::string> FixtureFiles() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(T418_SOURCE_DIR) + "/tests/fixtures/configs"))
    if (entry.path().extension() == ".state") files.push_back(entry.path().filename().string());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> CommandNames(const OrderList& orders) {
  std::vector<std::string> names;
  for (int i = 0; i < orders.OrderCount(); ++i) names.push_back(CommandNameOfLine(orders.GetOrder(i)));
  return names;
}

std::vector<std::string> LinesWithoutEnds(const OrderList& orders) {
  std::vector<std::string> lines;
  for (int i = 0; i < orders.OrderCount(); ++i) {
    std::string line = orders.GetOrder(i);
    if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) line.resize(line.size() - 2);
    lines.push_back(line);
  }
  return lines;
}

class FixtureRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(FixtureRoundTrip, ReadFillsTheFormAndTheWriteGivesAFreshTerminalTheSameSettings) {
  const std::string fixture = GetParam();
  const auto found = Cases().find(fixture);
  ASSERT_NE(found, Cases().end()) << fixture << " has no table of what the form shows";
  const FixtureCase& expected = found->second;

  SessionRig rig;
  Session& session = *rig.session;
  const Simulator source = rig.StartSimulator(fixture);
  const SimState wanted = sim::testing::ReadSimState(FixtureConfig(fixture));
  std::vector<std::string> fixtureNames;
  for (const auto& [name, value] : wanted) fixtureNames.push_back(name);
  ASSERT_TRUE(StateDifferences(wanted, source.State(), fixtureNames).empty()) << "the simulator skipped a line";
  ASSERT_TRUE(rig.ConnectTo(source));
  ASSERT_TRUE(rig.RunAction(kTagAskAll));

  // Every query went out once, in order, and was answered.
  EXPECT_EQ(source.Received(), ReadAllQueryLines(""));
  EXPECT_EQ(session.Values().Value("VER"), "V1.0.5");
  const auto mismatches = Mismatches(session.Form(), expected.form);
  EXPECT_TRUE(mismatches.empty()) << ::testing::PrintToString(mismatches);
  EXPECT_EQ(rig.listener.messages, expected.messages);
  EXPECT_EQ(rig.Warnings(), expected.messages);

  // The whole form, as read, goes to a terminal in its factory state.
  for (const auto& box : expected.checkBeforeWrite) ASSERT_TRUE(session.Rules().SetChecked(box, true)) << box;
  for (const auto& [field, text] : expected.typeBeforeWrite) session.Form().Get<TextField>(field)->SetText(text);
  const Simulator target = rig.StartSimulator();
  const SimState factory = target.State();
  ASSERT_TRUE(rig.ConnectTo(target));
  ASSERT_TRUE(rig.RunAction(kTagSetAll));

  const std::vector<std::string> written = CommandNames(session.Orders());
  EXPECT_EQ(target.Received(), LinesWithoutEnds(session.Orders())) << "the terminal got other lines than the build";
  EXPECT_TRUE(session.LastRunSummary().refusedNames.empty())
      << ::testing::PrintToString(session.LastRunSummary().refusedNames);
  EXPECT_EQ(rig.Warnings(), expected.messages) << "the write raised a warning";
  const std::string summary = session.Lang().LangText("info_WriteSent") + std::to_string(written.size());
  EXPECT_EQ(rig.Infos().back(), summary);

  // The builder wrote every setting of the fixture, and the two terminals agree on all it wrote.
  const std::set<std::string> writtenSet(written.begin(), written.end());
  for (const auto& [name, value] : wanted) EXPECT_TRUE(writtenSet.count(name)) << name << " was not written";
  const auto differences = StateDifferences(source.State(), target.State(), written);
  EXPECT_TRUE(differences.empty()) << ::testing::PrintToString(differences);
  EXPECT_FALSE(StateDifferences(factory, target.State(), written).empty()) << "the write changed nothing";
}

INSTANTIATE_TEST_SUITE_P(EveryFixture, FixtureRoundTrip, ::testing::ValuesIn(FixtureFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return std::filesystem::path(info.param).stem().string();
                         });

// ---- A form the GNSS checks refuse ----

struct Refusal {
  std::string fixture;
  std::function<void(ParamForm&)> spoil;
  ConfigRefusal reason;
};

TEST(RefusedWrite, AFormWhoseGnssFieldsFailACheckSendsNothingAndSaysWhy) {
  const Refusal cases[] = {
      {"gnss_cloud.state", [](ParamForm& f) { f.edtpwd.SetText("Ab3$xY9"); }, ConfigRefusal::CloudPasswordLength},
      {"gnss_qianxun.state", [](ParamForm& f) { f.edtQphone.SetText("1391234567"); }, ConfigRefusal::QianXunPhone},
      {"gnss_private_inde.state", [](ParamForm& f) { f.cbbGREGDT.SetText("ABC"); }, ConfigRefusal::PrivateOwnOddHex},
      {"gnss_private_mult.state", [](ParamForm& f) { f.cbbGPOSSND.SetItemIndex(-1); },
       ConfigRefusal::PrivateSharedIncomplete},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.fixture);
    SessionRig rig;
    Session& session = *rig.session;
    const Simulator source = rig.StartSimulator(c.fixture);
    ASSERT_TRUE(rig.ConnectTo(source));
    ASSERT_TRUE(rig.RunAction(kTagAskAll));
    c.spoil(session.Form());

    const Simulator target = rig.StartSimulator();
    const SimState factory = target.State();
    ASSERT_TRUE(rig.ConnectTo(target));
    const std::size_t sentBefore = rig.Sent().size();
    session.Engine().ActionButtonClick(kTagSetAll);
    rig.RunFor(std::chrono::milliseconds(600));

    EXPECT_EQ(session.Orders().OrderCount(), 0);
    EXPECT_EQ(rig.Sent().size(), sentBefore) << "a line went out";
    EXPECT_TRUE(target.Received().empty()) << ::testing::PrintToString(target.Received());
    EXPECT_EQ(target.State(), factory);
    ASSERT_FALSE(rig.Warnings().empty());
    EXPECT_EQ(rig.Warnings().back(), RefusalMessage(c.reason));
    EXPECT_EQ(session.Builder().LastRefusal(), c.reason);
  }
}

}  // namespace
}  // namespace t418

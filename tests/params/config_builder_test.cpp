#include "params/config_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "form_fakes.h"
#include "gbk_texts.h"
#include "params/view_rules.h"
#include "session_fakes.h"

namespace t418 {
namespace {

using testing::BracketTexts;
using testing::G;

using Lines = std::vector<std::string>;

std::string Line(const std::string& name, const std::string& value) {
  return "AT+" + name + "=" + value + "\r\n";
}

// Setting lines from (name, value) pairs.
Lines LinesOf(std::initializer_list<std::pair<const char*, std::string>> pairs) {
  Lines lines;
  for (const auto& [name, value] : pairs) lines.push_back(Line(name, value));
  return lines;
}

// The command word of a setting line "AT+NAME=VALUE" CR LF.
std::string NameOf(const std::string& line) {
  const auto eq = line.find('=');
  if (line.rfind("AT+", 0) != 0 || eq == std::string::npos) return {};
  return line.substr(3, eq - 3);
}

std::vector<std::string> NamesOf(const Lines& lines) {
  std::vector<std::string> names;
  for (const auto& line : lines) names.push_back(NameOf(line));
  return names;
}

// The lines from the first one of `first` up to, not including, the first one of `end`.
Lines Slice(const Lines& lines, const std::string& first, const std::string& end) {
  auto from = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return NameOf(l) == first; });
  auto to = std::find_if(from, lines.end(), [&](const auto& l) { return NameOf(l) == end; });
  return Lines(from, to);
}

// The lines of the work mode: everything before GNSSFUNEN.
Lines WorkModeLines(const Lines& lines) {
  auto gnss =
      std::find_if(lines.begin(), lines.end(), [](const auto& l) { return NameOf(l) == "GNSSFUNEN"; });
  return Lines(lines.begin(), gnss);
}

// The lines of the GNSS part: from GNSSFUNEN up to UART.
Lines GnssLines(const Lines& lines) { return Slice(lines, "GNSSFUNEN", "UART"); }

// A form filled in completely on every page, as a user would, showing the
// configuration of the worked example: network transfer with sockets A (TCP)
// and B (UDP), heartbeat on, registration off, GNSS through the private cloud
// sharing sockets A and B with NMEA RMC.
struct BuilderRig {
  BuilderRig() {
    rig.hardware.identityCmd = TCmd::IMEI;
    rig.engine.SetConfigurationBuilder(&builder);
    FillWorkModePages();
    FillGnssPages();
    FillGlobals();
  }

  void FillWorkModePages() {
    ParamForm& f = form;
    rules.SelectEntry(f.cbbProtocolA, 0);
    f.edtAddrA.SetText("192.168.1.10");
    f.edtPortA.SetText("2317");
    rules.SelectEntry(f.cbbASL, 0);
    f.edtSockATo.SetText("30");
    rules.SelectEntry(f.cbbProtocolB, 1);  // UDP: long connection
    f.edtAddrB.SetText("10.0.0.2");
    f.edtPortB.SetText("5000");
    f.edtSockBTo.SetText("20");
    f.lbledtSockRsTim.SetText("60");
    f.edtHeartTm.SetText("120");
    f.edtHeartDt.SetText("AB");
    rules.SetChecked(f.rzchckbxRegEn, false);
    f.edtCloudPa.SetText("00012345");
    f.edtUdcId.SetText("00000000001");

    f.cbbHTPTP.SetText("POST");
    f.edtHTPURL.SetText("/1.php[3F]");
    f.edtHTPSVIP.SetText("www.example.com");
    f.edtHTPSVPort.SetText("80");
    f.edtHtpTo.SetText("10");
    f.edtHTPHD.SetText("Connection: close[0D][0A]");
    rules.SetChecked(f.rzchckbxHtpFlt, true);

    f.edtDSTNUM.SetText("13800138000");
  }

  void FillGnssPages() {
    ParamForm& f = form;
    f.edtdevid.SetText("12345678901234567890");
    f.edtpwd.SetText("abcdefgh");
    f.edtMODBUSID1.SetText("1");
    f.edtMODBUSAddr1.SetText("40001");
    f.edtreportinternal.SetText("30");

    rules.SetChecked(f.rbPrivateCloud, true);
    rules.SetChecked(f.rbMULT, true);
    rules.SelectEntry(f.cbbBYsocketA, 1);
    rules.SelectEntry(f.cbbBYsocketB, 1);
    rules.SelectEntry(f.cbbGPOSSND, 0);
    f.edtSockgAddr.SetText("gnss.example");
    f.edtSockgPort.SetText("6000");
    f.edtSOCKGTO.SetText("30");
    rules.SelectEntry(f.cbbGREGTP, 0);
    f.cbbGREGDT.SetEntry(0, "89860000000000000001");  // as an ICCID report leaves it
    f.edtGPOSUPTM.SetText("10");
    rules.SelectEntry(f.cbbGHEARTTP2, 0);
    f.edtMODBUSID2.SetText("2");
    f.edtMODBUSAddr2.SetText("40010");

    rules.SelectEntry(f.cbbprotocol, 0);
    f.edtSOCKQAddr.SetText("jt808.example");
    f.edtSOCKQport.SetText("7000");
    f.edtSOCKQTO.SetText("30");
    f.edtQPOSUPTM.SetText("10");
    f.edtQphone.SetText("013800138000");
    f.edtQHEARTTM.SetText("60");
    f.edtQCITY.SetText("110101");
    f.edtQPRODUCER.SetText("ZAV01");
    f.edtTerminalID.SetText("T000001");
    f.edtTerminalmode.SetText("zav-gnss-001");
    for (ChoiceList* bit : {&f.cbbtype0, &f.cbbtype1, &f.cbbtype2, &f.cbbtype3}) rules.SelectEntry(*bit, 1);
    for (ChoiceList* bit : {&f.cbbtype6, &f.cbbtype7}) rules.SelectEntry(*bit, 0);
    rules.SelectEntry(f.cbbCarcolor, 1);
    f.edtCarNum.SetText(G("京A12345"));
    f.edtlHWver.SetText("V1.0");
  }

  void FillGlobals() {
    ParamForm& f = form;
    f.cbbBaud.SetText("115200");
    f.edtUARTFT.SetText("50");
    f.edtUARTFL.SetText("1024");
    f.lbledtCmdPw.SetText("admin1");
    f.lbledtStMsg.SetText(G("欢迎"));
    f.lbledtApn.SetText("CMNET");
    f.lbledtRsTim.SetText("1800");
  }

  const Lines& Build() {
    builder.Build(rig.orders);
    return rig.orders.Lines();
  }

  std::vector<std::string> Warnings() const { return rig.logView.TextsOf(LogColour::Warning); }

  testing::EngineRig rig;
  ParamForm form;
  testing::RecordingMessages messages;
  ViewRules rules{ViewRuleParts{form, rig.log, rig.texts, rig.hardware, messages, [] { return true; }}};
  ConfigBuilder builder{form, rig.hardware, rig.log};
};

class ConfigBuilderTest : public ::testing::Test, public BuilderRig {};

// The lines of the worked example, in order.
Lines ExampleLines() {
  return LinesOf({{"WKMOD", "NET"},
                  {"SOCKAEN", "ON"},
                  {"SOCKA", "TCP,192.168.1.10,2317"},
                  {"SOCKASL", "SHORT"},
                  {"SOCKATO", "30"},
                  {"SOCKBEN", "ON"},
                  {"SOCKB", "UDP,10.0.0.2,5000"},
                  {"SOCKBSL", "LONG"},
                  {"SOCKBTO", "20"},
                  {"SOCKRSTIM", "60"},
                  {"HEARTEN", "ON"},
                  {"HEARTTM", "120"},
                  {"HEARTDT", "4142"},
                  {"HEARTSND", "NET"},
                  {"REGEN", "OFF"},
                  {"SOCKIND", "OFF"},
                  {"GNSSFUNEN", "1"},
                  {"GNSSMOD", "NET"},
                  {"GWKMOD", "MULT"},
                  {"GBYDTU", "1,1"},
                  {"GPOSSND", "NET"},
                  {"GPOSUPTM", "10"},
                  {"GPOSTP", "RMC"},
                  {"UART", "115200,8,1,NONE"},
                  {"UARTFT", "50"},
                  {"UARTFL", "1024"}});
}

// The worked example from GNSSFUNEN to the end.
Lines ExampleTail() { return Slice(ExampleLines(), "GNSSFUNEN", "none"); }

// ---- The worked example and the work modes ----

TEST_F(ConfigBuilderTest, WorkedExampleLineByLine) {
  const Lines expected = LinesOf({{"WKMOD", "NET"},
                                  {"SOCKAEN", "ON"},
                                  {"SOCKA", "TCP,192.168.1.10,2317"},
                                  {"SOCKASL", "SHORT"},
                                  {"SOCKATO", "30"},
                                  {"SOCKBEN", "ON"},
                                  {"SOCKB", "UDP,10.0.0.2,5000"},
                                  {"SOCKBSL", "LONG"},
                                  {"SOCKBTO", "20"},
                                  {"SOCKRSTIM", "60"},
                                  {"HEARTEN", "ON"},
                                  {"HEARTTM", "120"},
                                  {"HEARTDT", "4142"},
                                  {"HEARTSND", "NET"},
                                  {"REGEN", "OFF"},
                                  {"SOCKIND", "OFF"},
                                  {"GNSSFUNEN", "1"},
                                  {"GNSSMOD", "NET"},
                                  {"GWKMOD", "MULT"},
                                  {"GBYDTU", "1,1"},
                                  {"GPOSSND", "NET"},
                                  {"GPOSUPTM", "10"},
                                  {"GPOSTP", "RMC"},
                                  {"UART", "115200,8,1,NONE"},
                                  {"UARTFT", "50"},
                                  {"UARTFL", "1024"}});
  EXPECT_EQ(Build(), expected);
  EXPECT_EQ(builder.LastRefusal(), ConfigRefusal::None);
  EXPECT_FALSE(builder.LastBuildRefused());
  EXPECT_TRUE(Warnings().empty());
}

TEST(ConfigBuilder, EachWorkModeWritesItsOwnLinesBeforeTheGnssPart) {
  struct Row {
    RadioButton ParamForm::*button;
    bool checked;
    Lines workModeLines;
  };
  const std::vector<Row> rows = {
      {&ParamForm::rbHttpd, true,
       // The time-out comes before the header.
       LinesOf({{"WKMOD", "HTTPD"},
                {"HTPTP", "POST"},
                {"HTPURL", "/1.php[3F]"},
                {"HTPSV", "www.example.com,80"},
                {"HTPTO", "10"},
                {"HTPHD", "Connection: close[0D][0A]"},
                {"HTPFLT", "ON"}})},
      {&ParamForm::rbSmsTran, true,
       LinesOf({{"WKMOD", "SMS"}, {"DSTNUM", "13800138000"}, {"SMSFLT", "ON"}, {"SMSPH", "OFF"}})},
      // UDC: registration and heartbeat forced on, both sockets long, the UDC
      // identity instead of a registration type.
      {&ParamForm::rbUdc, true,
       LinesOf({{"WKMOD", "UDC"},
                {"SOCKAEN", "ON"},
                {"SOCKA", "TCP,192.168.1.10,2317"},
                {"SOCKASL", "LONG"},
                {"SOCKATO", "30"},
                {"SOCKBEN", "ON"},
                {"SOCKB", "UDP,10.0.0.2,5000"},
                {"SOCKBSL", "LONG"},
                {"SOCKBTO", "20"},
                {"SOCKRSTIM", "60"},
                {"HEARTEN", "ON"},
                {"HEARTTM", "120"},
                {"HEARTDT", "4142"},
                {"HEARTSND", "NET"},
                {"REGEN", "ON"},
                {"REGSND", "LINK"},
                {"ID", "00000000001"},
                {"SOCKIND", "OFF"}})},
      {&ParamForm::rbNetTran, true, Slice(ExampleLines(), "WKMOD", "GNSSFUNEN")},
      {&ParamForm::rbNetTran, false, {}},  // no work mode chosen: GNSSFUNEN comes first
  };
  for (const auto& row : rows) {
    BuilderRig setup;
    SCOPED_TRACE((setup.form.*row.button).Name() + (row.checked ? " checked" : " cleared"));
    setup.rules.SetChecked(setup.form.*row.button, row.checked);
    const Lines& lines = setup.Build();
    EXPECT_EQ(WorkModeLines(lines), row.workModeLines);
    EXPECT_EQ(Lines(lines.begin() + static_cast<long>(row.workModeLines.size()), lines.end()), ExampleTail());
  }
}

TEST_F(ConfigBuilderTest, SocketsAndConnectionKinds) {
  // A clear socket box writes its switch only; a connection kind with no
  // entry chosen is left out.
  rules.SetChecked(form.rzchckbxSktA, false);
  rules.SelectEntry(form.cbbProtocolB, 0);
  rules.SelectEntry(form.cbbBSL, -1);
  EXPECT_EQ(Slice(Build(), "SOCKAEN", "SOCKRSTIM"),
            LinesOf({{"SOCKAEN", "OFF"}, {"SOCKBEN", "ON"}, {"SOCKB", "TCP,10.0.0.2,5000"},
                     {"SOCKBTO", "20"}}));

  rules.SetChecked(form.rzchckbxSktA, true);
  rules.SelectEntry(form.cbbASL, 1);
  rules.SetChecked(form.rzchckbxSktB, false);
  EXPECT_EQ(Slice(Build(), "SOCKAEN", "SOCKRSTIM"),
            LinesOf({{"SOCKAEN", "ON"},
                     {"SOCKA", "TCP,192.168.1.10,2317"},
                     {"SOCKASL", "LONG"},
                     {"SOCKATO", "30"},
                     {"SOCKBEN", "OFF"}}));
}

TEST_F(ConfigBuilderTest, NothingIsTrimmedAndAnEmptyFieldTheTerminalWouldRefuseStopsTheWrite) {
  form.edtAddrA.SetText(" host ");
  const Lines& lines = Build();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "AT+SOCKA=TCP, host ,2317\r\n"), lines.end());

  // An empty time-out would be "AT+SOCKATO=", which the terminal refuses.
  form.edtSockATo.SetText("");
  EXPECT_TRUE(Build().empty());
  EXPECT_EQ(builder.LastRefusal(), ConfigRefusal::InvalidValues);
  ASSERT_EQ(builder.LastProblems().size(), 1u);
  EXPECT_EQ(builder.LastProblems()[0].command, "SOCKATO");
  EXPECT_EQ(builder.LastProblems()[0].value, "");
}

TEST_F(ConfigBuilderTest, HeartbeatData) {
  struct Row {
    const char* typed;  // UTF-8
    bool hexBox;        // checked with the box, as a user would, after typing
    const char* written;
  };
  const Row rows[] = {
      {"AB", false, "4142"},
      {"AB", true, "4142"},  // the box turned the field into "4142"; written unchanged
      {"4142", false, "34313432"},
      {"心跳", false, "D0C4CCF8"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    rules.SetChecked(form.rzchckbxHeartDtHex, false);
    form.edtHeartDt.SetText(G(row.typed));
    rules.SetChecked(form.rzchckbxHeartDtHex, row.hexBox);
    EXPECT_EQ(Slice(Build(), "HEARTDT", "HEARTSND"), Lines{Line("HEARTDT", row.written)});
  }
  // Data typed as hex while the box is checked goes out as typed.
  rules.SetChecked(form.rzchckbxHeartDtHex, true);
  form.edtHeartDt.SetText("0D0A");
  EXPECT_EQ(Slice(Build(), "HEARTDT", "HEARTSND"), Lines{Line("HEARTDT", "0D0A")});
  // No data at all is no packet: the write is refused, hex box or not.
  for (bool hexBox : {false, true}) {
    rules.SetChecked(form.rzchckbxHeartDtHex, hexBox);
    form.edtHeartDt.SetText("");
    EXPECT_TRUE(Build().empty());
    ASSERT_EQ(builder.LastProblems().size(), 1u);
    EXPECT_EQ(builder.LastProblems()[0].command, "HEARTDT");
  }
}

TEST_F(ConfigBuilderTest, HeartbeatTargetAndHeartbeatOff) {
  rules.SelectEntry(form.cbbHeartSnd, 1);
  EXPECT_EQ(Slice(Build(), "HEARTSND", "REGEN"), Lines{Line("HEARTSND", "COM")});
  rules.SetChecked(form.rzchckbxHeartEn, false);
  EXPECT_EQ(Slice(Build(), "HEARTEN", "REGEN"), Lines{Line("HEARTEN", "OFF")});
}

TEST_F(ConfigBuilderTest, RegistrationTypesInNetworkTransfer) {
  struct Row {
    int type;
    int moment;
    std::function<void()> fill;
    Lines expected;  // REGEN up to SOCKIND
  };
  const std::vector<Row> rows = {
      {0, 0, [] {}, LinesOf({{"REGEN", "ON"}, {"REGSND", "LINK"}, {"REGTP", "ICCID"}})},
      {1, 1, [] {}, LinesOf({{"REGEN", "ON"}, {"REGSND", "DATA"}, {"REGTP", "IMEI"}})},
      {2, 0, [&] { form.cbbRegDt.SetText("12345678901234567890"); },
       LinesOf({{"REGEN", "ON"},
                {"REGSND", "LINK"},
                {"REGTP", "CLOUD"},
                {"CLOUD", "12345678901234567890,00012345"}})},
      {3, 0, [&] { form.cbbRegDt.SetText("AB"); },
       LinesOf({{"REGEN", "ON"}, {"REGSND", "LINK"}, {"REGTP", "USER"}, {"REGDT", "4142"}})},
      {3, 0,
       [&] {
         form.cbbRegDt.SetText("AB");
         rules.SetChecked(form.rzchckbxRegDtHex, true);  // the field becomes "4142"
       },
       LinesOf({{"REGEN", "ON"}, {"REGSND", "LINK"}, {"REGTP", "USER"}, {"REGDT", "4142"}})},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.type);
    rules.SetChecked(form.rzchckbxRegEn, true);
    rules.SetChecked(form.rzchckbxRegDtHex, false);
    rules.SelectEntry(form.cbbRegTp, row.type);
    rules.SelectEntry(form.cbbRegSnd, row.moment);
    row.fill();
    EXPECT_EQ(Slice(Build(), "REGEN", "SOCKIND"), row.expected);
  }
}

TEST_F(ConfigBuilderTest, TheIdentityRegistrationTypeNamesTheIdentityCommandInForce) {
  rules.SetChecked(form.rzchckbxRegEn, true);
  rules.SelectEntry(form.cbbRegTp, 1);
  rig.hardware.identityCmd = TCmd::MEID;
  EXPECT_EQ(Slice(Build(), "REGTP", "SOCKIND"), Lines{Line("REGTP", "MEID")});
  rig.hardware.identityCmd = TCmd::IMEI;
  EXPECT_EQ(Slice(Build(), "REGTP", "SOCKIND"), Lines{Line("REGTP", "IMEI")});
}

TEST_F(ConfigBuilderTest, SetAllButtonWritesImeiForTheIdentityTypeWhateverTheModelBefore) {
  rules.SetChecked(form.rzchckbxRegEn, true);
  rules.SelectEntry(form.cbbRegTp, 1);
  rig.hardware.identityCmd = TCmd::MEID;  // after a hardware report of the first model
  rig.engine.ActionButtonClick(kTagSetAll);
  const Lines& lines = rig.orders.Lines();
  EXPECT_EQ(Slice(lines, "REGTP", "SOCKIND"), Lines{Line("REGTP", "IMEI")});
  rig.Advance(rig.engine.delayTime);
  EXPECT_EQ(rig.TakeWritten(), Lines{Line("WKMOD", "NET")});
}

TEST_F(ConfigBuilderTest, SetAllButtonWithARefusedViewSendsNothing) {
  form.edtGPOSUPTM.SetText("");
  rig.engine.ActionButtonClick(kTagSetAll);
  rig.Advance(rig.engine.delayTime);
  EXPECT_TRUE(rig.TakeWritten().empty());
  EXPECT_EQ(rig.orders.OrderCount(), 0);
  EXPECT_EQ(Warnings(), Lines{G("请将[GNSS->私有云]参数补充完整")});
}

// ---- GNSS services ----

TEST_F(ConfigBuilderTest, MakersCloud) {
  rules.SetChecked(form.rbZavCloud, true);
  EXPECT_EQ(GnssLines(Build()), LinesOf({{"GNSSFUNEN", "1"},
                                         {"GNSSMOD", "CLOUD"},
                                         {"GCLOUD", "12345678901234567890,abcdefgh"},
                                         {"GMDBS", "1,40001"},
                                         {"GPOSUPTM", "30"}}));
}

TEST_F(ConfigBuilderTest, QianXunWithTheAdvancedBox) {
  rules.SetChecked(form.rbQianXun, true);
  rules.SetChecked(form.rzchckbxGNSSMore, true);
  rules.SetChecked(form.rzchckbxQLBSADDEN, true);
  rules.SetChecked(form.rzchckbxQHEARTEN, true);
  EXPECT_EQ(GnssLines(Build()), LinesOf({{"GNSSFUNEN", "1"},
                                         {"GNSSMOD", "QX"},
                                         {"SOCKQ", "TCP,jt808.example,7000"},
                                         {"SOCKQTO", "30"},
                                         {"QLBSADDEN", "ON"},
                                         {"QPOSPACK", "OFF"},
                                         {"QPOSUPTM", "10"},
                                         {"QPHONE", "013800138000"},
                                         {"QHEARTEN", "ON"},
                                         {"QHEARTTM", "60"},
                                         {"QCITY", "110101"},
                                         {"QPRODUCER", "ZAV01"},
                                         {"QTERMINAL", "T000001,zav-gnss-001,15"},
                                         {"QCARINFO", "1," + G("京A12345")},
                                         {"QHWVER", "V1.0"}}));
}

TEST_F(ConfigBuilderTest, QianXunWithoutTheAdvancedBoxStopsAtTheHeartbeat) {
  rules.SetChecked(form.rbQianXun, true);
  rules.SetChecked(form.rzchckbxGNSSMore, false);
  rules.SetChecked(form.rzchckbxQPOSPACK, true);
  form.edtQCITY.SetText("11010");  // not checked without the box
  EXPECT_EQ(GnssLines(Build()), LinesOf({{"GNSSFUNEN", "1"},
                                         {"GNSSMOD", "QX"},
                                         {"SOCKQ", "TCP,jt808.example,7000"},
                                         {"SOCKQTO", "30"},
                                         {"QLBSADDEN", "OFF"},
                                         {"QPOSPACK", "ON"},
                                         {"QPOSUPTM", "10"},
                                         {"QPHONE", "013800138000"},
                                         {"QHEARTEN", "OFF"},
                                         {"QHEARTTM", "60"}}));
}

TEST_F(ConfigBuilderTest, QianXunRequiresTheAdvancedFieldsEvenWithTheBoxClear) {
  rules.SetChecked(form.rbQianXun, true);
  rules.SetChecked(form.rzchckbxGNSSMore, false);
  form.edtlHWver.SetText("");
  EXPECT_TRUE(Build().empty());
  EXPECT_EQ(Warnings(), Lines{G("请将[GNSS->千寻位置]参数补充完整")});
}

TEST_F(ConfigBuilderTest, QianXunTelephoneNumber) {
  struct Row {
    const char* typed;
    const char* written;  // "" when refused
    const char* shown;
  };
  const Row rows[] = {
      {"13800138000", "013800138000", "013800138000"},  // 11 digits: a leading "0"
      {"013800138000", "013800138000", "013800138000"},  // 12 digits: as typed
      {"1380013800", "", "1380013800"},                  // 10 digits: refused
      {"1", "", "1"},
  };
  rules.SetChecked(form.rbQianXun, true);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    form.edtQphone.SetText(row.typed);
    const Lines& lines = Build();
    if (*row.written) {
      EXPECT_EQ(Slice(lines, "QPHONE", "QHEARTEN"), Lines{Line("QPHONE", row.written)});
    } else {
      EXPECT_TRUE(lines.empty());
      EXPECT_EQ(builder.LastRefusal(), ConfigRefusal::QianXunPhone);
    }
    EXPECT_EQ(form.edtQphone.Text(), row.shown);
  }
}

TEST_F(ConfigBuilderTest, TheAddedZeroStaysWhenALaterCheckRefuses) {
  rules.SetChecked(form.rbQianXun, true);
  form.edtQphone.SetText("13800138000");
  form.edtQCITY.SetText("1101");
  EXPECT_TRUE(Build().empty());
  EXPECT_EQ(builder.LastRefusal(), ConfigRefusal::QianXunRegionCode);
  EXPECT_EQ(form.edtQphone.Text(), "013800138000");
  // A second write takes the 12 digits as they now stand.
  form.edtQCITY.SetText("110101");
  const Lines& lines = Build();
  EXPECT_EQ(Slice(lines, "QPHONE", "QHEARTEN"), Lines{Line("QPHONE", "013800138000")});
}

TEST_F(ConfigBuilderTest, PlateColourCodes) {
  rules.SetChecked(form.rbQianXun, true);
  const std::pair<int, const char*> rows[] = {{0, "0"}, {1, "1"}, {2, "2"}, {3, "3"}, {4, "4"}, {5, "9"}};
  for (const auto& [entry, code] : rows) {
    SCOPED_TRACE(entry);
    rules.SelectEntry(form.cbbCarcolor, entry);
    EXPECT_EQ(Slice(Build(), "QCARINFO", "QHWVER"),
              Lines{Line("QCARINFO", std::string(code) + "," + G("京A12345"))});
  }
}

TEST_F(ConfigBuilderTest, TerminalTypeWordFollowsTheSixLists) {
  rules.SetChecked(form.rbQianXun, true);
  for (ChoiceList* bit : {&form.cbbtype0, &form.cbbtype1, &form.cbbtype2, &form.cbbtype3, &form.cbbtype6,
                          &form.cbbtype7})
    rules.SelectEntry(*bit, 1);
  EXPECT_EQ(Slice(Build(), "QTERMINAL", "QCARINFO"), Lines{Line("QTERMINAL", "T000001,zav-gnss-001,207")});
  for (ChoiceList* bit : {&form.cbbtype0, &form.cbbtype1, &form.cbbtype2, &form.cbbtype3, &form.cbbtype7})
    rules.SelectEntry(*bit, 0);
  EXPECT_EQ(Slice(Build(), "QTERMINAL", "QCARINFO"), Lines{Line("QTERMINAL", "T000001,zav-gnss-001,64")});
}

TEST_F(ConfigBuilderTest, PrivateCloudSharingSockets) {
  struct Row {
    int socketA, socketB, target;
    const char* bydtu;
    const char* possnd;
  };
  const Row rows[] = {
      {0, 0, 1, "0,0", "COM"},
      {0, 1, 2, "0,1", "DOUBLE"},
      {1, 0, 0, "1,0", "NET"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.bydtu);
    rules.SelectEntry(form.cbbBYsocketA, row.socketA);
    rules.SelectEntry(form.cbbBYsocketB, row.socketB);
    rules.SelectEntry(form.cbbGPOSSND, row.target);
    EXPECT_EQ(Slice(Build(), "GWKMOD", "GPOSUPTM"),
              LinesOf({{"GWKMOD", "MULT"}, {"GBYDTU", row.bydtu}, {"GPOSSND", row.possnd}}));
  }
}

TEST_F(ConfigBuilderTest, PrivateCloudOwnServerRegistrationTypes) {
  struct Row {
    int type;
    std::function<void()> fill;
    Lines registration;  // GREGTP and GREGDT
  };
  const std::vector<Row> rows = {
      {0, [] {}, LinesOf({{"GREGTP", "ICCID"}})},
      {1, [&] { form.cbbGREGDT.SetEntry(1, "868000000000001"); }, LinesOf({{"GREGTP", "IMEI"}})},
      {2, [&] { form.cbbGREGDT.SetEntry(2, "460000000000001"); }, LinesOf({{"GREGTP", "IMSI"}})},
      {3, [&] { form.cbbGREGDT.SetEntry(3, "SN0001"); }, LinesOf({{"GREGTP", "SN"}})},
      {4, [&] { form.cbbGREGDT.SetText("AB"); }, LinesOf({{"GREGTP", "USER"}, {"GREGDT", "4142"}})},
      {4,
       [&] {
         form.cbbGREGDT.SetText("AB");
         rules.SetChecked(form.rzchckbxGREGDThex, true);  // the field becomes "4142"
       },
       LinesOf({{"GREGTP", "USER"}, {"GREGDT", "4142"}})},
  };
  rules.SetChecked(form.rbINDE, true);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.type);
    rules.SetChecked(form.rzchckbxGREGDThex, false);
    rules.SelectEntry(form.cbbGREGTP, row.type);
    row.fill();
    Lines expected = LinesOf({{"GNSSFUNEN", "1"},
                              {"GNSSMOD", "NET"},
                              {"GWKMOD", "INDE"},
                              {"SOCKG", "TCPC,gnss.example,6000"},
                              {"SOCKGTO", "30"},
                              {"GREGEN", "ON"},
                              {"GREGSND", "LINK"}});
    expected.insert(expected.end(), row.registration.begin(), row.registration.end());
    const Lines tail = LinesOf({{"GPOSUPTM", "10"}, {"GPOSTP", "RMC"}});
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(GnssLines(Build()), expected);
  }
}

TEST_F(ConfigBuilderTest, PrivateCloudOwnServerRegistrationOffAndSentWithData) {
  rules.SetChecked(form.rbINDE, true);
  rules.SetChecked(form.rzchckbxGREGTP, false);
  rules.SelectEntry(form.cbbGREGTYPE, 1);
  EXPECT_EQ(Slice(Build(), "GREGEN", "GPOSUPTM"),
            LinesOf({{"GREGEN", "OFF"}, {"GREGSND", "DATA"}, {"GREGTP", "ICCID"}}));
}

TEST_F(ConfigBuilderTest, PrivateCloudWithNeitherChannelWritesNoChannelCommand) {
  rules.SetChecked(form.rbMULT, false);
  ASSERT_FALSE(form.rbINDE.Checked());
  rules.SelectEntry(form.cbbGPOSSND, -1);  // the page of the channels is not checked
  EXPECT_EQ(GnssLines(Build()),
            LinesOf({{"GNSSFUNEN", "1"}, {"GNSSMOD", "NET"}, {"GPOSUPTM", "10"}, {"GPOSTP", "RMC"}}));
}

TEST_F(ConfigBuilderTest, NoGnssServiceChosenCountsAsThePrivateCloud) {
  rules.SetChecked(form.rbPrivateCloud, false);
  ASSERT_EQ(form.gnssServices.CheckedButton(), nullptr);
  EXPECT_EQ(Build(), ExampleLines());
}

TEST_F(ConfigBuilderTest, PositionPacketTypes) {
  rules.SelectEntry(form.cbbGHEARTTP2, 1);
  EXPECT_EQ(Slice(Build(), "GPOSUPTM", "UART"), LinesOf({{"GPOSUPTM", "10"}, {"GPOSTP", "GGA"}}));
  rules.SelectEntry(form.cbbGHEARTTP2, 2);
  EXPECT_EQ(Slice(Build(), "GPOSUPTM", "UART"),
            LinesOf({{"GPOSUPTM", "10"}, {"GPOSTP", "MDBS"}, {"GMDBS", "2,40010"}}));
}

TEST_F(ConfigBuilderTest, GnssOffWritesOnlyItsSwitchHoweverIncompleteThePages) {
  rules.SetChecked(form.rzchckbxGNSSen, false);
  for (Edit* field : {&form.edtdevid, &form.edtGPOSUPTM, &form.edtQphone, &form.edtQCITY, &form.edtSockgAddr})
    field->SetText("");
  rules.SelectEntry(form.cbbGHEARTTP2, -1);
  for (RadioButton* service : {&form.rbZavCloud, &form.rbPrivateCloud, &form.rbQianXun}) {
    SCOPED_TRACE(service->Name());
    rules.SetChecked(*service, true);
    const Lines& lines = Build();
    EXPECT_EQ(GnssLines(lines), Lines{Line("GNSSFUNEN", "0")});
    EXPECT_EQ(NameOf(lines.back()), "UARTFL");
  }
  EXPECT_TRUE(Warnings().empty());
}

// ---- Global parameters ----

TEST_F(ConfigBuilderTest, TheAdvancedBoxAddsEchoPasswordMessageApnAndRestartTime) {
  rules.SetChecked(form.rzchckbxMore, true);
  rules.SetChecked(form.rzchckbxE, true);
  form.cbbP.SetText("EVEN");
  EXPECT_EQ(Slice(Build(), "UART", "none"), LinesOf({{"UART", "115200,8,1,EVEN"},
                                                     {"UARTFT", "50"},
                                                     {"UARTFL", "1024"},
                                                     {"E", "ON"},
                                                     {"CMDPW", "admin1"},
                                                     {"STMSG", G("欢迎")},
                                                     {"APN", "CMNET"},
                                                     {"RSTIM", "1800"}}));
}

// ---- Refusals ----

struct Refusal {
  const char* trigger;
  std::function<void(ParamForm&, ViewRules&)> setUp;
  ConfigRefusal reason;
  const char* message;  // UTF-8
};

const std::vector<Refusal>& Refusals() {
  static const std::vector<Refusal> refusals = {
      {"cloud: password empty",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rbZavCloud, true);
         f.edtpwd.SetText("");
       },
       ConfigRefusal::CloudIncomplete, "请将[GNSS->ZAV云]参数补充完整"},
      {"cloud: device number of 19",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rbZavCloud, true);
         f.edtdevid.SetText("1234567890123456789");
       },
       ConfigRefusal::CloudDeviceIdLength, "设备编号长度为20字节，请补充完整"},
      {"cloud: password of 7",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rbZavCloud, true);
         f.edtpwd.SetText("1234567");
       },
       ConfigRefusal::CloudPasswordLength, "通信密码长度为8字节，请补充完整"},
      {"QianXun: plate empty",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rbQianXun, true);
         f.edtCarNum.SetText("");
       },
       ConfigRefusal::QianXunIncomplete, "请将[GNSS->千寻位置]参数补充完整"},
      {"QianXun: telephone of 10",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rbQianXun, true);
         f.edtQphone.SetText("1380013800");
       },
       ConfigRefusal::QianXunPhone, "请输入正确的手机号"},
      {"QianXun: region code of 5",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rbQianXun, true);
         r.SetChecked(f.rzchckbxGNSSMore, true);
         f.edtQCITY.SetText("11010");
       },
       ConfigRefusal::QianXunRegionCode, "请输入正确的ID,6位数字"},
      {"shared sockets: no target",
       [](ParamForm& f, ViewRules& r) { r.SelectEntry(f.cbbGPOSSND, -1); },
       ConfigRefusal::PrivateSharedIncomplete, "请将[GNSS->私有云->复用原有服务器]参数补充完整"},
      {"own server: port empty",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rbINDE, true);
         f.edtSockgPort.SetText("");
       },
       ConfigRefusal::PrivateOwnIncomplete, "请将[GNSS->私有云->连接独立通道]参数补充完整"},
      {"own server: odd hex",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rbINDE, true);
         r.SelectEntry(f.cbbGREGTP, 4);
         r.SetChecked(f.rzchckbxGREGDThex, true);
         f.cbbGREGDT.SetText("ABC");
       },
       ConfigRefusal::PrivateOwnOddHex, "自定义注册包，请输入偶数个字节"},
      {"private cloud: interval empty", [](ParamForm& f, ViewRules&) { f.edtGPOSUPTM.SetText(""); },
       ConfigRefusal::PrivateIncomplete, "请将[GNSS->私有云]参数补充完整"},
  };
  return refusals;
}

TEST_F(ConfigBuilderTest, EachRefusalLogsItsMessageAndLeavesAnEmptyList) {
  for (const auto& refusal : Refusals()) {
    SCOPED_TRACE(refusal.trigger);
    BuilderRig fresh;
    fresh.rig.orders.AddOrder("AT+E?\r\n");  // what a previous run left
    fresh.rig.orders.OrderIndex = 1;
    refusal.setUp(fresh.form, fresh.rules);
    const std::string typedPhone = fresh.form.edtQphone.Text();
    EXPECT_EQ(fresh.builder.Build(fresh.rig.orders), refusal.reason);
    EXPECT_TRUE(fresh.rig.orders.Lines().empty());
    EXPECT_EQ(fresh.rig.orders.OrderIndex, 0);
    EXPECT_TRUE(fresh.builder.LastBuildRefused());
    EXPECT_EQ(fresh.Warnings(), Lines{G(refusal.message)});
    EXPECT_EQ(RefusalMessage(refusal.reason), G(refusal.message));
    // The view keeps what the user entered.
    EXPECT_EQ(fresh.form.edtQphone.Text(), typedPhone);
  }
}

// ---- Values the terminal would refuse ----

// A value that smuggles further commands into the line, or breaks its
// command's syntax, refuses the whole write: nothing is sent, the log warns,
// the front end is told once with every field and why.
TEST_F(ConfigBuilderTest, ValuesTheTerminalWouldRefuseStopTheWholeWrite) {
  struct Row {
    const char* trigger;
    std::function<void(ParamForm&, ViewRules&)> setUp;
    std::vector<std::pair<std::string, std::string>> problems;  // command, value
  };
  const std::string longText(2048, 'x');
  const Row rows[] = {
      {"start message injecting a factory reset",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rzchckbxMore, true);
         f.lbledtStMsg.SetText("HELLO\rAT+CLEAR");
       },
       {{"STMSG", "HELLO\rAT+CLEAR"}}},
      {"time-out redirecting socket A",
       [](ParamForm& f, ViewRules&) { f.edtSockATo.SetText("5\rAT+SOCKA=TCP,other.host,6666\rAT+CFGTF"); },
       {{"SOCKATO", "5\rAT+SOCKA=TCP,other.host,6666\rAT+CFGTF"}}},
      {"line feed and backspace",
       [](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rzchckbxMore, true);
         f.lbledtApn.SetText("CMNET\n");
         f.lbledtCmdPw.SetText("pass\bword");
       },
       {{"CMDPW", "pass\bword"}, {"APN", "CMNET\n"}}},
      {"heartbeat time and port as typed",
       [](ParamForm& f, ViewRules&) {
         f.edtHeartTm.SetText("abc");
         f.edtPortA.SetText("70000");
       },
       {{"SOCKA", "TCP,192.168.1.10,70000"}, {"HEARTTM", "abc"}}},
      {"a value longer than the profile keeps",
       [longText](ParamForm& f, ViewRules& r) {
         r.SetChecked(f.rzchckbxMore, true);
         f.lbledtStMsg.SetText(longText);
       },
       {{"STMSG", longText}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.trigger);
    BuilderRig fresh;
    std::vector<std::string> told;
    fresh.builder.OnInvalidValues = [&told](const std::string& message) { told.push_back(message); };
    row.setUp(fresh.form, fresh.rules);
    EXPECT_EQ(fresh.builder.Build(fresh.rig.orders), ConfigRefusal::InvalidValues);
    EXPECT_TRUE(fresh.rig.orders.Lines().empty());
    std::vector<std::pair<std::string, std::string>> problems;
    for (const ValueProblem& problem : fresh.builder.LastProblems()) {
      problems.emplace_back(problem.command, problem.value);
      EXPECT_FALSE(problem.reason.empty());
    }
    EXPECT_EQ(problems, row.problems);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], fresh.builder.LastMessage());
    EXPECT_EQ(fresh.Warnings(), Lines{told[0]});
    for (const auto& [command, value] : row.problems) EXPECT_NE(told[0].find(command + ": "), std::string::npos);
    // The message never carries the control bytes it warns about.
    EXPECT_EQ(told[0].find("\rAT+"), std::string::npos);
  }
}

TEST_F(ConfigBuilderTest, TheRefusalNamesTheFieldByItsCaptionAndSaysWhatIsExpected) {
  form.lblHeartTm.SetCaption("Heartbeat Time(s)");
  form.edtHeartTm.SetText("abc");
  Build();
  ASSERT_EQ(builder.LastProblems().size(), 1u);
  EXPECT_EQ(builder.LastProblems()[0].field, "Heartbeat Time(s)");
  EXPECT_EQ(builder.LastMessage(),
            "The terminal would refuse these values; nothing was sent:\r\n"
            "HEARTTM (Heartbeat Time(s)): \"abc\" is not a whole number from 0 up");
  // The texts of the session's language, when it gives them.
  BracketTexts texts;
  builder.SetTexts(&texts);
  Build();
  EXPECT_EQ(builder.LastMessage(),
            "<info_ValRefused>\r\nHEARTTM (Heartbeat Time(s)): \"abc\" <info_ValNumberFrom>");
  // Corrected, the next build goes through and forgets the problems.
  form.edtHeartTm.SetText("30");
  EXPECT_FALSE(Build().empty());
  EXPECT_TRUE(builder.LastProblems().empty());
  EXPECT_EQ(builder.LastMessage(), "");
}

TEST_F(ConfigBuilderTest, TheInterfaceCallRefusesTheSameWay) {
  form.edtGPOSUPTM.SetText("");
  ConfigurationBuilder& port = builder;
  port.BuildConfiguration(rig.orders);
  EXPECT_TRUE(rig.orders.Lines().empty());
  EXPECT_EQ(builder.LastRefusal(), ConfigRefusal::PrivateIncomplete);
  // An accepted build afterwards clears the refusal.
  form.edtGPOSUPTM.SetText("10");
  port.BuildConfiguration(rig.orders);
  EXPECT_FALSE(builder.LastBuildRefused());
  EXPECT_EQ(rig.orders.OrderCount(), 26);
}

// Every field the check of a service requires, emptied one at a time.
TEST_F(ConfigBuilderTest, EveryRequiredFieldRefusesWhenEmpty) {
  using SetUp = std::function<void(ParamForm&, ViewRules&)>;
  auto emptyEdit = [](Edit ParamForm::*field) -> SetUp {
    return [field](ParamForm& f, ViewRules&) { (f.*field).SetText(""); };
  };
  auto noEntry = [](ChoiceList ParamForm::*list) -> SetUp {
    return [list](ParamForm& f, ViewRules& r) { r.SelectEntry(f.*list, -1); };
  };
  struct Group {
    RadioButton ParamForm::*service;
    RadioButton ParamForm::*channel;  // nullptr: leave as it is
    ConfigRefusal reason;
    std::vector<std::pair<const char*, SetUp>> fields;
  };
  const std::vector<Group> groups = {
      {&ParamForm::rbZavCloud, nullptr, ConfigRefusal::CloudIncomplete,
       {{"edtdevid", emptyEdit(&ParamForm::edtdevid)},
        {"edtpwd", emptyEdit(&ParamForm::edtpwd)},
        {"edtMODBUSID1", emptyEdit(&ParamForm::edtMODBUSID1)},
        {"edtMODBUSAddr1", emptyEdit(&ParamForm::edtMODBUSAddr1)},
        {"edtreportinternal", emptyEdit(&ParamForm::edtreportinternal)}}},
      {&ParamForm::rbQianXun, nullptr, ConfigRefusal::QianXunIncomplete,
       {{"cbbprotocol", noEntry(&ParamForm::cbbprotocol)},
        {"edtSOCKQAddr", emptyEdit(&ParamForm::edtSOCKQAddr)},
        {"edtSOCKQport", emptyEdit(&ParamForm::edtSOCKQport)},
        {"edtSOCKQTO", emptyEdit(&ParamForm::edtSOCKQTO)},
        {"edtQPOSUPTM", emptyEdit(&ParamForm::edtQPOSUPTM)},
        {"edtQphone", emptyEdit(&ParamForm::edtQphone)},
        {"edtQHEARTTM", emptyEdit(&ParamForm::edtQHEARTTM)},
        {"edtQCITY", emptyEdit(&ParamForm::edtQCITY)},
        {"edtQPRODUCER", emptyEdit(&ParamForm::edtQPRODUCER)},
        {"edtTerminalID", emptyEdit(&ParamForm::edtTerminalID)},
        {"edtTerminalmode", emptyEdit(&ParamForm::edtTerminalmode)},
        {"cbbCarcolor", noEntry(&ParamForm::cbbCarcolor)},
        {"edtCarNum", emptyEdit(&ParamForm::edtCarNum)},
        {"edtlHWver", emptyEdit(&ParamForm::edtlHWver)}}},
      {&ParamForm::rbPrivateCloud, &ParamForm::rbMULT, ConfigRefusal::PrivateSharedIncomplete,
       {{"cbbBYsocketA", noEntry(&ParamForm::cbbBYsocketA)},
        {"cbbBYsocketB", noEntry(&ParamForm::cbbBYsocketB)},
        {"cbbGPOSSND", noEntry(&ParamForm::cbbGPOSSND)}}},
      {&ParamForm::rbPrivateCloud, &ParamForm::rbINDE, ConfigRefusal::PrivateOwnIncomplete,
       {{"RzComboBoxSOCKG", noEntry(&ParamForm::RzComboBoxSOCKG)},
        {"edtSockgAddr", emptyEdit(&ParamForm::edtSockgAddr)},
        {"edtSockgPort", emptyEdit(&ParamForm::edtSockgPort)},
        {"edtSOCKGTO", emptyEdit(&ParamForm::edtSOCKGTO)},
        {"cbbGREGTYPE", noEntry(&ParamForm::cbbGREGTYPE)},
        {"cbbGREGTP", noEntry(&ParamForm::cbbGREGTP)},
        {"cbbGREGDT", [](ParamForm& f, ViewRules&) { f.cbbGREGDT.SetEntry(0, ""); }}}},
      {&ParamForm::rbPrivateCloud, nullptr, ConfigRefusal::PrivateIncomplete,
       {{"edtGPOSUPTM", emptyEdit(&ParamForm::edtGPOSUPTM)},
        {"cbbGHEARTTP2", noEntry(&ParamForm::cbbGHEARTTP2)},
        {"edtMODBUSID2 with MDBS",
         [](ParamForm& f, ViewRules& r) {
           r.SelectEntry(f.cbbGHEARTTP2, 2);
           f.edtMODBUSID2.SetText("");
         }},
        {"edtMODBUSAddr2 with MDBS", [](ParamForm& f, ViewRules& r) {
           r.SelectEntry(f.cbbGHEARTTP2, 2);
           f.edtMODBUSAddr2.SetText("");
         }}}},
  };
  for (const auto& group : groups) {
    for (const auto& [field, setUp] : group.fields) {
      SCOPED_TRACE(field);
      BuilderRig fresh;
      fresh.rules.SetChecked(fresh.form.*group.service, true);
      if (group.channel) fresh.rules.SetChecked(fresh.form.*group.channel, true);
      ASSERT_FALSE(fresh.builder.LastBuildRefused());
      ASSERT_EQ(fresh.builder.Build(fresh.rig.orders), ConfigRefusal::None) << "complete page refused";
      setUp(fresh.form, fresh.rules);
      EXPECT_EQ(fresh.builder.Build(fresh.rig.orders), group.reason);
      EXPECT_TRUE(fresh.rig.orders.Lines().empty());
    }
  }
}

TEST_F(ConfigBuilderTest, CloudDeviceNumberIsCheckedBeforeThePassword) {
  rules.SetChecked(form.rbZavCloud, true);
  form.edtdevid.SetText("123456789012345678901");  // 21
  form.edtpwd.SetText("123456789");                // 9
  EXPECT_EQ(builder.Build(rig.orders), ConfigRefusal::CloudDeviceIdLength);
  form.edtdevid.SetText("12345678901234567890");
  EXPECT_EQ(builder.Build(rig.orders), ConfigRefusal::CloudPasswordLength);
}

TEST_F(ConfigBuilderTest, OddHexDataIsRefusedOnlyWhileItsHexBoxIsShownAndChecked) {
  rules.SetChecked(form.rbINDE, true);
  rules.SelectEntry(form.cbbGREGTP, 4);
  form.cbbGREGDT.SetText("ABC");  // text, not hex: goes out as hex
  EXPECT_EQ(Slice(Build(), "GREGDT", "GPOSUPTM"), Lines{Line("GREGDT", "414243")});

  rules.SetChecked(form.rzchckbxGREGDThex, true);  // the field becomes "414243"
  form.cbbGREGDT.SetText("41424");
  EXPECT_EQ(builder.Build(rig.orders), ConfigRefusal::PrivateOwnOddHex);

  // Another type hides the box: its state no longer counts.
  form.cbbGREGDT.SetEntry(3, "SN001");
  rules.SelectEntry(form.cbbGREGTP, 3);
  ASSERT_TRUE(form.rzchckbxGREGDThex.Checked());
  ASSERT_FALSE(form.rzchckbxGREGDThex.Visible());
  EXPECT_EQ(Slice(Build(), "GREGTP", "GPOSUPTM"), Lines{Line("GREGTP", "SN")});
}

TEST_F(ConfigBuilderTest, AFailingGnssCheckAfterTheWorkModeLinesLeavesNoPartialList) {
  rules.SetChecked(form.rbQianXun, true);
  form.edtQCITY.SetText("11010");
  // Work-mode lines and the first QianXun lines were added before the check.
  EXPECT_EQ(builder.Build(rig.orders), ConfigRefusal::QianXunRegionCode);
  EXPECT_EQ(rig.orders.OrderCount(), 0);
  EXPECT_EQ(form.edtQCITY.Text(), "11010");
  EXPECT_EQ(form.edtAddrA.Text(), "192.168.1.10");
}

TEST_F(ConfigBuilderTest, ABuildReplacesTheListItDoesNotAppend) {
  const Lines first = Build();
  rig.orders.OrderIndex = 5;
  EXPECT_EQ(Build(), first);
  EXPECT_EQ(rig.orders.OrderIndex, 0);
}

TEST_F(ConfigBuilderTest, CommandsThatAreNeverWritten) {
  const std::vector<std::string> never = {"H",       "Z",       "VER",     "HDVER",   "ENTM",    "SN",
                                          "ICCID",   "MEID",    "IMEI",    "IMSI",    "RELD",    "CLEAR",
                                          "CFGTF",   "RFCEN",   "SOCKALK", "SOCKBLK", "SOCKCLK", "SOCKDLK",
                                          "SOCKC",   "SOCKD",   "SOCKCEN", "SOCKDEN", "SOCKCSL", "SOCKDSL",
                                          "SOCKCTO", "SOCKDTO", "CSQ"};
  rules.SetChecked(form.rzchckbxMore, true);
  rules.SetChecked(form.rzchckbxRFC, true);
  rules.SetChecked(form.rzchckbxSktC, true);
  rules.SetChecked(form.rzchckbxSktD, true);
  rules.SetChecked(form.rzchckbxRegEn, true);
  form.cbbRegDt.SetText("4142");  // the user's registration packet, as hex
  for (RadioButton* mode : {&form.rbNetTran, &form.rbHttpd, &form.rbSmsTran, &form.rbUdc}) {
    for (RadioButton* service : {&form.rbZavCloud, &form.rbPrivateCloud, &form.rbQianXun}) {
      for (RadioButton* channel : {&form.rbMULT, &form.rbINDE}) {
        rules.SetChecked(*mode, true);
        rules.SetChecked(*service, true);
        rules.SetChecked(*channel, true);
        SCOPED_TRACE(mode->Name() + " " + service->Name() + " " + channel->Name());
        const Lines& lines = Build();
        ASSERT_FALSE(lines.empty()) << builder.LastMessage();
        std::vector<std::string> names = NamesOf(lines);
        for (const auto& name : names) {
          EXPECT_EQ(std::count(never.begin(), never.end(), name), 0) << name;
          EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << name << " twice";
          EXPECT_TRUE(FindCmd(name).has_value()) << name;
        }
      }
    }
  }
}

}  // namespace
}  // namespace t418

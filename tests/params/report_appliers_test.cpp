#include "params/report_appliers.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "form_fakes.h"
#include "gbk_texts.h"
#include "lang/text_lookup.h"
#include "log_fakes.h"
#include "monitor/traffic_log.h"
#include "params/encodings.h"
#include "params/view_rules.h"
#include "params/region_view.h"
#include "vehicle/terminal_fields.h"

namespace t418 {
namespace {

using testing::FixedLogClock;
using testing::G;
using testing::RecordingLogView;
using testing::RecordingMessages;
using testing::RecordingObserver;

class MapTexts : public TextLookup {
 public:
  std::map<std::string, std::string, std::less<>> texts;
  std::string LangText(std::string_view name) const override {
    auto it = texts.find(name);
    return it == texts.end() ? std::string(name) : it->second;
  }
};

// Every text a field showed, in order, so a conversion that a later value
// overwrites can still be seen.
class TextHistory : public FormObserver {
 public:
  void ControlChanged(const Control& control, ControlProperty property) override {
    if (property != ControlProperty::Text) return;
    if (const auto* field = dynamic_cast<const TextField*>(&control)) shown[control.Name()].push_back(field->Text());
  }
  std::map<std::string, std::vector<std::string>> shown;
};

// 北京市 (110000) with 市辖区 (110100) and its counties, and 河北省 (130000).
RegionCatalogue SmallCatalogue() {
  return RegionCatalogue({
      {G("北京市"), "110000",
       {{G("市辖区"), "110100", {{G("东城区"), "110101"}, {G("西城区"), "110102"}}}}},
      {G("河北省"), "130000", {{G("石家庄市"), "130100", {{G("长安区"), "130102"}}}}},
  });
}

class ReportAppliersTest : public ::testing::Test {
 protected:
  ReportAppliersTest() {
    log.SetView(&logView);
    texts.texts["info_Restarting"] = G("正在重启...");
    regions.UseCatalogue(SmallCatalogue());
  }

  void Report(const std::string& name, const std::string& value) { appliers.ApplyReport(name, value); }

  ParamForm form;
  MapTexts texts;
  FixedLogClock clock;
  TrafficLog log{clock};
  RecordingLogView logView;
  RecordingMessages messages;
  HardwareSign hardware;
  ViewRules rules{ViewRuleParts{form, log, texts, hardware, messages, [] { return true; }}};
  RegionView regions{form};
  ReportAppliers appliers{ReportApplierParts{form, rules, regions, log, texts}};
};

// ---- Work mode, GNSS service and private-cloud channel ----

TEST_F(ReportAppliersTest, WorkModeWordChecksItsButtonAndRunsItsRule) {
  struct Case {
    const char* value;
    RadioButton ParamForm::*checked;  // nullptr: none of the four
    int page;                         // of rzpgcntrlPara after the rule
  };
  const Case cases[] = {
      {"NET", &ParamForm::rbNetTran, 0},
      {"HTTPD", &ParamForm::rbHttpd, 1},
      {"SMS", &ParamForm::rbSmsTran, 2},
      {"XSMSY", &ParamForm::rbSmsTran, 2},  // "SMS" anywhere in it
      {"UDC", &ParamForm::rbUdc, 0},
      {"\"NET\"", nullptr, 2},  // in quotes: no hit, the page stays
      {"net", nullptr, 2},
      {" NET", nullptr, 2},
      {"", nullptr, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ParamForm f;
    ViewRules r{ViewRuleParts{f, log, texts, hardware, messages, [] { return true; }}};
    RegionView v{f};
    ReportAppliers a{ReportApplierParts{f, r, v, log, texts}};
    r.Click("rbSmsTran");
    ASSERT_EQ(f.rzpgcntrlPara.PageIndex(), 2);

    a.ApplyReport("WKMOD", c.value);

    for (RadioButton* b : {&f.rbNetTran, &f.rbHttpd, &f.rbSmsTran, &f.rbUdc})
      EXPECT_EQ(b->Checked(), c.checked && b == &(f.*c.checked)) << b->Name();
    EXPECT_EQ(f.rzpgcntrlPara.PageIndex(), c.page);
  }
}

TEST_F(ReportAppliersTest, WorkModeRuleRunsAlsoForTheModeAlreadyChosen) {
  ASSERT_TRUE(form.rbNetTran.Checked());
  ASSERT_EQ(form.imgWkMod.Resource(), "");  // the start state ran no rule

  Report("WKMOD", "NET");

  EXPECT_TRUE(form.rbNetTran.Checked());
  EXPECT_EQ(form.imgWkMod.Resource(), "NET_CN");
}

TEST_F(ReportAppliersTest, UdcWorkModeLocksRegistrationHeartbeatAndConnectionKinds) {
  rules.SetChecked(form.rzchckbxRegEn, false);
  form.cbbASL.SetItemIndex(0);

  Report("WKMOD", "UDC");

  EXPECT_TRUE(form.rbUdc.Checked());
  EXPECT_TRUE(form.rzchckbxRegEn.Checked());
  EXPECT_TRUE(form.rzgrpbxReg.Visible());
  EXPECT_FALSE(form.rzchckbxRegEn.Enabled());
  EXPECT_TRUE(form.edtUdcId.Visible());
  EXPECT_FALSE(form.cbbRegTp.Visible());
  EXPECT_EQ(form.cbbASL.ItemIndex(), 1);
  EXPECT_FALSE(form.cbbASL.Enabled());
}

TEST_F(ReportAppliersTest, GnssServiceAndChannelWordsShowTheirPage) {
  struct Case {
    const char* name;
    const char* value;
    RadioButton ParamForm::*checked;  // nullptr: none of the group
    PageControl ParamForm::*pages;
    int page;
  };
  const Case cases[] = {
      {"GNSSMOD", "NET", &ParamForm::rbPrivateCloud, &ParamForm::RzPageControlGNSS, 1},
      {"GNSSMOD", "QX", &ParamForm::rbQianXun, &ParamForm::RzPageControlGNSS, 2},
      {"GNSSMOD", "\"QX\"", &ParamForm::rbQianXun, &ParamForm::RzPageControlGNSS, 2},  // contains QX
      {"GNSSMOD", "CLOUD", &ParamForm::rbZavCloud, &ParamForm::RzPageControlGNSS, 0},
      {"GNSSMOD", "cloud", nullptr, &ParamForm::RzPageControlGNSS, 1},
      {"GWKMOD", "INDE", &ParamForm::rbINDE, &ParamForm::rzpgcntrlGWKMOD, 1},
      {"GWKMOD", "MULT", &ParamForm::rbMULT, &ParamForm::rzpgcntrlGWKMOD, 0},
      {"GWKMOD", "MULTI", nullptr, &ParamForm::rzpgcntrlGWKMOD, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.value);
    ParamForm f;
    ViewRules r{ViewRuleParts{f, log, texts, hardware, messages, [] { return true; }}};
    RegionView v{f};
    ReportAppliers a{ReportApplierParts{f, r, v, log, texts}};
    r.Click("rbPrivateCloud");
    r.Click("rbINDE");

    a.ApplyReport(c.name, c.value);

    const RadioGroup& group = std::string(c.name) == "GNSSMOD" ? f.gnssServices : f.privateChannels;
    EXPECT_EQ(group.CheckedButton(), c.checked ? &(f.*c.checked) : nullptr);
    EXPECT_EQ((f.*c.pages).PageIndex(), c.page);
  }
}

TEST_F(ReportAppliersTest, SharedChannelOutsideNetworkModeWarnsAndStaysChosen) {
  rules.Click("rbHttpd");
  rules.Click("rbINDE");

  Report("GWKMOD", "MULT");

  EXPECT_TRUE(form.rbMULT.Checked());
  EXPECT_EQ(form.rzpgcntrlGWKMOD.PageIndex(), 0);
  EXPECT_EQ(messages.shown.size(), 1U);
}

// ---- Check boxes ----

TEST_F(ReportAppliersTest, OnOffReportsReachTheirBoxes) {
  struct Case {
    const char* name;
    CheckBox ParamForm::*box;
  };
  const Case cases[] = {
      {"E", &ParamForm::rzchckbxE},
      {"RFCEN", &ParamForm::rzchckbxRFC},
      {"SOCKAEN", &ParamForm::rzchckbxSktA},
      {"SOCKBEN", &ParamForm::rzchckbxSktB},
      {"SOCKCEN", &ParamForm::rzchckbxSktC},
      {"SOCKDEN", &ParamForm::rzchckbxSktD},
      {"SOCKIND", &ParamForm::rzchckbxSOCKIND},
      {"REGEN", &ParamForm::rzchckbxRegEn},
      {"HEARTEN", &ParamForm::rzchckbxHeartEn},
      {"HTPFLT", &ParamForm::rzchckbxHtpFlt},
      {"SMSFLT", &ParamForm::rzchckbxSMSFLT},
      {"SMSPH", &ParamForm::rzchckbxSMSPH},
      {"QLBSADDEN", &ParamForm::rzchckbxQLBSADDEN},
      {"QPOSPACK", &ParamForm::rzchckbxQPOSPACK},
      {"QHEARTEN", &ParamForm::rzchckbxQHEARTEN},
      {"GREGEN", &ParamForm::rzchckbxGREGTP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CheckBox& box = form.*c.box;
    Report(c.name, "ON");
    EXPECT_TRUE(box.Checked());
    for (const char* other : {"on", "", "\"OFF\"", "OFF ", "1"}) {
      Report(c.name, other);
      EXPECT_TRUE(box.Checked()) << other;
    }
    Report(c.name, "OFF");
    EXPECT_FALSE(box.Checked());
    Report(c.name, "ON ");
    EXPECT_FALSE(box.Checked());
  }
}

TEST_F(ReportAppliersTest, OnOffRunsTheClickRuleEvenWhenTheStateStays) {
  struct Case {
    const char* value;
    bool checkedBefore;
    bool groupBefore;  // shown out of step with the box
    bool checkedAfter;
  };
  const Case cases[] = {
      {"on", true, false, true},   // unknown word: the box stays, the rule still runs
      {"on", false, true, false},
      {"ON", true, false, true},   // no change of state
      {"OFF", false, true, false},
      {"ON", false, false, true},  // a change
      {"OFF", true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.value) + (c.checkedBefore ? " checked" : " clear"));
    form.rzchckbxSktA.SetCheckedWithoutRule(c.checkedBefore);
    form.rzgrpbxSktA.SetVisible(c.groupBefore);

    Report("SOCKAEN", c.value);

    EXPECT_EQ(form.rzchckbxSktA.Checked(), c.checkedAfter);
    EXPECT_EQ(form.rzgrpbxSktA.Visible(), c.checkedAfter);
  }
}

TEST_F(ReportAppliersTest, OnOffRunsTheRuleTwiceTheSecondTimeWithTheFinalState) {
  // A Hex box shows it: switched away the text goes back from hex (a text that
  // is no hex stays), switched back it is converted to hex.
  rules.SetChecked(form.rzchckbxHeartDtHex, true);
  form.edtHeartDt.SetText("XYZ");
  appliers.ApplyOnOff(form.rzchckbxHeartDtHex, "ON");
  EXPECT_TRUE(form.rzchckbxHeartDtHex.Checked());
  EXPECT_EQ(form.edtHeartDt.Text(), "58595A");

  // A clear box checked by the value ends in hex once.
  rules.SetChecked(form.rzchckbxHeartDtHex, false);
  form.edtHeartDt.SetText("AB");
  appliers.ApplyOnOff(form.rzchckbxHeartDtHex, "ON");
  EXPECT_EQ(form.edtHeartDt.Text(), "4142");
}

TEST_F(ReportAppliersTest, GnssSwitchTakesOneAndZeroAndRunsItsRuleOnlyOnAChange) {
  ASSERT_TRUE(form.rzchckbxGNSSen.Checked());
  Report("GNSSFUNEN", "0");
  EXPECT_FALSE(form.rzchckbxGNSSen.Checked());
  EXPECT_FALSE(form.rzgrpbxGNSSen.Visible());
  EXPECT_FALSE(form.RzPageControlGNSS.Visible());

  for (const char* other : {"ON", "OFF", "", " 1", "01"}) {
    Report("GNSSFUNEN", other);
    EXPECT_FALSE(form.rzchckbxGNSSen.Checked()) << other;
  }

  Report("GNSSFUNEN", "1");
  EXPECT_TRUE(form.rzchckbxGNSSen.Checked());
  EXPECT_TRUE(form.rzgrpbxGNSSen.Visible());

  // No change, no rule: a group out of step with its box stays so.
  form.rzgrpbxGNSSen.SetVisible(false);
  Report("GNSSFUNEN", "1");
  EXPECT_FALSE(form.rzgrpbxGNSSen.Visible());
}

// ---- Edit fields ----

TEST_F(ReportAppliersTest, TextReportsFillTheirFieldsWhole) {
  struct Case {
    const char* name;
    std::vector<const char*> fields;
  };
  const Case cases[] = {
      {"STMSG", {"lbledtStMsg"}},
      {"CMDPW", {"lbledtCmdPw"}},
      {"SOCKRSTIM", {"lbledtSockRsTim"}},
      {"RSTIM", {"lbledtRsTim"}},
      {"UARTFT", {"edtUARTFT"}},
      {"UARTFL", {"edtUARTFL"}},
      {"SOCKATO", {"edtSockATo"}},
      {"SOCKBTO", {"edtSockBTo"}},
      {"SOCKCTO", {"edtSockCTo"}},
      {"SOCKDTO", {"edtSockDTo"}},
      {"HEARTTM", {"edtHeartTm"}},
      {"HTPURL", {"edtHTPURL"}},
      {"HTPHD", {"edtHTPHD"}},
      {"HTPTO", {"edtHtpTo"}},
      {"DSTNUM", {"edtDSTNUM"}},
      {"SOCKGTO", {"edtSOCKGTO"}},
      {"SOCKQTO", {"edtSOCKQTO"}},
      {"QPHONE", {"edtQphone"}},
      {"QPOSUPTM", {"edtQPOSUPTM"}},
      {"QHEARTTM", {"edtQHEARTTM"}},
      {"QPRODUCER", {"edtQPRODUCER"}},
      {"QHWVER", {"edtlHWver"}},
      {"ID", {"edtUdcId"}},
      {"APN", {"lbledtApn"}},
      {"GPOSUPTM", {"edtreportinternal", "edtGPOSUPTM"}},
  };
  // Commas, blanks, quotes and Chinese text are kept; the typing limit binds no report.
  const std::string value = "\"a, b\" " + G("中文") + ",,0123456789012345678901234";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TextField*> fields;
    for (const char* name : c.fields) {
      fields.push_back(form.Get<TextField>(name));
      ASSERT_NE(fields.back(), nullptr) << name;
    }
    Report(c.name, value);
    for (TextField* field : fields) EXPECT_EQ(field->Text(), value) << field->Name();
    Report(c.name, "30");
    for (TextField* field : fields) EXPECT_EQ(field->Text(), "30") << field->Name();
  }
}

TEST_F(ReportAppliersTest, ReportIntervalFillsBothGnssPages) {
  Report("GPOSUPTM", "30");
  EXPECT_EQ(form.edtreportinternal.Text(), "30");
  EXPECT_EQ(form.edtGPOSUPTM.Text(), "30");
}

// ---- Choice lists ----

TEST_F(ReportAppliersTest, ItemTextIgnoresLetterCaseAndEmptiesTheListWithoutMatch) {
  struct Case {
    const char* value;
    int index;
    const char* text;
  };
  const Case cases[] = {
      {"GET", 0, "GET"}, {"post", 1, "POST"}, {"Get", 0, "GET"},
      {"PUT", -1, ""},   {"\"GET\"", -1, ""}, {"", -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    form.cbbHTPTP.SetItemIndex(1);
    Report("HTPTP", c.value);
    EXPECT_EQ(form.cbbHTPTP.ItemIndex(), c.index);
    EXPECT_EQ(form.cbbHTPTP.Text(), c.text);
  }
}

TEST_F(ReportAppliersTest, ListWordsChooseTheirEntryAndUnknownWordsLeaveTheList) {
  struct Case {
    const char* name;
    const char* value;
    ChoiceList ParamForm::*list;
    int before;
    int after;
  };
  const Case cases[] = {
      {"SOCKASL", "SHORT", &ParamForm::cbbASL, 1, 0},
      {"SOCKASL", "LONG", &ParamForm::cbbASL, 0, 1},
      {"SOCKBSL", "LONG", &ParamForm::cbbBSL, 0, 1},
      {"SOCKCSL", "LONG", &ParamForm::cbbCSL, 0, 1},
      {"SOCKDSL", "SHORT", &ParamForm::cbbDSL, 1, 0},
      {"SOCKASL", "long", &ParamForm::cbbASL, 0, 0},
      {"SOCKASL", "\"LONG\"", &ParamForm::cbbASL, 0, 0},
      {"REGSND", "DATA", &ParamForm::cbbRegSnd, 0, 1},
      {"REGSND", "LINK", &ParamForm::cbbRegSnd, 1, 0},
      {"REGSND", "LINK&DATA", &ParamForm::cbbRegSnd, 1, 1},
      {"HEARTSND", "COM", &ParamForm::cbbHeartSnd, 0, 1},
      {"HEARTSND", "NET", &ParamForm::cbbHeartSnd, 1, 0},
      {"HEARTSND", "SERVER", &ParamForm::cbbHeartSnd, 1, 1},
      {"GREGSND", "DATA", &ParamForm::cbbGREGTYPE, 0, 1},
      {"GREGSND", "LINK", &ParamForm::cbbGREGTYPE, 1, 0},
      {"GPOSSND", "DOUBLE", &ParamForm::cbbGPOSSND, -1, 2},
      {"GPOSSND", "COM", &ParamForm::cbbGPOSSND, 2, 1},
      {"GPOSSND", "NET", &ParamForm::cbbGPOSSND, 2, 0},
      {"GPOSSND", "BOTH", &ParamForm::cbbGPOSSND, -1, -1},
      {"GPOSTP", "GGA", &ParamForm::cbbGHEARTTP2, -1, 1},
      {"GPOSTP", "NMEA", &ParamForm::cbbGHEARTTP2, 0, 0},
      {"GREGTP", "IMSI", &ParamForm::cbbGREGTP, -1, 2},
      {"GREGTP", "MEID", &ParamForm::cbbGREGTP, 0, 0},
      {"REGTP", "ICCID", &ParamForm::cbbRegTp, 3, 0},
      {"REGTP", "USER", &ParamForm::cbbRegTp, 0, 3},
      {"REGTP", "SN", &ParamForm::cbbRegTp, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.value);
    ChoiceList& list = form.*c.list;
    list.SetItemIndex(c.before);
    Report(c.name, c.value);
    EXPECT_EQ(list.ItemIndex(), c.after);
  }
}

TEST_F(ReportAppliersTest, ImeiAndMeidBothChooseTheIdentityTypeWhateverTheIdentityCommand) {
  for (TCmd identity : {TCmd::MEID, TCmd::IMEI}) {
    hardware.identityCmd = identity;
    for (const char* word : {"MEID", "IMEI"}) {
      SCOPED_TRACE(word);
      form.cbbRegTp.SetItemIndex(3);
      Report("REGTP", word);
      EXPECT_EQ(form.cbbRegTp.ItemIndex(), 1);
    }
  }
}

TEST_F(ReportAppliersTest, RegistrationTypeRuleRunsWhateverTheWord) {
  // Entry 2 chosen without its rule: the view still shows the user data.
  form.cbbRegDt.SetEntry(2, "CLOUDNO");
  form.cbbRegTp.SetItemIndex(2);
  ASSERT_FALSE(form.edtCloudPa.Visible());

  Report("REGTP", "UNKNOWN");

  EXPECT_EQ(form.cbbRegTp.ItemIndex(), 2);
  EXPECT_EQ(form.cbbRegDt.ShownEntry(), 2);
  EXPECT_EQ(form.cbbRegDt.Text(), "CLOUDNO");
  EXPECT_TRUE(form.edtCloudPa.Visible());
  EXPECT_EQ(form.lblRegDt.Caption(), "lang_CloudIdPw");

  Report("REGTP", "ICCID");
  EXPECT_EQ(form.cbbRegDt.ShownEntry(), 0);
  EXPECT_TRUE(form.cbbRegDt.ReadOnly());
  EXPECT_FALSE(form.edtCloudPa.Visible());
  EXPECT_EQ(form.lblRegDt.Caption(), G("ICCID码"));
}

TEST_F(ReportAppliersTest, GnssRegistrationTypeAndPositionTypeRunTheirRules) {
  form.cbbGREGDT.SetEntry(3, "SN0001");
  Report("GREGTP", "SN");
  EXPECT_EQ(form.cbbGREGDT.ShownEntry(), 3);
  EXPECT_EQ(form.cbbGREGDT.Text(), "SN0001");
  EXPECT_TRUE(form.cbbGREGDT.ReadOnly());
  EXPECT_EQ(form.lblGREGDT.Caption(), "SN");
  EXPECT_FALSE(form.rzchckbxGREGDThex.Visible());

  Report("GREGTP", "USER");
  EXPECT_EQ(form.cbbGREGDT.ShownEntry(), 4);
  EXPECT_FALSE(form.cbbGREGDT.ReadOnly());
  EXPECT_TRUE(form.rzchckbxGREGDThex.Visible());

  Report("GPOSTP", "MDBS");
  EXPECT_TRUE(form.edtMODBUSID2.Visible());
  EXPECT_TRUE(form.edtMODBUSAddr2.Visible());
  Report("GPOSTP", "RMC");
  EXPECT_FALSE(form.edtMODBUSID2.Visible());
  EXPECT_FALSE(form.lblMODBUSAddr2.Visible());
}

// ---- Registration-data entries ----

TEST_F(ReportAppliersTest, IdentityReportsFillTheirEntriesInBothRegistrationFields) {
  struct Case {
    const char* name;
    int regDtEntry;    // -1: cbbRegDt untouched
    int gregDtEntry;
  };
  const Case cases[] = {
      {"ICCID", 0, 0}, {"MEID", 1, 1}, {"IMEI", 1, 1}, {"IMSI", -1, 2}, {"SN", -1, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ParamForm f;
    ViewRules r{ViewRuleParts{f, log, texts, hardware, messages, [] { return true; }}};
    RegionView v{f};
    ReportAppliers a{ReportApplierParts{f, r, v, log, texts}};

    a.ApplyReport(c.name, "89860012345678901234");

    for (int k = 0; k < f.cbbRegDt.EntryCount(); ++k)
      EXPECT_EQ(f.cbbRegDt.Entry(k), k == c.regDtEntry ? "89860012345678901234" : "") << "cbbRegDt " << k;
    for (int k = 0; k < f.cbbGREGDT.EntryCount(); ++k)
      EXPECT_EQ(f.cbbGREGDT.Entry(k), k == c.gregDtEntry ? "89860012345678901234" : "") << "cbbGREGDT " << k;
  }
}

TEST_F(ReportAppliersTest, WritingAnEntryKeepsTheSelectionAndShowsTheSelectedOneAtOnce) {
  Report("REGTP", "ICCID");
  Report("GREGTP", "IMSI");
  ASSERT_EQ(form.cbbRegDt.ShownEntry(), 0);
  ASSERT_EQ(form.cbbGREGDT.ShownEntry(), 2);

  Report("ICCID", "8986001");

  EXPECT_EQ(form.cbbRegTp.ItemIndex(), 0);
  EXPECT_EQ(form.cbbRegDt.Text(), "8986001");  // the shown entry
  EXPECT_EQ(form.cbbGREGTP.ItemIndex(), 2);
  EXPECT_EQ(form.cbbGREGDT.ShownEntry(), 2);
  EXPECT_EQ(form.cbbGREGDT.Text(), "");  // entry 0 written, entry 2 shown
  EXPECT_EQ(form.cbbGREGDT.Entry(0), "8986001");

  Report("IMSI", "460001");
  EXPECT_EQ(form.cbbGREGDT.Text(), "460001");
  EXPECT_EQ(form.cbbRegDt.Text(), "8986001");
}

TEST_F(ReportAppliersTest, UserRegistrationDataChecksTheHexBoxFirst) {
  // Box clear with plain text shown: the rule converts it, then the entry takes the value.
  TextHistory history;
  form.SetObserver(&history);
  rules.SetChecked(form.rzchckbxRegDtHex, false);
  ASSERT_EQ(form.cbbRegDt.ShownEntry(), 3);
  form.cbbRegDt.SetEntry(3, "AB");
  history.shown.clear();

  Report("REGDT", "31323334");

  EXPECT_TRUE(form.rzchckbxRegDtHex.Checked());
  EXPECT_EQ(form.cbbRegDt.Entry(3), "31323334");
  EXPECT_EQ(form.cbbRegDt.Text(), "31323334");
  EXPECT_EQ(history.shown["cbbRegDt"], (std::vector<std::string>{"4142", "31323334"}));

  // Box already checked: nothing is converted.
  history.shown.clear();
  Report("REGDT", "3536");
  EXPECT_EQ(history.shown["cbbRegDt"], (std::vector<std::string>{"3536"}));
  form.SetObserver(nullptr);
}

TEST_F(ReportAppliersTest, GnssUserRegistrationDataChecksItsHexBoxFirst) {
  Report("GREGTP", "USER");
  ASSERT_FALSE(form.rzchckbxGREGDThex.Checked());
  form.cbbGREGDT.SetEntry(4, "AB");

  Report("GREGDT", "5A4156");

  EXPECT_TRUE(form.rzchckbxGREGDThex.Checked());
  EXPECT_EQ(form.cbbGREGDT.Entry(4), "5A4156");
  EXPECT_EQ(form.cbbGREGDT.Text(), "5A4156");
  EXPECT_EQ(form.cbbGREGTP.ItemIndex(), 4);
}

TEST_F(ReportAppliersTest, CloudReportNeedsExactlyTwoFields) {
  Report("REGTP", "CLOUD");
  Report("CLOUD", "00001234567890123456,00abcdef");
  EXPECT_EQ(form.cbbRegDt.Entry(2), "00001234567890123456");
  EXPECT_EQ(form.cbbRegDt.Text(), "00001234567890123456");
  EXPECT_EQ(form.edtCloudPa.Text(), "00abcdef");

  for (const char* value : {"99990000000000000000", "a,b,c", "", "a,b,"}) {
    SCOPED_TRACE(value);
    Report("CLOUD", value);
    EXPECT_EQ(form.cbbRegDt.Entry(2), "00001234567890123456");
    EXPECT_EQ(form.edtCloudPa.Text(), "00abcdef");
  }
}

// ---- Heartbeat data ----

TEST_F(ReportAppliersTest, HeartbeatDataConvertsTheOldTextBeforeTakingTheValue) {
  TextHistory history;
  form.SetObserver(&history);
  ASSERT_FALSE(form.rzchckbxHeartDtHex.Checked());
  form.edtHeartDt.SetText("AB");
  history.shown.clear();

  Report("HEARTDT", "41424344");

  EXPECT_TRUE(form.rzchckbxHeartDtHex.Checked());
  EXPECT_EQ(form.edtHeartDt.Text(), "41424344");
  EXPECT_EQ(history.shown["edtHeartDt"], (std::vector<std::string>{"4142", "41424344"}));

  history.shown.clear();
  Report("HEARTDT", "7A");
  EXPECT_EQ(history.shown["edtHeartDt"], (std::vector<std::string>{"7A"}));
  form.SetObserver(nullptr);
}

// ---- Field lists ----

TEST_F(ReportAppliersTest, SerialLineTakesFourOrFiveFields) {
  struct Case {
    const char* value;
    const char* baud;
    const char* data;
    const char* stop;
    const char* parity;
    const char* flow;
  };
  // The start state: no baud, 8, 1, NONE, NFC.
  const Case cases[] = {
      {"115200,8,1,NONE,NFC", "115200", "8", "1", "NONE", "NFC"},
      {"9600,7,2,EVEN,RS485", "9600", "7", "2", "EVEN", "RS485"},
      {"9600,7,2,odd", "9600", "7", "2", "ODD", "NFC"},  // four fields leave the flow control
      {"115200,8,1", "", "8", "1", "NONE", "NFC"},        // three change nothing
      {"115200,8,1,NONE,NFC,X", "", "8", "1", "NONE", "NFC"},
      {"115201,8,1,NONE", "", "8", "1", "NONE", "NFC"},  // no such baud: none chosen
      {"115200 8 1 NONE RS485", "115200", "8", "1", "NONE", "RS485"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ParamForm f;
    ViewRules r{ViewRuleParts{f, log, texts, hardware, messages, [] { return true; }}};
    RegionView v{f};
    ReportAppliers a{ReportApplierParts{f, r, v, log, texts}};

    a.ApplyReport("UART", c.value);

    EXPECT_EQ(f.cbbBaud.Text(), c.baud);
    EXPECT_EQ(f.cbbBaud.ItemIndex() >= 0, std::string(c.baud) != "");
    EXPECT_EQ(f.cbbD.Text(), c.data);
    EXPECT_EQ(f.cbbS.Text(), c.stop);
    EXPECT_EQ(f.cbbP.Text(), c.parity);
    EXPECT_EQ(f.cbbFlow.Text(), c.flow);
  }
}

TEST_F(ReportAppliersTest, TwoFieldValuesFillTheirFieldsOrNothing) {
  struct Case {
    const char* name;
    std::vector<Edit ParamForm::*> first;
    std::vector<Edit ParamForm::*> second;
  };
  const Case cases[] = {
      {"HTPSV", {&ParamForm::edtHTPSVIP}, {&ParamForm::edtHTPSVPort}},
      {"GCLOUD", {&ParamForm::edtdevid}, {&ParamForm::edtpwd}},
      {"GMDBS", {&ParamForm::edtMODBUSID1, &ParamForm::edtMODBUSID2},
       {&ParamForm::edtMODBUSAddr1, &ParamForm::edtMODBUSAddr2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Report(c.name, "1,40001");
    for (auto e : c.first) EXPECT_EQ((form.*e).Text(), "1");
    for (auto e : c.second) EXPECT_EQ((form.*e).Text(), "40001");
    for (const char* wrong : {"2", "2,3,4", "", "2,3,"}) {
      Report(c.name, wrong);
      for (auto e : c.first) EXPECT_EQ((form.*e).Text(), "1") << wrong;
      for (auto e : c.second) EXPECT_EQ((form.*e).Text(), "40001") << wrong;
    }
    Report(c.name, ",");  // two empty fields count
    for (auto e : c.first) EXPECT_EQ((form.*e).Text(), "");
    for (auto e : c.second) EXPECT_EQ((form.*e).Text(), "");
  }
}

TEST_F(ReportAppliersTest, SocketFlagsOfThePrivateCloudAreEntryNumbers) {
  struct Case {
    const char* value;
    int a;
    int b;
  };
  // Start from A on, B off each time.
  const Case cases[] = {
      {"1,0", 1, 0},
      {"0,1", 0, 1},
      {"2,1", -1, 1},  // a number outside the list chooses none
      {"-1,+1", -1, 1},
      {"x,0", 1, 0},  // a flag that is no number: both stay
      {"1,0x1", 1, 0},
      {"1", 1, 0},
      {"0,0,0", 1, 0},
      {"", 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    form.cbbBYsocketA.SetItemIndex(1);
    form.cbbBYsocketB.SetItemIndex(0);
    Report("GBYDTU", c.value);
    EXPECT_EQ(form.cbbBYsocketA.ItemIndex(), c.a);
    EXPECT_EQ(form.cbbBYsocketB.ItemIndex(), c.b);
  }
}

TEST_F(ReportAppliersTest, SocketFlagsRunNoChangeRule) {
  // Choosing "enable" by hand checks the socket's box; a report only shows the flags.
  rules.SetChecked(form.rzchckbxSktB, false);
  Report("GBYDTU", "1,1");
  EXPECT_EQ(form.cbbBYsocketB.ItemIndex(), 1);
  EXPECT_FALSE(form.rzchckbxSktB.Checked());
}

TEST_F(ReportAppliersTest, CarInfoReportTakesColourCodeAndPlate) {
  struct Case {
    const char* value;
    int colour;
    const char* plate;
  };
  // Start from yellow and "OLD" each time.
  const Case cases[] = {
      {"9,0", 5, "VIN"},
      {"1,0", 1, "VIN"},
      {"0,A12345", 0, "A12345"},
      {"4,\"B 1\"", 4, "B 1"},  // a quoted plate keeps its blank
      {"7,B1", -1, "B1"},        // no such colour: none chosen
      {"x,B1", 2, "OLD"},        // a colour that is no number: both stay
      {"1", 2, "OLD"},
      {"1,B1,C", 2, "OLD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    form.cbbCarcolor.SetItemIndex(2);
    form.edtCarNum.SetText("OLD");
    Report("QCARINFO", c.value);
    EXPECT_EQ(form.cbbCarcolor.ItemIndex(), c.colour);
    EXPECT_EQ(form.edtCarNum.Text(), c.plate);
  }
}

// ---- Servers ----

TEST_F(ReportAppliersTest, ServerTriplesFillProtocolAddressAndPort) {
  struct Case {
    const char* name;
    const char* value;
    ChoiceList ParamForm::*protocol;
    Edit ParamForm::*address;
    Edit ParamForm::*port;
    const char* protocolText;
  };
  const Case cases[] = {
      {"SOCKA", "TCP,192.168.1.10,2317", &ParamForm::cbbProtocolA, &ParamForm::edtAddrA, &ParamForm::edtPortA, "TCP"},
      {"SOCKB", "udp,example.com,80", &ParamForm::cbbProtocolB, &ParamForm::edtAddrB, &ParamForm::edtPortB, "UDP"},
      {"SOCKC", "TCP,10.0.0.1,1", &ParamForm::cbbProtocolC, &ParamForm::edtAddrC, &ParamForm::edtPortC, "TCP"},
      {"SOCKD", "UDP,10.0.0.2,2", &ParamForm::cbbProtocolD, &ParamForm::edtAddrD, &ParamForm::edtPortD, "UDP"},
      {"SOCKG", "TCPC,gnss.example.com,2317", &ParamForm::RzComboBoxSOCKG, &ParamForm::edtSockgAddr,
       &ParamForm::edtSockgPort, "TCPC"},
      {"SOCKQ", "TCP,203.0.113.5,8808", &ParamForm::cbbprotocol, &ParamForm::edtSOCKQAddr, &ParamForm::edtSOCKQport,
       "TCP"},
      {"SOCKG", "TCP,a,1", &ParamForm::RzComboBoxSOCKG, &ParamForm::edtSockgAddr, &ParamForm::edtSockgPort, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.value);
    Report(c.name, c.value);
    const std::vector<std::string> fields = SplitCommaText(c.value);
    EXPECT_EQ((form.*c.protocol).Text(), c.protocolText);
    EXPECT_EQ((form.*c.address).Text(), fields[1]);
    EXPECT_EQ((form.*c.port).Text(), fields[2]);

    for (const char* wrong : {"TCP,192.168.1.10", "TCP,a,1,2", ""}) {
      Report(c.name, wrong);
      EXPECT_EQ((form.*c.protocol).Text(), c.protocolText) << wrong;
      EXPECT_EQ((form.*c.address).Text(), fields[1]) << wrong;
      EXPECT_EQ((form.*c.port).Text(), fields[2]) << wrong;
    }
  }
}

TEST_F(ReportAppliersTest, SocketProtocolDecidesTheConnectionKind) {
  form.cbbASL.SetItemIndex(0);
  Report("SOCKA", "TCP,192.168.1.10,2317");
  EXPECT_TRUE(form.cbbASL.Visible());
  EXPECT_EQ(form.cbbASL.ItemIndex(), 0);

  Report("SOCKA", "UDP,192.168.1.10,2317");
  EXPECT_EQ(form.edtAddrA.Text(), "192.168.1.10");
  EXPECT_EQ(form.cbbASL.ItemIndex(), 1);
  EXPECT_FALSE(form.cbbASL.Visible());

  // No protocol chosen: the connection kind stays as it is.
  Report("SOCKA", "SCTP,10.0.0.9,9");
  EXPECT_EQ(form.cbbProtocolA.ItemIndex(), -1);
  EXPECT_EQ(form.edtAddrA.Text(), "10.0.0.9");
  EXPECT_FALSE(form.cbbASL.Visible());

  Report("SOCKA", "TCP,192.168.1.10,2317");
  EXPECT_TRUE(form.cbbASL.Visible());
  EXPECT_EQ(form.cbbASL.ItemIndex(), 1);

  Report("SOCKA", "UDP,192.168.1.10");  // two fields: nothing, not even the rule
  EXPECT_EQ(form.cbbProtocolA.ItemIndex(), 0);
  EXPECT_TRUE(form.cbbASL.Visible());
}

// ---- Vehicle terminal ----

TEST_F(ReportAppliersTest, RegionCodeFillsTheCodeAndTheRegionLists) {
  Report("QCITY", "110102");
  EXPECT_EQ(form.edtQCITY.Text(), "110102");
  EXPECT_EQ(form.cbbProvince.Text(), G("北京市"));
  EXPECT_EQ(form.cbbcity.Text(), G("市辖区"));
  EXPECT_EQ(form.cbbCounty.Text(), G("西城区"));

  Report("QCITY", "990101");  // no such province: only the code
  EXPECT_EQ(form.edtQCITY.Text(), "990101");
  EXPECT_EQ(form.cbbProvince.Text(), G("北京市"));
}

TEST_F(ReportAppliersTest, TerminalReportNeedsThreeFieldsAndADecimalType) {
  Report("QTERMINAL", "ZAVGNSS,zav-gnss-001,64");
  EXPECT_EQ(form.edtTerminalID.Text(), "ZAVGNSS");
  EXPECT_EQ(form.edtTerminalmode.Text(), "zav-gnss-001");
  EXPECT_EQ(form.cbbtype6.ItemIndex(), 1);
  EXPECT_EQ(TerminalTypeBits(form), 64);

  for (const char* wrong : {"A,B,x7", "A,B,", "A,B,7.5", "A,B", "A,B,7,8", ""}) {
    SCOPED_TRACE(wrong);
    Report("QTERMINAL", wrong);
    EXPECT_EQ(form.edtTerminalID.Text(), "ZAVGNSS");
    EXPECT_EQ(form.edtTerminalmode.Text(), "zav-gnss-001");
    EXPECT_EQ(TerminalTypeBits(form), 64);
  }
}

// ---- Reports that change no field ----

TEST_F(ReportAppliersTest, RestartReportLogsTheRestartingLine) {
  Report("Z", "");
  const auto infos = logView.TextsOf(LogColour::WindowText);
  ASSERT_EQ(infos.size(), 1U);
  EXPECT_EQ(infos[0], G("正在重启..."));
}

TEST_F(ReportAppliersTest, VersionsUnknownNamesAndUnappliedCommandsChangeNothing) {
  RecordingObserver observer;
  form.SetObserver(&observer);
  for (const char* name : {"VER", "HDVER", "NOSUCH", "REBOOT", "SMSEND", "OK", "", "WKMOD ", "H", "ENTM", "RELD",
                           "CLEAR", "CFGTF", "SOCKALK", "SOCKBLK", "SOCKCLK", "SOCKDLK", "CSQ"}) {
    SCOPED_TRACE(name);
    Report(name, "V1.0.5");
    Report(name, "ON");
  }
  EXPECT_TRUE(observer.changes.empty());
  EXPECT_TRUE(logView.entries.empty());
  EXPECT_EQ(hardware.current, THdVerSign::Hd540);
  form.SetObserver(nullptr);
}

TEST_F(ReportAppliersTest, NamesAreMatchedWithoutRegardToCase) {
  Report("wkmod", "HTTPD");
  EXPECT_TRUE(form.rbHttpd.Checked());
  Report("Sockaen", "OFF");
  EXPECT_FALSE(form.rzchckbxSktA.Checked());
}

// ---- A full read in the order of its queries ----

TEST_F(ReportAppliersTest, ReadingAConfigurationFillsTheView) {
  const std::pair<const char*, const char*> reports[] = {
      {"E", "OFF"},          {"ICCID", "89860"},     {"IMEI", "8612345"},        {"WKMOD", "NET"},
      {"UART", "57600,8,1,EVEN,NFC"},                {"SOCKA", "TCP,10.1.1.1,5000"},
      {"SOCKBEN", "OFF"},    {"SOCKASL", "SHORT"},   {"REGEN", "ON"},            {"REGTP", "IMEI"},
      {"REGSND", "DATA"},    {"HEARTEN", "OFF"},     {"GNSSFUNEN", "1"},         {"GNSSMOD", "QX"},
      {"SOCKQ", "TCP,1.2.3.4,8808"},                 {"QHEARTEN", "ON"},         {"QCITY", "110101"},
      {"QTERMINAL", "T1,M1,15"},                     {"QCARINFO", "1,0"},
  };
  for (const auto& [name, value] : reports) Report(name, value);

  EXPECT_FALSE(form.rzchckbxE.Checked());
  EXPECT_TRUE(form.rbNetTran.Checked());
  EXPECT_EQ(form.cbbBaud.Text(), "57600");
  EXPECT_EQ(form.cbbP.Text(), "EVEN");
  EXPECT_EQ(form.edtAddrA.Text(), "10.1.1.1");
  EXPECT_FALSE(form.rzgrpbxSktB.Visible());
  EXPECT_EQ(form.cbbASL.ItemIndex(), 0);
  EXPECT_TRUE(form.rzgrpbxReg.Visible());
  EXPECT_EQ(form.cbbRegTp.ItemIndex(), 1);
  EXPECT_EQ(form.cbbRegDt.Text(), "8612345");
  EXPECT_TRUE(form.cbbRegDt.ReadOnly());
  EXPECT_EQ(form.cbbRegSnd.ItemIndex(), 1);
  EXPECT_FALSE(form.rzgrpbxHeart.Visible());
  EXPECT_EQ(form.RzPageControlGNSS.PageIndex(), 2);
  EXPECT_EQ(form.edtSOCKQAddr.Text(), "1.2.3.4");
  EXPECT_TRUE(form.rzgrpbxQHeartTM.Visible());
  EXPECT_EQ(form.cbbCounty.Text(), G("东城区"));
  EXPECT_EQ(form.cbbtype3.ItemIndex(), 1);
  EXPECT_EQ(form.cbbCarcolor.ItemIndex(), 1);
  EXPECT_EQ(form.edtCarNum.Text(), "VIN");
}

}  // namespace
}  // namespace t418

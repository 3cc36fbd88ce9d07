#include "params/view_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "form_fakes.h"
#include "lang/text_lookup.h"
#include "log_fakes.h"
#include "monitor/traffic_log.h"
#include "text/gbk.h"

namespace t418 {
namespace {

using testing::FixedLogClock;
using testing::RecordingLogView;
using testing::RecordingMessages;
using testing::RecordingObserver;

// Chinese or English texts of a few catalogue names; other names give themselves.
class TwoLanguageTexts : public TextLookup {
 public:
  bool chinese = true;
  void Add(const char* name, const char* cn, const char* en) { texts_[name] = {Utf8ToGbk(cn), Utf8ToGbk(en)}; }
  std::string LangText(std::string_view name) const override {
    auto it = texts_.find(std::string(name));
    if (it == texts_.end()) return std::string(name);
    return chinese ? it->second.first : it->second.second;
  }

 private:
  std::map<std::string, std::pair<std::string, std::string>> texts_;
};

class ViewRulesTest : public ::testing::Test {
 protected:
  ViewRulesTest() {
    log.SetView(&logView);
    texts.Add("lang_rbNetTran", " 网络透传模式", "Transparent Mode");
    texts.Add("lang_rbHttpd", " HTTPD模式", "HTTPD Client Mode");
    texts.Add("lang_rbUdc", " UDC模式", "UDC Mode");
    texts.Add("lang_rzgrpbxPara", "相关参数", " parameters");
    texts.Add("lang_CloudIdPw", "设备编号和密码", "Device id & code");
    texts.Add("lang_lblCloudId", "设备编号:共20位", "Device ID: Length is 20");
    texts.Add("lang_lblCloudPa", "通讯密码:共8位,不足8位在前面补'0'.", "Communication Code");
    texts.Add("lang_cbbRegTp1_MEID", "MEID码", "MEID Code");
    texts.Add("lang_cbbRegTp1_IMEI", "IMEI码", "IMEI Code");
    texts.Add("info_GNSSMULTInfo", "复用原有通道功能仅支持网络透传模式使用",
              "MULT function only supports network transparent mode to use");
    texts.Add("hint_cbbRegDt_Udc", "UDC ID默认长度为11位，不足11位请补0", "Length must be 11");
  }

  std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }

  ParamForm form;
  TwoLanguageTexts texts;
  FixedLogClock clock;
  TrafficLog log{clock};
  RecordingLogView logView;
  RecordingMessages messages;
  HardwareSign hardware;
  bool chinese = true;
  ViewRules rules{ViewRuleParts{form, log, texts, hardware, messages, [this] { return chinese; }}};
};

// ---- Work mode ----

TEST_F(ViewRulesTest, EachWorkModeShowsItsPictureCaptionAndPage) {
  struct Row {
    RadioButton ParamForm::*button;
    bool chinese;
    const char* picture;
    int page;
    const char* caption;  // UTF-8
  };
  const Row rows[] = {
      {&ParamForm::rbHttpd, true, "HTTP_CN", 1, " HTTPD模式相关参数"},
      {&ParamForm::rbSmsTran, false, "SMS_EN", 2, "lang_rbSmsTran parameters"},
      {&ParamForm::rbUdc, true, "NET_CN", 0, " UDC模式相关参数"},
      {&ParamForm::rbNetTran, false, "NET_EN", 0, "Transparent Mode parameters"},
      {&ParamForm::rbHttpd, false, "HTTP_EN", 1, "HTTPD Client Mode parameters"},
  };
  for (const Row& row : rows) {
    chinese = row.chinese;
    texts.chinese = row.chinese;
    rules.SetChecked(form.*row.button, true);
    EXPECT_EQ(form.imgWkMod.Resource(), row.picture) << (form.*row.button).Name();
    EXPECT_EQ(form.rzpgcntrlPara.PageIndex(), row.page) << (form.*row.button).Name();
    EXPECT_EQ(GbkToUtf8(form.rzgrpbxPara.Caption()), row.caption) << (form.*row.button).Name();
  }
}

TEST_F(ViewRulesTest, UdcModeLocksRegistrationHeartbeatAndConnectionKinds) {
  form.rzchckbxRegEn.SetCheckedWithoutRule(false);
  form.rzgrpbxReg.SetVisible(false);
  form.rzchckbxHeartEn.SetCheckedWithoutRule(false);
  form.rzgrpbxHeart.SetVisible(false);
  form.cbbRegSnd.SetItemIndex(1);
  form.cbbHeartSnd.SetItemIndex(1);

  rules.Click("rbUdc");

  EXPECT_EQ(form.imgWkMod.Resource(), "NET_CN");
  EXPECT_EQ(form.rzpgcntrlPara.PageIndex(), 0);
  EXPECT_TRUE(form.rzchckbxRegEn.Checked());
  EXPECT_TRUE(form.rzgrpbxReg.Visible());  // the box's rule ran
  EXPECT_TRUE(form.rzchckbxHeartEn.Checked());
  EXPECT_TRUE(form.rzgrpbxHeart.Visible());
  EXPECT_EQ(form.cbbRegSnd.ItemIndex(), 0);
  EXPECT_EQ(form.cbbHeartSnd.ItemIndex(), 0);
  for (const char* hidden : {"lblRegTp", "cbbRegTp", "cbbRegDt", "lblRegDt", "edtCloudPa", "rzchckbxRegDtHex",
                             "cbbRegSnd", "lblRegSnd", "lblHeartDt", "edtHeartDt", "rzchckbxHeartDtHex",
                             "cbbHeartSnd", "lblHeartSnd"})
    EXPECT_FALSE(form.Find(hidden)->Visible()) << hidden;
  EXPECT_TRUE(form.edtUdcId.Visible());
  EXPECT_TRUE(form.lblUdcId.Visible());
  EXPECT_EQ(GbkToUtf8(form.edtUdcId.Hint()), "UDC ID默认长度为11位，不足11位请补0");
  for (const char* locked : {"rzchckbxRegDtHex", "cbbRegTp", "rzchckbxRegEn", "rzchckbxHeartEn", "cbbASL", "cbbBSL",
                             "cbbCSL", "cbbDSL"})
    EXPECT_FALSE(form.Find(locked)->Enabled()) << locked;
  for (ChoiceList* kind : {&form.cbbASL, &form.cbbBSL, &form.cbbCSL, &form.cbbDSL})
    EXPECT_EQ(kind->ItemIndex(), 1) << kind->Name();

  // Back to network transfer: unlocked and shown again, the values stay.
  rules.Click("rbNetTran");
  for (const char* unlocked : {"rzchckbxRegDtHex", "cbbRegTp", "rzchckbxRegEn", "rzchckbxHeartEn", "cbbASL",
                               "cbbBSL", "cbbCSL", "cbbDSL"})
    EXPECT_TRUE(form.Find(unlocked)->Enabled()) << unlocked;
  for (const char* shown : {"lblRegTp", "cbbRegTp", "cbbRegDt", "lblRegDt", "rzchckbxRegDtHex", "cbbRegSnd",
                            "edtHeartDt", "cbbHeartSnd"})
    EXPECT_TRUE(form.Find(shown)->Visible()) << shown;
  EXPECT_FALSE(form.edtUdcId.Visible());
  EXPECT_EQ(form.cbbASL.ItemIndex(), 1);
  EXPECT_EQ(form.cbbDSL.ItemIndex(), 1);
  EXPECT_TRUE(form.rzchckbxRegEn.Checked());
  EXPECT_EQ(form.imgWkMod.Resource(), "NET_CN");
}

TEST_F(ViewRulesTest, HttpdModeSetsTheHeartbeatTargetBackToTheServer) {
  form.cbbHeartSnd.SetItemIndex(1);
  rules.SetChecked(form.rbHttpd, true);
  EXPECT_EQ(form.cbbHeartSnd.ItemIndex(), 0);
  EXPECT_TRUE(form.cbbASL.Enabled());
}

TEST_F(ViewRulesTest, CheckingAnAlreadyCheckedButtonOrClearingOneRunsNoRule) {
  form.imgWkMod.SetResource("");
  rules.SetChecked(form.rbNetTran, true);  // already checked
  EXPECT_EQ(form.imgWkMod.Resource(), "");
  rules.SetChecked(form.rbNetTran, false);
  EXPECT_EQ(form.imgWkMod.Resource(), "");
  EXPECT_EQ(CurrentWorkMode(form), 4);

  form.rzgrpbxSktA.SetVisible(false);
  rules.SetChecked(form.rzchckbxSktA, true);  // no change of state, no rule
  EXPECT_FALSE(form.rzgrpbxSktA.Visible());
  rules.SetChecked(form.rzchckbxSktA, false);
  rules.SetChecked(form.rzchckbxSktA, true);
  EXPECT_TRUE(form.rzgrpbxSktA.Visible());
}

TEST_F(ViewRulesTest, RerunningTheWorkModeRuleSkipsUdc) {
  rules.SetChecked(form.rbUdc, true);
  chinese = false;
  rules.RerunWorkModeRule();
  EXPECT_EQ(form.imgWkMod.Resource(), "NET_CN");
  rules.SetChecked(form.rbHttpd, true);
  chinese = true;
  form.imgWkMod.SetResource("");
  rules.RerunWorkModeRule();
  EXPECT_EQ(form.imgWkMod.Resource(), "HTTP_CN");
}

// ---- Enable boxes and sockets ----

TEST_F(ViewRulesTest, EnableBoxesShowTheirGroupsExactlyWhileChecked) {
  const std::pair<const char*, std::vector<const char*>> rows[] = {
      {"rzchckbxSktA", {"rzgrpbxSktA"}},       {"rzchckbxSktB", {"rzgrpbxSktB"}},
      {"rzchckbxSktC", {"rzgrpbxSktC"}},       {"rzchckbxSktD", {"rzgrpbxSktD"}},
      {"rzchckbxHeartEn", {"rzgrpbxHeart"}},   {"rzchckbxRegEn", {"rzgrpbxReg"}},
      {"rzchckbxMore", {"rzgrpbxMore"}},       {"rzchckbxGNSSen", {"rzgrpbxGNSSen", "RzPageControlGNSS"}},
      {"rzchckbxGREGTP", {"rzgrpbxGREGTP"}},   {"rzchckbxGNSSMore", {"rzgrpbxGNSSmore"}},
      {"rzchckbxQHEARTEN", {"rzgrpbxQHeartTM"}},
  };
  for (const auto& [box, groups] : rows) {
    for (int click = 0; click < 2; ++click) {
      ASSERT_TRUE(rules.Click(box));
      const bool checked = form.Get<CheckBox>(box)->Checked();
      for (const char* group : groups) EXPECT_EQ(form.Find(group)->Visible(), checked) << box << " " << group;
    }
  }
}

TEST_F(ViewRulesTest, UdpHidesTheConnectionKindAtLongAndTcpShowsItAgain) {
  struct Row {
    ChoiceList ParamForm::*protocol;
    ChoiceList ParamForm::*kind;
  };
  const Row rows[] = {{&ParamForm::cbbProtocolA, &ParamForm::cbbASL},
                      {&ParamForm::cbbProtocolB, &ParamForm::cbbBSL},
                      {&ParamForm::cbbProtocolC, &ParamForm::cbbCSL},
                      {&ParamForm::cbbProtocolD, &ParamForm::cbbDSL}};
  for (const Row& row : rows) {
    ChoiceList& kind = form.*row.kind;
    kind.SetItemIndex(0);
    rules.SelectEntry(form.*row.protocol, 1);  // UDP
    EXPECT_FALSE(kind.Visible()) << kind.Name();
    EXPECT_EQ(kind.ItemIndex(), 1) << kind.Name();
    rules.SelectEntry(form.*row.protocol, 0);  // TCP
    EXPECT_TRUE(kind.Visible()) << kind.Name();
    EXPECT_EQ(kind.ItemIndex(), 1) << kind.Name();
    kind.SetItemIndex(0);
    kind.SetVisible(false);
    rules.SelectEntry(form.*row.protocol, -1);  // no entry: nothing changes
    EXPECT_FALSE(kind.Visible()) << kind.Name();
    EXPECT_EQ(kind.ItemIndex(), 0) << kind.Name();
  }
  // The other sockets are untouched by socket B's protocol.
  form.cbbASL.SetItemIndex(0);
  form.cbbASL.SetVisible(true);
  rules.SelectEntry("cbbProtocolB", 1);
  EXPECT_TRUE(form.cbbASL.Visible());
  EXPECT_EQ(form.cbbASL.ItemIndex(), 0);
}

// ---- Registration ----

TEST_F(ViewRulesTest, RegistrationTypeDecidesFieldsLabelAndHints) {
  struct Row {
    int type;
    RadioButton ParamForm::*mode;
    bool cloudCode, hexBox, readOnly;
    const char* label;  // UTF-8
  };
  const Row rows[] = {
      {0, &ParamForm::rbNetTran, false, false, true, "ICCID码"},
      {1, &ParamForm::rbNetTran, false, false, true, "MEID码"},
      {2, &ParamForm::rbNetTran, true, false, false, "设备编号和密码"},
      {3, &ParamForm::rbNetTran, false, true, false, "自定义数据"},
      {2, &ParamForm::rbUdc, false, false, false, "设备编号和密码"},
      {3, &ParamForm::rbUdc, false, false, false, "自定义数据"},
      {2, &ParamForm::rbHttpd, false, false, false, "设备编号和密码"},
  };
  for (const Row& row : rows) {
    rules.SetChecked(form.*row.mode, true);
    rules.SelectEntry(form.cbbRegTp, row.type);
    const std::string where = std::to_string(row.type) + " " + (form.*row.mode).Name();
    EXPECT_EQ(form.edtCloudPa.Visible(), row.cloudCode) << where;
    EXPECT_EQ(form.rzchckbxRegDtHex.Visible(), row.hexBox) << where;
    EXPECT_EQ(form.cbbRegDt.ReadOnly(), row.readOnly) << where;
    EXPECT_EQ(form.cbbRegDt.ShownEntry(), row.type) << where;
    EXPECT_EQ(GbkToUtf8(form.lblRegDt.Caption()), row.label) << where;
    EXPECT_EQ(GbkToUtf8(form.cbbRegDt.Hint()), row.type == 2 ? "设备编号:共20位" : "") << where;
    EXPECT_EQ(GbkToUtf8(form.edtCloudPa.Hint()), row.type == 2 ? "通讯密码:共8位,不足8位在前面补'0'." : "")
        << where;
  }
  // UDC mode keeps the cloud code hidden when the work-mode rule runs afterwards too.
  rules.SetChecked(form.rbNetTran, true);
  rules.SelectEntry(form.cbbRegTp, 2);
  rules.SetChecked(form.rbUdc, true);
  EXPECT_FALSE(form.edtCloudPa.Visible());
  rules.SetChecked(form.rbNetTran, true);
  EXPECT_TRUE(form.edtCloudPa.Visible());
}

TEST_F(ViewRulesTest, TypedRegistrationDataIsShownNotStored) {
  form.cbbRegDt.SetEntry(0, "89860012345678901234");
  form.cbbRegDt.SetEntry(3, "5A4156");
  rules.SelectEntry(form.cbbRegTp, 3);
  form.cbbRegDt.SetText("414243");  // the user types
  EXPECT_EQ(form.cbbRegDt.Text(), "414243");
  rules.SelectEntry(form.cbbRegTp, 0);
  EXPECT_EQ(form.cbbRegDt.Text(), "89860012345678901234");
  rules.SelectEntry(form.cbbRegTp, 3);
  EXPECT_EQ(form.cbbRegDt.Text(), "5A4156");

  // The same for the GNSS registration data.
  form.cbbGREGDT.SetEntry(2, "460001234567890");
  form.cbbGREGDT.SetEntry(4, "31");
  rules.SelectEntry(form.cbbGREGTP, 4);
  form.cbbGREGDT.SetText("3132");
  rules.SelectEntry(form.cbbGREGTP, 2);
  EXPECT_EQ(form.cbbGREGDT.Text(), "460001234567890");
  rules.SelectEntry(form.cbbGREGTP, 4);
  EXPECT_EQ(form.cbbGREGDT.Text(), "31");
}

TEST_F(ViewRulesTest, IdentityEntryFollowsTheIdentityCommandAndKeepsTheChoice) {
  rules.SelectEntry(form.cbbRegTp, 1);
  hardware.identityCmd = TCmd::IMEI;
  rules.RenewIdentityEntry();
  EXPECT_EQ(form.cbbRegTp.ItemIndex(), 1);
  EXPECT_EQ(GbkToUtf8(form.cbbRegTp.Text()), "IMEI码");
  EXPECT_EQ(GbkToUtf8(form.cbbRegTp.Items()[1]), "IMEI码");

  texts.chinese = false;
  hardware.identityCmd = TCmd::MEID;
  rules.SelectEntry(form.cbbRegTp, 2);
  rules.RenewIdentityEntry();
  EXPECT_EQ(form.cbbRegTp.ItemIndex(), 2);
  EXPECT_EQ(form.cbbRegTp.Items()[1], "MEID Code");
}

TEST_F(ViewRulesTest, GnssRegistrationTypeDecidesLabelEntryAndHexBox) {
  for (int type = 0; type < 5; ++type) {
    form.cbbGREGDT.SetEntry(type, "entry" + std::to_string(type));
  }
  for (int type : {4, 0, 1, 2, 3, 4}) {
    rules.SelectEntry(form.cbbGREGTP, type);
    EXPECT_EQ(form.lblGREGDT.Caption(), form.cbbGREGTP.Items()[type]) << type;
    EXPECT_EQ(form.cbbGREGDT.Text(), "entry" + std::to_string(type)) << type;
    EXPECT_EQ(form.cbbGREGDT.ReadOnly(), type != 4) << type;
    EXPECT_EQ(form.rzchckbxGREGDThex.Visible(), type == 4) << type;
  }
}

TEST_F(ViewRulesTest, ModbusHeartbeatShowsTheSecondModbusPair) {
  for (int type : {2, 0, 2, 1, -1}) {
    rules.SelectEntry(form.cbbGHEARTTP2, type);
    for (const char* name : {"lblMODBUSID2", "edtMODBUSID2", "lblMODBUSAddr2", "edtMODBUSAddr2"})
      EXPECT_EQ(form.Find(name)->Visible(), type == 2) << name << " " << type;
  }
}

// ---- GNSS ----

TEST_F(ViewRulesTest, GnssServiceShowsItsPageAndItsScrollBoxTakesTheFocus) {
  const std::tuple<const char*, int, const char*> rows[] = {
      {"rbQianXun", 2, "advscrlbxGNSS4"},
      {"rbPrivateCloud", 1, "advscrlbxGNSS2"},
      {"rbZavCloud", 0, "advscrlbxGNSS1"},
  };
  for (const auto& [button, page, box] : rows) {
    rules.Click(button);
    EXPECT_EQ(form.RzPageControlGNSS.PageIndex(), page) << button;
    EXPECT_EQ(rules.rbZavCloudMouseUp(), box) << button;
  }
  form.rbZavCloud.SetCheckedWithoutRule(false);
  EXPECT_EQ(rules.rbZavCloudMouseUp(), "");
}

TEST_F(ViewRulesTest, SharedSocketsOutsideNetworkModeWarnButStayChosen) {
  rules.SetChecked(form.rbHttpd, true);
  rules.SetChecked(form.rbINDE, true);
  EXPECT_EQ(form.rzpgcntrlGWKMOD.PageIndex(), 1);
  EXPECT_TRUE(messages.shown.empty());

  rules.SetChecked(form.rbMULT, true);
  const std::string message = Gbk("复用原有通道功能仅支持网络透传模式使用");
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], message);
  const auto lines = logView.TextEntries();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text, message);
  EXPECT_EQ(lines[0].colour, LogColour::Warning);
  EXPECT_TRUE(form.rbMULT.Checked());
  EXPECT_EQ(form.rzpgcntrlGWKMOD.PageIndex(), 0);

  // In network transfer mode no message.
  rules.SetChecked(form.rbNetTran, true);
  rules.SetChecked(form.rbINDE, true);
  rules.SetChecked(form.rbMULT, true);
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(form.rzpgcntrlGWKMOD.PageIndex(), 0);
}

TEST_F(ViewRulesTest, EnablingASharedSocketSwitchesThatSocketOnInNetworkMode) {
  struct Row {
    const char* flag;
    int entry;
    RadioButton ParamForm::*mode;
    bool socketOn;
  };
  const Row rows[] = {
      {"cbbBYsocketA", 1, &ParamForm::rbNetTran, true}, {"cbbBYsocketB", 1, &ParamForm::rbNetTran, true},
      {"cbbBYsocketA", 0, &ParamForm::rbNetTran, false}, {"cbbBYsocketB", 1, &ParamForm::rbHttpd, false},
      {"cbbBYsocketA", 1, &ParamForm::rbUdc, false},
  };
  for (const Row& row : rows) {
    rules.SetChecked(form.*row.mode, true);
    rules.SetChecked(form.rzchckbxSktA, false);
    rules.SetChecked(form.rzchckbxSktB, false);
    rules.SelectEntry(row.flag, row.entry);
    CheckBox& socket = std::string(row.flag) == "cbbBYsocketA" ? form.rzchckbxSktA : form.rzchckbxSktB;
    EXPECT_EQ(socket.Checked(), row.socketOn) << row.flag << " " << row.entry;
    EXPECT_EQ((&socket == &form.rzchckbxSktA ? form.rzgrpbxSktA : form.rzgrpbxSktB).Visible(), row.socketOn)
        << row.flag;
  }
}

TEST_F(ViewRulesTest, DoubleClickGrowsTheGnssPanelToTheRoomLeftAndBack) {
  form.pnlL.SetHeight(700);
  form.rzgrpbxWkmod.SetHeight(130);
  rules.rzgrpbxGNSSDblClick();
  EXPECT_EQ(form.RzSizePanel1.Height(), 700 - 130 - 129 - 30);
  rules.rzgrpbxGNSSDblClick();
  EXPECT_EQ(form.RzSizePanel1.Height(), 160);
  form.RzSizePanel1.SetHeight(120);  // dragged smaller: grows
  rules.rzgrpbxGNSSDblClick();
  EXPECT_EQ(form.RzSizePanel1.Height(), 411);
  form.pnlL.SetHeight(200);  // no room left: stays at its small size
  form.RzSizePanel1.SetHeight(100);
  rules.rzgrpbxGNSSDblClick();
  EXPECT_EQ(form.RzSizePanel1.Height(), 160);
}

// ---- Hex boxes ----

TEST_F(ViewRulesTest, HexBoxesConvertTheirFields) {
  struct Row {
    const char* box;
    bool check;
    const char* before;
    const char* after;
  };
  const Row rows[] = {
      {"rzchckbxHeartDtHex", true, "AB", "4142"},
      {"rzchckbxHeartDtHex", false, "4142", "AB"},
      {"rzchckbxHeartDtHex", false, "41G2", "41G2"},
      {"rzchckbxRegDtHex", true, "ZAV", "5A4156"},
      {"rzchckbxRegDtHex", false, "5a4156", "ZAV"},
      {"rzchckbxGREGDThex", true, "ab", "6162"},
      {"rzchckbxGREGDThex", false, "6162", "ab"},
  };
  for (const Row& row : rows) {
    auto* box = form.Get<CheckBox>(row.box);
    box->SetCheckedWithoutRule(!row.check);
    const std::string name = row.box;
    if (name == "rzchckbxHeartDtHex") {
      form.edtHeartDt.SetText(row.before);
      rules.SetChecked(*box, row.check);
      EXPECT_EQ(form.edtHeartDt.Text(), row.after) << row.box << " " << row.before;
    } else {
      RegDataField& data = name == "rzchckbxRegDtHex" ? form.cbbRegDt : form.cbbGREGDT;
      const int userEntry = data.EntryCount() - 1;
      data.SetEntry(0, "ICCID");
      data.ShowEntry(0);
      data.SetText(row.before);  // shown, not stored
      rules.SetChecked(*box, row.check);
      EXPECT_EQ(data.ShownEntry(), userEntry) << row.box;
      EXPECT_EQ(data.Entry(userEntry), row.after) << row.box << " " << row.before;
      EXPECT_EQ(data.Text(), row.after) << row.box;
      EXPECT_EQ(data.Entry(0), "ICCID") << row.box;
    }
  }
}

// ---- Consistency and notification ----

TEST_F(ViewRulesTest, TheStartStateIsWhatTheRulesWouldShow) {
  RecordingObserver observer;
  form.SetObserver(&observer);
  for (CheckBox* box : {&form.rzchckbxSktA, &form.rzchckbxSktB, &form.rzchckbxSktC, &form.rzchckbxSktD,
                        &form.rzchckbxHeartEn, &form.rzchckbxRegEn, &form.rzchckbxMore, &form.rzchckbxGNSSen,
                        &form.rzchckbxGREGTP, &form.rzchckbxGNSSMore, &form.rzchckbxQHEARTEN})
    rules.rzchckbxEnableClick(*box);
  for (ChoiceList* protocol : {&form.cbbProtocolA, &form.cbbProtocolB, &form.cbbProtocolC, &form.cbbProtocolD})
    rules.cbbProtocolChange(*protocol);
  rules.ApplyUdcLayout(false);
  rules.cbbGREGTPChange();
  rules.cbbGHEARTTP2Change();
  rules.rbZavCloudClick(form.rbZavCloud);
  rules.rbMULTClick(form.rbMULT);
  form.rzpgcntrlPara.SetPageIndex(0);
  for (const auto& [name, property] : observer.changes) {
    EXPECT_NE(property, ControlProperty::Visible) << name;
    EXPECT_NE(property, ControlProperty::Enabled) << name;
    EXPECT_NE(property, ControlProperty::ReadOnly) << name;
    EXPECT_NE(property, ControlProperty::PageIndex) << name;
    EXPECT_NE(property, ControlProperty::Checked) << name;
    EXPECT_NE(property, ControlProperty::ItemIndex) << name;
  }
}

TEST_F(ViewRulesTest, RulesRunByTheProgramReachTheObserver) {
  RecordingObserver observer;
  form.SetObserver(&observer);
  rules.SetChecked("rzchckbxSktA", false);
  rules.SelectEntry("cbbProtocolB", 1);
  const std::vector<std::pair<std::string, ControlProperty>> expected = {
      {"rzchckbxSktA", ControlProperty::Checked}, {"rzgrpbxSktA", ControlProperty::Visible},
      {"cbbProtocolB", ControlProperty::ItemIndex}, {"cbbProtocolB", ControlProperty::Text},
      {"cbbBSL", ControlProperty::ItemIndex},       {"cbbBSL", ControlProperty::Text},
      {"cbbBSL", ControlProperty::Visible},
  };
  EXPECT_EQ(observer.changes, expected);
  EXPECT_FALSE(rules.SetChecked("cbbBSL", true));  // not a box
  EXPECT_FALSE(rules.Click("nothing"));
  EXPECT_FALSE(rules.SelectEntry("edtAddrA", 0));
}

}  // namespace
}  // namespace t418

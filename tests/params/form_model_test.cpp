#include "params/param_form.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "form_fakes.h"
#include "gbk_texts.h"

namespace t418 {
namespace {

using testing::G;
using testing::RecordingObserver;

TEST(FormModel, EveryControlIsFoundByItsOwnNameAndNamesAreUnique) {
  ParamForm form;
  std::set<std::string> names;
  for (Control* control : form.Controls()) {
    EXPECT_TRUE(names.insert(control->Name()).second) << control->Name() << " twice";
    EXPECT_EQ(form.Find(control->Name()), control) << control->Name();
  }
  EXPECT_GT(names.size(), 200u);
  EXPECT_EQ(form.Find("rbUdc"), &form.rbUdc);
  EXPECT_EQ(form.Get<ChoiceList>("cbbRegTp"), &form.cbbRegTp);
  EXPECT_EQ(form.Get<Edit>("lbledtApn"), &form.lbledtApn);  // a labelled edit is an edit
  EXPECT_EQ(form.Get<Edit>("cbbRegTp"), nullptr);            // wrong type
  EXPECT_EQ(form.Find("btnAskAll"), nullptr);                // not in the parameter view
  EXPECT_EQ(form.Find("rbudc"), nullptr);                    // names are exact
}

TEST(FormModel, KindsAndTagsFollowTheLayout) {
  struct Row {
    const char* name;
    ControlKind kind;
    int tag;
  };
  const Row rows[] = {
      {"imgWkMod", ControlKind::Picture, 0},        {"rbNetTran", ControlKind::RadioButton, 0},
      {"rbHttpd", ControlKind::RadioButton, 1},     {"rbSmsTran", ControlKind::RadioButton, 2},
      {"rbUdc", ControlKind::RadioButton, 0},       {"rzpgcntrlPara", ControlKind::PageControl, 0},
      {"rzchckbxSktD", ControlKind::CheckBox, 7},   {"rzchckbxGNSSen", ControlKind::CheckBox, 11},
      {"rzchckbxQHEARTEN", ControlKind::CheckBox, 15}, {"rzchckbxGREGDThex", ControlKind::CheckBox, 12},
      {"cbbProtocolC", ControlKind::ChoiceList, 3}, {"cbbRegDt", ControlKind::RegDataField, 0},
      {"cbbGREGDT", ControlKind::RegDataField, 0},  {"lbledtSockRsTim", ControlKind::LabeledEdit, 0},
      {"edtCloudPa", ControlKind::Edit, 0},         {"rbQianXun", ControlKind::RadioButton, 12},
      {"rbINDE", ControlKind::RadioButton, 21},     {"rzgrpbxGNSSmore", ControlKind::Group, 0},
      {"advscrlbxGNSS4", ControlKind::ScrollBox, 0}, {"RzSizePanel1", ControlKind::Panel, 0},
      {"TabSheet6", ControlKind::Page, 0},          {"lblRegDt", ControlKind::Label, 0},
  };
  ParamForm form;
  for (const Row& row : rows) {
    const Control* control = form.Find(row.name);
    ASSERT_NE(control, nullptr) << row.name;
    EXPECT_EQ(control->Kind(), row.kind) << row.name;
    EXPECT_EQ(control->Tag(), row.tag) << row.name;
  }
}

TEST(FormModel, ListsStartWithTheirEntriesAndChoice) {
  struct Row {
    const char* name;
    std::vector<std::string> items;
    int index;
  };
  const Row rows[] = {
      {"cbbProtocolB", {"TCP", "UDP"}, 0},
      {"cbbDSL", G({"短链接", "长连接"}), 0},
      {"cbbRegTp", G({"ICCID码", "MEID码", "透传云", "自定义数据"}), 3},
      {"cbbHTPTP", {"GET", "POST"}, 1},
      {"cbbP", {"NONE", "ODD", "EVEN"}, 0},
      {"cbbD", {"7", "8"}, 1},
      {"cbbFlow", {"NFC", "RS485"}, 0},
      {"RzComboBoxSOCKG", {"TCPC"}, 0},
      {"cbbGREGTP", G({"ICCID", "IMEI", "IMSI", "SN", "自定义"}), -1},
      {"cbbGHEARTTP2", G({"NMEA RMC", "NMEA GGA", "ZAVmodbus定位"}), -1},
      {"cbbBYsocketB", G({"禁用", "启用"}), -1},
      {"cbbtype6", G({"不支持硬盘录像", "支持硬盘录像"}), -1},
      {"cbbCarcolor", G({"未上牌", "蓝色", "黄色", "黑色", "白色", "其他"}), -1},
      {"cbbProvince", {}, -1},
  };
  ParamForm form;
  for (const Row& row : rows) {
    const auto* list = form.Get<ChoiceList>(row.name);
    ASSERT_NE(list, nullptr) << row.name;
    EXPECT_EQ(list->Items(), row.items) << row.name;
    EXPECT_EQ(list->ItemIndex(), row.index) << row.name;
    EXPECT_EQ(list->Text(), row.index >= 0 ? row.items[row.index] : "") << row.name;
  }
  EXPECT_EQ(form.cbbBaud.Count(), 13);
  EXPECT_EQ(form.cbbBaud.Items()[10], "115200");
  EXPECT_TRUE(form.cbbcity.Editable());
  EXPECT_FALSE(form.cbbCarcolor.Editable());
}

TEST(FormModel, TypingLimitsFollowTheLayout) {
  const std::pair<const char*, int> rows[] = {
      {"edtCloudPa", 8},     {"edtdevid", 20},     {"edtpwd", 8},           {"edtMODBUSID1", 3},
      {"edtMODBUSAddr1", 5}, {"edtreportinternal", 4}, {"edtSockgPort", 5}, {"edtSOCKGTO", 3},
      {"edtMODBUSID2", 3},   {"edtMODBUSAddr2", 5}, {"edtGPOSUPTM", 4},     {"edtSOCKQport", 5},
      {"edtSOCKQTO", 3},     {"edtQPOSUPTM", 4},   {"edtQphone", 12},       {"edtQHEARTTM", 4},
      {"edtQPRODUCER", 5},   {"edtTerminalID", 7}, {"edtTerminalmode", 20}, {"edtCarNum", 20},
      {"edtlHWver", 20},     {"edtQCITY", 6},      {"edtAddrA", 0},         {"edtHeartDt", 0},
  };
  ParamForm form;
  for (const auto& [name, limit] : rows) {
    const auto* edit = form.Get<Edit>(name);
    ASSERT_NE(edit, nullptr) << name;
    EXPECT_EQ(edit->MaxLength(), limit) << name;
  }
  EXPECT_EQ(form.cbbGREGDT.MaxLength(), 128);
  EXPECT_EQ(form.cbbGREGDT.EntryCount(), 5);
  EXPECT_EQ(form.cbbRegDt.EntryCount(), 4);
}

TEST(FormModel, StartStateOfBoxesGroupsAndHiddenControls) {
  ParamForm form;
  const std::pair<const char*, bool> checked[] = {
      {"rzchckbxSktA", true},      {"rzchckbxSktB", true},      {"rzchckbxSktC", false},
      {"rzchckbxHeartEn", true},   {"rzchckbxHeartDtHex", false}, {"rzchckbxRegEn", true},
      {"rzchckbxRegDtHex", false}, {"rzchckbxHtpFlt", false},   {"rzchckbxSMSFLT", true},
      {"rzchckbxSMSPH", false},    {"rzchckbxMore", false},     {"rzchckbxE", false},
      {"rzchckbxGNSSen", true},    {"rzchckbxGREGTP", true},    {"rzchckbxGREGDThex", false},
      {"rzchckbxQLBSADDEN", false}, {"rzchckbxQHEARTEN", false}, {"rzchckbxGNSSMore", true},
  };
  for (const auto& [name, state] : checked) {
    const auto* box = form.Get<CheckBox>(name);
    ASSERT_NE(box, nullptr) << name;
    EXPECT_EQ(box->Checked(), state) << name;
  }
  const std::pair<const char*, bool> visible[] = {
      {"rbSmsTran", false},       {"rzchckbxSOCKIND", false}, {"rzchckbxSktC", false},
      {"rzgrpbxSktC", false},     {"rzchckbxSktD", false},    {"rzgrpbxSktD", false},
      {"cbbFlow", false},         {"lblFlow", false},         {"rzchckbxRFC", false},
      {"edtUdcId", false},        {"lblUdcId", false},        {"edtCloudPa", false},
      {"rzgrpbxMore", false},     {"rzgrpbxQHeartTM", false}, {"rzchckbxGREGDThex", false},
      {"edtMODBUSAddr2", false},  {"lblMODBUSID2", false},    {"rzgrpbxSktA", true},
      {"rzgrpbxHeart", true},     {"rzgrpbxReg", true},       {"rzchckbxRegDtHex", true},
      {"cbbRegTp", true},         {"RzPageControlGNSS", true}, {"rzgrpbxGNSSmore", true},
  };
  for (const auto& [name, state] : visible) {
    const Control* control = form.Find(name);
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(control->Visible(), state) << name;
  }
  EXPECT_TRUE(form.rbNetTran.Checked());
  EXPECT_EQ(CurrentWorkMode(form), 0);
  EXPECT_EQ(form.rzpgcntrlPara.PageIndex(), 0);
  EXPECT_EQ(form.RzSizePanel1.Height(), 160);
  EXPECT_EQ(form.rzszpnlBase.Height(), 129);
  EXPECT_EQ(form.rzchckbxRegDtHex.Caption(), "Hex");
  EXPECT_EQ(form.lblUdcId.Caption(), "UDC ID");
  EXPECT_EQ(form.cbbRegDt.ShownEntry(), 3);
  EXPECT_FALSE(form.cbbRegDt.ReadOnly());
}

TEST(FormModel, CurrentWorkModeAndGnssServiceFollowTheCheckedButton) {
  ParamForm form;
  const std::pair<RadioButton*, int> modes[] = {
      {&form.rbHttpd, 1}, {&form.rbSmsTran, 2}, {&form.rbUdc, 3}, {&form.rbNetTran, 0}};
  for (const auto& [button, mode] : modes) {
    button->SetCheckedWithoutRule(true);
    EXPECT_EQ(CurrentWorkMode(form), mode) << button->Name();
  }
  form.rbNetTran.SetCheckedWithoutRule(false);
  EXPECT_EQ(CurrentWorkMode(form), 4);

  const std::pair<RadioButton*, int> services[] = {
      {&form.rbQianXun, 2}, {&form.rbPrivateCloud, 0}, {&form.rbZavCloud, 1}};
  for (const auto& [button, service] : services) {
    button->SetCheckedWithoutRule(true);
    EXPECT_EQ(CurrentGnssService(form), service) << button->Name();
  }
  form.rbZavCloud.SetCheckedWithoutRule(false);
  EXPECT_EQ(CurrentGnssService(form), 0);
}

TEST(FormModel, CheckingARadioButtonClearsOnlyItsOwnGroup) {
  ParamForm form;
  form.rbUdc.SetCheckedWithoutRule(true);
  EXPECT_FALSE(form.rbNetTran.Checked());
  EXPECT_TRUE(form.rbZavCloud.Checked());  // another group
  EXPECT_TRUE(form.rbMULT.Checked());
  EXPECT_EQ(form.workModes.CheckedButton(), &form.rbUdc);
}

TEST(FormModel, ProgramChangesAreReportedOnceAndOnlyWhenAValueChanges) {
  ParamForm form;
  RecordingObserver observer;
  form.SetObserver(&observer);

  form.edtAddrA.SetText("10.0.0.1");
  form.edtAddrA.SetText("10.0.0.1");
  form.rzgrpbxSktA.SetVisible(true);  // already visible
  form.cbbASL.SetItemIndex(1);
  form.rbHttpd.SetCheckedWithoutRule(true);
  form.rzpgcntrlPara.SetPageIndex(5);  // no such page
  form.imgWkMod.SetResource("HTTP_CN");

  const std::vector<std::pair<std::string, ControlProperty>> expected = {
      {"edtAddrA", ControlProperty::Text},     {"cbbASL", ControlProperty::ItemIndex},
      {"cbbASL", ControlProperty::Text},       {"rbNetTran", ControlProperty::Checked},
      {"rbHttpd", ControlProperty::Checked},   {"imgWkMod", ControlProperty::Picture},
  };
  EXPECT_EQ(observer.changes, expected);
  EXPECT_EQ(form.rzpgcntrlPara.PageIndex(), 0);

  form.SetObserver(nullptr);
  form.edtAddrA.SetText("x");  // no observer, no call
  EXPECT_EQ(observer.changes.size(), expected.size());
}

TEST(FormModel, ReplacingAnEntryTextKeepsTheChoice) {
  ParamForm form;
  RecordingObserver observer;
  form.SetObserver(&observer);
  form.cbbASL.SetItemIndex(1);
  form.cbbASL.SetItemText(1, "Long Connection");
  form.cbbASL.SetItemText(0, "Short Connection");
  form.cbbASL.SetItemText(7, "beyond the list");  // ignored
  EXPECT_EQ(form.cbbASL.ItemIndex(), 1);
  EXPECT_EQ(form.cbbASL.Text(), "Long Connection");
  EXPECT_EQ(form.cbbASL.Items(), (std::vector<std::string>{"Short Connection", "Long Connection"}));
  EXPECT_TRUE(observer.Saw("cbbASL", ControlProperty::Items));

  form.cbbASL.SetItemIndex(2);  // outside: none chosen
  EXPECT_EQ(form.cbbASL.ItemIndex(), -1);
  EXPECT_EQ(form.cbbASL.Text(), "");
}

TEST(FormModel, ChoosingByTextAndEditableLists) {
  ParamForm form;
  EXPECT_EQ(form.cbbHTPTP.IndexOfText("get", true), 0);
  EXPECT_EQ(form.cbbHTPTP.IndexOfText("get", false), -1);
  form.cbbHTPTP.SetText("PUT");  // a fixed list shows entries only
  EXPECT_EQ(form.cbbHTPTP.ItemIndex(), -1);
  EXPECT_EQ(form.cbbHTPTP.Text(), "");

  form.cbbProvince.SetItems({"A", "B"});
  form.cbbProvince.SetText("B");
  EXPECT_EQ(form.cbbProvince.ItemIndex(), 1);
  form.cbbProvince.SetText("Bx");  // an editable list shows what it is given
  EXPECT_EQ(form.cbbProvince.ItemIndex(), -1);
  EXPECT_EQ(form.cbbProvince.Text(), "Bx");
}

TEST(FormModel, RegistrationDataShowsItsStoredEntryAndKeepsTypedTextApart) {
  ParamForm form;
  RegDataField& data = form.cbbRegDt;
  data.SetEntry(0, "89860000000000000001");
  data.SetEntry(3, "ZAV");  // the shown entry: shown at once
  EXPECT_EQ(data.Text(), "ZAV");

  data.SetText("typed");  // typing changes what is shown, not the entry
  EXPECT_EQ(data.Entry(3), "ZAV");
  data.SetEntry(1, "860000000000001");  // another entry: the field keeps its text
  EXPECT_EQ(data.Text(), "typed");

  data.ShowEntry(0);
  EXPECT_EQ(data.Text(), "89860000000000000001");
  data.ShowEntry(3);
  EXPECT_EQ(data.Text(), "ZAV");
  data.ShowEntry(4);  // no such entry
  EXPECT_EQ(data.ShownEntry(), 3);
  EXPECT_EQ(data.Entry(9), "");
}

}  // namespace
}  // namespace t418

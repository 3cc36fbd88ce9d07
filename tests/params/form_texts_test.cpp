#include "params/form_texts.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "form_fakes.h"
#include "lang/text_lookup.h"
#include "log_fakes.h"
#include "monitor/traffic_log.h"
#include "params/param_form.h"
#include "text/gbk.h"
#include "params/view_rules.h"

namespace t418 {
namespace {

using testing::FixedLogClock;
using testing::RecordingMessages;

// The texts of a few names in two languages; any other name gives "cn:" or
// "en:" followed by the name, so every applied text shows where it came from.
class Texts : public TextLookup {
 public:
  bool chinese = true;
  void Add(const char* name, const char* cn, const char* en) { texts_[name] = {Utf8ToGbk(cn), Utf8ToGbk(en)}; }
  std::string LangText(std::string_view name) const override {
    auto it = texts_.find(std::string(name));
    if (it != texts_.end()) return chinese ? it->second.first : it->second.second;
    for (const auto& [key, pair] : texts_)  // a text stands for its name
      if (name == pair.first || name == pair.second) return chinese ? pair.first : pair.second;
    return (chinese ? "cn:" : "en:") + std::string(name);
  }

 private:
  std::map<std::string, std::pair<std::string, std::string>> texts_;
};

// Everything a language can change, for comparing two moments.
struct Snapshot {
  std::map<std::string, std::string> captions, hints, texts;
  std::map<std::string, std::vector<std::string>> items;
  std::map<std::string, int> choices;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const ParamForm& form) {
  Snapshot s;
  for (const Control* c : form.Controls()) {
    s.captions[c->Name()] = c->Caption();
    s.hints[c->Name()] = c->Hint();
    if (const auto* list = dynamic_cast<const ChoiceList*>(c)) {
      s.items[c->Name()] = list->Items();
      s.choices[c->Name()] = list->ItemIndex();
      s.texts[c->Name()] = list->Text();
    }
    if (const auto* data = dynamic_cast<const RegDataField*>(c)) {
      s.choices[c->Name()] = data->ShownEntry();
      s.texts[c->Name()] = data->Text();
    }
  }
  if (const auto* picture = form.Get<Picture>("imgWkMod")) s.texts["imgWkMod"] = picture->Resource();
  return s;
}

class FormTextsTest : public ::testing::Test {
 protected:
  FormTextsTest() {
    texts.Add("lang_rbNetTran", " 网络透传模式", "Transparent Mode");
    texts.Add("lang_rbUdc", " UDC模式", "UDC Mode");
    texts.Add("lang_rzgrpbxPara", "相关参数", " parameters");
    texts.Add("lang_cbbASL1", "长连接", "Long Connection");
    texts.Add("lang_rzchckbxSkt", "连接服务器", "Enable Socket ");
  }

  void Apply() {
    ApplyParameterViewTexts(form, rules, texts);
  }
  void SwitchTo(bool toChinese) {
    chinese = toChinese;
    texts.chinese = toChinese;
    Apply();
  }

  ParamForm form;
  Texts texts;
  FixedLogClock clock;
  TrafficLog log{clock};
  RecordingMessages messages;
  HardwareSign hardware;
  bool chinese = true;
  ViewRules rules{ViewRuleParts{form, log, texts, hardware, messages, [this] { return chinese; }}};
};

TEST_F(FormTextsTest, CaptionsFollowTheNamingRuleAndItsExceptions) {
  Apply();
  const std::pair<const char*, const char*> rows[] = {
      {"lblIpAndPortC", "cn:lang_lblIpAndPort"},    {"lblLinkTpyeB", "cn:lang_lblLinkTpye"},
      {"lblSockDTo", "cn:lang_OverTimeS"},          {"lblHtpTo", "cn:lang_OverTimeS"},
      {"lblPDS", "cn:lang_lblOpenPDS"},             {"lblFlow", "cn:lang_lblOpenFlow"},
      {"lblHeartDt", "cn:lang_lblHeartDt"},         {"rzchckbxSOCKIND", "cn:lang_rzchckbxSOCKIND"},
      {"lbledtSockRsTim", "cn:lang_lbledtSockRsTim"}, {"lbledtRsTim", "cn:lang_lbledtRsTim"},
      {"rzgrpbxWkmod", "cn:lang_rzgrpbxWkmod"},     {"rzgrpbxBase", "cn:lang_rzgrpbxBase"},
      {"rzgrpbxGNSS", "cn:lang_rzgrpbxGNSS"},       {"rbSmsTran", "cn:lang_rbSmsTran"},
      {"rbINDE", "cn:lang_rbINDE"},                 {"RzLabelSOCKG", "cn:lang_RzLabelSOCKG"},
      {"lblGREGDT", "cn:lang_lblGREGDT"},           {"lblTerminaltype", "cn:lang_lblTerminaltype"},
      {"rzchckbxGNSSMore", "cn:lang_rzchckbxGNSSMore"},
      {"lblRegDt", "cn:lang_cbbRegTp4"},  // the registration-type rule ran after the entries
      {"lblUdcId", "UDC ID"},                       {"rzchckbxGREGDThex", "Hex"},
  };
  // The socket boxes share one text followed by their letter.
  EXPECT_EQ(GbkToUtf8(form.rzchckbxSktA.Caption()), "连接服务器A");
  EXPECT_EQ(GbkToUtf8(form.rzchckbxSktD.Caption()), "连接服务器D");
  for (const auto& [name, caption] : rows) EXPECT_EQ(form.Find(name)->Caption(), caption) << name;
  EXPECT_EQ(GbkToUtf8(form.rzgrpbxPara.Caption()), " 网络透传模式相关参数");
  EXPECT_EQ(GbkToUtf8(form.rbNetTran.Caption()), " 网络透传模式");
}

TEST_F(FormTextsTest, EveryCaptionedControlOfTheViewGetsAText) {
  Apply();
  for (const Control* c : form.Controls()) {
    const ControlKind kind = c->Kind();
    if (kind == ControlKind::Label || kind == ControlKind::CheckBox || kind == ControlKind::RadioButton ||
        kind == ControlKind::LabeledEdit) {
      EXPECT_FALSE(c->Caption().empty()) << c->Name();
    }
  }
}

TEST_F(FormTextsTest, ListEntriesFollowTheNamingRuleAndItsExceptions) {
  Apply();
  const std::pair<const char*, std::vector<std::string>> rows[] = {
      {"cbbASL", {"cn:lang_cbbASL0", Utf8ToGbk("长连接")}},
      {"cbbDSL", {"cn:lang_cbbASL0", Utf8ToGbk("长连接")}},
      {"cbbHeartSnd", {"cn:lang_cbbHeartSnd0", "cn:lang_cbbHeartSnd1"}},
      {"cbbRegSnd", {"cn:lang_cbbRegSnd0", "cn:lang_cbbRegSnd1"}},
      {"cbbRegTp", {"cn:lang_cbbRegTp0", "cn:lang_cbbRegTp1_MEID", "cn:lang_cbbRegTp3", "cn:lang_cbbRegTp4"}},
      {"cbbBYsocketA", {"cn:lang_lblGBYSOCKTAItem0", "cn:lang_lblGBYSOCKTAItem1"}},
      {"cbbBYsocketB", {"cn:lang_lblGBYSOCKTBItem0", "cn:lang_lblGBYSOCKTBItem1"}},
      {"cbbGPOSSND", {"cn:lang_cbbGPOSSND0", "cn:lang_cbbGPOSSND1", "cn:lang_cbbGPOSSND2"}},
      {"cbbGREGTYPE", {"cn:lang_cbbGREGTYPE0", "cn:lang_cbbGREGTYPE1"}},
      {"cbbGREGTP",
       {"cn:lang_cbbGREGTP0", "cn:lang_cbbGREGTP1", "cn:lang_cbbGREGTP2", "cn:lang_cbbGREGTP3", "cn:lang_cbbGREGTP4"}},
      {"cbbGHEARTTP2", {"cn:lang_cbbGHEARTTP20", "cn:lang_cbbGHEARTTP21", "cn:lang_cbbGHEARTTP22"}},
      {"cbbtype0", {"cn:lang_cbbtype00", "cn:lang_cbbtype01"}},
      {"cbbtype7", {"cn:lang_cbbtype70", "cn:lang_cbbtype71"}},
      {"cbbCarcolor",
       {"cn:lang_cbbCarcolor0", "cn:lang_cbbCarcolor1", "cn:lang_cbbCarcolor2", "cn:lang_cbbCarcolor3",
        "cn:lang_cbbCarcolor4", "cn:lang_cbbCarcolor5"}},
      {"cbbProtocolA", {"TCP", "UDP"}},  // fixed entries stay
      {"cbbHTPTP", {"GET", "POST"}},
  };
  for (const auto& [name, items] : rows) EXPECT_EQ(form.Get<ChoiceList>(name)->Items(), items) << name;
}

TEST_F(FormTextsTest, HintsOfTheView) {
  Apply();
  const std::pair<const char*, const char*> rows[] = {
      {"cbbBaud", "cn:hint_cbbUart"},  {"cbbFlow", "cn:hint_cbbUart"},          {"cbbP", "cn:hint_cbbUart"},
      {"cbbD", "cn:hint_cbbUart"},     {"cbbS", "cn:hint_cbbUart"},             {"imgCKZD", "cn:hint_cbbUart"},
      {"rzchckbxSktA", "cn:hint_chkEn"}, {"rzchckbxHeartDtHex", "cn:hint_chkHex"},
      {"rzchckbxRegDtHex", "cn:hint_chkHex"}, {"rzchckbxSktB", ""},           {"cbbRegDt", ""},
  };
  for (const auto& [name, hint] : rows) EXPECT_EQ(form.Find(name)->Hint(), hint) << name;
}

TEST_F(FormTextsTest, SwitchingLanguageAndBackRestoresEveryTextAndKeepsEveryChoice) {
  // Choose the last entry of every list and identity as registration type.
  for (Control* c : form.Controls())
    if (auto* list = dynamic_cast<ChoiceList*>(c)) list->SetItemIndex(list->Count() - 1);
  form.cbbRegDt.SetEntry(1, "860000000000001");
  rules.SelectEntry(form.cbbRegTp, 1);
  form.cbbBaud.SetItemIndex(10);

  Apply();
  const Snapshot chineseStart = Take(form);
  SwitchTo(false);
  const Snapshot english = Take(form);
  EXPECT_EQ(english.choices, chineseStart.choices);
  EXPECT_EQ(form.cbbASL.Text(), "Long Connection");
  EXPECT_EQ(form.cbbRegTp.Text(), "en:lang_cbbRegTp1_MEID");
  EXPECT_EQ(form.lblRegDt.Caption(), "en:lang_cbbRegTp1_MEID");
  EXPECT_EQ(form.cbbRegDt.Text(), "860000000000001");
  EXPECT_EQ(form.cbbBaud.Text(), "115200");
  EXPECT_EQ(form.imgWkMod.Resource(), "NET_EN");
  EXPECT_EQ(form.rzgrpbxPara.Caption(), "Transparent Mode parameters");

  SwitchTo(true);
  EXPECT_EQ(Take(form), chineseStart);
}

TEST_F(FormTextsTest, UdcModeCaptionFollowsTheLanguageWhileItsPictureStays) {
  rules.SetChecked(form.rbUdc, true);
  Apply();
  EXPECT_EQ(GbkToUtf8(form.rzgrpbxPara.Caption()), " UDC模式相关参数");
  EXPECT_EQ(form.imgWkMod.Resource(), "NET_CN");
  SwitchTo(false);
  EXPECT_EQ(form.rzgrpbxPara.Caption(), "UDC Mode parameters");
  EXPECT_EQ(form.imgWkMod.Resource(), "NET_CN");
  EXPECT_TRUE(form.rbUdc.Checked());
  EXPECT_FALSE(form.cbbASL.Enabled());
}

TEST_F(FormTextsTest, TheHardwareSignRenamesTheIdentityEntryBetweenTheOtherEntries) {
  std::vector<std::string> seen;
  hardware.identityCmd = TCmd::IMEI;
  ApplyParameterTexts(form, rules, texts, [&] {
    seen = form.cbbRegTp.Items();
    rules.RenewIdentityEntry();  // what a known hardware sign does
  });
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], "cn:lang_cbbRegTp0");
  EXPECT_EQ(seen[2], Utf8ToGbk("透传云"));  // not yet
  EXPECT_EQ(form.cbbRegTp.Items()[1], "cn:lang_cbbRegTp1_IMEI");
  EXPECT_EQ(form.cbbRegTp.Items()[2], "cn:lang_cbbRegTp3");

  // An unknown sign renames nothing.
  texts.chinese = false;
  ApplyParameterTexts(form, rules, texts, [] {});
  EXPECT_EQ(form.cbbRegTp.Items()[1], "cn:lang_cbbRegTp1_IMEI");
  EXPECT_EQ(form.cbbRegTp.Items()[0], "en:lang_cbbRegTp0");
}

TEST(SetParaGroupCaption, LooksTheModeTextUpTwiceAndAddsTheName) {
  Texts texts;
  texts.Add("lang_rbHttpd", " HTTPD模式", "HTTPD Client Mode");
  texts.Add("lang_rbNetTran", " 网络透传模式", "Transparent Mode");
  texts.Add("lang_rzgrpbxPara", "相关参数", " parameters");
  ParamForm form;
  const std::pair<int, const char*> rows[] = {{1, " HTTPD模式相关参数"}, {0, " 网络透传模式相关参数"},
                                              {4, " 网络透传模式相关参数"}, {-1, " 网络透传模式相关参数"}};
  for (const auto& [mode, caption] : rows) {
    SetParaGroupCaption(form.rzgrpbxPara, mode, "lang_rzgrpbxPara", texts);
    EXPECT_EQ(GbkToUtf8(form.rzgrpbxPara.Caption()), caption) << mode;
  }
  texts.chinese = false;
  SetParaGroupCaption(form.rzgrpbxPara, 2, "lang_rzgrpbxPara", texts);
  EXPECT_EQ(form.rzgrpbxPara.Caption(), "en:en:lang_rbSmsTran parameters");
}

}  // namespace
}  // namespace t418

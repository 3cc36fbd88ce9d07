// The texts a session puts on its parameter form, with the real catalogue and
// a language file: every control named by the naming rule, its exceptions and
// the hints gets its text in Chinese and in English; whatever of those is not
// on the form belongs to the window; a language switch keeps every choice.
#include <gtest/gtest.h>

#include <set>

#include "gbk_texts.h"
#include "lang/lang_list.h"
#include "session_rig.h"
#include "temp_folder.h"
#include "text_names.h"

namespace t418 {
namespace {

using namespace testing;

// The controls of those tables that the window draws itself (toolbar, log,
// send area, operations), or that it does not have.
const std::set<std::string>& WindowControls() {
  static const std::set<std::string> names = {
      "lblReTelNum", "chbTime", "rzgrpbxDo", "btnAskAll", "btnSetAll", "btnPPPA", "btnENTM", "btnH", "btnZ",
      "btnSysRestart", "btnVER", "btnCNUM", "btnCFGTF", "btnRELD", "btnCLEAR", "btnCSQ", "btnResetCount",
      "btnSend", "lblOpenCom", "lblOpenBaud", "lblOpenPDS", "lblOpenFlow", "lblSend", "lblRe", "pmSendType",
      "pmSend", "pmCls", "pmFwUpOpt", "cbbOpenBaud", "cbbOpenP", "cbbOpenD", "cbbOpenS", "cbbOpenFlow", "imgGIF"};
  return names;
}

class SessionTexts : public ::testing::Test {
 protected:
  void UseLanguage(bool chinese) {
    session.Lang().UseChinese = chinese;
    session.ApplyTexts();
  }
  // The text of a catalogue name; it must be one the catalogue knows.
  std::string Catalogue(const std::string& name) {
    const std::string text = session.Lang().LangText(name);
    EXPECT_NE(text, name) << "the catalogue has no " << name;
    return text;
  }

  SessionRig rig;
  Session& session = *rig.session;
};

TEST_F(SessionTexts, EveryNamedControlOfTheFormGetsItsTextInBothLanguages) {
  // A choice in every list, to see that no text replaces it.
  std::map<std::string, int> chosen;
  for (Control* c : session.Form().Controls()) {
    if (auto* list = dynamic_cast<ChoiceList*>(c); list && list->Count() > 0) {
      list->SetItemIndex(list->Count() - 1);
      chosen[list->Name()] = list->ItemIndex();
    }
  }
  // Except one: the work-mode rule runs again with the texts and sends the
  // heartbeat to the network, as choosing the work mode does.
  chosen["cbbHeartSnd"] = 0;

  for (const bool chinese : {true, false}) {
    SCOPED_TRACE(chinese ? "Chinese" : "English");
    UseLanguage(chinese);
    std::set<std::string> notOnTheForm;
    const auto find = [&](const std::string& name) {
      Control* c = session.Form().Find(name);
      if (!c) notOnTheForm.insert(name);
      return c;
    };
    for (const auto& name : NamedCaptions()) {
      if (Control* c = find(name)) {
        EXPECT_EQ(c->Caption(), Catalogue("lang_" + name)) << name;
      }
    }
    for (const auto& row : CaptionExceptions()) {
      if (Control* c = find(row.control)) {
        EXPECT_EQ(c->Caption(), Catalogue(row.name) + row.suffix) << row.control;
      }
    }
    for (const auto& row : ListEntries()) {
      auto* list = dynamic_cast<ChoiceList*>(find(row.control));
      if (!list) continue;
      ASSERT_LT(row.index, list->Count()) << row.control;
      EXPECT_EQ(list->Items()[static_cast<std::size_t>(row.index)], Catalogue(row.name)) << row.control << row.index;
    }
    for (const auto& row : PopupItems()) EXPECT_EQ(find(row.control), nullptr) << row.control;
    for (const auto& row : Hints()) {
      if (Control* c = find(row.control)) {
        EXPECT_EQ(c->Hint(), Catalogue(row.name)) << row.control;
      }
    }
    for (const auto& name : notOnTheForm) EXPECT_TRUE(WindowControls().count(name)) << name << " is on no form";

    // The entries were renamed; the choices stayed and show the new texts.
    for (const auto& [name, index] : chosen) {
      const auto* list = session.Form().Get<ChoiceList>(name);
      EXPECT_EQ(list->ItemIndex(), index) << name;
      EXPECT_EQ(list->Text(), list->Items()[static_cast<std::size_t>(index)]) << name;
    }
    // The identity entry names the identity command in force.
    EXPECT_EQ(session.Form().cbbRegTp.Items()[1],
              Catalogue(session.Hardware().identityCmd == TCmd::MEID ? "lang_cbbRegTp1_MEID" : "lang_cbbRegTp1_IMEI"));
    // The registration type chosen last (user data) names the data field.
    EXPECT_EQ(session.Form().lblRegDt.Caption(), Catalogue("lang_cbbRegTp4"));
  }
}

TEST_F(SessionTexts, TheParametersGroupIsNamedAfterTheWorkMode) {
  struct Row {
    const char* mode;
    const char* chinese;
    const char* english;
  };
  const Row rows[] = {
      {"rbNetTran", " 网络透传模式相关参数", "Transparent Mode parameters"},
      {"rbHttpd", " HTTPD模式相关参数", "HTTPD Client Mode parameters"},
      {"rbUdc", " UDC模式相关参数", "UDC Mode parameters"},
  };
  for (const Row& row : rows) {
    ASSERT_TRUE(session.Rules().SetChecked(row.mode, true));
    UseLanguage(true);
    EXPECT_EQ(GbkToUtf8(session.Form().rzgrpbxPara.Caption()), row.chinese);
    UseLanguage(false);
    EXPECT_EQ(session.Form().rzgrpbxPara.Caption(), row.english);
  }
}

TEST(SessionLanguageFile, ANewConnectionKindTextRenamesTheFirstEntryOfAllFourLists) {
  SessionRig rig([](const std::filesystem::path& folder) {
    WriteBytes(folder / kLangFileName, ";test\r\nlang_cbbASL0|" + G("短连接（文件）") + "|Short link (file)\r\n");
  });
  Session& session = *rig.session;
  session.Form().cbbCSL.SetItemIndex(0);
  for (const bool chinese : {true, false}) {
    session.Lang().UseChinese = chinese;
    session.ApplyTexts();
    const std::string first = chinese ? G("短连接（文件）") : "Short link (file)";
    const std::string second = chinese ? G("长连接") : "Long Connection";
    for (const ChoiceList* list : {&session.Form().cbbASL, &session.Form().cbbBSL, &session.Form().cbbCSL,
                                   &session.Form().cbbDSL})
      EXPECT_EQ(list->Items(), (std::vector<std::string>{first, second})) << list->Name();
    EXPECT_EQ(session.Form().cbbCSL.Text(), first);
  }
}

}  // namespace
}  // namespace t418

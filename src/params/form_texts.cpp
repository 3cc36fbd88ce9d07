#include "params/form_texts.h"

#include <initializer_list>
#include <string>

#include "lang/text_lookup.h"
#include "params/param_form.h"
#include "params/view_rules.h"

namespace t418 {

namespace {

// Puts texts on the controls of one form, by control name and catalogue name.
class TextApplier {
 public:
  TextApplier(ParamForm& form, const TextLookup& texts) : form_(form), texts_(texts) {}

  // caption := text of "lang_" + the control's name.
  void Named(std::initializer_list<std::string_view> controls) {
    for (std::string_view control : controls) Caption(control, "lang_" + std::string(control));
  }
  void Caption(std::string_view control, std::string_view name, std::string_view suffix = "") {
    if (Control* c = form_.Find(control)) c->SetCaption(texts_.LangText(name) + std::string(suffix));
  }
  // Entries first..last := text of "lang_" + the list's name + the index.
  void NamedItems(std::string_view list, int first, int last) {
    for (int i = first; i <= last; ++i) Item(list, i, "lang_" + std::string(list) + std::to_string(i));
  }
  // Replaces one entry; the chosen entry stays chosen.
  void Item(std::string_view list, int index, std::string_view name) {
    if (auto* l = form_.Get<ChoiceList>(list)) l->SetItemText(index, texts_.LangText(name));
  }
  void Hint(std::initializer_list<std::string_view> controls, std::string_view name) {
    for (std::string_view control : controls)
      if (Control* c = form_.Find(control)) c->SetHint(texts_.LangText(name));
  }

 private:
  ParamForm& form_;
  const TextLookup& texts_;
};

constexpr std::string_view kModeNames[] = {"lang_rbNetTran", "lang_rbHttpd", "lang_rbSmsTran", "lang_rbUdc"};

}  // namespace

void SetParaGroupCaption(Control& group, int workMode, std::string_view name, const TextLookup& texts) {
  std::string_view modeName = (workMode >= 0 && workMode <= 3) ? kModeNames[workMode] : kModeNames[0];
  group.SetCaption(texts.LangText(texts.LangText(modeName)) + texts.LangText(name));
}

void ApplyWorkModeTexts(ParamForm& form, const TextLookup& texts) {
  TextApplier t(form, texts);
  t.Named({"rzgrpbxWkmod", "rbNetTran", "rbUdc", "rbHttpd", "rbSmsTran"});
  SetParaGroupCaption(form.rzgrpbxPara, CurrentWorkMode(form), "lang_rzgrpbxPara", texts);
}

void ApplyParameterTexts(ParamForm& form, ViewRules& rules, const TextLookup& texts,
                         const std::function<void()>& applyHdVerSign) {
  TextApplier t(form, texts);

  // Sockets A to D.
  struct Socket {
    const char* letter;
    const char *box, *address, *kindLabel, *kind, *timeout;
  };
  constexpr Socket kSockets[] = {
      {"A", "rzchckbxSktA", "lblIpAndPortA", "lblLinkTpyeA", "cbbASL", "lblSockATo"},
      {"B", "rzchckbxSktB", "lblIpAndPortB", "lblLinkTpyeB", "cbbBSL", "lblSockBTo"},
      {"C", "rzchckbxSktC", "lblIpAndPortC", "lblLinkTpyeC", "cbbCSL", "lblSockCTo"},
      {"D", "rzchckbxSktD", "lblIpAndPortD", "lblLinkTpyeD", "cbbDSL", "lblSockDTo"},
  };
  for (const Socket& s : kSockets) {
    t.Caption(s.box, "lang_rzchckbxSkt", s.letter);
    t.Caption(s.address, "lang_lblIpAndPort");
    t.Caption(s.kindLabel, "lang_lblLinkTpye");
    t.Item(s.kind, 0, "lang_cbbASL0");
    t.Item(s.kind, 1, "lang_cbbASL1");
    t.Caption(s.timeout, "lang_OverTimeS");
  }
  t.Named({"lbledtSockRsTim", "rzchckbxSOCKIND"});

  // Heartbeat.
  t.Named({"rzchckbxHeartEn", "lblHeartTm", "lblHeartDt", "lblHeartSnd"});
  t.NamedItems("cbbHeartSnd", 0, 1);

  // Registration: the identity entry follows the hardware sign.
  t.Named({"rzchckbxRegEn", "lblRegSnd", "lblRegTp"});
  t.NamedItems("cbbRegSnd", 0, 1);
  t.NamedItems("cbbRegTp", 0, 0);
  if (applyHdVerSign)
    applyHdVerSign();
  else
    rules.RenewIdentityEntry();
  t.Item("cbbRegTp", 2, "lang_cbbRegTp3");
  t.Item("cbbRegTp", 3, "lang_cbbRegTp4");
  rules.cbbRegTpChange();

  // HTTPD and SMS.
  t.Named({"lblHTPTP", "lblHTPURL", "lblHTPSVIP", "lblHTPSVPort", "lblHTPHD", "rzchckbxHtpFlt"});
  t.Caption("lblHtpTo", "lang_OverTimeS");
  t.Named({"lblDSTNUM", "rzchckbxSMSFLT", "rzchckbxSMSPH"});

  // Global parameters.
  t.Named({"rzgrpbxBase", "lblUart", "lblBaud", "lblUARTFT", "lblUARTFL", "rzchckbxMore", "rzchckbxRFC",
           "rzchckbxE", "lbledtCmdPw", "lbledtStMsg", "lbledtApn", "lbledtRsTim"});
  t.Caption("lblPDS", "lang_lblOpenPDS");
  t.Caption("lblFlow", "lang_lblOpenFlow");

  // GNSS.
  t.Named({"rzgrpbxGNSS", "rzchckbxGNSSen", "rbZavCloud", "rbPrivateCloud", "rbQianXun"});
  t.Named({"lbldevid", "lblpwd", "lblMODBUSID1", "lblMODBUSAddr1", "lblreportinternal"});
  t.Named({"rbMULT", "rbINDE", "lblGBYSOCKTA", "lblGBYSOCKTB", "lblGPOSSND"});
  t.Item("cbbBYsocketA", 0, "lang_lblGBYSOCKTAItem0");
  t.Item("cbbBYsocketA", 1, "lang_lblGBYSOCKTAItem1");
  t.Item("cbbBYsocketB", 0, "lang_lblGBYSOCKTBItem0");
  t.Item("cbbBYsocketB", 1, "lang_lblGBYSOCKTBItem1");
  t.NamedItems("cbbGPOSSND", 0, 2);
  t.Named({"RzLabelSOCKG", "lblSockgAddr", "lblSOCKGTO", "rzchckbxGREGTP", "lblGREGTYPE", "lblGREGTP",
           "lblGREGDT", "lblGPOSUPTM", "lblGHEARTTP2", "lblMODBUSID2", "lblMODBUSAddr2"});
  t.NamedItems("cbbGREGTYPE", 0, 1);
  t.NamedItems("cbbGREGTP", 0, 4);
  t.NamedItems("cbbGHEARTTP2", 0, 2);
  t.Named({"lblJT808", "lblSOCKQ", "lblprotocol", "lblSOCKQTO", "lblPosReport", "rzchckbxQLBSADDEN",
           "rzchckbxQPOSPACK", "lblQPOSUPTM", "lblQphone", "rzchckbxQHEARTEN", "lblQHEARTTM", "rzchckbxGNSSMore"});

  // Vehicle terminal.
  t.Named({"lblProvince", "lblcity", "lblCounty", "lblQPRODUCER", "lblTerminalid", "lblTerminalmode",
           "lblTerminaltype", "lblCarcolor", "lblCarNum", "lblHWver"});
  for (const char* type : {"cbbtype0", "cbbtype1", "cbbtype2", "cbbtype3", "cbbtype6", "cbbtype7"})
    t.NamedItems(type, 0, 1);
  t.NamedItems("cbbCarcolor", 0, 5);
}

void ApplyParameterHints(ParamForm& form, const TextLookup& texts) {
  TextApplier t(form, texts);
  t.Hint({"cbbBaud", "cbbFlow", "cbbP", "cbbD", "cbbS", "imgCKZD"}, "hint_cbbUart");
  t.Hint({"rzchckbxSktA"}, "hint_chkEn");
  t.Hint({"rzchckbxHeartDtHex", "rzchckbxRegDtHex"}, "hint_chkHex");
}

void ApplyParameterViewTexts(ParamForm& form, ViewRules& rules, const TextLookup& texts,
                             const std::function<void()>& applyHdVerSign) {
  rules.RerunWorkModeRule();
  ApplyWorkModeTexts(form, texts);
  ApplyParameterTexts(form, rules, texts, applyHdVerSign);
  ApplyParameterHints(form, texts);
}

}  // namespace t418

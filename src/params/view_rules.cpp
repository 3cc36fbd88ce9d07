#include "params/view_rules.h"

#include <algorithm>

#include "lang/text_lookup.h"
#include "monitor/traffic_log.h"
#include "params/encodings.h"
#include "params/form_texts.h"

namespace t418 {

ViewRules::ViewRules(const ViewRuleParts& parts)
    : form_(parts.form),
      log_(parts.log),
      texts_(parts.texts),
      hardware_(parts.hardware),
      messages_(parts.messages),
      useChinese_(parts.useChinese) {}

std::string ViewRules::Text(std::string_view name) const { return texts_.LangText(name); }

// ---- Entry points ----

void ViewRules::SetChecked(CheckBox& box, bool checked) {
  if (box.Checked() == checked) return;
  box.SetCheckedWithoutRule(checked);
  RunClickRule(box);
}

void ViewRules::SetChecked(RadioButton& button, bool checked) {
  if (button.Checked() == checked) return;
  button.SetCheckedWithoutRule(checked);
  if (checked) RunClickRule(button);
}

bool ViewRules::SetChecked(std::string_view name, bool checked) {
  Control* control = form_.Find(name);
  if (auto* box = dynamic_cast<CheckBox*>(control)) {
    SetChecked(*box, checked);
    return true;
  }
  if (auto* button = dynamic_cast<RadioButton*>(control)) {
    SetChecked(*button, checked);
    return true;
  }
  return false;
}

bool ViewRules::Click(std::string_view name) {
  Control* control = form_.Find(name);
  if (auto* box = dynamic_cast<CheckBox*>(control)) {
    SetChecked(*box, !box->Checked());
    return true;
  }
  if (auto* button = dynamic_cast<RadioButton*>(control)) {
    SetChecked(*button, true);
    return true;
  }
  return false;
}

void ViewRules::SelectEntry(ChoiceList& list, int index) {
  list.SetItemIndex(index);
  RunChangeRule(list);
}

bool ViewRules::SelectEntry(std::string_view name, int index) {
  auto* list = form_.Get<ChoiceList>(name);
  if (!list) return false;
  SelectEntry(*list, index);
  return true;
}

void ViewRules::RunClickRule(const Control& control) {
  const auto* button = dynamic_cast<const RadioButton*>(&control);
  if (button) {
    if (&button->Group() == &form_.workModes)
      rbWkmokClick(*button);
    else if (&button->Group() == &form_.gnssServices)
      rbZavCloudClick(*button);
    else if (&button->Group() == &form_.privateChannels)
      rbMULTClick(*button);
    return;
  }
  const auto* box = dynamic_cast<const CheckBox*>(&control);
  if (!box) return;
  if (box == &form_.rzchckbxHeartDtHex || box == &form_.rzchckbxRegDtHex || box == &form_.rzchckbxGREGDThex)
    rzchckbxHexClick(*box);
  else if (box->Tag() != 0)
    rzchckbxEnableClick(*box);
}

void ViewRules::RunChangeRule(const ChoiceList& list) {
  if (&list == &form_.cbbProtocolA || &list == &form_.cbbProtocolB || &list == &form_.cbbProtocolC ||
      &list == &form_.cbbProtocolD)
    cbbProtocolChange(list);
  else if (&list == &form_.cbbRegTp)
    cbbRegTpChange();
  else if (&list == &form_.cbbGREGTP)
    cbbGREGTPChange();
  else if (&list == &form_.cbbGHEARTTP2)
    cbbGHEARTTP2Change();
  else if (&list == &form_.cbbBYsocketA)
    cbbBYsocketAChange();
  else if (&list == &form_.cbbBYsocketB)
    cbbBYsocketBChange();
}

// ---- Work mode ----

void ViewRules::rbWkmokClick(const RadioButton& button) {
  const int tag = button.Tag();
  const char* picture = tag == 1 ? "HTTP" : tag == 2 ? "SMS" : "NET";
  form_.imgWkMod.SetResource(std::string(picture) + (useChinese_ && useChinese_() ? "_CN" : "_EN"));
  SetParaGroupCaption(form_.rzgrpbxPara, CurrentWorkMode(form_), "lang_rzgrpbxPara", texts_);
  form_.rzpgcntrlPara.SetPageIndex(tag);
  ApplyUdcLayout(CurrentWorkMode(form_) == 3);
}

void ViewRules::RerunWorkModeRule() {
  for (RadioButton* button : {&form_.rbNetTran, &form_.rbHttpd, &form_.rbSmsTran})
    if (button->Checked()) {
      rbWkmokClick(*button);
      return;
    }
}

void ViewRules::ApplyUdcLayout(bool udc) {
  ParamForm& f = form_;
  // 1. Registration always on in UDC mode, sent once on connection.
  if (udc) {
    SetChecked(f.rzchckbxRegEn, true);
    f.cbbRegSnd.SetItemIndex(0);
  }
  // 2. The UDC identity takes the place of the registration type and data.
  for (Control* c : {static_cast<Control*>(&f.lblRegTp), static_cast<Control*>(&f.cbbRegTp),
                     static_cast<Control*>(&f.cbbRegDt), static_cast<Control*>(&f.lblRegDt)})
    c->SetVisible(!udc);
  f.edtUdcId.SetVisible(udc);
  f.lblUdcId.SetVisible(udc);
  f.edtUdcId.SetHint(Text("hint_cbbRegDt_Udc"));
  // 3. Cloud code and hex box only for their types in network transfer mode.
  RegistrationDataVisibility();
  // 4.
  f.cbbRegSnd.SetVisible(!udc);
  f.lblRegSnd.SetVisible(!udc);
  // 5.
  f.rzchckbxRegDtHex.SetEnabled(!udc);
  f.cbbRegTp.SetEnabled(!udc);
  f.rzchckbxRegEn.SetEnabled(!udc);
  // 6. Heartbeat always on in UDC mode.
  if (udc) SetChecked(f.rzchckbxHeartEn, true);
  // 7.
  f.lblHeartDt.SetVisible(!udc);
  f.edtHeartDt.SetVisible(!udc);
  f.rzchckbxHeartDtHex.SetVisible(!udc);
  // 8. The heartbeat goes to the server, whatever the mode.
  f.cbbHeartSnd.SetItemIndex(0);
  // 9.
  f.cbbHeartSnd.SetVisible(!udc);
  f.lblHeartSnd.SetVisible(!udc);
  f.rzchckbxHeartEn.SetEnabled(!udc);
  // 10, 11. Long connections, locked in UDC mode.
  for (ChoiceList* kind : {&f.cbbASL, &f.cbbBSL, &f.cbbCSL, &f.cbbDSL}) {
    if (udc) kind->SetItemIndex(1);
    kind->SetEnabled(!udc);
  }
}

// ---- Enable boxes and sockets ----

void ViewRules::rzchckbxEnableClick(const CheckBox& box) { ShowEnabledGroup(box.Tag(), box.Checked()); }

void ViewRules::ShowEnabledGroup(int tag, bool shown) {
  ParamForm& f = form_;
  switch (tag) {
    case 1: f.rzgrpbxSktA.SetVisible(shown); break;
    case 2: f.rzgrpbxSktB.SetVisible(shown); break;
    case 3: f.rzgrpbxHeart.SetVisible(shown); break;
    case 4: f.rzgrpbxReg.SetVisible(shown); break;
    case 5: f.rzgrpbxMore.SetVisible(shown); break;
    case 6: f.rzgrpbxSktC.SetVisible(shown); break;
    case 7: f.rzgrpbxSktD.SetVisible(shown); break;
    case 11:
      f.rzgrpbxGNSSen.SetVisible(shown);
      f.RzPageControlGNSS.SetVisible(shown);
      break;
    case 13: f.rzgrpbxGREGTP.SetVisible(shown); break;
    case 14: f.rzgrpbxGNSSmore.SetVisible(shown); break;
    case 15: f.rzgrpbxQHeartTM.SetVisible(shown); break;
    default: break;
  }
}

void ViewRules::cbbProtocolChange(const ChoiceList& protocol) {
  ChoiceList* kinds[] = {&form_.cbbASL, &form_.cbbBSL, &form_.cbbCSL, &form_.cbbDSL};
  const int tag = protocol.Tag();
  if (tag < 1 || tag > 4) return;
  ChoiceList& kind = *kinds[tag - 1];
  if (protocol.ItemIndex() == 0) {
    kind.SetVisible(true);
  } else if (protocol.ItemIndex() == 1) {
    kind.SetItemIndex(1);
    kind.SetVisible(false);
  }
}

// ---- Registration ----

void ViewRules::RegistrationDataVisibility() {
  const int type = form_.cbbRegTp.ItemIndex();
  const bool net = form_.rbNetTran.Checked();
  form_.edtCloudPa.SetVisible(type == 2 && net);
  form_.rzchckbxRegDtHex.SetVisible(type == 3 && net);
}

void ViewRules::cbbRegTpChange() {
  ParamForm& f = form_;
  const int type = f.cbbRegTp.ItemIndex();
  f.cbbRegDt.ShowEntry(type);
  f.cbbRegDt.SetReadOnly(type == 0 || type == 1);
  RegistrationDataVisibility();
  if (type == 2) {
    f.lblRegDt.SetCaption(Text("lang_CloudIdPw"));
    f.cbbRegDt.SetHint(Text("lang_lblCloudId"));
    f.edtCloudPa.SetHint(Text("lang_lblCloudPa"));
  } else {
    f.lblRegDt.SetCaption(f.cbbRegTp.Text());
    f.cbbRegDt.SetHint("");
    f.edtCloudPa.SetHint("");
  }
}

void ViewRules::RenewIdentityEntry() {
  form_.cbbRegTp.SetItemText(
      1, Text(hardware_.identityCmd == TCmd::MEID ? "lang_cbbRegTp1_MEID" : "lang_cbbRegTp1_IMEI"));
}

void ViewRules::cbbGREGTPChange() {
  ParamForm& f = form_;
  const int type = f.cbbGREGTP.ItemIndex();
  if (type >= 0) f.lblGREGDT.SetCaption(f.cbbGREGTP.Text());
  f.cbbGREGDT.ShowEntry(type);
  f.cbbGREGDT.SetReadOnly(type != 4);
  f.rzchckbxGREGDThex.SetVisible(type == 4);
}

void ViewRules::cbbGHEARTTP2Change() {
  const bool modbus = form_.cbbGHEARTTP2.ItemIndex() == 2;
  for (Control* c : {static_cast<Control*>(&form_.lblMODBUSID2), static_cast<Control*>(&form_.edtMODBUSID2),
                     static_cast<Control*>(&form_.lblMODBUSAddr2), static_cast<Control*>(&form_.edtMODBUSAddr2)})
    c->SetVisible(modbus);
}

// ---- GNSS ----

void ViewRules::rbZavCloudClick(const RadioButton& button) {
  form_.RzPageControlGNSS.SetPageIndex(button.Tag() - 10);
}

std::string ViewRules::rbZavCloudMouseUp() const {
  if (form_.rbZavCloud.Checked()) return form_.advscrlbxGNSS1.Name();
  if (form_.rbPrivateCloud.Checked()) return form_.advscrlbxGNSS2.Name();
  if (form_.rbQianXun.Checked()) return form_.advscrlbxGNSS4.Name();
  return "";
}

void ViewRules::rbMULTClick(const RadioButton& button) {
  if (form_.rbMULT.Checked() && !form_.rbNetTran.Checked()) {
    const std::string message = Text("info_GNSSMULTInfo");
    messages_.ShowMessage(message);
    log_.LogWarning(message);
  }
  form_.rzpgcntrlGWKMOD.SetPageIndex(button.Tag() - 20);
}

void ViewRules::BySocketChange(const ChoiceList& flag, CheckBox& socketBox) {
  if (flag.ItemIndex() == 1 && form_.rbNetTran.Checked() && !socketBox.Checked()) SetChecked(socketBox, true);
}

void ViewRules::cbbBYsocketAChange() { BySocketChange(form_.cbbBYsocketA, form_.rzchckbxSktA); }

void ViewRules::cbbBYsocketBChange() { BySocketChange(form_.cbbBYsocketB, form_.rzchckbxSktB); }

void ViewRules::rzgrpbxGNSSDblClick() {
  PlainControl& panel = form_.RzSizePanel1;
  if (panel.Height() <= 160) {
    const int room = form_.pnlL.Height() - form_.rzgrpbxWkmod.Height() - form_.rzszpnlBase.Height() - 30;
    panel.SetHeight(std::max(160, room));
  } else {
    panel.SetHeight(160);
  }
}

// ---- Hex boxes ----

void ViewRules::rzchckbxHexClick(const CheckBox& box) {
  auto convert = [&box](const std::string& text) {
    return box.Checked() ? TextToHex(text, "") : HexToTextOrSame(text);
  };
  switch (box.Tag()) {
    case 1:
      form_.edtHeartDt.SetText(convert(form_.edtHeartDt.Text()));
      break;
    case 2:
      form_.cbbRegDt.SetEntry(3, convert(form_.cbbRegDt.Text()));
      form_.cbbRegDt.ShowEntry(3);
      break;
    case 12:
      form_.cbbGREGDT.SetEntry(4, convert(form_.cbbGREGDT.Text()));
      form_.cbbGREGDT.ShowEntry(4);
      break;
    default:
      break;
  }
}

}  // namespace t418

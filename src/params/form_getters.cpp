#include "params/form_getters.h"

namespace t418 {

std::string OnOffText(const CheckBox& box) { return box.Checked() ? "ON" : "OFF"; }

std::string OneZeroText(const CheckBox& box) { return box.Checked() ? "1" : "0"; }

std::string IndexOneZeroText(const ChoiceList& list) { return list.ItemIndex() == 0 ? "0" : "1"; }

std::string UartText(const ParamForm& form) {
  return form.cbbBaud.Text() + "," + form.cbbD.Text() + "," + form.cbbS.Text() + "," + form.cbbP.Text();
}

}  // namespace t418

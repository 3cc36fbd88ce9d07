#pragma once
// The getters that turn fields of the parameter view into command words: the
// other direction of the report appliers. The configuration build and the
// profile both use them. The checked work mode and GNSS service
// (CurrentWorkMode, CurrentGnssService) live with the form model, which the
// view rules consult too; they are reached through this header as well.
#include <string>

#include "params/param_form.h"

namespace t418 {

// "ON" for a checked box, "OFF" for a clear one.
std::string OnOffText(const CheckBox& box);
// "1" for a checked box, "0" for a clear one.
std::string OneZeroText(const CheckBox& box);
// "0" when entry 0 of the list is chosen, "1" for any other entry or none.
std::string IndexOneZeroText(const ChoiceList& list);
// The texts of cbbBaud, cbbD, cbbS and cbbP joined by ",", e.g.
// "115200,8,1,NONE". Flow control is not part of it.
std::string UartText(const ParamForm& form);

}  // namespace t418

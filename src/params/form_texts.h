#pragma once
// The texts of the parameter view in the current language: captions, entry
// texts of the lists and hints, looked up by catalogue name. A control whose
// catalogue name is "lang_" followed by its own name gets that text (entries
// add their index), with the few exceptions the view has always had. Applying
// them again after a language switch keeps every list's chosen entry.
#include <functional>
#include <string_view>

namespace t418 {

class Control;
class ParamForm;
class TextLookup;
class ViewRules;

// caption := text of the work mode's name (0 "lang_rbNetTran", 1 "lang_rbHttpd",
// 2 "lang_rbSmsTran", 3 "lang_rbUdc", any other "lang_rbNetTran"), looked up
// once more, followed by the text of name.
void SetParaGroupCaption(Control& group, int workMode, std::string_view name, const TextLookup& texts);

// The work-mode group: rzgrpbxWkmod and the four mode buttons by the naming
// rule, then the caption of rzgrpbxPara for the current work mode.
void ApplyWorkModeTexts(ParamForm& form, const TextLookup& texts);

// Every other caption and entry text of the view, in the order sockets,
// heartbeat, registration, HTTPD, SMS, global parameters, GNSS, vehicle
// terminal. Within the registration fields: entry 0 of cbbRegTp, then
// applyHdVerSign (which renews entry 1 for a known hardware sign; when it is
// empty, entry 1 is renewed directly), then entries 2 and 3, then the
// registration-type rule.
void ApplyParameterTexts(ParamForm& form, ViewRules& rules, const TextLookup& texts,
                         const std::function<void()>& applyHdVerSign = {});

// The hints of the view, applied last.
void ApplyParameterHints(ParamForm& form, const TextLookup& texts);

// The parameter view's share of the window texts, in order: the work-mode rule
// again (Chinese or English picture), the work-mode texts, the other texts and
// the hints.
void ApplyParameterViewTexts(ParamForm& form, ViewRules& rules, const TextLookup& texts,
                             const std::function<void()>& applyHdVerSign = {});

}  // namespace t418

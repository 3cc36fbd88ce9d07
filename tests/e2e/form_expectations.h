#pragma once
// What a control of the parameter form should show, stated as a table row:
// a text, a check mark, a chosen (or shown) entry, a page, or whether it is
// shown or enabled. Mismatch tells what differs, "" when nothing does.
#include <string>
#include <vector>

#include "params/param_form.h"
#include "text/gbk.h"

namespace t418::testing {

struct Shows {
  enum class What { Text, Checked, Entry, Page, Visible, Enabled };
  std::string control;
  What what;
  std::string text;  // Text: GBK
  int number = 0;    // Checked, Visible, Enabled: 0 or 1; Entry, Page: the index
};

inline Shows Text(std::string control, std::string gbk) { return {std::move(control), Shows::What::Text, std::move(gbk)}; }
inline Shows Checked(std::string control, bool on = true) {
  return {std::move(control), Shows::What::Checked, {}, on ? 1 : 0};
}
inline Shows Clear(std::string control) { return Checked(std::move(control), false); }
inline Shows Entry(std::string control, int index) { return {std::move(control), Shows::What::Entry, {}, index}; }
inline Shows Page(std::string control, int index) { return {std::move(control), Shows::What::Page, {}, index}; }
inline Shows Visible(std::string control, bool shown = true) {
  return {std::move(control), Shows::What::Visible, {}, shown ? 1 : 0};
}
inline Shows Hidden(std::string control) { return Visible(std::move(control), false); }
inline Shows Enabled(std::string control, bool on = true) {
  return {std::move(control), Shows::What::Enabled, {}, on ? 1 : 0};
}

inline std::string Mismatch(const ParamForm& form, const Shows& row) {
  const Control* control = form.Find(row.control);
  if (!control) return row.control + ": no such control";
  const auto differs = [&](const std::string& got, const std::string& want) {
    return got == want ? std::string() : row.control + ": \"" + GbkToUtf8(got) + "\", want \"" + GbkToUtf8(want) + "\"";
  };
  const auto differsNumber = [&](int got, int want) { return differs(std::to_string(got), std::to_string(want)); };
  switch (row.what) {
    case Shows::What::Text:
      if (const auto* field = dynamic_cast<const TextField*>(control)) return differs(field->Text(), row.text);
      if (const auto* list = dynamic_cast<const ChoiceList*>(control)) return differs(list->Text(), row.text);
      break;
    case Shows::What::Checked:
      if (const auto* box = dynamic_cast<const CheckBox*>(control)) return differsNumber(box->Checked(), row.number);
      if (const auto* radio = dynamic_cast<const RadioButton*>(control))
        return differsNumber(radio->Checked(), row.number);
      break;
    case Shows::What::Entry:
      if (const auto* list = dynamic_cast<const ChoiceList*>(control)) return differsNumber(list->ItemIndex(), row.number);
      if (const auto* data = dynamic_cast<const RegDataField*>(control))
        return differsNumber(data->ShownEntry(), row.number);
      break;
    case Shows::What::Page:
      if (const auto* pages = dynamic_cast<const PageControl*>(control))
        return differsNumber(pages->PageIndex(), row.number);
      break;
    case Shows::What::Visible:
      return differsNumber(control->Visible(), row.number);
    case Shows::What::Enabled:
      return differsNumber(control->Enabled(), row.number);
  }
  return row.control + ": the row does not fit a control of this kind";
}

inline std::vector<std::string> Mismatches(const ParamForm& form, const std::vector<Shows>& rows) {
  std::vector<std::string> out;
  for (const Shows& row : rows)
    if (std::string m = Mismatch(form, row); !m.empty()) out.push_back(std::move(m));
  return out;
}

}  // namespace t418::testing

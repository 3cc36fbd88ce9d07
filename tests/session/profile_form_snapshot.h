#pragma once
// Every property of every control of a form as text, for comparing two forms
// (a profile or configuration file written by one session and read by
// another) and for stating what loading one key did.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "params/param_form.h"

namespace t418::testing {

// "name.property" -> value. Properties: visible, enabled, caption, hint,
// height; checked (check boxes, radio buttons); text, maxLength, readOnly
// (edit fields); items, index, text (choice lists); shown, entries
// (registration-data fields); page (page controls); picture.
using FormSnapshot = std::map<std::string, std::string>;

inline std::string JoinTexts(const std::vector<std::string>& texts) {
  std::string joined;
  for (const auto& text : texts) joined += (joined.empty() ? "" : "|") + text;
  return joined;
}

inline FormSnapshot SnapshotOf(const ParamForm& form) {
  FormSnapshot s;
  for (const Control* c : form.Controls()) {
    const std::string n = c->Name() + ".";
    s[n + "visible"] = std::to_string(c->Visible());
    s[n + "enabled"] = std::to_string(c->Enabled());
    s[n + "caption"] = c->Caption();
    s[n + "hint"] = c->Hint();
    s[n + "height"] = std::to_string(c->Height());
    if (const auto* box = dynamic_cast<const CheckBox*>(c)) s[n + "checked"] = std::to_string(box->Checked());
    if (const auto* radio = dynamic_cast<const RadioButton*>(c)) s[n + "checked"] = std::to_string(radio->Checked());
    if (const auto* field = dynamic_cast<const TextField*>(c)) {
      s[n + "text"] = field->Text();
      s[n + "maxLength"] = std::to_string(field->MaxLength());
      s[n + "readOnly"] = std::to_string(field->ReadOnly());
    }
    if (const auto* data = dynamic_cast<const RegDataField*>(c)) {
      s[n + "shown"] = std::to_string(data->ShownEntry());
      std::vector<std::string> entries;
      for (int i = 0; i < data->EntryCount(); ++i) entries.push_back(data->Entry(i));
      s[n + "entries"] = JoinTexts(entries);
    }
    if (const auto* list = dynamic_cast<const ChoiceList*>(c)) {
      s[n + "items"] = JoinTexts(list->Items());
      s[n + "index"] = std::to_string(list->ItemIndex());
      s[n + "text"] = list->Text();
    }
    if (const auto* pages = dynamic_cast<const PageControl*>(c)) s[n + "page"] = std::to_string(pages->PageIndex());
    if (const auto* picture = dynamic_cast<const Picture*>(c)) s[n + "picture"] = picture->Resource();
  }
  return s;
}

// The properties that differ, as "name.property: a | b", leaving out the
// ignored ones.
inline std::vector<std::string> Differences(const FormSnapshot& a, const FormSnapshot& b,
                                            const std::set<std::string>& ignored = {}) {
  std::vector<std::string> out;
  for (const auto& [key, value] : a) {
    if (ignored.count(key)) continue;
    const auto other = b.find(key);
    const std::string otherValue = other == b.end() ? "<missing>" : other->second;
    if (otherValue != value) out.push_back(key + ": " + value + " | " + otherValue);
  }
  return out;
}

}  // namespace t418::testing

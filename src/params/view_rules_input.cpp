// Keyboard and mouse input of the parameter view: the key filters, the
// numeric limits of the number fields, and scrolling and focus.
#include <array>
#include <string_view>

#include "params/view_rules.h"

namespace t418 {

namespace {

bool IsEditingKey(char key) { return key == kKeyBackspace || key == kKeyCtrlV || key == kKeyCtrlX; }

bool IsDigitKey(char key) { return key >= '0' && key <= '9'; }

bool IsHexKey(char key) {
  return IsDigitKey(key) || (key >= 'A' && key <= 'F') || (key >= 'a' && key <= 'f');
}

// The fields that take digits only.
constexpr std::array<std::string_view, 15> kDigitFields = {
    "edtdevid",     "edtMODBUSID1", "edtreportinternal", "edtMODBUSAddr1", "edtSockgPort",
    "edtSOCKGTO",   "edtMODBUSID2", "edtMODBUSAddr2",    "edtGPOSUPTM",    "edtSOCKQport",
    "edtSOCKQTO",   "edtQCITY",     "edtQPOSUPTM",       "edtQphone",      "edtQHEARTTM",
};

bool IsDigitField(std::string_view field) {
  for (std::string_view name : kDigitFields)
    if (name == field) return true;
  return false;
}

struct KeyUpRule {
  std::string_view field;
  void (ViewRules::*handler)();
};

constexpr std::array<KeyUpRule, 12> kKeyUpRules = {{
    {"edtMODBUSID1", &ViewRules::edtMODBUSID1KeyUp},
    {"edtMODBUSAddr1", &ViewRules::edtMODBUSAddr1KeyUp},
    {"edtMODBUSID2", &ViewRules::edtMODBUSID2KeyUp},
    {"edtMODBUSAddr2", &ViewRules::edtMODBUSAddr2KeyUp},
    {"edtreportinternal", &ViewRules::edtreportinternalKeyUp},
    {"edtGPOSUPTM", &ViewRules::edtGPOSUPTMKeyUp},
    {"edtQPOSUPTM", &ViewRules::edtQPOSUPTMKeyUp},
    {"edtQHEARTTM", &ViewRules::edtQHEARTTMKeyUp},
    {"edtSockgPort", &ViewRules::edtSockgPortKeyUp},
    {"edtSOCKQport", &ViewRules::edtSOCKQportKeyUp},
    {"edtSOCKGTO", &ViewRules::edtSOCKGTOKeyUp},
    {"edtSOCKQTO", &ViewRules::edtSOCKQTOKeyUp},
}};

// The byte where the last character of a GBK text begins.
std::size_t LastCharacterStart(const std::string& text) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size();) {
    start = i;
    const auto byte = static_cast<unsigned char>(text[i]);
    i += (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) ? 2 : 1;
  }
  return start;
}

// The text after one key typed at its end; the same text when the key changes nothing.
std::string TypedText(const std::string& text, char key, int maxLength) {
  if (key == kKeyBackspace) return text.empty() ? text : text.substr(0, LastCharacterStart(text));
  if (static_cast<unsigned char>(key) < 0x20) return text;
  if (maxLength > 0 && static_cast<int>(text.size()) >= maxLength) return text;
  return text + key;
}

}  // namespace

bool ViewRules::edtHeartDtKeyPress(char key) const {
  return !form_.rzchckbxHeartDtHex.Checked() || IsEditingKey(key) || IsHexKey(key);
}

bool ViewRules::cbbRegDtKeyPress(char key) const {
  return !form_.rzchckbxRegDtHex.Checked() || IsEditingKey(key) || IsHexKey(key);
}

bool ViewRules::cbbGREGDTKeyPress(char key) {
  const bool hex = form_.rzchckbxGREGDThex.Checked();
  form_.cbbGREGDT.SetMaxLength(hex ? 256 : 128);
  return !hex || IsEditingKey(key) || IsHexKey(key);
}

bool ViewRules::edtNumKeyPress(char key) { return IsEditingKey(key) || IsDigitKey(key); }

bool ViewRules::KeyPress(std::string_view field, char key) {
  if (field == "edtHeartDt") return edtHeartDtKeyPress(key);
  if (field == "cbbRegDt") return cbbRegDtKeyPress(key);
  if (field == "cbbGREGDT") return cbbGREGDTKeyPress(key);
  if (IsDigitField(field)) return edtNumKeyPress(key);
  return true;
}

void ViewRules::KeyUp(std::string_view field) {
  for (const KeyUpRule& rule : kKeyUpRules)
    if (rule.field == field) {
      (this->*rule.handler)();
      return;
    }
}

void ViewRules::TypeKey(std::string_view field, char key) {
  if (!KeyPress(field, key)) return;
  Control* control = form_.Find(field);
  if (auto* field = dynamic_cast<TextField*>(control)) {
    if (!field->ReadOnly()) field->SetText(TypedText(field->Text(), key, field->MaxLength()));
  } else if (auto* list = dynamic_cast<ChoiceList*>(control)) {
    if (list->Editable()) list->SetText(TypedText(list->Text(), key, 0));
  }
  KeyUp(field);
}

// A text that is no decimal number (a paste can bring one) counts as out of range.
void ViewRules::KeepInRange(Edit& field, long long low, long long high) {
  const std::string& text = field.Text();
  if (text.empty()) return;
  long long value = 0;
  bool number = text.size() <= 12;
  for (char c : text) {
    if (!number) break;
    if (!IsDigitKey(c)) {
      number = false;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (!number || value < low || value > high) field.SetText("");
}

void ViewRules::edtMODBUSID1KeyUp() { KeepInRange(form_.edtMODBUSID1, 0, 255); }
void ViewRules::edtMODBUSAddr1KeyUp() { KeepInRange(form_.edtMODBUSAddr1, 0, 65534); }
void ViewRules::edtMODBUSID2KeyUp() { KeepInRange(form_.edtMODBUSID2, 0, 255); }
void ViewRules::edtMODBUSAddr2KeyUp() { KeepInRange(form_.edtMODBUSAddr2, 0, 65535); }
void ViewRules::edtreportinternalKeyUp() { KeepInRange(form_.edtreportinternal, 1, 6000); }
void ViewRules::edtGPOSUPTMKeyUp() { KeepInRange(form_.edtGPOSUPTM, 1, 6000); }
void ViewRules::edtQPOSUPTMKeyUp() { KeepInRange(form_.edtQPOSUPTM, 1, 6000); }
void ViewRules::edtQHEARTTMKeyUp() { KeepInRange(form_.edtQHEARTTM, 1, 6000); }
void ViewRules::edtSockgPortKeyUp() { KeepInRange(form_.edtSockgPort, 1, 65535); }
void ViewRules::edtSOCKQportKeyUp() { KeepInRange(form_.edtSOCKQport, 1, 65535); }
void ViewRules::edtSOCKGTOKeyUp() { KeepInRange(form_.edtSOCKGTO, 1, 100); }
void ViewRules::edtSOCKQTOKeyUp() { KeepInRange(form_.edtSOCKQTO, 1, 100); }

int WheelScrollLines(int wheelDelta) { return wheelDelta < 0 ? 1 : -1; }

bool TakesFocusOnClick(std::string_view name) {
  constexpr std::array<std::string_view, 11> kFocusTakers = {
      "advscrlbxPara", "advscrlbxBase",   "advscrlbxGNSS1", "advscrlbxGNSS2", "advscrlbxGNSS4", "rzgrpbxUart",
      "rzgrpbxMore",   "rzgrpbxPara",     "rzgrpbxGNSSmore", "TabSheet5",     "TabSheet6",
  };
  for (std::string_view taker : kFocusTakers)
    if (taker == name) return true;
  return false;
}

}  // namespace t418

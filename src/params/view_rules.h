#pragma once
// The rules of the parameter view: which page, picture and fields each work
// mode shows, the groups of the enable boxes, the registration types, the GNSS
// services and channels, the hex boxes, the key filters and numeric limits.
// They act on the form model only. A user's click and a program that sets a
// check box or radio button (report appliers, the profile) go through the same
// entry points, so one rule keeps the view consistent whatever changed it.
#include <functional>
#include <string>
#include <string_view>

#include "params/commands.h"
#include "params/param_form.h"

namespace t418 {

class TrafficLog;
class TextLookup;

// The one place where the view rules interrupt the user with a message box.
class MessageBoxPort {
 public:
  virtual ~MessageBoxPort() = default;
  // Shows the text (GBK) and returns when the user has closed the box.
  virtual void ShowMessage(const std::string& text) = 0;
};

struct ViewRuleParts {
  ParamForm& form;
  TrafficLog& log;
  const TextLookup& texts;
  // The identity command that names entry 1 of the registration types.
  const HardwareSign& hardware;
  MessageBoxPort& messages;
  // Whether the window shows Chinese (the work-mode picture follows it).
  std::function<bool()> useChinese;
};

// Keys of the key filters.
inline constexpr char kKeyBackspace = 8;
inline constexpr char kKeyCtrlV = 22;
inline constexpr char kKeyCtrlX = 24;

class ViewRules {
 public:
  explicit ViewRules(const ViewRuleParts& parts);

  // ---- Entry points of the user and of the program ----

  // Sets a check box; when its state changes, its click rule runs (as a click
  // would). Setting the state it already has runs nothing.
  void SetChecked(CheckBox& box, bool checked);
  // Checking a radio button clears the others of its group and, when it was
  // clear, runs its click rule; clearing runs no rule.
  void SetChecked(RadioButton& button, bool checked);
  // The same by name; false when the view has no check box or radio button of that name.
  bool SetChecked(std::string_view name, bool checked);
  // A user's click: a check box toggles, a radio button becomes checked.
  bool Click(std::string_view name);
  // A choice of entry (-1 for none) followed by the list's change rule, if it has one.
  void SelectEntry(ChoiceList& list, int index);
  bool SelectEntry(std::string_view name, int index);
  // The change rule of a list after the program set its entry (nothing for a
  // list without rule).
  void RunChangeRule(const ChoiceList& list);

  // A typed character: true when the field's key filter lets it through.
  // Fields without a filter accept every key.
  bool KeyPress(std::string_view field, char key);
  // A key release in a field: its numeric limit, if it has one.
  void KeyUp(std::string_view field);
  // Types one key at the end of a field as the keyboard would: the filter, the
  // typing limit, the character (Backspace removes the last one; Ctrl+V and
  // Ctrl+X change nothing here), then the key release.
  void TypeKey(std::string_view field, char key);

  // ---- The rules ----

  // A work-mode radio button became checked (tag: 0 NET and UDC, 1 HTTPD, 2 SMS).
  void rbWkmokClick(const RadioButton& button);
  // The registration, heartbeat and connection-kind fields of the UDC mode (udc)
  // or of the other modes.
  void ApplyUdcLayout(bool udc);
  // The work-mode rule again for the checked NET, HTTPD or SMS button (none for
  // UDC), as the texts of the window do after a language switch.
  void RerunWorkModeRule();
  // The group of the box's tag is shown exactly while the box is checked.
  void rzchckbxEnableClick(const CheckBox& box);
  // TCP shows the socket's connection kind; UDP sets it to LONG and hides it.
  void cbbProtocolChange(const ChoiceList& protocol);
  void cbbRegTpChange();
  // Entry 1 of cbbRegTp names the identity command in force; the chosen entry stays.
  void RenewIdentityEntry();
  void cbbGREGTPChange();
  void cbbGHEARTTP2Change();
  // Shows the service's GNSS page (tag 10, 11, 12).
  void rbZavCloudClick(const RadioButton& button);
  // The scroll box that takes the keyboard focus after a GNSS service button is
  // released under the mouse: the one of the checked service's page, "" for none.
  std::string rbZavCloudMouseUp() const;
  // The private-cloud channel (tag 20 MULT, 21 INDE).
  void rbMULTClick(const RadioButton& button);
  void cbbBYsocketAChange();
  void cbbBYsocketBChange();
  // Converts the data field of the box's tag to or from hex.
  void rzchckbxHexClick(const CheckBox& box);
  // Grows the GNSS panel to the room left, or shrinks it back to 160 pixels.
  void rzgrpbxGNSSDblClick();

  // Key filters (true: the key passes).
  bool edtHeartDtKeyPress(char key) const;
  bool cbbRegDtKeyPress(char key) const;
  // Also sets the typing limit of cbbGREGDT: 256 with its Hex box checked, 128 without.
  bool cbbGREGDTKeyPress(char key);
  static bool edtNumKeyPress(char key);

  // Numeric limits: the field is emptied when its text is no number in range.
  void edtMODBUSID1KeyUp();
  void edtMODBUSAddr1KeyUp();
  void edtMODBUSID2KeyUp();
  void edtMODBUSAddr2KeyUp();
  void edtreportinternalKeyUp();
  void edtGPOSUPTMKeyUp();
  void edtQPOSUPTMKeyUp();
  void edtQHEARTTMKeyUp();
  void edtSockgPortKeyUp();
  void edtSOCKQportKeyUp();
  void edtSOCKGTOKeyUp();
  void edtSOCKQTOKeyUp();

  ParamForm& Form() { return form_; }

 private:
  void RunClickRule(const Control& control);
  void ShowEnabledGroup(int tag, bool shown);
  void BySocketChange(const ChoiceList& flag, CheckBox& socketBox);
  void RegistrationDataVisibility();
  void KeepInRange(Edit& field, long long low, long long high);
  std::string Text(std::string_view name) const;

  ParamForm& form_;
  TrafficLog& log_;
  const TextLookup& texts_;
  const HardwareSign& hardware_;
  MessageBoxPort& messages_;
  std::function<bool()> useChinese_;
};

// Scrolling and focus of the view's scroll boxes.
// Lines to scroll for one mouse-wheel event: +1 (down) for a wheel turned
// towards the user (negative turn), -1 (up) otherwise.
int WheelScrollLines(int wheelDelta);
// Whether a click on the control gives it the keyboard focus (the scroll boxes
// and a few groups and pages), so that the wheel then acts on it.
bool TakesFocusOnClick(std::string_view name);

}  // namespace t418

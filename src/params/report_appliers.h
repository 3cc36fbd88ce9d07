#pragma once
// The road from a device report (name, value) into the parameter view: each
// command's value is read by its own rule and shown in its fields, and the
// check boxes and radio buttons it sets run their click rules as a user's click
// would. The profile feeds its stored values through the same appliers.
//
// The firmware and hardware version reports (VER, HDVER) steer the command
// traffic and stay with the session engine; they are ignored here.
//
// A value that a command does not accept (an unknown word, a wrong number of
// fields, a field that must be a decimal number but is not) leaves that
// command's fields as they were; nothing is reported.
#include <optional>
#include <string>
#include <string_view>

#include "params/commands.h"
#include "params/param_form.h"
#include "base/engine_ports.h"

namespace t418 {

class RegionView;
class TextLookup;
class TrafficLog;
class ViewRules;

struct ReportApplierParts {
  ParamForm& form;
  ViewRules& rules;
  RegionView& regions;
  TrafficLog& log;
  const TextLookup& texts;
};

class ReportAppliers : public ReportConsumer {
 public:
  explicit ReportAppliers(const ReportApplierParts& parts);

  // A report as the engine parsed it. The name is compared without regard to
  // letter case; a name that is no command is ignored.
  void ApplyReport(const std::string& name, const std::string& value) override;
  // The same for a known command.
  void ApplyCommand(TCmd cmd, std::string_view value);

  // ---- The appliers ----

  // "ON" checks the box, "OFF" clears it (its click rule runs when that changes
  // the state), any other value leaves it. Then the box is switched to the
  // opposite state and back, so its click rule runs twice more, the second
  // time with the final state, also when the value changed nothing.
  void ApplyOnOff(CheckBox& box, std::string_view value);
  // "1" checks the box, "0" clears it, any other value leaves it; the click
  // rule runs only when the state changed.
  void ApplyOneZero(CheckBox& box, std::string_view value);
  // The field's text becomes the value, whatever its typing limit.
  static void ApplyEditText(TextField& field, std::string_view value);
  // Chooses the entry whose text equals the value, ASCII letter case ignored;
  // with no match no entry is chosen and the list's text is empty. No change
  // rule runs.
  static void ApplyItemText(ChoiceList& list, std::string_view value);

  // The applier of a command family. Each returns false when the command is
  // not one of its family (and then changes nothing), true otherwise, also
  // when the value was refused.

  // WKMOD, GNSSMOD, GWKMOD: the radio group is cleared (no rule runs), then the
  // button of the word is checked and its click rule runs.
  bool ApplyModeWord(TCmd cmd, std::string_view value);
  // The command words of the choice lists (an unknown word leaves the list;
  // REGTP, GREGTP and GPOSTP run their list's change rule afterwards in any
  // case), ID, and the registration-data entries (REGDT and GREGDT check
  // their Hex box first).
  bool ApplyListWord(TCmd cmd, std::string_view value);
  // UART (4 or 5 fields), APN (whole), HTPSV, GCLOUD, GMDBS, GBYDTU and
  // QCARINFO (2 fields each).
  bool ApplyFieldList(TCmd cmd, std::string_view value);
  // SOCKA to SOCKD, SOCKG, SOCKQ: protocol "," address "," port; exactly three
  // fields. The protocol rule of sockets A to D runs afterwards.
  bool ApplyServerTriple(TCmd cmd, std::string_view value);

  // ---- Pieces the profile uses on their own ----

  // The registration-data entries of ICCID, MEID, IMEI, IMSI, SN, REGDT and
  // GREGDT written without touching a Hex box: the selection stays, and the
  // field shows the new text at once when the written entry is the shown one.
  // False for any other command.
  bool StoreRegistrationData(TCmd cmd, std::string_view value);
  // QTERMINAL: terminal ID "," model "," type number. Unless there are exactly
  // three fields and the type number is decimal nothing changes.
  void ApplyTerminalValue(std::string_view value);

 private:
  void ApplyHeartbeatData(std::string_view value);

  ParamForm& form_;
  ViewRules& rules_;
  RegionView& regions_;
  TrafficLog& log_;
  const TextLookup& texts_;
};

}  // namespace t418

#pragma once
// The vehicle-terminal fields of the parameter view bound to their data: the
// region lists cbbProvince, cbbcity and cbbCounty with the region code
// edtQCITY, the terminal ID, model and six type lists, and the plate colour and
// plate. The appliers here take a reported (or profile) value into the form;
// the getters give the command values back out of it.
#include <filesystem>
#include <string>
#include <string_view>

#include "params/param_form.h"
#include "vehicle/region_catalogue.h"

namespace t418 {

class TrafficLog;

// The region catalogue of the run and the region lists that show it. One
// instance lives beside the form (owned by whoever owns the form) from start
// to the end of the run.
//
// Without a catalogue (file missing or broken) the change handlers do nothing
// and a region code changes edtQCITY only, so the code can still be typed or
// reported.
class RegionView {
 public:
  explicit RegionView(ParamForm& form) : form_(form) {}
  RegionView(const RegionView&) = delete;
  RegionView& operator=(const RegionView&) = delete;

  // The load at start: empties the three region lists, reads
  // "province&city.json" from the folder (the program's own) and adds every
  // province name to cbbProvince, in file order, with none chosen.
  // Returns the text of the message box the window must show: "缺少province&city.json"
  // (GBK) when the file is missing, "" otherwise. A file that is there but
  // cannot be read or parsed leaves the lists empty and writes a warning line
  // naming the fault to the log.
  std::string LoadRegionCatalogue(const std::filesystem::path& folder, TrafficLog& log);
  // The same with a catalogue already at hand: empties the lists, keeps it and
  // fills cbbProvince.
  void UseCatalogue(RegionCatalogue catalogue);
  const RegionCatalogue& Catalogue() const { return catalogue_; }

  // ---- Change handlers of the region lists: run after the user picked an
  // entry or typed into the list (a program that sets a list runs none). ----

  // cbbcity gets the cities of every province named as cbbProvince's text;
  // cbbCounty is emptied. edtQCITY stays as it was.
  void cbbProvinceChange();
  // cbbCounty gets the counties of every city named as cbbcity's text in a
  // province named as cbbProvince's text. edtQCITY stays as it was.
  void cbbcityChange();
  // When the three texts name a county of the catalogue, edtQCITY takes its
  // code; otherwise edtQCITY stays as it was.
  void cbbCountyChange();
  // The handler of the list, if it is one of the three region lists; false for
  // any other list.
  bool RunChangeRule(const ChoiceList& list);

  // ---- QCITY ----

  // The applier of a QCITY report: edtQCITY takes the code, and when a
  // province has the code's province prefix (its first two characters and
  // "0000"), cbbProvince shows that province, cbbcity is refilled with its
  // cities and shows the one of the city prefix (first four characters and
  // "00"), and cbbCounty is refilled with that city's counties and shows the
  // one of the whole code. A code whose province prefix matches nothing
  // changes edtQCITY only.
  void ApplyRegionCode(std::string_view code);

 private:
  void FillProvinceList();

  ParamForm& form_;
  RegionCatalogue catalogue_;
};

// The QCITY setting value: the text of edtQCITY.
std::string RegionCodeValue(const ParamForm& form);

// ---- QTERMINAL ----

// The applier of a QTERMINAL report and of the profile key "QTERMINAL":
// terminal ID "," model "," type word. Unless the value has exactly three
// fields nothing changes; otherwise edtTerminalID and edtTerminalmode take the
// first two, and cbbtype0 to cbbtype7 take the bits of the type word (item 1
// where the bit is set, item 0 where it is clear). A type word that is no
// decimal number leaves the six lists as they were.
void ApplyTerminalReport(ParamForm& form, std::string_view value);
// The type word of the six lists; a list with no entry chosen counts as bit
// clear. All six on item 1 give 207.
int TerminalTypeBits(const ParamForm& form);
// The QTERMINAL setting value and profile value: edtTerminalID ","
// edtTerminalmode "," the type word in decimal.
std::string TerminalValue(const ParamForm& form);

// ---- QCARINFO ----

// The applier of a QCARINFO report and of the profile key "QCARINFO": colour
// "," plate. Unless the value has exactly two fields and the colour is a
// decimal number nothing changes. Colour 9 chooses "其他" (entry 5) of
// cbbCarcolor, any other number the entry of that number (none when there is
// no such entry); a plate "0" puts "VIN" into edtCarNum, any other plate
// itself.
void ApplyCarInfoReport(ParamForm& form, std::string_view value);
// The QCARINFO setting value: the colour code (the chosen entry of
// cbbCarcolor when at most 4, else 9) "," edtCarNum.
std::string CarInfoValue(const ParamForm& form);
// The profile value of "QCARINFO": the chosen entry of cbbCarcolor in decimal
// (-1 for none) "," edtCarNum.
std::string CarInfoProfileValue(const ParamForm& form);

}  // namespace t418

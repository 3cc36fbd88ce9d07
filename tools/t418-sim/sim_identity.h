#pragma once
// The identity a simulated terminal reports (AT+IMEI?, AT+ICCID?, AT+SN?):
// by default made from the simulator's name, so that simulators with other
// names are other terminals and the same name is the same terminal from run to
// run; each part can be given instead (two simulators given one IMEI stage a
// duplicate).
#include <string>
#include <string_view>

namespace t418::sim {

struct SimIdentity {
  std::string imei;   // 15 digits, the last the Luhn check digit of the others
  std::string iccid;  // 20 digits starting "8986", the last a Luhn check digit
  std::string sn;     // 20 digits
};

// The identity made from a name with a stable hash: the same name gives the
// same identity on every system and in every run.
SimIdentity IdentityFromName(std::string_view name);

// The Luhn check digit of a run of decimal digits ('0' to '9').
char LuhnCheckDigit(std::string_view digits);
// Whether the text is decimal digits whose last one is the Luhn check digit of the others.
bool LuhnValid(std::string_view digits);

// Checks of given values: "" when the value is taken, else why not. A Luhn
// check digit that is wrong is taken (a damaged terminal can be staged) but
// told in warning.
std::string CheckImei(std::string_view imei, std::string& warning);
std::string CheckIccid(std::string_view iccid, std::string& warning);
std::string CheckSerialNumber(std::string_view sn);

}  // namespace t418::sim

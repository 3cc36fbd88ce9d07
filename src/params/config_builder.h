#pragma once
// The full write of the terminal's configuration: the parameter view turned
// into the ordered setting lines "AT+NAME=VALUE" CR LF. The GNSS fields are
// checked on the way; a view that fails a check is refused with a fixed
// Chinese warning in the traffic log and an empty order list, so that nothing
// at all is sent. Every line built is then checked against its command's value
// rule (params/value_check.h): a value the terminal would refuse, a value
// holding a control byte (which would end the line and start another command)
// or one longer than the profile keeps refuses the whole build the same way,
// with one message naming each field and why.
#include <functional>
#include <string>
#include <vector>

#include "params/commands.h"
#include "params/param_form.h"
#include "params/value_check.h"
#include "base/engine_ports.h"

namespace t418 {

class OrderList;
class TextLookup;
class TrafficLog;

// Why a build was refused. Each reason has one fixed message.
enum class ConfigRefusal {
  None,
  CloudIncomplete,          // the maker's cloud: a required field empty
  CloudDeviceIdLength,      // device number not 20 characters
  CloudPasswordLength,      // password not 8 characters
  QianXunIncomplete,        // QianXun: a required field empty
  QianXunPhone,             // telephone number shorter than 11 characters
  QianXunRegionCode,        // advanced box: region code not 6 characters
  PrivateSharedIncomplete,  // private cloud sharing sockets A and B: a list empty
  PrivateOwnIncomplete,     // private cloud with its own server: a field empty
  PrivateOwnOddHex,         // its hex user data has an odd number of characters
  PrivateIncomplete,        // report interval, position type or MODBUS fields empty
  InvalidValues,            // values the terminal would refuse (LastProblems says which)
};

// The warning line of a refusal (GBK), the same in every language; "" for None.
// For InvalidValues a summary; ConfigBuilder::LastMessage names each value.
const std::string& RefusalMessage(ConfigRefusal refusal);

class ConfigBuilder : public ConfigurationBuilder {
 public:
  // The identity command of `hardware` names the identity registration type;
  // the write selects its hardware model before it builds.
  ConfigBuilder(ParamForm& form, const HardwareSign& hardware, TrafficLog& log);

  // The texts of the refused-values message in the current language. Unset:
  // the built-in English texts.
  void SetTexts(const TextLookup* texts) { texts_ = texts; }

  // Replaces the order list's lines with the configuration, or empties it and
  // logs the refusal's message. An 11-digit telephone number of the QianXun
  // page gets a leading "0" in its field (also when a later check refuses).
  void BuildConfiguration(OrderList& orders) override;
  // The same, telling why the view was refused (None when it was accepted).
  ConfigRefusal Build(OrderList& orders);

  // Told the message of a build refused for values the terminal would refuse
  // (each field and why), for a front end to show; may stay unset.
  std::function<void(const std::string& message)> OnInvalidValues;

  // The outcome of the last build.
  ConfigRefusal LastRefusal() const { return lastRefusal_; }
  bool LastBuildRefused() const { return lastRefusal_ != ConfigRefusal::None; }
  // The values of the last build the terminal would refuse, in the order of
  // the lines; empty unless it was refused for InvalidValues.
  const std::vector<ValueProblem>& LastProblems() const { return problems_; }
  // The message of the last refusal: the fixed warning, or for InvalidValues
  // the heading and one line per value (CR LF between lines); "" when accepted.
  const std::string& LastMessage() const { return message_; }

 private:
  ParamForm& form_;
  const HardwareSign& hardware_;
  const TextLookup& Texts() const;
  // The problems of the lines in orders.
  std::vector<ValueProblem> CheckLines(const OrderList& orders) const;

  TrafficLog& log_;
  const TextLookup* texts_ = nullptr;
  ConfigRefusal lastRefusal_ = ConfigRefusal::None;
  std::vector<ValueProblem> problems_;
  std::string message_;
};

}  // namespace t418

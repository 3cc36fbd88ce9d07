#pragma once
// The full write of the terminal's configuration: the parameter view turned
// into the ordered setting lines "AT+NAME=VALUE" CR LF. The GNSS fields are
// checked on the way; a view that fails a check is refused with a fixed
// Chinese warning in the traffic log and an empty order list, so that nothing
// at all is sent.
#include <functional>
#include <string>

#include "params/commands.h"
#include "params/form_model.h"
#include "session/engine_ports.h"

namespace t418 {

class OrderList;
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
};

// The warning line of a refusal (GBK), the same in every language; "" for None.
const std::string& RefusalMessage(ConfigRefusal refusal);

class ConfigBuilder : public ConfigurationBuilder {
 public:
  // The identity command of `hardware` names the identity registration type;
  // the write selects its hardware model before it builds.
  ConfigBuilder(ParamForm& form, const HardwareSign& hardware, TrafficLog& log);

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

 private:
  ParamForm& form_;
  const HardwareSign& hardware_;
  TrafficLog& log_;
  ConfigRefusal lastRefusal_ = ConfigRefusal::None;
};

}  // namespace t418

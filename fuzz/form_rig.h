#pragma once
// The parameter form with its view rules, region lists, report appliers and
// configuration build wired as the session wires them, with fakes at the
// edges (log clock, message boxes, texts), for the targets that feed reports.
#include <string>
#include <string_view>

#include "form_fakes.h"
#include "log_fakes.h"
#include "monitor/traffic_log.h"
#include "params/config_builder.h"
#include "params/param_form.h"
#include "params/report_appliers.h"
#include "params/view_rules.h"
#include "session/session_engine.h"
#include "params/order_list.h"
#include "session_fakes.h"
#include "params/region_view.h"
#include "vehicle/region_catalogue.h"

namespace t418::fuzz {

// Two provinces, enough for region codes to select something.
inline RegionCatalogue SmallRegionCatalogue() {
  return RegionCatalogue({
      {"\xB1\xB1\xBE\xA9\xCA\xD0", "110000",
       {{"\xCA\xD0\xCF\xBD\xC7\xF8", "110100", {{"\xB6\xAB\xB3\xC7\xC7\xF8", "110101"}}}}},
      {"\xBA\xD3\xB1\xB1\xCA\xA1", "130000", {{"\xCA\xAF\xBC\xD2\xD7\xAF\xCA\xD0", "130100", {}}}},
  });
}

struct FormRig {
  testing::FixedLogClock clock;
  TrafficLog log{clock};
  testing::BracketTexts texts;
  testing::RecordingMessages messages;
  HardwareSign hardware;
  ParamForm form;
  ViewRules rules{ViewRuleParts{form, log, texts, hardware, messages, [] { return true; }}};
  RegionView regions{form};
  ReportAppliers appliers{ReportApplierParts{form, rules, regions, log, texts}};
  ConfigBuilder builder{form, hardware, log};

  FormRig() { regions.UseCatalogue(SmallRegionCatalogue()); }
};

// NAME and VALUE of a setting line "AT+NAME=VALUE" CR LF; false for any other line.
inline bool SplitSettingLine(std::string_view line, std::string& name, std::string& value) {
  if (!line.starts_with("AT+") || !line.ends_with("\r\n")) return false;
  line = line.substr(3, line.size() - 5);
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  name = std::string(line.substr(0, equals));
  value = std::string(line.substr(equals + 1));
  return true;
}

}  // namespace t418::fuzz

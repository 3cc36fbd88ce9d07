#include "ctl/json_output.h"

#include <cstdio>

#include "ctl/console_view.h"
#include "text/gbk.h"

namespace t418::ctl {

nlohmann::json JsonText(const std::string& gbk) { return GbkToUtf8(gbk); }

nlohmann::json JsonTexts(const std::vector<std::string>& gbk) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& text : gbk) list.push_back(JsonText(text));
  return list;
}

std::string WithoutLineEnd(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return line;
}

nlohmann::json JobRecordJson(const JobResult& result) {
  nlohmann::json differences = nlohmann::json::array();
  for (const auto& line : result.differences) differences.push_back(JsonText(WithoutLineEnd(line)));
  nlohmann::json record = {
      {"port", result.port},
      {"imei", JsonText(result.identity.imei)},
      {"meid", JsonText(result.identity.meid)},
      {"iccid", JsonText(result.identity.iccid)},
      {"result", result.Ok() ? "ok" : "failed"},
      {"failedStep", result.Ok() ? nlohmann::json(nullptr) : nlohmann::json(JobStepName(result.failedStep))},
      {"reason", JsonText(result.reason)},
      {"seconds", static_cast<double>(result.duration.count()) / 1000.0},
      {"refused", JsonTexts(result.refusedNames)},
      {"differences", differences},
      {"notCompared", JsonTexts(result.notCompared)},
      {"firmwareBefore", JsonText(result.versionBefore)},
      {"firmwareAfter", JsonText(result.versionAfter)},
      {"configFile", result.configFile},
      {"configSha256", result.configSha256},
      {"settingsSent", result.settingsSent},
  };
  return record;
}

std::string JsonLine(const nlohmann::json& document) {
  return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrintJson(const nlohmann::json& document) {
  Print(stdout, "%s\n", JsonLine(document).c_str());
  std::fflush(stdout);
}

}  // namespace t418::ctl

// t418ctl's commands on configuration files: write (and verify) and diff.
#include <unistd.h>

#include <cstdio>

#include "ctl/commands.h"
#include "ctl/json_output.h"
#include "session/setting_compare.h"

namespace t418::ctl {
namespace {

// A setting line as printed: without its line end.
std::string Shown(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return ForTerminal(line);
}

// The builder's refusal of a configuration, on standard error.
// Why the builder refused, on standard error. Refused values were listed
// already, one a line, by the session's message.
ExitCode PrintRefusal(const ConfigBuilder& builder) {
  if (builder.LastRefusal() == ConfigRefusal::InvalidValues)
    std::fprintf(stderr, "t418ctl: the configuration was not sent: %zu value%s the terminal would refuse\n",
                 builder.LastProblems().size(), builder.LastProblems().size() == 1 ? "" : "s");
  else
    std::fprintf(stderr, "t418ctl: the configuration was not sent: %s\n", ForTerminal(builder.LastMessage()).c_str());
  return kExitConfigRefused;
}

// Names on one line of standard error after a lead text.
void PrintNames(const char* lead, const std::vector<std::string>& names) {
  std::fprintf(stderr, "t418ctl: %s:", lead);
  for (const auto& name : names) std::fprintf(stderr, " %s", ForTerminal(name).c_str());
  std::fprintf(stderr, "\n");
}

// Loads the file into the session's fresh form and builds its setting lines,
// as "Set current parameters" would; kExitOk with the lines in `lines`.
ExitCode LoadAndBuild(HeadlessSession& headless, const std::string& file, std::vector<std::string>& lines) {
  Session& session = headless.Core();
  if (!session.OpenConfiguration(file)) {
    std::fprintf(stderr, "t418ctl: %s\n", ForTerminal(headless.LastWarning()).c_str());
    return kExitBadConfigFile;
  }
  session.Engine().ApplyHdVerSign(THdVerSign::Hd540);
  OrderList built;
  if (const ConfigRefusal refusal = session.Builder().Build(built); refusal != ConfigRefusal::None)
    return PrintRefusal(session.Builder());
  lines = built.Lines();
  session.AskAlsoInFullReads(lines);
  return kExitOk;
}

// Reads the terminal and compares with the setting lines.
ExitCode ReadAndCompare(HeadlessSession& headless, const std::vector<std::string>& lines, SettingComparison& result) {
  Session& session = headless.Core();
  const ExitCode code = headless.RunFlow(kTagAskAll);
  if (code != kExitOk) return code;
  result = CompareSettings(lines, session.Orders().Lines(), session.Values());
  return kExitOk;
}

}  // namespace

ExitCode WriteConfiguration(const std::string& folder, const std::string& port, const std::string& file, bool verify,
                            const LineOptions& options, bool json) {
  HeadlessSession headless(folder, options);
  std::vector<std::string> lines;
  if (const ExitCode built = LoadAndBuild(headless, file, lines); built != kExitOk) return built;
  if (const ExitCode opened = headless.Open(port); opened != kExitOk) return opened;
  Session& session = headless.Core();
  const ExitCode code = headless.RunFlow(kTagSetAll);
  if (code != kExitOk) {
    if (code == kExitNoReply) std::fprintf(stderr, "t418ctl: %s\n", ForTerminal(headless.LastWarning()).c_str());
    return code;
  }
  const RunSummary summary = session.LastRunSummary();
  nlohmann::json document = {{"port", port},
                             {"file", file},
                             {"sent", summary.lines},
                             {"refused", JsonTexts(summary.refusedNames)},
                             {"verified", nullptr},
                             {"differences", nlohmann::json::array()}};
  if (!json) {
    std::printf("%d settings sent, %zu refused", summary.lines, summary.refusedNames.size());
    for (std::size_t i = 0; i < summary.refusedNames.size(); ++i)
      std::printf("%s%s", i == 0 ? ": " : ", ", summary.refusedNames[i].c_str());
    std::printf("\n");
  }
  if (!summary.refusedNames.empty() || !verify) {
    if (json) PrintJson(document);
    return summary.refusedNames.empty() ? kExitOk : kExitRefused;
  }

  SettingComparison comparison;
  if (const ExitCode read = ReadAndCompare(headless, lines, comparison); read != kExitOk) return read;
  // A setting the read did not report cannot be called kept: the verify fails on it.
  if (!comparison.notRead.empty())
    PrintNames("not verified (the read does not report them)", comparison.notRead);
  for (const auto& line : comparison.changed) {
    const std::string held = session.Values().Value(CommandNameOfLine(line));
    if (json)
      document["differences"].push_back({{"line", JsonText(WithoutLineEnd(line))}, {"held", JsonText(held)}});
    else
      std::printf("differs: %s (the terminal holds %s)\n", Shown(line).c_str(), ForTerminal(held).c_str());
  }
  const bool verified = comparison.changed.empty() && comparison.notRead.empty();
  document["verified"] = verified;
  document["notVerified"] = JsonTexts(comparison.notRead);
  if (json)
    PrintJson(document);
  else if (verified)
    std::printf("verified: the terminal holds every setting written\n");
  else if (comparison.changed.empty())
    std::printf("not verified: %zu settings not read back\n", comparison.notRead.size());
  return verified ? kExitOk : kExitDifferences;
}

ExitCode DiffConfiguration(const std::string& folder, const std::string& port, const std::string& file,
                           const LineOptions& options, bool json) {
  HeadlessSession headless(folder, options);
  std::vector<std::string> lines;
  if (const ExitCode built = LoadAndBuild(headless, file, lines); built != kExitOk) return built;
  if (const ExitCode opened = headless.Open(port); opened != kExitOk) return opened;
  SettingComparison comparison;
  if (const ExitCode read = ReadAndCompare(headless, lines, comparison); read != kExitOk) return read;
  if (!comparison.notRead.empty()) PrintNames("not compared (a read does not ask for them)", comparison.notRead);
  if (comparison.changed.empty() && isatty(STDERR_FILENO)) std::fprintf(stderr, "no differences\n");
  if (json) {
    nlohmann::json changed = nlohmann::json::array();
    for (const auto& line : comparison.changed) changed.push_back(JsonText(WithoutLineEnd(line)));
    PrintJson({{"port", port}, {"file", file}, {"changed", changed}, {"notRead", JsonTexts(comparison.notRead)}});
  } else {
    for (const auto& line : comparison.changed) std::printf("%s\n", Shown(line).c_str());
  }
  return comparison.changed.empty() ? kExitOk : kExitDifferences;
}

}  // namespace t418::ctl

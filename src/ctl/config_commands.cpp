// t418ctl's commands on configuration files: write (and verify) and diff.
#include <cstdio>

#include "ctl/commands.h"
#include "session/setting_compare.h"

namespace t418::ctl {
namespace {

// A setting line as printed: without its line end.
std::string Shown(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return ForTerminal(line);
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
  if (const ConfigRefusal refusal = session.Builder().Build(built); refusal != ConfigRefusal::None) {
    std::fprintf(stderr, "t418ctl: the configuration was not sent: %s\n", ForTerminal(RefusalMessage(refusal)).c_str());
    return kExitConfigRefused;
  }
  lines = built.Lines();
  return kExitOk;
}

// Reads the terminal and compares; prints what differs and what was not read.
ExitCode ReadAndCompare(HeadlessSession& headless, const std::vector<std::string>& lines, SettingComparison& result) {
  Session& session = headless.Core();
  const ExitCode code = headless.RunFlow(kTagAskAll);
  if (code != kExitOk) return code;
  result = CompareSettings(lines, session.Orders().Lines(), session.Values());
  if (!result.notRead.empty()) {
    std::fprintf(stderr, "t418ctl: not compared (a read does not ask for them):");
    for (const auto& name : result.notRead) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
  }
  return kExitOk;
}

}  // namespace

ExitCode WriteConfiguration(const std::string& folder, const std::string& port, const std::string& file, bool verify,
                            const LineOptions& options) {
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
  std::printf("%d settings sent, %zu refused", summary.lines, summary.refusedNames.size());
  for (std::size_t i = 0; i < summary.refusedNames.size(); ++i)
    std::printf("%s%s", i == 0 ? ": " : ", ", summary.refusedNames[i].c_str());
  std::printf("\n");
  if (!summary.refusedNames.empty()) return kExitRefused;
  if (!verify) return kExitOk;

  SettingComparison comparison;
  if (const ExitCode read = ReadAndCompare(headless, lines, comparison); read != kExitOk) return read;
  for (const auto& line : comparison.changed) {
    const std::string name = CommandNameOfLine(line);
    std::printf("differs: %s (the terminal holds %s)\n", Shown(line).c_str(),
                ForTerminal(session.Values().Value(name)).c_str());
  }
  if (!comparison.changed.empty()) return kExitDifferences;
  std::printf("verified: the terminal holds every setting written\n");
  return kExitOk;
}

ExitCode DiffConfiguration(const std::string& folder, const std::string& port, const std::string& file,
                           const LineOptions& options) {
  HeadlessSession headless(folder, options);
  std::vector<std::string> lines;
  if (const ExitCode built = LoadAndBuild(headless, file, lines); built != kExitOk) return built;
  if (const ExitCode opened = headless.Open(port); opened != kExitOk) return opened;
  SettingComparison comparison;
  if (const ExitCode read = ReadAndCompare(headless, lines, comparison); read != kExitOk) return read;
  for (const auto& line : comparison.changed) std::printf("%s\n", Shown(line).c_str());
  return comparison.changed.empty() ? kExitOk : kExitDifferences;
}

}  // namespace t418::ctl

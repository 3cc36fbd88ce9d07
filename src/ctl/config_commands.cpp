// t418ctl's commands on configuration files: write (and verify) and diff.

#include <cstdio>

#include "ctl/commands.h"
#include "ctl/console_view.h"
#include "ctl/json_output.h"
#include "ctl/single_port_job.h"
#include "platform/terminal.h"

namespace t418::ctl {
namespace {

// A setting line as printed: without its line end.
std::string Shown(std::string line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  return ForTerminal(line);
}

// Names on one line of standard error after a lead text.
void PrintNames(const char* lead, const std::vector<std::string>& names) {
  Print(stderr, "t418ctl: %s:", lead);
  for (const auto& name : names) Print(stderr, " %s", ForTerminal(name).c_str());
  Print(stderr, "\n");
}

// Whether the job's comparison of the file with a read is there to print: the
// read went to its end (the terminal may hold other values).
bool Compared(const JobResult& result) {
  return result.failure == JobFailure::None || result.failure == JobFailure::Differences;
}

ExitCode WriteOutcome(SinglePortJob& single, const std::string& port, const std::string& file, bool verify, bool json);

}  // namespace

ExitCode WriteConfiguration(const std::string& folder, const std::string& port, const std::string& file, bool verify,
                            const LineOptions& options, bool json, RunRecorder* recorder) {
  JobPlan plan;
  plan.readFirst = false;
  plan.configFile = file;
  plan.verify = verify;
  SinglePortJob single(folder, options, port, plan);
  bool recordLost = false;
  if (!single.Run(recorder, recordLost)) return kExitBadConfigFile;
  const ExitCode code = WriteOutcome(single, port, file, verify, json);
  return code == kExitOk && recordLost ? kExitRecordsUnusable : code;
}

namespace {

// What the write gave, on standard output and as its exit code.
ExitCode WriteOutcome(SinglePortJob& single, const std::string& port, const std::string& file, bool verify, bool json) {
  const JobResult& result = single.Result();
  // The write went to its last line unless it failed before or in it, other than by refused lines.
  const bool writeFailed = result.failedStep == JobStep::Open || result.failedStep == JobStep::Read ||
                           result.failedStep == JobStep::Claim ||
                           (result.failedStep == JobStep::Write &&
                            (result.failure != JobFailure::Refused || result.cutShort));
  if (writeFailed) {
    // A refusal of the identity's read stopped it before any write: say so here.
    if (result.failedStep == JobStep::Read && result.failure == JobFailure::Refused)
      Print(stderr, "t418ctl: %s\n", ForTerminal(result.reason).c_str());
    return single.PrintFailure();
  }
  // A verify follows only a write the terminal refused nothing of.
  const std::vector<std::string> refused =
      result.failedStep == JobStep::Verify ? std::vector<std::string>() : result.refusedNames;
  nlohmann::json document = {{"port", port},
                             {"file", file},
                             {"sent", result.settingsSent},
                             {"refused", JsonTexts(refused)},
                             {"verified", nullptr},
                             {"differences", nlohmann::json::array()}};
  if (!json) {
    Print(stdout, "%d settings sent, %zu refused", result.settingsSent, refused.size());
    for (std::size_t i = 0; i < refused.size(); ++i) Print(stdout, "%s%s", i == 0 ? ": " : ", ", refused[i].c_str());
    Print(stdout, "\n");
  }
  if (!refused.empty() || !verify) {
    if (json) PrintJson(document);
    return refused.empty() ? kExitOk : kExitRefused;
  }

  if (!Compared(result)) return single.PrintFailure(false);
  // A setting the read did not report cannot be called kept: the verify fails on it.
  if (!result.notCompared.empty()) PrintNames("not verified (the read does not report them)", result.notCompared);
  for (const auto& line : result.differences) {
    const std::string held = single.Core().Values().Value(CommandNameOfLine(line));
    if (json)
      document["differences"].push_back({{"line", JsonText(WithoutLineEnd(line))}, {"held", JsonText(held)}});
    else
      Print(stdout, "differs: %s (the terminal holds %s)\n", Shown(line).c_str(), ForTerminal(held).c_str());
  }
  const bool verified = result.Ok();
  document["verified"] = verified;
  document["notVerified"] = JsonTexts(result.notCompared);
  if (json)
    PrintJson(document);
  else if (verified)
    Print(stdout, "verified: the terminal holds every setting written\n");
  else if (result.differences.empty())
    Print(stdout, "not verified: %zu settings not read back\n", result.notCompared.size());
  return verified ? kExitOk : kExitDifferences;
}

}  // namespace

ExitCode DiffConfiguration(const std::string& folder, const std::string& port, const std::string& file,
                           const LineOptions& options, bool json) {
  JobPlan plan;
  plan.configFile = file;
  plan.write = false;
  SinglePortJob single(folder, options, port, plan);
  if (!single.Run()) return kExitBadConfigFile;
  const JobResult& result = single.Result();
  if (!Compared(result)) return single.PrintFailure(false);
  if (!result.notCompared.empty()) PrintNames("not compared (the read does not report them)", result.notCompared);
  if (result.differences.empty() && platform::IsInteractiveTerminal(platform::StandardStream::Error)) Print(stderr, "no differences\n");
  if (json) {
    nlohmann::json changed = nlohmann::json::array();
    for (const auto& line : result.differences) changed.push_back(JsonText(WithoutLineEnd(line)));
    PrintJson({{"port", port}, {"file", file}, {"changed", changed}, {"notRead", JsonTexts(result.notCompared)}});
  } else {
    for (const auto& line : result.differences) Print(stdout, "%s\n", Shown(line).c_str());
  }
  return result.differences.empty() ? kExitOk : kExitDifferences;
}

}  // namespace t418::ctl

#include "ctl/multi_port.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "ctl/file_checks.h"
#include "ctl/console_view.h"
#include "ctl/loop_signals.h"
#include "ctl/json_output.h"
#include "ctl/run_header.h"
#include "ctl/run_recorder.h"
#include "ctl/text_table.h"
#include "production/port_pattern.h"
#include "serial/port_list.h"

namespace t418::ctl {
namespace {

namespace fs = std::filesystem;

std::string Seconds(std::chrono::milliseconds duration) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(duration.count()) / 1000.0);
  return text;
}

std::string Refused(const JobResult& result) {
  if (result.refusedNames.empty()) return "-";
  std::string text;
  for (const auto& name : result.refusedNames) text += (text.empty() ? "" : ",") + ForTerminal(name);
  return text;
}

bool MakeFolder(const std::string& folder, const char* what) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (!ec && fs::is_directory(folder, ec)) return true;
  Print(stderr, "t418ctl: cannot make the %s folder %s: %s\n", what, folder.c_str(),
        ec ? ec.message().c_str() : "not a folder");
  return false;
}

}  // namespace

std::string TableResultText(const JobResult& result, bool diff) {
  // A diff that finds differences did its work: the terminal differs, it did not fail.
  if (diff && result.failure == JobFailure::Differences)
    return "differs (" + std::to_string(result.differences.size()) + " settings)";
  return ForTerminal(ResultText(result));
}

std::string ResultTable(const std::vector<JobResult>& results, bool diff, const std::vector<std::string>* slots) {
  std::vector<std::vector<std::string>> rows = {{"PORT", "IMEI/MEID", "ICCID", "RESULT", "TIME", "REFUSED"}};
  if (slots != nullptr) rows.front().insert(rows.front().begin() + 1, "SLOT");
  for (std::size_t i = 0; i < results.size(); ++i) {
    const JobResult& result = results[i];
    const std::string id = ForTerminal(result.identity.ModemId());
    const std::string iccid = ForTerminal(result.identity.iccid);
    rows.push_back({result.port, id.empty() ? "-" : id, iccid.empty() ? "-" : iccid,
                    TableResultText(result, diff), Seconds(result.duration), Refused(result)});
    if (slots != nullptr) {
      const std::string slot = i < slots->size() ? ForTerminal((*slots)[i]) : "";
      rows.back().insert(rows.back().begin() + 1, slot.empty() ? "-" : slot);
    }
  }
  return TextTable(rows);
}

ExitCode RunOnPorts(const std::string& folder, const MultiPortRun& run) {
  const std::vector<std::string> ports = ExpandPorts(run.argument, ListSerialPorts());
  if (ports.empty()) {
    Print(stderr, "t418ctl: no port matches %s\n", run.argument.c_str());
    return kExitNoSuchPort;
  }
  if (!run.line.logFile.empty() && !MakeFolder(run.line.logFile, "log")) return kExitFailed;
  if (!run.outputFolder.empty() && !MakeFolder(run.outputFolder, "output")) return kExitFailed;
  if (run.command == MultiCommand::Upgrade)
    Print(stderr,
          "t418ctl: restart each terminal with its Reload key held (power it off, hold Reload, power it on);\n"
          "t418ctl: waiting up to %d s for their boot loaders\n",
          run.plan.bootWaitSeconds);

  const bool diff = run.command == MultiCommand::Diff;
  const std::vector<std::string> fileNames = UniquePortFileNames(ports);
  PollLoop loop;
  std::vector<std::unique_ptr<TerminalJob>> jobs;
  std::vector<std::string> logFiles;
  std::vector<std::string> slots;
  RunRecorder* const recorder = run.recorder;
  const auto startedAt = std::chrono::system_clock::now();
  for (std::size_t i = 0; i < ports.size(); ++i) {
    LineOptions line = run.line;
    slots.push_back(recorder != nullptr ? recorder->SlotOf(ports[i]) : "");
    const std::string slotFile = recorder != nullptr ? recorder->SlotFileName(ports[i]) : "";
    if (!line.logFile.empty())
      line.logFile =
          (fs::path(run.line.logFile) / ((slotFile.empty() ? "" : slotFile + "-") + fileNames[i] + ".log")).string();
    logFiles.push_back(line.logFile);
    jobs.push_back(std::make_unique<TerminalJob>(
        loop, folder, WithLogHeader(line, ports[i]), ports[i], run.plan, [diff](const JobResult& result) {
          Print(stderr, "t418ctl: %s: %s (%s)\n", result.port.c_str(), TableResultText(result, diff).c_str(),
                Seconds(result.duration).c_str());
        }));
    if (recorder != nullptr) recorder->Guard(*jobs.back(), slots.back());
  }
  // Every log can be written, or no port is opened.
  bool logsOk = true;
  for (std::size_t i = 0; i < jobs.size(); ++i)
    if (jobs[i]->Host().LogFileFailed()) {
      NoteLogFailed(logFiles[i], jobs[i]->Host().LogFileError());
      logsOk = false;
    }
  if (!logsOk) return kExitBadConfigFile;
  for (auto& job : jobs) job->Start();
  RunLoopUntil(
      loop,
      [&] {
        for (const auto& job : jobs)
          if (!job->Finished()) return false;
        return true;
      },
      std::chrono::hours(24 * 365));
  const bool interrupted = loop.Interrupted();
  for (auto& job : jobs) job->Abort(JobFailure::Interrupted, "interrupted");
  if (interrupted) Print(stderr, "t418ctl: interrupted, the ports are closed\n");

  std::vector<JobResult> results;
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    TerminalJob& job = *jobs[i];
    if (job.Host().LogFileFailed()) NoteLogFailed(logFiles[i], job.Host().LogFileError());
    JobResult result = job.Result();
    if (!run.outputFolder.empty() && result.Ok()) {
      const std::string file = (fs::path(run.outputFolder) / (fileNames[i] + ".ini")).string();
      if (SaveConfigurationWhole(job.Core(), file) < 0) {
        result.failure = JobFailure::BadConfigFile;
        result.failedStep = JobStep::Read;
        result.reason = "cannot write " + file;
      }
    }
    if (recorder != nullptr) recorder->Record(result, RunPlace{slots[i], startedAt, logFiles[i]});
    results.push_back(result);
  }

  bool anyFailed = false;
  for (const auto& result : results) anyFailed = anyFailed || !result.Ok();
  if (run.json) {
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < results.size(); ++i) {
      nlohmann::json record = JobRecordJson(results[i]);
      if (recorder != nullptr) recorder->AddJsonFields(record, results[i].port, slots[i]);
      list.push_back(record);
    }
    PrintJson({{"ok", !anyFailed}, {"ports", list}});
  } else {
    for (const auto& result : results)
      for (const auto& line : result.differences)
        Print(stdout, "%s: %s%s\n", result.port.c_str(), diff ? "" : "differs: ",
              ForTerminal(WithoutLineEnd(line)).c_str());
    Print(stdout, "%s", ResultTable(results, diff, recorder != nullptr && recorder->HasSlots() ? &slots : nullptr).c_str());
  }
  if (interrupted) return kExitInterrupted;
  if (anyFailed) return kExitSomePortsFailed;
  return recorder != nullptr && recorder->AnyRecordLost() ? kExitRecordsUnusable : kExitOk;
}

}  // namespace t418::ctl

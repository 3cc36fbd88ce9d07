#include "ctl/station.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

#include "ctl/file_checks.h"
#include "ctl/console_view.h"
#include "ctl/loop_signals.h"
#include "ctl/json_output.h"
#include "ctl/run_header.h"
#include "ctl/run_recorder.h"
#include "platform/calendar_time.h"
#include "production/port_feed.h"
#include "production/port_pattern.h"
#include "production/port_watcher.h"
#include "production/record_file.h"
#include "production/sha256.h"
#include "production/terminal_job.h"
#include "serial/port_list.h"
#include "serial/ports_folder.h"

namespace t418::ctl {
namespace {

namespace fs = std::filesystem;

std::string UtcTime(std::time_t when, const char* format) {
  std::tm parts{};
  platform::UniversalTime(when, parts);
  char text[40];
  std::strftime(text, sizeof text, format, &parts);
  return text;
}

// The jobs of the station, one per port that is plugged in and not done.
class Station {
 public:
  Station(const std::string& folder, const StationOptions& options, RecordFile& report, RunRecorder& recorder)
      : folder_(folder), options_(options), report_(report), recorder_(recorder), watcher_(options.match) {}

  ExitCode Run() {
    // The watches first, then the list: a port plugged in meanwhile is told by both, and taken once.
    PortWatchChoice choice = ChoosePortWatch(StationPortRequest(SimPortsFolder()));
    Print(stderr, "t418ctl: station: %s\n", choice.said.c_str());
    Print(stderr, "t418ctl: station: waiting for terminals%s%s (Ctrl+C ends)\n",
          options_.match.empty() ? "" : " on ", options_.match.c_str());
    const std::vector<std::string> listed = ListSerialPorts();
    if (options_.skipPresent)
      watcher_.TakeAsPresent(listed);
    else
      Handle(watcher_.Look(listed), listed);
    feed_ = std::make_unique<PortFeed>(
        loop_, std::move(choice), [] { return ListSerialPorts(); },
        [this](const std::vector<PortEvent>& events) { OnEvents(events); });
    feed_->Start(listed);
    RunLoopUntil(loop_, [] { return false; }, std::chrono::hours(24 * 365 * 10));
    feed_.reset();
    std::vector<std::string> ports;
    for (const auto& [port, running] : running_) ports.push_back(port);
    for (const auto& port : ports)
      if (const auto it = running_.find(port); it != running_.end())
        it->second.job->Abort(JobFailure::Interrupted, "the station was stopped");
    if (!report_.Retry()) ReportLost();
    Print(stderr, "t418ctl: station stopped: %d terminals, %d failed\n", done_, failed_);
    if (recorder_.HasRecords()) Print(stderr, "t418ctl: %s\n", recorder_.Summary().c_str());
    return kExitInterrupted;
  }

 private:
  struct Running {
    std::unique_ptr<TerminalJob> job;
    std::time_t started = 0;
    std::chrono::system_clock::time_point startedAt{};
    std::string logFile;
    std::string slot;
  };

  void Handle(const PortWatcher::Changes& changes, const std::vector<std::string>& listed) {
    for (const auto& port : changes.vanished) Vanished(port);
    for (const auto& port : changes.appeared) StartJob(port, listed);
  }

  // In the order things happened: a port pulled and plugged back ends its job, then gets a new one.
  void OnEvents(const std::vector<PortEvent>& events) {
    std::vector<std::string> listed;
    bool haveList = false;
    const auto lister = [&] {
      if (!haveList) listed = ListSerialPorts();
      haveList = true;
      return listed;
    };
    for (const auto& change : FollowPortEvents(watcher_, events, lister)) {
      if (!change.appeared) {
        Vanished(change.port);
        continue;
      }
      lister();
      StartJob(change.port, listed);
    }
  }

  void Vanished(const std::string& port) {
    const auto it = running_.find(port);
    if (it != running_.end()) it->second.job->Abort(JobFailure::PortLost, "the port vanished");
  }

  // The name of the port's files: its own, or from its path when another listed port has the same.
  static std::string FileNameOf(const std::string& port, std::vector<std::string> listed) {
    if (std::find(listed.begin(), listed.end(), port) == listed.end()) listed.push_back(port);
    const auto names = UniquePortFileNames(listed);
    return names[static_cast<std::size_t>(std::find(listed.begin(), listed.end(), port) - listed.begin())];
  }

  // Says loudly which records are not in the report.
  void ReportLost() {
    Print(stderr,
          "t418ctl: WARNING: cannot write the report %s (%s): %zu records not written yet; they are tried "
          "again with the next record\n",
          options_.reportFile.c_str(), report_.Error().c_str(), report_.Waiting().size());
  }

  void StartJob(const std::string& port, const std::vector<std::string>& listed) {
    JobPlan plan;
    plan.firmwareFile = options_.firmwareFile;
    plan.bootWaitSeconds = options_.bootWaitSeconds;
    plan.configFile = options_.configFile;
    LineOptions line = options_.line;
    const auto startedAt = std::chrono::system_clock::now();
    const std::time_t now = std::chrono::system_clock::to_time_t(startedAt);
    const std::string slot = recorder_.SlotOf(port);
    if (!line.logFile.empty()) {
      // The slot first, where the slots file names it: the logs of one place sort together.
      const std::string slotFile = recorder_.SlotFileName(port);
      line.logFile = (fs::path(options_.line.logFile) / ((slotFile.empty() ? "" : slotFile + "-") +
                                                         FileNameOf(port, listed) +
                                                         UtcTime(now, "-%Y%m%dT%H%M%SZ.log")))
                         .string();
    }
    if (slot.empty())
      Print(stderr, "t418ctl: %s: new terminal\n", port.c_str());
    else
      Print(stderr, "t418ctl: %s: new terminal in slot %s\n", port.c_str(), ForTerminal(slot).c_str());
    if (!options_.firmwareFile.empty())
      Print(stderr, "t418ctl: %s: restart it with its Reload key held once its identity is read\n",
            port.c_str());
    Running& running = running_[port];
    running.started = now;
    running.startedAt = startedAt;
    running.logFile = line.logFile;
    running.slot = slot;
    running.job = std::make_unique<TerminalJob>(loop_, folder_, WithLogHeader(line, port), port, plan,
                                                [this, port](const JobResult& result) { Finished(port, result); });
    recorder_.Guard(*running.job, slot);
    if (running.job->Host().LogFileFailed()) {
      NoteLogFailed(line.logFile, running.job->Host().LogFileError());
      running.job->Abort(JobFailure::Interrupted, "cannot write the log file " + line.logFile);
      return;
    }
    running.job->Start();
  }

  void Finished(const std::string& port, const JobResult& result) {
    const auto it = running_.find(port);
    const std::time_t started = it == running_.end() ? std::time(nullptr) : it->second.started;
    const std::string time = UtcTime(started, "%Y-%m-%dT%H:%M:%SZ");
    const std::string slot = it == running_.end() ? recorder_.SlotOf(port) : it->second.slot;
    // The record first: the line on standard output says a terminal is done with.
    recorder_.Record(result, RunPlace{slot,
                                      it == running_.end() ? std::chrono::system_clock::now() : it->second.startedAt,
                                      it == running_.end() ? std::string() : it->second.logFile});
    ++done_;
    if (!result.Ok()) ++failed_;
    const std::string id = ForTerminal(result.identity.ModemId());
    const std::string iccid = ForTerminal(result.identity.iccid);
    std::string refused;
    for (const auto& name : result.refusedNames) refused += (refused.empty() ? "" : ",") + ForTerminal(name);
    const std::string slotShown = recorder_.HasSlots() ? "  slot " + (slot.empty() ? "-" : ForTerminal(slot)) : "";
    const std::string attempt =
        recorder_.HasRecords() && recorder_.AttemptOf(port) > 0 ? "  attempt " + std::to_string(recorder_.AttemptOf(port)) : "";
    Print(stdout, "%s  %s%s  %s  %s  %s  %.1f s  refused: %s%s\n", time.c_str(), port.c_str(), slotShown.c_str(),
          id.empty() ? "-" : id.c_str(),
          iccid.empty() ? "-" : iccid.c_str(), ForTerminal(ResultText(result)).c_str(),
          static_cast<double>(result.duration.count()) / 1000.0, refused.empty() ? "-" : refused.c_str(),
          attempt.c_str());
    std::fflush(stdout);
    if (it != running_.end() && it->second.job && it->second.job->Host().LogFileFailed())
      NoteLogFailed(it->second.logFile, it->second.job->Host().LogFileError());
    if (report_.IsOpen()) {
      nlohmann::json record = JobRecordJson(result);
      record["time"] = time;
      recorder_.AddJsonFields(record, port, slot);
      if (!report_.Append(JsonLine(record))) ReportLost();
    }
    // The job goes once its own call is over; the port stays known until it vanishes.
    if (it != running_.end()) {
      retired_.push_back(std::move(it->second.job));
      loop_.RunLater([this] { retired_.clear(); });
      running_.erase(it);
    }
  }

  std::string folder_;
  const StationOptions& options_;
  RecordFile& report_;
  RunRecorder& recorder_;
  PollLoop loop_;
  PortWatcher watcher_;
  std::unique_ptr<PortFeed> feed_;
  std::map<std::string, Running> running_;
  std::vector<std::unique_ptr<TerminalJob>> retired_;  // finished, gone once their call is over
  int done_ = 0;
  int failed_ = 0;
};

}  // namespace

ExitCode RunStation(const std::string& folder, const StationOptions& options) {
  if (const ExitCode checked = CheckInputFile(options.configFile, "configuration file", kExitBadConfigFile);
      checked != kExitOk)
    return checked;
  if (!options.firmwareFile.empty()) {
    if (const ExitCode checked = CheckInputFile(options.firmwareFile, "firmware file", kExitNoFile); checked != kExitOk)
      return checked;
  }
  if (const ExitCode checked =
          CheckOutputs({{"--report", options.reportFile}}, {options.configFile, options.firmwareFile});
      checked != kExitOk)
    return checked;
  if (!FileSha256Hex(options.configFile)) {
    Print(stderr, "t418ctl: cannot read the configuration file %s\n", options.configFile.c_str());
    return kExitBadConfigFile;
  }
  if (!options.firmwareFile.empty() && !FileSha256Hex(options.firmwareFile)) {
    Print(stderr, "t418ctl: cannot read the firmware file %s\n", options.firmwareFile.c_str());
    return kExitNoFile;
  }
  if (!options.line.logFile.empty()) {
    std::error_code ec;
    fs::create_directories(options.line.logFile, ec);
    if (!fs::is_directory(options.line.logFile, ec)) {
      Print(stderr, "t418ctl: cannot make the log folder %s\n", options.line.logFile.c_str());
      return kExitFailed;
    }
  }
  RecordFile report;
  if (!options.reportFile.empty() && !report.Open(options.reportFile)) {
    Print(stderr, "t418ctl: cannot write the report %s: %s\n", options.reportFile.c_str(),
          report.Error().c_str());
    return kExitBadConfigFile;
  }
  ExitCode prepared = kExitOk;
  const std::unique_ptr<RunRecorder> recorder = RunRecorder::Prepare(options.records, prepared);
  if (recorder == nullptr) return prepared;
  if (recorder->HasRecords())
    Print(stderr, "t418ctl: station: each terminal is claimed and recorded in the records database\n");
  Station station(folder, options, report, *recorder);
  return station.Run();
}

}  // namespace t418::ctl

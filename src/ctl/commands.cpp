#include "ctl/commands.h"


#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ctl/console_view.h"
#include "ctl/file_checks.h"
#include "ctl/json_output.h"
#include "ctl/loop_signals.h"
#include "ctl/single_port_job.h"
#include "params/encodings.h"
#include "platform/terminal.h"
#include "serial/port_list.h"
#include "serial/ports_folder.h"
#include "session/manual_terminal.h"
#include "text/gbk.h"

namespace t418::ctl {
namespace {

using namespace std::chrono_literals;

// How long a single line waits for its reply (the engine's reply time-out).
constexpr auto kReplyWait = std::chrono::milliseconds(SerialPort::kReplyTimeoutMs);

}  // namespace

ExitCode ListPorts() {
  const std::string simFolder = SimPortsFolder();
  for (const auto& port : ListSerialPorts()) {
    std::string description = PortDescription(port);
    if (description.empty() && port.rfind(simFolder, 0) == 0) description = "T418 simulator";
    if (description.empty())
      Print(stdout, "%s\n", port.c_str());
    else
      Print(stdout, "%s\t%s\n", port.c_str(), description.c_str());
  }
  return kExitOk;
}

namespace {

// Sends each line on an open session and prints its replies.
ExitCode SendEach(HeadlessSession& headless, PollLoop& loop, const ConsoleView& view, const std::string& port,
                  const std::vector<std::string>& lines, bool autoCR) {
  // A run whose log is lost is not a run to start: the message comes when the session ends.
  if (headless.LogFileFailed()) return kExitBadConfigFile;
  if (!headless.OpenPort(port)) return PrintOpenFailure(headless.Core().LastOpenFailure(), port);
  Session& session = headless.Core();

  // Every chunk of the reply to the current line, until it is a success reply or a refusal.
  std::string sent;
  bool answered = false;
  bool refused = false;
  session.OnChunk = [&](const std::string& chunk) {
    // The terminal's echo of the line is not its reply.
    const std::string reply = chunk.rfind(sent, 0) == 0 ? chunk.substr(sent.size()) : chunk;
    if (!reply.empty()) {
      Print(stdout, "%s", ForTerminal(reply).c_str());
      if (reply.back() != '\n') Print(stdout, "\n");
      std::fflush(stdout);
    }
    if (chunk.find(marker::kError) != std::string::npos)
      refused = true;
    else if (IsSuccessReply(chunk))
      answered = true;
  };

  ExitCode result = kExitOk;
  for (const auto& line : lines) {
    SendAreaState area;
    area.text = Utf8ToGbk(line);
    area.autoCR = autoCR;
    const auto bytes = SerialBytesToSend(area);
    if (!bytes || bytes->empty()) continue;
    sent = *bytes;
    answered = refused = false;
    session.Terminal().Send(area);
    const bool held = RunLoopUntil(loop, [&] { return answered || refused || view.PortLost(); }, kReplyWait);
    if (loop.Interrupted()) {
      session.StopRun();
      // The port is closed with the session, on the way out.
      Print(stderr, "t418ctl: interrupted, the port is closed\n");
      return kExitInterrupted;
    }
    if (view.PortLost()) {
      Print(stderr, "t418ctl: the port %s went away during the run\n", port.c_str());
      return kExitPortLost;
    }
    if (!held) {
      Print(stderr, "t418ctl: no reply to %s within %d s: check the port, the baud rate and the power\n",
            line.c_str(), SerialPort::kReplyTimeoutMs / 1000);
      return kExitNoReply;
    }
    if (refused) result = kExitRefused;
  }
  return result;
}

}  // namespace

ExitCode SendLines(const std::string& folder, const std::string& port, const std::vector<std::string>& lines,
                   const LineOptions& options, bool autoCR) {
  PollLoop loop;
  ConsoleView view;
  auto headless = std::make_unique<HeadlessSession>(loop, folder, options, &view);
  const ExitCode code = SendEach(*headless, loop, view, port, lines, autoCR);
  const bool logFailed = headless->LogFileFailed();
  const std::string reason = headless->LogFileError();
  headless.reset();
  view.EndProgressLine();
  if (logFailed) NoteLogFailed(options.logFile, reason);
  return code;
}

ExitCode ReadConfiguration(const std::string& folder, const std::string& port, bool raw, const std::string& output,
                           const LineOptions& options, bool json) {
  SinglePortJob single(folder, options, port, JobPlan{});
  if (raw) {
    single.Job().OnReport = [](const std::string& name, const std::string& value) {
      Print(stdout, "%s=%s\n", ForTerminal(name).c_str(), ForTerminal(value).c_str());
      std::fflush(stdout);
    };
  }
  if (!single.Run()) return kExitBadConfigFile;
  const JobResult& result = single.Result();
  // A read that went to its last line, whatever the terminal refused of it.
  const bool completed = result.Ok() || (result.failure == JobFailure::Refused && !result.cutShort);
  if (!completed) {
    const ExitCode code = single.PrintFailure();
    if (result.failedStep != JobStep::Open && !output.empty())
      Print(stderr, "t418ctl: %s not written: the read did not complete\n", output.c_str());
    return code;
  }
  Session& session = single.Core();
  const RunSummary summary = session.LastRunSummary();
  // Only a whole read is saved: a file from a read with refused queries would
  // hold the form's defaults in their place.
  const bool whole = summary.refusedNames.empty();
  if (!output.empty() && !whole)
    Print(stderr, "t418ctl: %s not written: the terminal refused queries of the read\n", output.c_str());
  if (!output.empty() && whole) {
    const int saved = SaveConfigurationWhole(session, output);
    if (saved < 0) return kExitBadConfigFile;
    if (platform::IsInteractiveTerminal(platform::StandardStream::Error)) Print(stderr, "saved %d settings to %s\n", saved, output.c_str());
  }
  if (json) {
    nlohmann::json values = nlohmann::json::object();
    for (const auto& entry : session.Values().Entries()) {
      const auto eq = entry.find('=');
      if (eq != std::string::npos) values[ForTerminal(entry.substr(0, eq))] = JsonText(entry.substr(eq + 1));
    }
    PrintJson({{"port", port},
               {"version", JsonText(session.Values().Value("VER"))},
               {"values", values},
               {"refused", JsonTexts(summary.refusedNames)},
               {"output", output.empty() || !whole ? nlohmann::json(nullptr) : nlohmann::json(output)}});
  }
  if (!whole) {
    Print(stderr, "t418ctl: the terminal refused:");
    for (const auto& name : summary.refusedNames) Print(stderr, " %s", name.c_str());
    Print(stderr, "\n");
    return kExitRefused;
  }
  return kExitOk;
}

ExitCode UpgradeFirmware(const std::string& folder, const std::string& port, const std::string& file,
                         const UpgradeOptions& upgrade, const LineOptions& options, bool json,
                         RunRecorder* recorder) {
  if (const ExitCode checked = CheckInputFile(file, "firmware file", kExitNoFile); checked != kExitOk) return checked;
  JobPlan plan;
  plan.readFirst = false;
  plan.firmwareFile = file;
  plan.bootWaitSeconds = upgrade.waitSeconds;
  plan.restart = upgrade.restart;
  SinglePortJob single(folder, options, port, plan);
  TerminalJob& job = single.Job();
  job.OnAwaitingBootLoader = [&] {
    Print(stderr,
          "t418ctl: restart the terminal with its Reload key held (power it off, hold Reload, power it on);\n"
          "t418ctl: waiting up to %d s for its boot loader on %s\n",
          upgrade.waitSeconds, port.c_str());
  };
  job.OnFirmwareSent = [](std::chrono::duration<double> took) {
    Print(stderr, "t418ctl: firmware sent in %.2f s\n", took.count());
  };
  job.OnTerminalStarted = [](const std::string& message) {
    Print(stderr, "t418ctl: the terminal started: %s\n", ForTerminal(message).c_str());
  };
  bool recordLost = false;
  if (!single.Run(recorder, recordLost)) return kExitBadConfigFile;
  const JobResult& result = single.Result();
  if (!result.Ok()) return single.PrintFailure();
  const ExitCode done = recordLost ? kExitRecordsUnusable : kExitOk;
  if (!upgrade.restart) {
    if (json) PrintJson({{"port", port}, {"version", nullptr}});
    return done;
  }
  if (json)
    PrintJson({{"port", port}, {"version", JsonText(result.versionAfter)}});
  else
    Print(stdout, "%s\n", ForTerminal(result.versionAfter).c_str());
  return done;
}

}  // namespace t418::ctl

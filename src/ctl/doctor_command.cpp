#include "ctl/doctor_command.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <sstream>

#include "ctl/console_view.h"
#include "ctl/json_output.h"
#include "production/host_check.h"

namespace t418::ctl {
namespace {

std::vector<std::string> FixSteps(const std::string& fix) {
  std::vector<std::string> steps;
  std::istringstream in(fix);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) steps.push_back(line);
  return steps;
}

int CountOf(const std::vector<HostFinding>& findings, HostSeverity severity) {
  int count = 0;
  for (const auto& finding : findings)
    if (finding.severity == severity) ++count;
  return count;
}

void PrintFindings(const std::vector<HostFinding>& findings) {
  for (const auto& finding : findings) {
    const std::string where = finding.port.empty() ? std::string() : finding.port + ": ";
    Print(stdout, "%-5s %s%s\n", HostSeverityName(finding.severity), where.c_str(), finding.text.c_str());
    const char* label = "fix:";
    for (const auto& step : FixSteps(finding.fix)) {
      Print(stdout, "      %-4s %s\n", label, step.c_str());
      label = "";
    }
  }
  const int stops = CountOf(findings, HostSeverity::Stops);
  const int slows = CountOf(findings, HostSeverity::Slows);
  const int fine = CountOf(findings, HostSeverity::Fine);
  if (stops > 0)
    Print(stdout, "doctor: %d finding%s stop%s a run, %d may slow or disturb one, %d fine\n", stops,
          stops == 1 ? "" : "s", stops == 1 ? "s" : "", slows, fine);
  else
    Print(stdout, "doctor: nothing stops a run; %d finding%s may slow or disturb one, %d fine\n", slows,
          slows == 1 ? "" : "s", fine);
}

void PrintFindingsJson(const std::vector<HostFinding>& findings) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& finding : findings)
    list.push_back({{"severity", HostSeverityName(finding.severity)},
                    {"port", finding.port.empty() ? nlohmann::json(nullptr) : nlohmann::json(finding.port)},
                    {"check", finding.check},
                    {"text", finding.text},
                    {"fix", FixSteps(finding.fix)}});
  PrintJson({{"findings", list},
             {"stops", CountOf(findings, HostSeverity::Stops)},
             {"warnings", CountOf(findings, HostSeverity::Slows)},
             {"fine", CountOf(findings, HostSeverity::Fine)}});
}

}  // namespace

CLI::App* AddDoctorCommand(CLI::App& app, DoctorOptions& options) {
  auto* doctor = app.add_subcommand(
      "doctor",
      "Check this computer for what stops or slows a run on a serial port: the port is there and this user\n"
      "may open it (its group, and a membership that needs a new login), ModemManager probing it, brltty\n"
      "claiming its adapter, an FTDI adapter's latency timer, another program holding it. Each finding comes\n"
      "with the command or udev rule that fixes it; exit 17 when one stops a run");
  doctor->add_option("PORT", options.ports, "Serial ports to check (default: every serial port found)");
  doctor->add_flag("--json", options.json,
                   "Print one JSON document: every finding (severity stop, warn or fine; port; check; text; fix\n"
                   "steps) and their counts");
  return doctor;
}

ExitCode RunDoctor(const DoctorOptions& options) {
  HostCheckInput input;
  input.ports = options.ports;
  input.self = platform::CurrentIdentity();
  const std::vector<HostFinding> findings = CheckHost(input);
  if (options.json)
    PrintFindingsJson(findings);
  else
    PrintFindings(findings);
  return AnyStops(findings) ? kExitHostProblem : kExitOk;
}

}  // namespace t418::ctl

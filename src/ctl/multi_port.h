#pragma once
// read, write, diff and upgrade on several ports at once: one terminal job per
// port, all on one poll loop, then a table (or one JSON document) of every
// port's identity, result, time and refused lines.
#include <string>
#include <vector>

#include "ctl/exit_codes.h"
#include "session/headless_session.h"
#include "production/terminal_job.h"


namespace t418::ctl {

class RunRecorder;

enum class MultiCommand { Read, Write, Diff, Upgrade };

struct MultiPortRun {
  MultiCommand command = MultiCommand::Read;
  std::string argument;       // the PORT argument as given (a list or a glob)
  JobPlan plan;
  LineOptions line;           // line.logFile: a folder, one log file per port
  std::string outputFolder;   // read -o: one configuration file per port
  bool json = false;
  RunRecorder* recorder = nullptr;  // slots and records; may be null
};

// Expands the ports, runs one job per port and prints the outcome. Exit code:
// 0 when every port succeeded, kExitSomePortsFailed when any failed,
// kExitNoSuchPort when the argument names no port, 130 on a signal,
// kExitRecordsUnusable when all succeeded but a record was not kept.
ExitCode RunOnPorts(const std::string& folder, const MultiPortRun& run);

// A port's result as the table shows it; for a diff, a terminal that holds
// other values "differs (N settings)" rather than failed.
std::string TableResultText(const JobResult& result, bool diff = false);

// The table of the records: port, identity, result, time, refused lines; with
// slots (one per result), the slot after the port.
std::string ResultTable(const std::vector<JobResult>& results, bool diff = false,
                        const std::vector<std::string>* slots = nullptr);

}  // namespace t418::ctl

#pragma once
// The provisioning station: waits for terminals to be plugged in and gives
// each new port a job — its identity read, optionally a firmware upgrade, the
// configuration written and verified — with one line per terminal and one
// JSON record per terminal appended to a report.
#include <string>

#include "ctl/exit_codes.h"
#include "ctl/station_records.h"
#include "session/headless_session.h"

namespace t418::ctl {

struct StationOptions {
  std::string configFile;
  std::string firmwareFile;  // empty: no upgrade
  int bootWaitSeconds = 60;
  std::string match;         // glob the ports must match; empty: every port listed
  std::string reportFile;    // JSON lines; empty: none
  bool skipPresent = false;  // ports plugged in at start get no job (until plugged in again)
  LineOptions line;          // line.logFile: a folder, one log per terminal
  RecordsOptions records;    // the records database, the station's name, the slots
};

// Runs until SIGINT or SIGTERM: the running jobs are closed (recorded as
// failed), the report flushed, and the exit code is 130. Exits earlier only
// when a file cannot be read, the report cannot be written or the records
// database cannot be used (before any port is touched).
ExitCode RunStation(const std::string& folder, const StationOptions& options);

}  // namespace t418::ctl

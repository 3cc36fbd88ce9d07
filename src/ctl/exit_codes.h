#pragma once
// The exit codes of t418ctl, for scripts. Each failure has its own.
#include "production/terminal_job.h"

namespace t418::ctl {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,       // the run did not complete (see the message)
  kExitUsage = 2,        // wrong arguments, an unknown command, a port name several ports have, an output that is an input
  kExitRefused = 3,      // the terminal refused a line ("+ERR:"); read -o then writes no file
  kExitNoReply = 4,      // the terminal did not answer
  kExitNoSuchPort = 5,   // the port does not exist
  kExitPermission = 6,   // the port may not be opened by this user
  kExitPortBusy = 7,     // another program holds the port
  kExitPortLost = 8,     // the port went away during the run
  kExitNoFile = 9,         // upgrade: the firmware file cannot be read or is not a regular file
  kExitNoBootLoader = 10,  // upgrade: no boot menu within the wait
  kExitTransferStopped = 11,  // upgrade: the transfer was given up
  kExitNoVersion = 12,     // upgrade: no start-up message or version after the restart
  kExitBadConfigFile = 13,  // a file of the run cannot be read or written: the configuration file
                            // (or it is not a regular file), the --log file, the station's report
  kExitConfigRefused = 14,  // the configuration fails its checks: nothing was sent
  kExitDifferences = 15,    // write --verify or diff: the terminal holds other values; write
                            // --verify: a written setting the read does not report
  kExitSomePortsFailed = 16,  // several ports: at least one of them failed (see the table)
  kExitHostProblem = 17,      // doctor: something on this computer stops a run on a port
  kExitRecordsUnusable = 18,  // --db: the records database cannot be opened, claimed in or added
                              // to, or a terminal reported no identity to claim: nothing written
  kExitDuplicate = 19,        // --db: another terminal holds the IMEI/MEID or ICCID: nothing written
  kExitInterrupted = 130,  // ended by SIGINT, SIGTERM or SIGHUP
};

// The exit code of a job that ended so.
constexpr ExitCode ExitCodeOf(JobFailure failure) {
  switch (failure) {
    case JobFailure::None: return kExitOk;
    case JobFailure::NoSuchPort: return kExitNoSuchPort;
    case JobFailure::Permission: return kExitPermission;
    case JobFailure::PortBusy: return kExitPortBusy;
    case JobFailure::OpenFailed: return kExitFailed;
    case JobFailure::NoReply: return kExitNoReply;
    case JobFailure::Refused: return kExitRefused;
    case JobFailure::PortLost: return kExitPortLost;
    case JobFailure::BadConfigFile: return kExitBadConfigFile;
    case JobFailure::ConfigRefused: return kExitConfigRefused;
    case JobFailure::Differences: return kExitDifferences;
    case JobFailure::NoFirmwareFile: return kExitNoFile;
    case JobFailure::NoBootLoader: return kExitNoBootLoader;
    case JobFailure::TransferStopped: return kExitTransferStopped;
    case JobFailure::NoVersion: return kExitNoVersion;
    case JobFailure::Interrupted: return kExitInterrupted;
    case JobFailure::Duplicate: return kExitDuplicate;
    case JobFailure::Unguarded: return kExitRecordsUnusable;
  }
  return kExitFailed;
}

}  // namespace t418::ctl

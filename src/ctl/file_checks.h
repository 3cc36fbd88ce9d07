#pragma once
// Checks on the files of a run, made before any port is opened: inputs must be
// regular files (a FIFO would hang the run, a device would be read without
// end), and no output may be one of the inputs (a log over the configuration
// it writes would empty it first). And the safe save of a configuration read.
#include <string>
#include <vector>

#include "ctl/exit_codes.h"
#include "session/session.h"

namespace t418::ctl {

// Whether two names are the same file: the same device and inode when both
// exist, else the same path once made absolute and canonical.
bool SameFile(const std::string& a, const std::string& b);

// An input file (configuration or firmware) the run reads: kExitOk when it is a
// regular file, else a message naming `what` and the failure code.
ExitCode CheckInputFile(const std::string& path, const char* what, ExitCode failure);

struct NamedFile {
  const char* option;  // "--log", "-o", "--report"
  std::string path;    // empty: not given
};

// kExitOk, or kExitUsage with a message when an output is one of the inputs or
// two outputs are the same file.
ExitCode CheckOutputs(const std::vector<NamedFile>& outputs, const std::vector<std::string>& inputs);

// Saves the session's form as a configuration file (advanced settings on)
// through a temporary file in the same folder, renamed over the path once it is
// whole: a failed save leaves the old file as it was. The number of settings
// saved, or -1 (with the session's message).
int SaveConfigurationWhole(Session& session, const std::string& path);

}  // namespace t418::ctl

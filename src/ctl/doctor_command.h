#pragma once
// t418ctl doctor: the host check of a provisioning station (production/host_check.h)
// as a command: each finding with its fix, a summary, and an exit code that
// tells whether anything found stops a run.
#include <string>
#include <vector>

#include "ctl/exit_codes.h"

namespace CLI {
class App;
}

namespace t418::ctl {

struct DoctorOptions {
  std::vector<std::string> ports;  // empty: every serial port found
  bool json = false;
};

// Adds the command and its options to the program's commands.
CLI::App* AddDoctorCommand(CLI::App& app, DoctorOptions& options);

// kExitOk when nothing found stops a run, else kExitHostProblem.
ExitCode RunDoctor(const DoctorOptions& options);

}  // namespace t418::ctl

#pragma once
// The commands of t418ctl. Each returns its exit code.
#include <string>
#include <vector>

#include "ctl/exit_codes.h"
#include "ctl/headless_session.h"

namespace t418::ctl {

// The ports the desktop program's toolbar would list, with the adapter's name.
ExitCode ListPorts();

// Each line as the send box sends it with auto CR on; prints each reply.
ExitCode SendLines(const std::string& folder, const std::string& port, const std::vector<std::string>& lines,
                   const LineOptions& options);

// The full read of the window's button; with raw, NAME=VALUE per report.
ExitCode ReadConfiguration(const std::string& folder, const std::string& port, bool raw, const LineOptions& options);

}  // namespace t418::ctl

#pragma once
// The commands of t418ctl. Each returns its exit code.
#include <string>
#include <vector>

#include "ctl/exit_codes.h"
#include "session/headless_session.h"

namespace t418::ctl {

class RunRecorder;

// The ports the desktop program's toolbar would list, with the adapter's name.
ExitCode ListPorts();

// Each line as the send box sends it (with autoCR, as the window's Auto CR:
// CR LF after a line that starts with AT); prints each reply.
ExitCode SendLines(const std::string& folder, const std::string& port, const std::vector<std::string>& lines,
                   const LineOptions& options, bool autoCR = true);

// The full read of the window's button; with raw, NAME=VALUE per report; with
// an output path, the form it filled saved as a configuration file (with the
// advanced settings on, so that a write of it sends them too) when the read
// was whole, through a temporary file: a failed read leaves the file as it was.
// With json, one document on standard output: the port, the version, every
// value reported and the refused commands.
ExitCode ReadConfiguration(const std::string& folder, const std::string& port, bool raw, const std::string& output,
                           const LineOptions& options, bool json = false);

// A configuration file written to the terminal, with a summary; with verify,
// read back and compared. With json, one document: lines sent, refused
// commands, whether verified and the differences. With a recorder that has
// records, the terminal's identity is read and claimed first and the run recorded.
ExitCode WriteConfiguration(const std::string& folder, const std::string& port, const std::string& file, bool verify,
                            const LineOptions& options, bool json = false, RunRecorder* recorder = nullptr);

// The setting lines a write of the file would change on the terminal; with
// json, one document of them and of the settings a read does not ask for.
ExitCode DiffConfiguration(const std::string& folder, const std::string& port, const std::string& file,
                           const LineOptions& options, bool json = false);

struct UpgradeOptions {
  int waitSeconds = 60;    // how long to wait for the boot menu
  bool restart = true;     // "R" after the transfer, then the version of the new firmware
};

// Sends a firmware image to the terminal's boot loader by XModem-CRC: waits for
// the boot menu (the user restarts the terminal with its Reload key held), lets
// the session answer it and send the file, then restarts the terminal and prints
// the version it reports (with json, as one document with the port).
// With a recorder that has records, as WriteConfiguration.
ExitCode UpgradeFirmware(const std::string& folder, const std::string& port, const std::string& file,
                         const UpgradeOptions& upgrade, const LineOptions& options, bool json = false,
                         RunRecorder* recorder = nullptr);

}  // namespace t418::ctl

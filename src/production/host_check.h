#pragma once
// The host check of a provisioning station: what on this computer would stop
// or slow a run on a serial port before any terminal is plugged in. Each port
// is looked at for being there, being open to this user (the node's group and
// the user's membership of it, also one that a new login has not taken up
// yet), ModemManager probing it, brltty claiming its adapter, an FTDI adapter's
// latency timer and another process holding it; each finding comes with the
// command or udev rule that fixes it.
#include <string>
#include <vector>

#include "platform/host_facts.h"

namespace t418 {

enum class HostSeverity {
  Stops,  // a run on the port fails
  Slows,  // a run is slowed, or may be disturbed
  Fine,   // nothing to do; said so that the user sees what was looked at
};

// "stop", "warn", "fine".
const char* HostSeverityName(HostSeverity severity);

struct HostFinding {
  HostSeverity severity = HostSeverity::Fine;
  std::string port;   // the port as given (or found); empty for the host as a whole
  std::string check;  // what was looked at: "port", "access", "modemmanager", "brltty", "latency", "holder",
                      // "platform"
  std::string text;   // one line of English
  std::string fix;    // the command or rule text that fixes it, one step a line; empty when nothing is to do
};

struct HostCheckInput {
  std::string root = "/";               // where the host's files are read
  std::vector<std::string> ports;       // empty: every serial port found
  platform::OwnIdentity self;           // whose access counts, and the process not to count as a holder
};

// The findings: those of the host as a whole first, then each port's in order.
std::vector<HostFinding> CheckHost(const HostCheckInput& input);

bool AnyStops(const std::vector<HostFinding>& findings);

// The udev rule line that keeps ModemManager away from a USB adapter (vendor
// and product as four hexadecimal digits), as the package's rules file holds it.
std::string ModemManagerIgnoreRule(const std::string& vendor, const std::string& product);

// The USB serial adapters that brltty claims for braille displays, as "vvvv:pppp" and the chip's name.
struct ClaimedAdapter {
  const char* ids;
  const char* chip;
};
const std::vector<ClaimedAdapter>& BrlttyClaimedAdapters();

}  // namespace t418

#pragma once
// The command line of t418-sim.
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace t418::sim {

struct SimOptions {
  std::string name = "ttySIM0";               // --name: the link in the ports folder
  int latencyMs = 0;                          // --latency MS: before each reply
  int baud = 0;                               // --baud N: pace the output; 0 unpaced
  bool startInDataMode = false;               // --start-in-data-mode
  bool bootLoader = false;                    // --bootloader: start in the boot loader
  std::set<std::string, std::less<>> silent;  // --silent NAME (upper case)
  std::set<std::string, std::less<>> error;   // --error NAME
  std::set<std::string, std::less<>> unreadable;  // --unreadable NAME
  std::set<std::string, std::less<>> split;   // --split NAME
  int nakEvery = 0;                           // --nak-every N
  bool anyLine = false;                       // --any-line: no garbage at other line settings
  bool forgetful = false;                     // --forgetful
  bool bootAnswerC = false;                   // --boot-answer-c
  int chunk = 0;                              // --chunk N: replies in pieces of N bytes
  int chunkGapMs = 10;                        // --chunk-gap MS: between the pieces
  std::string configFile;                     // --config FILE: settings loaded, never written
  std::string stateFile;                      // --state FILE: settings loaded and kept up to date
  std::string logFile;                        // --log FILE
  std::string firmwareOut;                    // --firmware-out FILE
  std::string hardwareVersion = "V2.0.0";     // --hdver TEXT
  std::string imei;                           // --imei DIGITS: "" made from the name
  std::string iccid;                          // --iccid DIGITS: "" made from the name
  std::string sn;                             // --sn TEXT: "" made from the name
  bool help = false;                          // --help
};

// Parses the arguments after the program name. On a mistake: nullopt and a
// message in error. Warnings (a command word the terminal does not know) go
// to warnings.
std::optional<SimOptions> ParseOptions(const std::vector<std::string>& args, std::string& error,
                                       std::vector<std::string>& warnings);

std::string UsageText();

}  // namespace t418::sim

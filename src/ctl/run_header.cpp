#include "ctl/run_header.h"

#include <ctime>

#include "params/encodings.h"
#include "platform/calendar_time.h"

namespace t418::ctl {
namespace {

std::string& CommandLine() {
  static std::string line;
  return line;
}

// An argument as a shell takes it back: quoted when it holds more than plain characters.
std::string Quoted(const std::string& argument) {
  if (!argument.empty() && argument.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                      "0123456789-_./=:,+@%") == std::string::npos)
    return argument;
  std::string quoted = "'";
  for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string ProgramVersion() { return FileVersionText(); }

void RememberCommandLine(int argc, char** argv) {
  std::string& line = CommandLine();
  line.clear();
  for (int i = 0; i < argc; ++i) line += (i == 0 ? "" : " ") + Quoted(argv[i]);
}

LineOptions WithLogHeader(LineOptions options, const std::string& port) {
  if (options.logFile.empty()) return options;
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  platform::LocalTime(now, parts);
  char time[64];
  std::strftime(time, sizeof time, "%Y-%m-%d %H:%M:%S %z", &parts);
  options.logHeader = "t418ctl " + ProgramVersion() + " traffic log\n" + "command: " + CommandLine() + "\n" +
                      "port: " + port + "\n" + "started: " + time + "\n";
  return options;
}

}  // namespace t418::ctl

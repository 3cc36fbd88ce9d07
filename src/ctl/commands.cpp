#include "ctl/commands.h"

#include <cstdio>
#include <filesystem>

#include "params/encodings.h"
#include "serial/port_list.h"
#include "serial/ports_folder.h"
#include "session/manual_terminal.h"
#include "text/gbk.h"

namespace t418::ctl {
namespace {

using namespace std::chrono_literals;

// How long a single line waits for its reply (the engine's reply time-out).
constexpr auto kReplyWait = std::chrono::milliseconds(SerialPort::kReplyTimeoutMs);

}  // namespace

ExitCode ListPorts() {
  const std::string simFolder = SimPortsFolder();
  for (const auto& port : ListSerialPorts()) {
    std::string description = PortDescription(port);
    if (description.empty() && port.rfind(simFolder, 0) == 0) description = "T418 simulator";
    if (description.empty())
      std::printf("%s\n", port.c_str());
    else
      std::printf("%s\t%s\n", port.c_str(), description.c_str());
  }
  return kExitOk;
}

ExitCode SendLines(const std::string& folder, const std::string& port, const std::vector<std::string>& lines,
                   const LineOptions& options) {
  HeadlessSession headless(folder, options);
  if (const ExitCode opened = headless.Open(port); opened != kExitOk) return opened;
  Session& session = headless.Core();

  // Every chunk of the reply to the current line, until it is a success reply or a refusal.
  std::string sent;
  bool answered = false;
  bool refused = false;
  session.OnChunk = [&](const std::string& chunk) {
    // The terminal's echo of the line is not its reply.
    const std::string reply = chunk.rfind(sent, 0) == 0 ? chunk.substr(sent.size()) : chunk;
    if (!reply.empty()) {
      std::fputs(ForTerminal(reply).c_str(), stdout);
      if (reply.back() != '\n') std::fputc('\n', stdout);
      std::fflush(stdout);
    }
    if (chunk.find(marker::kError) != std::string::npos)
      refused = true;
    else if (IsSuccessReply(chunk))
      answered = true;
  };

  ExitCode result = kExitOk;
  for (const auto& line : lines) {
    SendAreaState area;
    area.text = Utf8ToGbk(line);
    area.autoCR = true;
    const auto bytes = SerialBytesToSend(area);
    if (!bytes || bytes->empty()) continue;
    sent = *bytes;
    answered = refused = false;
    session.Terminal().Send(area);
    const ExitCode code = headless.RunUntil([&] { return answered || refused; }, kReplyWait);
    if (code == kExitNoReply) {
      std::fprintf(stderr, "t418ctl: no reply to %s within %d s: check the port, the baud rate and the power\n",
                   line.c_str(), SerialPort::kReplyTimeoutMs / 1000);
      return kExitNoReply;
    }
    if (code != kExitOk) return code;
    if (refused) result = kExitRefused;
  }
  return result;
}

ExitCode ReadConfiguration(const std::string& folder, const std::string& port, bool raw, const LineOptions& options) {
  HeadlessSession headless(folder, options);
  if (const ExitCode opened = headless.Open(port); opened != kExitOk) return opened;
  Session& session = headless.Core();
  if (raw) {
    session.Engine().OnReport = [](const std::string& name, const std::string& value) {
      std::printf("%s=%s\n", ForTerminal(name).c_str(), ForTerminal(value).c_str());
      std::fflush(stdout);
    };
  }
  const ExitCode code = headless.RunFlow(kTagAskAll);
  if (code == kExitNoReply)
    std::fprintf(stderr, "t418ctl: %s\n", ForTerminal(headless.LastWarning()).c_str());
  else if (code == kExitInterrupted)
    std::fprintf(stderr, "t418ctl: interrupted, the port is closed\n");
  if (code != kExitOk) return code;
  if (!session.Engine().RefusedLines().empty()) {
    std::fprintf(stderr, "t418ctl: the terminal refused:");
    for (const auto& name : session.LastRunSummary().refusedNames) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return kExitRefused;
  }
  return kExitOk;
}

}  // namespace t418::ctl

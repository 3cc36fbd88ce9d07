#include "ctl/commands.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ctl/file_checks.h"
#include "ctl/json_output.h"
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
                   const LineOptions& options, bool autoCR) {
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
    area.autoCR = autoCR;
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

ExitCode ReadConfiguration(const std::string& folder, const std::string& port, bool raw, const std::string& output,
                           const LineOptions& options, bool json) {
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
  if (code == kExitNoReply) std::fprintf(stderr, "t418ctl: %s\n", ForTerminal(headless.LastWarning()).c_str());
  if (code != kExitOk) {
    if (!output.empty()) std::fprintf(stderr, "t418ctl: %s not written: the read did not complete\n", output.c_str());
    return code;
  }
  // Only a whole read is saved: a file from a read with refused queries would
  // hold the form's defaults in their place.
  const bool whole = session.Engine().RefusedLines().empty();
  if (!output.empty() && !whole)
    std::fprintf(stderr, "t418ctl: %s not written: the terminal refused queries of the read\n", output.c_str());
  if (!output.empty() && whole) {
    const int saved = SaveConfigurationWhole(session, output);
    if (saved < 0) return kExitBadConfigFile;
    if (isatty(STDERR_FILENO)) std::fprintf(stderr, "saved %d settings to %s\n", saved, output.c_str());
  }
  if (json) {
    nlohmann::json values = nlohmann::json::object();
    for (const auto& entry : session.Values().Entries()) {
      const auto eq = entry.find('=');
      if (eq != std::string::npos) values[ForTerminal(entry.substr(0, eq))] = JsonText(entry.substr(eq + 1));
    }
    PrintJson({{"port", port},
               {"version", JsonText(session.Values().Value("VER"))},
               {"values", values},
               {"refused", JsonTexts(session.LastRunSummary().refusedNames)},
               {"output", output.empty() || !whole ? nlohmann::json(nullptr) : nlohmann::json(output)}});
  }
  if (!session.Engine().RefusedLines().empty()) {
    std::fprintf(stderr, "t418ctl: the terminal refused:");
    for (const auto& name : session.LastRunSummary().refusedNames) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
    return kExitRefused;
  }
  return kExitOk;
}

namespace {

// What the terminal said after the transfer, without the boot loader's echo of
// "R" and without the line ends around it.
std::string StartUpMessage(std::string text) {
  if (text.rfind("R\r\n", 0) == 0) text.erase(0, 3);
  text.erase(0, text.find_first_not_of("\r\n>"));
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

}  // namespace

ExitCode UpgradeFirmware(const std::string& folder, const std::string& port, const std::string& file,
                         const UpgradeOptions& upgrade, const LineOptions& options, bool json) {
  if (const ExitCode checked = CheckInputFile(file, "firmware file", kExitNoFile); checked != kExitOk) return checked;
  HeadlessSession headless(folder, options);
  if (const ExitCode opened = headless.Open(port); opened != kExitOk) return opened;
  Session& session = headless.Core();
  FirmwareUpgrade& xmodem = session.Upgrade();
  xmodem.overRestart = upgrade.restart;
  if (!xmodem.OpenFirmwareFile(std::filesystem::absolute(file))) {
    std::fprintf(stderr, "t418ctl: %s\n", ForTerminal(headless.LastWarning()).c_str());
    return kExitNoFile;
  }

  // What the terminal sends once the transfer is over: its start-up message, then the version.
  bool transferOver = false;
  std::string afterTransfer;
  session.OnChunk = [&](const std::string& chunk) {
    if (transferOver) afterTransfer += chunk;
  };

  std::fprintf(stderr,
               "t418ctl: restart the terminal with its Reload key held (power it off, hold Reload, power it on);\n"
               "t418ctl: waiting up to %d s for its boot loader on %s\n",
               upgrade.waitSeconds, port.c_str());

  // The boot menu is answered by the session ("F", "Y"); its confirmation starts the transfer state.
  ExitCode code = headless.RunUntil([&] { return xmodem.XModemState() != FirmwareUpgrade::kIdle; },
                                    std::chrono::seconds(upgrade.waitSeconds));
  if (code == kExitNoReply) {
    std::fprintf(stderr, "t418ctl: no boot loader within %d s: was the Reload key held while the terminal started?\n",
                 upgrade.waitSeconds);
    return kExitNoBootLoader;
  }
  if (code != kExitOk) return code;
  const auto started = std::chrono::steady_clock::now();

  // A boot loader may go through its dialogue again after a stray chunk ended a
  // transfer: the file stays held, so a new request gets it all again.
  constexpr auto kRequestWait = 30s;
  while (true) {
    code = headless.RunUntil([&] { return xmodem.XModemState() != FirmwareUpgrade::kWaitingForStart; }, kRequestWait);
    if (code == kExitNoReply) {
      std::fprintf(stderr, "t418ctl: the boot loader did not ask for the file (no \"C\") within %d s\n",
                   static_cast<int>(kRequestWait.count()));
      return kExitTransferStopped;
    }
    if (code != kExitOk) return code;
    code = headless.RunUntil([&] { return xmodem.XModemState() == FirmwareUpgrade::kIdle; }, 24h);
    if (code != kExitOk) return code;
    // Finishing releases the file; a transfer given up keeps it.
    if (xmodem.FirmwareFile() == nullptr) break;
    const std::string warning = headless.LastWarning();
    code = headless.RunUntil([&] { return xmodem.XModemState() != FirmwareUpgrade::kIdle; }, 5s);
    if (code == kExitNoReply) {
      std::fprintf(stderr, "t418ctl: the transfer stopped%s%s\n", warning.empty() ? "" : ": ",
                   ForTerminal(warning).c_str());
      return kExitTransferStopped;
    }
    if (code != kExitOk) return code;
  }
  transferOver = true;
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::fprintf(stderr, "t418ctl: firmware sent in %.2f s\n", seconds);
  if (!upgrade.restart) {
    if (json) PrintJson({{"port", port}, {"version", nullptr}});
    return kExitOk;
  }

  // "R" went out with the final reply: the terminal starts and says so.
  constexpr auto kStartWait = 30s;
  code = headless.RunUntil([&] { return !StartUpMessage(afterTransfer).empty(); }, kStartWait);
  if (code == kExitNoReply) {
    std::fprintf(stderr, "t418ctl: the terminal sent no start-up message within %d s after the restart\n",
                 static_cast<int>(kStartWait.count()));
    return kExitNoVersion;
  }
  if (code != kExitOk) return code;
  // The rest of the start-up message, if it came in pieces.
  headless.RunUntil([] { return false; }, 300ms);
  std::fprintf(stderr, "t418ctl: the terminal started: %s\n", ForTerminal(StartUpMessage(afterTransfer)).c_str());

  // The engine parses the version report like any other.
  std::string version;
  session.Engine().OnReport = [&](const std::string& name, const std::string& value) {
    if (name == "VER") version = value;
  };
  SendAreaState area;
  area.text = "AT+VER?";
  area.autoCR = true;
  session.Terminal().Send(area);
  code = headless.RunUntil([&] { return !version.empty(); }, kReplyWait);
  if (code == kExitInterrupted) return code;
  if (version.empty()) {
    std::fprintf(stderr, "t418ctl: the terminal did not report its version (AT+VER?) after the restart\n");
    return kExitNoVersion;
  }
  if (json)
    PrintJson({{"port", port}, {"version", JsonText(version)}});
  else
    std::printf("%s\n", ForTerminal(version).c_str());
  return kExitOk;
}

}  // namespace t418::ctl

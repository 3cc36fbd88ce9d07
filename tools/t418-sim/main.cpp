// t418-sim: a T418 terminal on a pseudo-terminal, for trying the tool without
// hardware and for end-to-end tests. See README.md beside this file.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "serial/port_owner.h"
#include "serial/ports_folder.h"
#include "t418-sim/boot_loader.h"
#include "t418-sim/line_mismatch.h"
#include "t418-sim/line_writer.h"
#include "t418-sim/pty_link.h"
#include "t418-sim/sim_identity.h"
#include "t418-sim/sim_config.h"
#include "t418-sim/sim_device.h"
#include "t418-sim/sim_options.h"
#include "t418-sim/terminal_model.h"

namespace t418::sim {
namespace {

Micros NowMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void Say(const std::string& text) { std::cerr << "t418-sim: " << text << std::endl; }

// Appends each received command line to the log file.
class LineLog {
 public:
  explicit LineLog(const std::string& path) {
    if (path.empty()) return;
    file_ = std::fopen(path.c_str(), "ab");
    if (file_ == nullptr) Say("cannot open the log file " + path + "; lines are not logged");
  }
  ~LineLog() {
    if (file_ != nullptr) std::fclose(file_);
  }
  LineLog(const LineLog&) = delete;
  LineLog& operator=(const LineLog&) = delete;
  void Write(std::string_view line) {
    if (file_ == nullptr) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }

 private:
  std::FILE* file_ = nullptr;
};

void StoreImage(const std::string& path, const std::string& image) {
  if (path.empty()) {
    Say("received a firmware image of " + std::to_string(image.size()) +
        " bytes (no --firmware-out, not stored)");
    return;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(image.data(), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    Say("cannot write the firmware image to " + path);
    return;
  }
  Say("stored a firmware image of " + std::to_string(image.size()) + " bytes in " + path);
}

int Run(const SimOptions& options) {
  sigset_t handled;
  sigemptyset(&handled);
  sigaddset(&handled, SIGINT);
  sigaddset(&handled, SIGTERM);
  sigaddset(&handled, SIGUSR1);
  sigprocmask(SIG_BLOCK, &handled, nullptr);
  const int signals = signalfd(-1, &handled, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signals < 0) {
    Say("cannot receive signals");
    return 1;
  }
  signal(SIGPIPE, SIG_IGN);

  SimConfig config;
  std::vector<std::string> messages;
  const bool settingsReady = StartSettings(config, options.configFile, options.stateFile, messages);
  for (const auto& m : messages) Say(m);
  if (!settingsReady) return 1;

  PtyLink link;
  std::string error;
  std::string warning;
  if (!link.Open(error, warning)) {
    Say(error);
    return 1;
  }
  if (!warning.empty()) Say(warning + "; the boot menu then follows purges of the line only");

  PortLink portLink;
  if (!portLink.Place(SimPortsFolder(), options.name, link.SlavePath(), error)) {
    Say(error);
    return 1;
  }
  std::cout << link.SlavePath() << std::endl;  // the first line, flushed
  Say("serving " + link.SlavePath() + " as " + portLink.Path() +
      (options.bootLoader ? " (in the boot loader)" : ""));

  LineLog lineLog(options.logFile);
  TerminalBehaviour behaviour;
  behaviour.silent = options.silent;
  behaviour.error = options.error;
  behaviour.unreadable = options.unreadable;
  behaviour.split = options.split;
  behaviour.startInDataMode = options.startInDataMode;
  behaviour.forgetful = options.forgetful;
  behaviour.hardwareVersion = options.hardwareVersion;
  const SimIdentity named = IdentityFromName(options.name);
  behaviour.imei = options.imei.empty() ? named.imei : options.imei;
  behaviour.iccid = options.iccid.empty() ? named.iccid : options.iccid;
  behaviour.sn = options.sn.empty() ? named.sn : options.sn;
  TerminalModel terminal(config, behaviour);
  terminal.onLine = [&](std::string_view line) { lineLog.Write(line); };
  // Saved before the reply to the line goes out: whoever has the reply finds the file up to date.
  terminal.onConfigChanged = [&] {
    if (!options.stateFile.empty() && !config.SaveFile(options.stateFile))
      Say("cannot save the settings to " + options.stateFile);
  };
  BootLoader loader(options.nakEvery, options.bootAnswerC);
  loader.onImage = [&](const std::string& image) { StoreImage(options.firmwareOut, image); };
  SimDevice device(terminal, loader, options.latencyMs, options.bootLoader);
  device.SetOpenTracking(link.WatchFd() >= 0);

  LineWriter writer([&](const char* bytes, std::size_t n) { return link.Write(bytes, n); },
                    options.baud);
  // With --baud the terminal's UART runs at that rate with 8 data bits and no
  // parity; a program that set the port otherwise meets it as a real line would.
  const UartFrame ownFrame{static_cast<std::uint32_t>(options.baud), 8, 'N', 1};
  std::optional<UartFrame> toldMismatch;
  auto mismatch = [&]() -> std::optional<UartFrame> {
    if (options.baud == 0 || options.anyLine) return std::nullopt;
    auto tool = ReadSlaveFrame(link.SlaveFd());
    if (!tool || (tool->baud == ownFrame.baud && tool->dataBits == ownFrame.dataBits &&
                  tool->parity == ownFrame.parity)) {
      toldMismatch.reset();
      return std::nullopt;
    }
    tool->stopBits = ownFrame.stopBits;  // the receivers look at the first stop bit only
    if (toldMismatch != tool) {
      Say("the port is set to " + Describe(*tool) + ", the terminal runs at " + Describe(ownFrame) +
          ": the line carries garbage");
      toldMismatch = tool;
    }
    return tool;
  };
  auto queue = [&](const Emissions& out, Micros now) {
    const auto tool = out.empty() ? std::nullopt : mismatch();
    for (auto e : out) {
      if (tool) e.bytes = ReceiveAcross(e.bytes, ownFrame, *tool);
      if (options.chunk <= 0 || e.bytes.size() <= static_cast<std::size_t>(options.chunk)) {
        writer.Push(e, now);
        continue;
      }
      for (std::size_t at = 0; at < e.bytes.size(); at += static_cast<std::size_t>(options.chunk)) {
        Emission piece{at == 0 ? e.delayMs : options.chunkGapMs,
                       e.bytes.substr(at, static_cast<std::size_t>(options.chunk)), e.reply && at == 0};
        writer.Push(piece, now);
      }
    }
  };

  bool running = true;
  int exitCode = 0;
  while (running) {
    Micros now = NowMicros();
    writer.Pump(now);
    queue(device.Tick(now / 1000), now);
    writer.Pump(now);

    std::optional<Micros> wake = writer.NextWake(now);
    if (const auto deadline = device.NextDeadline()) {
      const Micros at = *deadline * 1000;
      if (!wake || at < *wake) wake = at;
    }
    int timeout = -1;
    if (wake) timeout = static_cast<int>(std::max<Micros>(0, (*wake - now + 999) / 1000));

    pollfd fds[3] = {
        {signals, POLLIN, 0}, {link.MasterFd(), POLLIN | POLLPRI, 0}, {link.WatchFd(), POLLIN, 0}};
    if (writer.WaitingForRoom()) fds[1].events |= POLLOUT;
    const int ready = ::poll(fds, link.WatchFd() >= 0 ? 3 : 2, timeout);
    if (ready < 0 && errno != EINTR) {
      Say("poll failed");
      break;
    }
    now = NowMicros();
    const Millis nowMs = now / 1000;

    if (fds[0].revents & POLLIN) {
      signalfd_siginfo info{};
      while (::read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGUSR1) {
          writer.Clear();
          queue(device.RestartIntoBootLoader(), now);
        } else {
          running = false;
        }
      }
    }
    if (link.WatchFd() >= 0 && (fds[2].revents & POLLIN)) {
      const auto openings = link.ReadWatch();
      for (int i = 0; i < openings.opened; ++i) device.PortOpened(nowMs);
      for (int i = 0; i < openings.closed; ++i) device.PortClosed();
      // The count of openings can fall behind (the system merges like events
      // that arrive together), so who still holds the port decides.
      if (openings.closed > 0 && (device.Openers() == 0 || FindPortHolders(link.SlaveFd()).empty()))
        link.ReleaseExclusive();
    }
    if (fds[1].revents & (POLLIN | POLLPRI | POLLHUP | POLLERR)) {
      const PtyLink::Input input = link.Read();
      if (input.purged) device.LinePurged(nowMs);
      if (!input.data.empty()) {
        std::string data = input.data;
        if (const auto tool = mismatch()) data = ReceiveAcross(data, *tool, ownFrame);
        if (!data.empty()) queue(device.Receive(data, nowMs), now);
      }
      if (input.failed) {
        // Cannot happen while the slave is held open; ending beats spinning on it.
        Say("the pseudo-terminal cannot be read any more; ending");
        exitCode = 1;
        running = false;
      }
    }
  }

  portLink.Remove();
  ::close(signals);
  Say("ended");
  return exitCode;
}

}  // namespace
}  // namespace t418::sim

int main(int argc, char** argv) {
  using namespace t418::sim;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  std::vector<std::string> warnings;
  const auto options = ParseOptions(args, error, warnings);
  if (!options) {
    std::cerr << "t418-sim: " << error << "\n" << UsageText();
    return 2;
  }
  if (options->help) {
    std::cout << UsageText();
    return 0;
  }
  for (const auto& w : warnings) std::cerr << "t418-sim: " << w << "\n";
  return Run(*options);
}

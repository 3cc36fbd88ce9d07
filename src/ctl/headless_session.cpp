#include "ctl/headless_session.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "text/gbk.h"

namespace t418::ctl {
namespace {

std::atomic<PollLoop*> runningLoop{nullptr};
bool logFailed = false;

void OnSignal(int) {
  if (PollLoop* loop = runningLoop.load()) loop->Interrupt();
}

}  // namespace

std::string ForTerminal(const std::string& gbk) { return GbkToUtf8(gbk); }

HeadlessSession::HeadlessSession(const std::string& programFolder, const LineOptions& options)
    : HeadlessSession(std::make_unique<PollLoop>(), nullptr, programFolder, options) {}

HeadlessSession::HeadlessSession(PollLoop& loop, const std::string& programFolder, const LineOptions& options)
    : HeadlessSession(nullptr, &loop, programFolder, options) {}

HeadlessSession::HeadlessSession(std::unique_ptr<PollLoop> ownLoop, PollLoop* sharedLoop,
                                 const std::string& programFolder, const LineOptions& options)
    : ownLoop_(std::move(ownLoop)), loop_(ownLoop_ ? *ownLoop_ : *sharedLoop), logFile_(options.logFile) {
  host_ = std::make_unique<CommandLineSession>(loop_, programFolder, options, static_cast<SessionListener*>(this));
}

HeadlessSession::~HeadlessSession() {
  const bool failed = host_->LogFileFailed();
  const std::string reason = host_->LogFileError();
  host_.reset();
  if (progressShown_) std::fputc('\n', stderr);
  if (failed) NoteLogFailed(logFile_, reason);
}

bool HeadlessSession::AnyLogFailed() { return logFailed; }

void HeadlessSession::NoteLogFailed(const std::string& path, const std::string& reason) {
  if (!logFailed || !path.empty())
    std::fprintf(stderr, "t418ctl: cannot write the log file %s: %s\n", path.c_str(), reason.c_str());
  logFailed = true;
}

void HeadlessSession::CatchSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

ExitCode HeadlessSession::Open(const std::string& port) {
  // A run whose log is lost is not a run to start: the message comes when the session ends.
  if (host_->LogFileFailed()) return kExitBadConfigFile;
  Core().portSettings.port = port;
  if (Core().Serial().OpenSerialPort(ToLineChoices(Core().portSettings))) return kExitOk;
  const int error = Core().Serial().LastOpenError();
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      std::fprintf(stderr, "t418ctl: no such port: %s\n", port.c_str());
      return kExitNoSuchPort;
    case EACCES:
    case EPERM:
      std::fprintf(stderr,
                   "t418ctl: permission denied: %s (add your user to the dialout group: "
                   "sudo usermod -aG dialout $USER, then log in again)\n",
                   port.c_str());
      return kExitPermission;
    case EBUSY:
      std::fprintf(stderr, "t418ctl: port busy: %s is in use by another program%s%s\n", port.c_str(),
                   Core().Serial().LastOpenOwner().empty() ? "" : ", ", Core().Serial().LastOpenOwner().c_str());
      return kExitPortBusy;
    default:
      std::fprintf(stderr, "t418ctl: cannot open %s: %s\n", port.c_str(),
                   error ? std::strerror(error) : "not a serial port or wrong line settings");
      return kExitFailed;
  }
}

ExitCode HeadlessSession::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const bool held = RunLoopUntil(loop_, [&] { return done() || portLost_; }, limit);
  if (loop_.Interrupted()) {
    Core().Engine().AbortRun({});
    // The port is closed with the session, on the way out.
    std::fprintf(stderr, "t418ctl: interrupted, the port is closed\n");
    return kExitInterrupted;
  }
  if (portLost_) {
    std::fprintf(stderr, "t418ctl: the port %s went away during the run\n", Core().portSettings.port.c_str());
    return kExitPortLost;
  }
  return held ? kExitOk : kExitNoReply;
}

bool RunLoopUntil(PollLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds limit) {
  PollLoop* previous = runningLoop.exchange(&loop);
  const bool held = loop.RunUntil(done, limit);
  runningLoop.store(previous);
  return held;
}

ExitCode HeadlessSession::RunFlow(int tag) {
  runEnded_ = false;
  runCompleted_ = false;
  Core().Engine().ActionButtonClick(tag);
  // A refused configuration leaves nothing to send: the run is over at once.
  if (tag == kTagSetAll && Core().Orders().OrderCount() == 0) return kExitFailed;
  // The engine ends every run itself: the last reply, or its own time-outs.
  const ExitCode code = RunUntil([this] { return runEnded_; }, std::chrono::hours(24));
  if (code != kExitOk) return code;
  // A run cut short by a refusal (the version query refused) is the terminal's "no".
  if (!runCompleted_) return Core().Engine().RefusedLines().empty() ? kExitNoReply : kExitRefused;
  return kExitOk;
}

void HeadlessSession::PortStateChanged(bool open) {
  if (!open) portLost_ = true;
}

void HeadlessSession::ShowProgress(int total, int done) {
  if (!isatty(STDERR_FILENO) || total <= 0) return;
  constexpr int kWidth = 30;
  const int filled = done * kWidth / total;
  std::fprintf(stderr, "\r[%.*s%*s] %d/%d", filled, "##############################", kWidth - filled, "", done,
               total);
  std::fflush(stderr);
  progressShown_ = true;
}

void HeadlessSession::HideProgress() {
  if (!progressShown_) return;
  std::fprintf(stderr, "\r%*s\r", 50, "");
  std::fflush(stderr);
  progressShown_ = false;
}

void HeadlessSession::ShowMessage(const std::string& text) {
  std::fprintf(stderr, "t418ctl: %s\n", ForTerminal(text).c_str());
}

void HeadlessSession::RunEnded(bool completed) {
  runEnded_ = true;
  runCompleted_ = completed;
}

}  // namespace t418::ctl

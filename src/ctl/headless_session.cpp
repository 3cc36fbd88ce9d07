#include "ctl/headless_session.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>

#include "text/gbk.h"

namespace t418::ctl {
namespace {

std::atomic<PollLoop*> runningLoop{nullptr};

void OnSignal(int) {
  if (PollLoop* loop = runningLoop.load()) loop->Interrupt();
}

}  // namespace

std::string ForTerminal(const std::string& gbk) { return GbkToUtf8(gbk); }

// The one view of the traffic log: keeps the last warning and writes every
// entry to the log file, if there is one.
class HeadlessSession::LogSink : public LogView {
 public:
  LogSink(const std::string& path, std::string& lastWarning) : lastWarning_(lastWarning) {
    if (!path.empty()) file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
  }
  bool Failed(const std::string& path) const { return !path.empty() && !file_.is_open(); }

  void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) override {
    if (pane != LogPane::Text) return;
    if (colour == LogColour::Warning) lastWarning_ = StripPrefix(entry);
    if (!file_.is_open()) return;
    std::string text = GbkToUtf8(entry);
    // One line end style in the file, whatever came from the terminal.
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r') {
        out += '\n';
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else {
        out += text[i];
      }
    }
    file_ << out << '\n';
    file_.flush();
  }
  void ClearPane(LogPane) override {}
  void CountersChanged(std::uint32_t, std::uint32_t) override {}

 private:
  // A warning without its time-stamp line.
  static std::string StripPrefix(const std::string& entry) {
    if (entry.rfind(">[", 0) == 0) {
      const auto end = entry.find("\r\n");
      if (end != std::string::npos) return entry.substr(end + 2);
    }
    return entry;
  }

  std::ofstream file_;
  std::string& lastWarning_;
};

HeadlessSession::HeadlessSession(const std::string& programFolder, const LineOptions& options) {
  SessionOptions sessionOptions;
  sessionOptions.programFolder = programFolder;
  // Messages for scripts and logs are English, whatever the system's language.
  sessionOptions.systemIsChinese = [] { return false; };
  // The window's profile is the window's: a command-line run neither reads nor writes it.
  sessionOptions.useProfile = false;
  session_ = std::make_unique<Session>(loop_, sessionOptions);
  session_->SetListener(this);
  logSink_ = std::make_unique<LogSink>(options.logFile, lastWarning_);
  if (logSink_->Failed(options.logFile))
    std::fprintf(stderr, "t418ctl: cannot write the log file %s: %s\n", options.logFile.c_str(), std::strerror(errno));
  session_->Log().SetView(logSink_.get());
  session_->Log().timeStamps = true;
  session_->Create();
  session_->Lang().UseChinese = false;
  session_->ApplyTexts();
  session_->FinishCreate();
  session_->Engine().delayTime = options.delayMs;
  session_->SetReplyFraming(options.fastReplies);
  session_->portSettings.baud = options.baud;
  session_->portSettings.parity = options.parity;
  session_->portSettings.data = options.data;
  session_->portSettings.stop = options.stop;
}

HeadlessSession::~HeadlessSession() {
  if (session_->PortOpen()) session_->Serial().CloseSerialPort();
  session_->Close();
  session_->SetListener(nullptr);
  session_->Log().SetView(nullptr);
  if (progressShown_) std::fputc('\n', stderr);
}

void HeadlessSession::CatchSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

ExitCode HeadlessSession::Open(const std::string& port) {
  session_->portSettings.port = port;
  if (session_->Serial().OpenSerialPort(ToLineChoices(session_->portSettings))) return kExitOk;
  const int error = session_->Serial().LastOpenError();
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
      std::fprintf(stderr, "t418ctl: port busy: %s is in use by another program\n", port.c_str());
      return kExitPortBusy;
    default:
      std::fprintf(stderr, "t418ctl: cannot open %s: %s\n", port.c_str(),
                   error ? std::strerror(error) : "not a serial port or wrong line settings");
      return kExitFailed;
  }
}

ExitCode HeadlessSession::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  PollLoop* previous = runningLoop.exchange(&loop_);
  const bool held = loop_.RunUntil([&] { return done() || portLost_; }, limit);
  runningLoop.store(previous);
  if (loop_.Interrupted()) {
    session_->Engine().AbortRun({});
    // The port is closed with the session, on the way out.
    std::fprintf(stderr, "t418ctl: interrupted, the port is closed\n");
    return kExitInterrupted;
  }
  if (portLost_) {
    std::fprintf(stderr, "t418ctl: the port %s went away during the run\n", session_->portSettings.port.c_str());
    return kExitPortLost;
  }
  return held ? kExitOk : kExitNoReply;
}

ExitCode HeadlessSession::RunFlow(int tag) {
  runEnded_ = false;
  runCompleted_ = false;
  session_->Engine().ActionButtonClick(tag);
  // A refused configuration leaves nothing to send: the run is over at once.
  if (tag == kTagSetAll && session_->Orders().OrderCount() == 0) return kExitFailed;
  // The engine ends every run itself: the last reply, or its own time-outs.
  const ExitCode code = RunUntil([this] { return runEnded_; }, std::chrono::hours(24));
  if (code != kExitOk) return code;
  if (!runCompleted_) return kExitNoReply;
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

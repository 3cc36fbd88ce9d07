#include "session/headless_session.h"

#include <cerrno>
#include <cstring>

#include "text/gbk.h"

namespace t418 {

// The one view of the traffic log: keeps the last warning and writes every
// entry to the log file, if there is one, after the file's header. What the
// session logs while it is set up (the window's start hints) stays out of the
// file: Record() starts it.
class HeadlessSession::LogSink : public LogView {
 public:
  LogSink(const std::string& path, const std::string& header, std::string& lastWarning)
      : lastWarning_(lastWarning) {
    if (path.empty()) return;
    file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file_.is_open()) {
      error_ = std::strerror(errno);
      return;
    }
    if (!header.empty()) Put(header + (header.back() == '\n' ? "" : "\n"));
  }
  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }
  void Record() { recording_ = true; }

  void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) override {
    if (pane != LogPane::Text) return;
    if (colour == LogColour::Warning) lastWarning_ = StripPrefix(entry);
    if (!file_.is_open() || !recording_) return;
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
    Put(out + '\n');
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

  void Put(const std::string& text) {
    if (!error_.empty()) return;
    errno = 0;
    file_ << text;
    file_.flush();
    if (!file_) error_ = errno ? std::strerror(errno) : "write error";
  }

  std::ofstream file_;
  std::string& lastWarning_;
  std::string error_;
  bool recording_ = false;
};

HeadlessSession::HeadlessSession(EventLoop& loop, const std::string& programFolder,
                                 const LineOptions& options, SessionListener* listener) {
  SessionOptions sessionOptions;
  sessionOptions.programFolder = programFolder;
  // Messages for scripts and logs are English, whatever the system's language.
  sessionOptions.systemIsChinese = [] { return false; };
  // The window's profile is the window's: a command-line run neither reads nor writes it.
  sessionOptions.useProfile = false;
  session_ = std::make_unique<Session>(loop, sessionOptions);
  session_->SetListener(listener);
  logSink_ = std::make_unique<LogSink>(options.logFile, options.logHeader, lastWarning_);
  session_->Log().SetView(logSink_.get());
  session_->Log().timeStamps = true;
  session_->Create();
  session_->Lang().UseChinese = false;
  session_->ApplyTexts();
  session_->FinishCreate();
  session_->SetLinePause(options.delayMs);
  session_->SetReplyFraming(options.fastReplies);
  session_->portSettings = options.settings;
  logSink_->Record();
}

bool HeadlessSession::OpenPort(const std::string& port) {
  session_->portSettings.port = port;
  return session_->OpenPort();
}

bool HeadlessSession::LogFileFailed() const { return logSink_->Failed(); }

std::string HeadlessSession::LogFileError() const { return logSink_->Error(); }

HeadlessSession::~HeadlessSession() {
  session_->SetListener(nullptr);
  if (session_->PortOpen()) session_->ClosePort();
  session_->Close();
  session_->Log().SetView(nullptr);
}

}  // namespace t418

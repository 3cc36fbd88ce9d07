#pragma once
// A session set up for a program without a window (t418ctl, the production
// jobs): English messages, no profile, the traffic log written to a file with
// time stamps, and the line settings of the command line. Several of them can
// live on one event loop.
#include <fstream>
#include <memory>
#include <string>

#include "loop/event_loop.h"
#include "session/session.h"

namespace t418 {

struct LineOptions {
  PortSettings settings;  // baud, parity, data and stop bits (each session names its own port)
  int delayMs = 150;
  bool fastReplies = false;  // a chunk ends with its reply, not after the gap
  std::string logFile;  // the traffic log as text with time stamps; empty: none
  std::string logHeader;  // the log file's first lines (what ran, where, when); UTF-8
};

class HeadlessSession {
 public:
  // The listener (may be null) hears the session from its creation on.
  HeadlessSession(EventLoop& loop, const std::string& programFolder, const LineOptions& options,
                  SessionListener* listener = nullptr);
  // Closes the port if it is open (the listener no longer hears it) and the session.
  ~HeadlessSession();
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  Session& Core() { return *session_; }
  const Session& Core() const { return *session_; }
  // Opens this port with the line settings; on failure the session's
  // LastOpenFailure says why.
  bool OpenPort(const std::string& port);
  // The last warning of the traffic log (without its time-stamp line), GBK.
  const std::string& LastWarning() const { return lastWarning_; }
  // The log file was asked for but could not be created, or an entry could
  // not be written to it (a full disk).
  bool LogFileFailed() const;
  // Why the log file failed ("" when it did not).
  std::string LogFileError() const;

 private:
  class LogSink;

  std::string lastWarning_;
  std::unique_ptr<LogSink> logSink_;
  std::unique_ptr<Session> session_;
};

}  // namespace t418

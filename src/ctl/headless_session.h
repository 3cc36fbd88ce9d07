#pragma once
// A session without a window: the poll loop, the session object and what
// t418ctl shows of it (a progress line on a terminal, the traffic log in a
// file). It opens the port with a clear message for each failure and runs the
// session's flows to their end, a signal or a lost port.
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "ctl/exit_codes.h"
#include "loop/poll_loop.h"
#include "session/session.h"

namespace t418::ctl {

struct LineOptions {
  std::string baud = "115200";
  std::string parity = "NONE";
  std::string data = "8";
  std::string stop = "1";
  int delayMs = 150;
  bool fastReplies = false;  // a chunk ends with its reply, not after the gap
  std::string logFile;  // the traffic log as text with time stamps; empty: none
};

class HeadlessSession : private SessionListener {
 public:
  HeadlessSession(const std::string& programFolder, const LineOptions& options);
  ~HeadlessSession() override;

  Session& Core() { return *session_; }
  PollLoop& Loop() { return loop_; }

  // Opens the port; on failure prints one line on standard error and gives its exit code.
  ExitCode Open(const std::string& port);

  // Runs a flow button (kTagAskAll, kTagSetAll...) until its run ends.
  ExitCode RunFlow(int tag);

  // Runs the loop until done() holds, the port is lost, a signal comes, or the
  // time is up; the result says which (kExitOk when done() held).
  ExitCode RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

  // The last message of the session that explains a failed run (a warning of the log).
  const std::string& LastWarning() const { return lastWarning_; }

  // Signals (SIGINT, SIGTERM, SIGHUP) interrupt whichever session loop runs.
  static void CatchSignals();

 private:
  class LogSink;

  // SessionListener
  void PortStateChanged(bool open) override;
  void ShowProgress(int total, int done) override;
  void HideProgress() override;
  void ShowMessage(const std::string& text) override;
  void RunEnded(bool completed) override;

  PollLoop loop_;
  std::unique_ptr<Session> session_;
  std::unique_ptr<LogSink> logSink_;
  bool progressShown_ = false;
  bool portLost_ = false;
  bool runEnded_ = false;
  bool runCompleted_ = false;
  std::string lastWarning_;
};

// GBK text for the user's terminal (UTF-8).
std::string ForTerminal(const std::string& gbk);

}  // namespace t418::ctl

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
#include "production/command_line_session.h"
#include "session/session.h"

namespace t418::ctl {

using t418::LineOptions;

class HeadlessSession : private SessionListener {
 public:
  // A session on a loop of its own.
  HeadlessSession(const std::string& programFolder, const LineOptions& options);
  // A session on a loop that other sessions share.
  HeadlessSession(PollLoop& loop, const std::string& programFolder, const LineOptions& options);
  ~HeadlessSession() override;

  Session& Core() { return host_->Core(); }
  PollLoop& Loop() { return loop_; }

  // Opens the port; on failure prints one line on standard error and gives its
  // exit code. A log file that cannot be written fails it before the port is touched.
  ExitCode Open(const std::string& port);

  // Runs a flow button (kTagAskAll, kTagSetAll...) until its run ends.
  ExitCode RunFlow(int tag);

  // Runs the loop until done() holds, the port is lost, a signal comes, or the
  // time is up; the result says which (kExitOk when done() held).
  ExitCode RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

  // The last message of the session that explains a failed run (a warning of the log).
  const std::string& LastWarning() const { return host_->LastWarning(); }

  // Signals (SIGINT, SIGTERM, SIGHUP) interrupt whichever session loop runs.
  static void CatchSignals();

  // Whether a log file of a session of this run could not be written (each
  // such session says so on standard error when it ends).
  static bool AnyLogFailed();
  static void NoteLogFailed(const std::string& path, const std::string& reason);

 private:
  HeadlessSession(std::unique_ptr<PollLoop> ownLoop, PollLoop* sharedLoop, const std::string& programFolder,
                  const LineOptions& options);

  // SessionListener
  void PortStateChanged(bool open) override;
  void ShowProgress(int total, int done) override;
  void HideProgress() override;
  void ShowMessage(const std::string& text) override;
  void RunEnded(bool completed) override;

  std::unique_ptr<PollLoop> ownLoop_;
  PollLoop& loop_;
  std::unique_ptr<CommandLineSession> host_;
  std::string logFile_;
  bool progressShown_ = false;
  bool portLost_ = false;
  bool runEnded_ = false;
  bool runCompleted_ = false;
};

// Runs a loop until done() holds, Quit, or the time is up, with the signals
// (SIGINT, SIGTERM, SIGHUP) interrupting it; true when done() held.
bool RunLoopUntil(PollLoop& loop, const std::function<bool()>& done, std::chrono::milliseconds limit);

// GBK text for the user's terminal (UTF-8).
std::string ForTerminal(const std::string& gbk);

}  // namespace t418::ctl

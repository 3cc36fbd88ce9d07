#pragma once
// A command on one port: the same terminal job as a list of ports runs, on a
// poll loop of its own, with the session's progress and messages on standard
// error and the signals interrupting it. The command prints what its job gave.
#include <memory>
#include <string>

#include "ctl/console_view.h"
#include "ctl/exit_codes.h"
#include "loop/poll_loop.h"
#include "production/terminal_job.h"

namespace t418::ctl {

class RunRecorder;

class SinglePortJob {
 public:
  SinglePortJob(const std::string& folder, const LineOptions& options, const std::string& port, JobPlan plan);
  // Notes a log file that could not be written, after everything else the command printed.
  ~SinglePortJob();
  SinglePortJob(const SinglePortJob&) = delete;
  SinglePortJob& operator=(const SinglePortJob&) = delete;

  TerminalJob& Job() { return *job_; }
  Session& Core() { return job_->Core(); }
  const JobResult& Result() const { return job_->Result(); }
  // The last warning of the session's log (GBK).
  const std::string& LastWarning() const { return job_->Host().LastWarning(); }

  // Runs the job to its end (a signal ends it as interrupted). False when a
  // log file that cannot be written kept it from starting: nothing was
  // touched, the command ends with kExitBadConfigFile (the note comes at the end).
  bool Run();
  // As Run, with the job guarded and recorded by the recorder (when given).
  // False also when its record was not kept (the message is out).
  bool Run(RunRecorder* recorder, bool& recordLost);

  // Says why the job failed, as every single-port command says it, and gives
  // the exit code. A refusal or differences are the command's to tell; a
  // terminal that did not answer is told only with sayNoReply.
  ExitCode PrintFailure(bool sayNoReply = true) const;

 private:
  PollLoop loop_;
  ConsoleView view_;
  std::unique_ptr<TerminalJob> job_;
  std::string logFile_;
};

// Why the port would not open, one line on standard error; its exit code.
ExitCode PrintOpenFailure(const OpenFailure& failure, const std::string& port);

}  // namespace t418::ctl

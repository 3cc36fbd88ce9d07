#include "ctl/single_port_job.h"

#include <cstdio>

#include "ctl/loop_signals.h"
#include "ctl/run_recorder.h"
#include "production/open_failure_text.h"

namespace t418::ctl {

ExitCode PrintOpenFailure(const OpenFailure& failure, const std::string& port) {
  if (failure.kind != OpenFailureKind::None)
    Print(stderr, "t418ctl: %s\n", OpenFailureText(failure, port).c_str());
  return ExitCodeOf(JobFailureOf(failure.kind));
}

SinglePortJob::SinglePortJob(const std::string& folder, const LineOptions& options, const std::string& port,
                             JobPlan plan)
    : job_(std::make_unique<TerminalJob>(loop_, folder, options, port, std::move(plan),
                                         std::function<void(const JobResult&)>(), &view_)),
      logFile_(options.logFile) {}

SinglePortJob::~SinglePortJob() {
  const bool failed = job_->Host().LogFileFailed();
  const std::string reason = job_->Host().LogFileError();
  job_.reset();
  view_.EndProgressLine();
  if (failed) NoteLogFailed(logFile_, reason);
}

bool SinglePortJob::Run() {
  // A run whose log is lost is not a run to start: the message comes when the job is let go.
  if (job_->Host().LogFileFailed()) return false;
  job_->Start();
  // The job ends every wait itself; only a signal ends the loop before it.
  RunLoopUntil(loop_, [this] { return job_->Finished(); }, std::chrono::hours(24 * 365));
  job_->Abort(JobFailure::Interrupted, "interrupted");
  return true;
}

bool SinglePortJob::Run(RunRecorder* recorder, bool& recordLost) {
  recordLost = false;
  if (recorder == nullptr) return Run();
  const std::string slot = recorder->SlotOf(job_->Port());
  recorder->Guard(*job_, slot);
  const auto startedAt = std::chrono::system_clock::now();
  if (!Run()) return false;
  recordLost = !recorder->Record(job_->Result(), RunPlace{slot, startedAt, logFile_});
  return true;
}

ExitCode SinglePortJob::PrintFailure(bool sayNoReply) const {
  const JobResult& result = job_->Result();
  switch (result.failure) {
    case JobFailure::None:
    case JobFailure::Refused:
    case JobFailure::Differences: break;
    case JobFailure::NoSuchPort:
    case JobFailure::Permission:
    case JobFailure::PortBusy:
    case JobFailure::OpenFailed: return PrintOpenFailure(result.openFailure, result.port);
    case JobFailure::Interrupted:
      // The port is closed with the job.
      Print(stderr, "t418ctl: interrupted, the port is closed\n");
      break;
    case JobFailure::PortLost:
      Print(stderr, "t418ctl: the port %s went away during the run\n", result.port.c_str());
      break;
    case JobFailure::NoReply:
      if (sayNoReply) Print(stderr, "t418ctl: %s\n", ForTerminal(result.reason).c_str());
      break;
    default: Print(stderr, "t418ctl: %s\n", ForTerminal(result.reason).c_str()); break;
  }
  return ExitCodeOf(result.failure);
}

}  // namespace t418::ctl

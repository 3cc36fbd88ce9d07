#include "production/terminal_job.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "params/config_builder.h"
#include "production/open_failure_text.h"
#include "production/sha256.h"
#include "session/setting_compare.h"

namespace t418 {
namespace {

using namespace std::chrono_literals;

// No run of the engine lasts this long: it ends every run itself.
constexpr auto kRunLimit = 30min;
constexpr auto kRequestWait = 30s;
constexpr auto kStartWait = 30s;

// What the terminal said after the transfer, without the boot loader's echo of
// "R" and without the line ends around it.
std::string StartUpMessage(std::string text) {
  if (text.rfind("R\r\n", 0) == 0) text.erase(0, 3);
  text.erase(0, text.find_first_not_of("\r\n>"));
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

std::string WithoutLineEnds(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

}  // namespace

const char* JobStepName(JobStep step) {
  switch (step) {
    case JobStep::Open: return "open";
    case JobStep::Read: return "read";
    case JobStep::Claim: return "claim";
    case JobStep::Upgrade: return "upgrade";
    case JobStep::Write: return "write";
    case JobStep::Verify: return "verify";
    case JobStep::Done: return "done";
  }
  return "?";
}

JobFailure JobFailureOf(OpenFailureKind kind) {
  switch (kind) {
    case OpenFailureKind::None: return JobFailure::None;
    case OpenFailureKind::NoSuchPort: return JobFailure::NoSuchPort;
    case OpenFailureKind::Permission: return JobFailure::Permission;
    case OpenFailureKind::Busy: return JobFailure::PortBusy;
    case OpenFailureKind::Other: return JobFailure::OpenFailed;
  }
  return JobFailure::OpenFailed;
}

std::string ConfigRefusalText(const ConfigBuilder& builder) {
  if (builder.LastRefusal() == ConfigRefusal::InvalidValues) {
    const std::size_t count = builder.LastProblems().size();
    return "the configuration was not sent: " + std::to_string(count) + (count == 1 ? " value" : " values") +
           " the terminal would refuse";
  }
  std::string reason = builder.LastMessage();
  for (std::size_t at; (at = reason.find("\r\n")) != std::string::npos;) reason.replace(at, 2, "; ");
  return "the configuration was not sent: " + reason;
}

std::string ResultText(const JobResult& result) {
  if (result.Ok()) return "ok";
  return std::string("failed at ") + JobStepName(result.failedStep) + ": " + result.reason;
}

TerminalJob::TerminalJob(EventLoop& loop, const std::string& programFolder, const LineOptions& options,
                         std::string port, JobPlan plan, std::function<void(const JobResult&)> onFinished,
                         SessionListener* view)
    : view_(view),
      session_(loop, programFolder, options, static_cast<SessionListener*>(this)),
      plan_(std::move(plan)),
      onFinished_(std::move(onFinished)),
      tick_(loop, 20),
      soon_(loop, 0) {
  result_.port = std::move(port);
  result_.configFile = plan_.configFile;
  tick_.SetOnFire([this] {
    Check();
    if (!finished_) tick_.Start();
  });
  soon_.SetOnFire([this] { Check(); });
  Session& session = session_.Core();
  session.OnChunk = [this](const std::string& chunk) {
    if (transferOver_) afterTransfer_ += chunk;
  };
  session.OnReport = [this](const std::string& name, const std::string& value) {
    if (name == "VER") lastVersion_ = value;
    if (OnReport) OnReport(name, value);
  };
}

TerminalJob::~TerminalJob() {
  Session& session = session_.Core();
  session.OnChunk = nullptr;
  session.OnReport = nullptr;
  session.SetListener(nullptr);
}

void TerminalJob::Start() {
  if (started_) return;
  started_ = true;
  // What is guarded needs its identity before anything goes to the terminal.
  if (BeforeWriting && (!plan_.firmwareFile.empty() || (!plan_.configFile.empty() && plan_.write)))
    plan_.readFirst = true;
  startedAt_ = std::chrono::steady_clock::now();
  tick_.Start();
  Enter(JobStep::Open);
  // The files first: a job that cannot do its work leaves the port untouched.
  if (!plan_.firmwareFile.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(plan_.firmwareFile, ec) || !std::ifstream(plan_.firmwareFile).good()) {
      step_ = JobStep::Upgrade;
      Fail(JobFailure::NoFirmwareFile, "cannot read the firmware file " + plan_.firmwareFile);
      return;
    }
  }
  if (!plan_.configFile.empty()) {
    std::error_code ec;
    // A pipe or a device would hold the job in its read for good.
    const auto checksum = std::filesystem::is_regular_file(plan_.configFile, ec)
                              ? FileSha256Hex(plan_.configFile)
                              : std::optional<std::string>();
    if (!checksum) {
      step_ = JobStep::Write;
      Fail(JobFailure::BadConfigFile, "cannot read the configuration file " + plan_.configFile);
      return;
    }
    result_.configSha256 = *checksum;
    step_ = JobStep::Write;
    if (!LoadConfiguration()) return;
    step_ = JobStep::Open;
  }
  OpenPort();
}

void TerminalJob::Abort(JobFailure failure, const std::string& reason) {
  if (finished_) return;
  Fail(failure, reason);
}

void TerminalJob::Enter(JobStep step) {
  step_ = step;
  if (OnStep) OnStep(step);
}

void TerminalJob::Fail(JobFailure failure, const std::string& reason) {
  if (finished_) return;
  result_.failure = failure;
  result_.failedStep = step_;
  result_.reason = reason;
  session_.Core().StopRun();
  Finish();
}

void TerminalJob::Finish() {
  finished_ = true;
  waitCondition_ = nullptr;
  waitThen_ = waitTimeout_ = nullptr;
  tick_.Stop();
  soon_.Stop();
  result_.duration = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - (started_ ? startedAt_ : std::chrono::steady_clock::now()));
  result_.versionAfter = lastVersion_;
  if (result_.versionBefore.empty() && plan_.firmwareFile.empty()) result_.versionBefore = lastVersion_;
  if (result_.Ok()) step_ = JobStep::Done;
  Session& session = session_.Core();
  if (session.PortOpen()) session.ClosePort();
  session.DisarmFirmware();
  if (onFinished_) onFinished_(result_);
}

void TerminalJob::WaitFor(Condition condition, std::chrono::milliseconds limit, Action then, Action onTimeout) {
  waitCondition_ = std::move(condition);
  waitThen_ = std::move(then);
  waitTimeout_ = std::move(onTimeout);
  waitDeadline_ = std::chrono::steady_clock::now() + limit;
  soon_.Start();
}

void TerminalJob::Check() {
  if (finished_ || !waitCondition_) return;
  if (portLost_) {
    Fail(JobFailure::PortLost, "the port went away during the run");
    return;
  }
  if (waitCondition_()) {
    Action then = std::move(waitThen_);
    waitCondition_ = nullptr;
    waitThen_ = waitTimeout_ = nullptr;
    if (then) then();
  } else if (std::chrono::steady_clock::now() >= waitDeadline_) {
    Action onTimeout = std::move(waitTimeout_);
    waitCondition_ = nullptr;
    waitThen_ = waitTimeout_ = nullptr;
    if (onTimeout) onTimeout();
  }
}

void TerminalJob::PortStateChanged(bool open) {
  if (open) return;
  portLost_ = true;
  soon_.Start();
}

void TerminalJob::ShowProgress(int total, int done) {
  if (view_) view_->ShowProgress(total, done);
}

void TerminalJob::HideProgress() {
  if (view_) view_->HideProgress();
}

void TerminalJob::ShowMessage(const std::string& text) {
  if (view_) view_->ShowMessage(text);
}

void TerminalJob::RunEnded(bool completed) {
  runEnded_ = true;
  runCompleted_ = completed;
  // The next step starts outside the engine's own call.
  soon_.Start();
}

void TerminalJob::OpenPort() {
  if (!session_.OpenPort(result_.port)) {
    result_.openFailure = session_.Core().LastOpenFailure();
    Fail(JobFailureOf(result_.openFailure.kind), OpenFailureText(result_.openFailure));
    return;
  }
  if (plan_.readFirst) {
    StartRead(JobStep::Read, [this] { AfterFirstRead(); });
  } else if (!plan_.firmwareFile.empty()) {
    StartUpgrade();
  } else if (!plan_.configFile.empty()) {
    StartWrite();
  } else {
    Finish();
  }
}

void TerminalJob::FailCutShort() {
  result_.cutShort = true;
  const std::vector<std::string> refused = session_.Core().LastRunSummary().refusedNames;
  // A refusal that stopped the run (the version query refused) is the terminal's "no".
  if (!refused.empty()) {
    result_.refusedNames = refused;
    Fail(JobFailure::Refused, "the terminal refused: " + Joined(refused));
    return;
  }
  const std::string warning = WithoutLineEnds(session_.LastWarning());
  Fail(JobFailure::NoReply, warning.empty() ? "the terminal did not answer" : warning);
}

void TerminalJob::StartRead(JobStep step, Action then) {
  Enter(step);
  runEnded_ = false;
  session_.Core().ReadAll();
  WaitFor([this] { return runEnded_; }, kRunLimit,
          [this, then = std::move(then)] {
            if (!runCompleted_) {
              FailCutShort();
              return;
            }
            TakeIdentity();
            then();
          },
          [this] { Fail(JobFailure::NoReply, "the read did not end"); });
}

void TerminalJob::TakeIdentity() {
  const ValueList& values = session_.Core().Values();
  if (const auto imei = values.Value("IMEI"); !imei.empty()) result_.identity.imei = imei;
  if (const auto meid = values.Value("MEID"); !meid.empty()) result_.identity.meid = meid;
  if (const auto iccid = values.Value("ICCID"); !iccid.empty()) result_.identity.iccid = iccid;
  if (const auto sn = values.Value("SN"); !sn.empty()) result_.identity.serialNumber = sn;
}

bool TerminalJob::Cleared() {
  if (!BeforeWriting) return true;
  Enter(JobStep::Claim);
  const WriteClearance clearance = BeforeWriting(result_.identity);
  if (clearance.go) return true;
  Fail(clearance.failure == JobFailure::None ? JobFailure::Unguarded : clearance.failure, clearance.reason);
  return false;
}

void TerminalJob::AfterFirstRead() {
  result_.versionBefore = lastVersion_;
  if (!plan_.firmwareFile.empty()) {
    if (Cleared()) StartUpgrade();
  } else if (!plan_.configFile.empty() && !plan_.write) {
    CompareWithConfiguration();
  } else if (!plan_.configFile.empty()) {
    if (Cleared()) StartWrite();
  } else {
    // A read and nothing else: what the terminal refused is its outcome.
    result_.refusedNames = session_.Core().LastRunSummary().refusedNames;
    if (!result_.refusedNames.empty()) {
      Fail(JobFailure::Refused, "the terminal refused: " + Joined(result_.refusedNames));
      return;
    }
    Finish();
  }
}

void TerminalJob::StartUpgrade() {
  // The step is announced once its file is armed: only then is a boot menu awaited.
  step_ = JobStep::Upgrade;
  Session& session = session_.Core();
  session.SetRestartAfterUpgrade(plan_.restart);
  if (!session.ArmFirmware(std::filesystem::absolute(plan_.firmwareFile))) {
    Fail(JobFailure::NoFirmwareFile, WithoutLineEnds(session_.LastWarning()));
    return;
  }
  Enter(JobStep::Upgrade);
  if (OnAwaitingBootLoader) OnAwaitingBootLoader();
  // The boot menu is answered by the session ("F", "Y"); its confirmation starts the transfer state.
  WaitFor([&session] { return session.FirmwareStage() != UpgradeStage::Idle; },
          std::chrono::seconds(plan_.bootWaitSeconds),
          [this] {
            bootMenuAt_ = std::chrono::steady_clock::now();
            WaitForFirmwareRequest();
          },
          [this] {
            Fail(JobFailure::NoBootLoader,
                 "no boot loader within " + std::to_string(plan_.bootWaitSeconds) +
                     " s: was the Reload key held while the terminal started?");
          });
}

void TerminalJob::WaitForFirmwareRequest() {
  Session& session = session_.Core();
  WaitFor([&session] { return session.FirmwareStage() != UpgradeStage::WaitingForRequest; }, kRequestWait,
          [this, &session] {
            WaitFor([&session] { return session.FirmwareStage() == UpgradeStage::Idle; }, kRunLimit,
                    [this, &session] {
                      // Finishing releases the file; a transfer given up keeps it, and a
                      // boot loader that asks again gets it all again.
                      if (!session.FirmwareArmed()) {
                        AfterTransfer();
                        return;
                      }
                      const std::string warning = WithoutLineEnds(session_.LastWarning());
                      WaitFor([&session] { return session.FirmwareStage() != UpgradeStage::Idle; }, 5s,
                              [this] { WaitForFirmwareRequest(); },
                              [this, warning] {
                                Fail(JobFailure::TransferStopped,
                                     "the transfer stopped" + (warning.empty() ? "" : ": " + warning));
                              });
                    },
                    [this] { Fail(JobFailure::TransferStopped, "the transfer did not end"); });
          },
          [this] {
            Fail(JobFailure::TransferStopped, "the boot loader did not ask for the file (no \"C\") within " +
                                                  std::to_string(kRequestWait.count()) + " s");
          });
}

void TerminalJob::AfterTransfer() {
  transferOver_ = true;
  if (OnFirmwareSent) OnFirmwareSent(std::chrono::steady_clock::now() - bootMenuAt_);
  if (!plan_.restart) {
    // The terminal stays in its boot loader: nothing more to ask it.
    Finish();
    return;
  }
  // "R" went out with the final reply: the terminal starts and says so, then
  // reports its new version when asked.
  WaitFor([this] { return !StartUpMessage(afterTransfer_).empty(); }, kStartWait,
          [this] {
            // The rest of the start-up message, if it came in pieces.
            WaitFor([] { return false; }, 300ms, {}, [this] {
              if (OnTerminalStarted) OnTerminalStarted(StartUpMessage(afterTransfer_));
              lastVersion_.clear();
              SendAreaState area;
              area.text = "AT+VER?";
              area.autoCR = true;
              session_.Core().Terminal().Send(area);
              WaitFor([this] { return !lastVersion_.empty(); },
                      std::chrono::milliseconds(SerialPort::kReplyTimeoutMs),
                      [this] {
                        if (!plan_.configFile.empty())
                          StartWrite();
                        else
                          Finish();
                      },
                      [this] {
                        Fail(JobFailure::NoVersion,
                             "the terminal did not report its version (AT+VER?) after the restart");
                      });
            });
          },
          [this] {
            Fail(JobFailure::NoVersion, "the terminal sent no start-up message within " +
                                            std::to_string(kStartWait.count()) + " s after the restart");
          });
}

bool TerminalJob::LoadConfiguration() {
  Session& session = session_.Core();
  const ConfigurationBuild build = session.BuildConfiguration(plan_.configFile);
  if (!build.loaded) {
    Fail(JobFailure::BadConfigFile, WithoutLineEnds(session_.LastWarning()));
    return false;
  }
  if (!build.Ok()) {
    Fail(JobFailure::ConfigRefused, ConfigRefusalText(session.Builder()));
    return false;
  }
  settingLines_ = build.lines;
  return true;
}

void TerminalJob::StartWrite() {
  Enter(JobStep::Write);
  // A read filled the form with the terminal's values: the file's go back in.
  if (plan_.readFirst || !plan_.firmwareFile.empty()) {
    if (!LoadConfiguration()) return;
  }
  runEnded_ = false;
  if (!session_.Core().WriteAll()) {
    Fail(JobFailure::ConfigRefused, ConfigRefusalText(session_.Core().Builder()));
    return;
  }
  WaitFor([this] { return runEnded_; }, kRunLimit,
          [this] {
            if (!runCompleted_) {
              FailCutShort();
              return;
            }
            const RunSummary summary = session_.Core().LastRunSummary();
            result_.settingsSent = summary.lines;
            result_.refusedNames = summary.refusedNames;
            if (!summary.refusedNames.empty()) {
              Fail(JobFailure::Refused, "the terminal refused: " + Joined(summary.refusedNames));
              return;
            }
            if (plan_.verify)
              StartVerify();
            else
              Finish();
          },
          [this] { Fail(JobFailure::NoReply, "the write did not end"); });
}

void TerminalJob::StartVerify() {
  StartRead(JobStep::Verify, [this] { CompareWithConfiguration(); });
}

void TerminalJob::CompareWithConfiguration() {
  Session& session = session_.Core();
  // A query the terminal refused reported nothing: its setting counts as not read, never as
  // holding the value (an empty value would match the nothing it reported).
  const std::vector<std::string> refused = session.LastRunSummary().refusedNames;
  std::vector<std::string> answered;
  for (const auto& query : session.Orders().Lines())
    if (std::find(refused.begin(), refused.end(), CommandNameOfLine(query)) == refused.end()) answered.push_back(query);
  const SettingComparison comparison = CompareSettings(settingLines_, answered, session.Values());
  result_.differences = comparison.changed;
  result_.notCompared = comparison.notRead;
  if (!comparison.changed.empty()) {
    Fail(JobFailure::Differences, std::to_string(comparison.changed.size()) + " settings differ");
    return;
  }
  // After a write, a setting the read does not report is not verified: it may not have been kept.
  if (step_ == JobStep::Verify && !comparison.notRead.empty()) {
    Fail(JobFailure::Differences, "not verified (the read does not report them): " + Joined(comparison.notRead));
    return;
  }
  Finish();
}

}  // namespace t418

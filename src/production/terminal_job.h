#pragma once
// One terminal driven without a window: a session of its own on an event loop
// (its own or a shared one), driven without blocking through its steps — open
// the port, a full read (identity and firmware version), the claim of that
// identity when the owner guards it, optionally a firmware upgrade, a write of
// a configuration file and its verify — each step reported, ending in one
// record. Many jobs run at the same time on one loop;
// a single port is a job like any other.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "loop/event_loop.h"
#include "serial/serial_port.h"
#include "session/headless_session.h"
#include "session/session.h"

namespace t418 {

enum class JobStep { Open, Read, Claim, Upgrade, Write, Verify, Done };

// "open", "read", "claim", "upgrade", "write", "verify", "done".
const char* JobStepName(JobStep step);

// Why a job failed; None when it did not.
enum class JobFailure {
  None,
  NoSuchPort,       // the port does not exist
  Permission,       // the port may not be opened by this user
  PortBusy,         // another program holds it
  OpenFailed,       // any other reason the port would not open
  NoReply,          // the terminal did not answer
  Refused,          // the terminal refused lines ("+ERR:")
  PortLost,         // the port went away during the job
  BadConfigFile,    // the configuration file cannot be read
  ConfigRefused,    // the configuration fails its checks: nothing was sent
  Differences,      // verify: the terminal holds other values
  NoFirmwareFile,   // the firmware file cannot be read
  NoBootLoader,     // no boot menu within the wait
  TransferStopped,  // the firmware transfer was given up
  NoVersion,        // no start-up message or version after the restart
  Interrupted,      // stopped from outside (a signal, the station's end)
  Duplicate,        // claim: another terminal holds the IMEI/MEID or the ICCID; nothing was written
  Unguarded,        // claim: the identity could not be claimed (no records, no identity); nothing was written
};

// The job failure of a port that would not open.
JobFailure JobFailureOf(OpenFailureKind kind);

// Why the builder refused a configuration, one English line (GBK): the count
// of values the terminal would refuse (the session's message lists them), or
// the builder's message.
std::string ConfigRefusalText(const ConfigBuilder& builder);

struct JobPlan {
  bool readFirst = true;       // the full read before anything else
  std::string firmwareFile;    // empty: no upgrade
  int bootWaitSeconds = 60;    // how long to wait for the boot menu
  bool restart = true;         // "R" after the transfer, then the new version
  std::string configFile;      // empty: no write
  bool write = true;           // false: only compare the file with the first read
  bool verify = true;          // read back after the write and compare
};

// The modem's identity as the terminal reported it (GBK; empty when not read).
struct TerminalIdentity {
  std::string imei;
  std::string meid;
  std::string iccid;
  std::string serialNumber;  // the "SN" report; may be empty
  // IMEI, else MEID.
  const std::string& ModemId() const { return imei.empty() ? meid : imei; }
};

// What the owner of a job says before anything is written to the terminal.
struct WriteClearance {
  bool go = true;
  JobFailure failure = JobFailure::None;  // when not: why (Duplicate, Unguarded)
  std::string reason;                     // when not: one English line
};

struct JobResult {
  std::string port;
  TerminalIdentity identity;
  JobFailure failure = JobFailure::None;
  JobStep failedStep = JobStep::Done;   // the step that failed (Done when none did)
  std::string reason;                   // GBK, English: why it failed
  OpenFailure openFailure;              // a failed opening as the serial layer sorted it
  bool cutShort = false;                // the failed step's run ended before its last line
  std::chrono::milliseconds duration{0};
  std::vector<std::string> refusedNames;  // command names the terminal refused
  std::vector<std::string> differences;   // verify: setting lines the terminal does not hold
  std::vector<std::string> notCompared;   // names of the file's settings the read does not report
  std::string versionBefore;              // GBK: the version the first read reported
  std::string versionAfter;               // GBK: the version reported last
  std::string configFile;
  std::string configSha256;               // of the file's bytes; empty without a file
  int settingsSent = 0;                   // lines of the write

  bool Ok() const { return failure == JobFailure::None; }
};

// The result as one short English line: "ok" or "failed at STEP: reason".
std::string ResultText(const JobResult& result);

class TerminalJob : private SessionListener {
 public:
  // onFinished runs once, on the loop's thread, when the job ends; it must not
  // destroy the job (destroy it later, e.g. from a task on the loop).
  // The view (may be null) sees the session's progress and messages.
  TerminalJob(EventLoop& loop, const std::string& programFolder, const LineOptions& options, std::string port,
              JobPlan plan, std::function<void(const JobResult&)> onFinished = {}, SessionListener* view = nullptr);
  ~TerminalJob() override;
  TerminalJob(const TerminalJob&) = delete;
  TerminalJob& operator=(const TerminalJob&) = delete;

  // Checks the files, opens the port and starts the first step.
  void Start();
  // Ends the job at once as failed in its current step (a signal, a vanished port).
  void Abort(JobFailure failure, const std::string& reason);

  bool Finished() const { return finished_; }
  JobStep Step() const { return step_; }
  const JobResult& Result() const { return result_; }
  const std::string& Port() const { return result_.port; }
  Session& Core() { return session_.Core(); }
  const HeadlessSession& Host() const { return session_; }

  // Called once the identity is read and before the first upgrade or write
  // (a job that writes nothing never calls it); a "no" ends the job failed in
  // its claim step, the terminal untouched. Set before Start(); with it set,
  // the job reads the identity first whatever its plan says.
  std::function<WriteClearance(const TerminalIdentity&)> BeforeWriting;
  // Each step as it begins (for a progress display); may stay unset.
  std::function<void(JobStep)> OnStep;
  // Every report of the terminal (name, value), GBK; may stay unset.
  std::function<void(const std::string&, const std::string&)> OnReport;
  // The upgrade: the firmware file is armed and the boot menu awaited.
  std::function<void()> OnAwaitingBootLoader;
  // The upgrade: the whole file went out, in this time since the boot menu.
  std::function<void(std::chrono::duration<double>)> OnFirmwareSent;
  // The upgrade: the terminal restarted and said this (GBK).
  std::function<void(const std::string&)> OnTerminalStarted;

 private:
  using Condition = std::function<bool()>;
  using Action = std::function<void()>;

  // SessionListener
  void PortStateChanged(bool open) override;
  void ShowProgress(int total, int done) override;
  void HideProgress() override;
  void ShowMessage(const std::string& text) override;
  void RunEnded(bool completed) override;
  // The run of this step ended before its last line: no reply, or a refusal
  // that stopped it.
  void FailCutShort();

  void Enter(JobStep step);
  void Fail(JobFailure failure, const std::string& reason);
  void Finish();
  // Waits for a condition, checked on every turn of the job's tick and after
  // the session's events; then or, once the limit passed, onTimeout.
  void WaitFor(Condition condition, std::chrono::milliseconds limit, Action then, Action onTimeout);
  void Check();

  void OpenPort();
  void StartRead(JobStep step, Action then);
  void AfterFirstRead();
  // The owner's word before the first write: false when it stopped the job.
  bool Cleared();
  void StartUpgrade();
  void WaitForFirmwareRequest();
  void AfterTransfer();
  void StartWrite();
  void StartVerify();
  // Compares the file's setting lines with the last read; Differences when they differ.
  void CompareWithConfiguration();
  void TakeIdentity();
  bool LoadConfiguration();

  SessionListener* view_;
  HeadlessSession session_;
  JobPlan plan_;
  std::function<void(const JobResult&)> onFinished_;
  JobResult result_;
  JobStep step_ = JobStep::Open;
  bool started_ = false;
  bool finished_ = false;
  bool portLost_ = false;
  bool runEnded_ = false;
  bool runCompleted_ = false;
  bool transferOver_ = false;
  std::string afterTransfer_;  // what the terminal sent after the firmware transfer
  std::string lastVersion_;
  std::vector<std::string> settingLines_;
  std::chrono::steady_clock::time_point startedAt_;
  std::chrono::steady_clock::time_point bootMenuAt_;

  Condition waitCondition_;
  Action waitThen_;
  Action waitTimeout_;
  std::chrono::steady_clock::time_point waitDeadline_;
  LoopTimer tick_;
  LoopTimer soon_;
};

}  // namespace t418

#include "ctl/run_recorder.h"

#include "ctl/console_view.h"
#include "ctl/json_output.h"

#include <cstdio>

namespace t418::ctl {

std::unique_ptr<RunRecorder> RunRecorder::Prepare(const RecordsOptions& options, ExitCode& code) {
  std::unique_ptr<RunRecorder> recorder(new RunRecorder());
  if (!options.slotsFile.empty()) {
    std::string error;
    recorder->slots_ = SlotMap::Load(options.slotsFile, error);
    if (!recorder->slots_) {
      Print(stderr, "t418ctl: --slots: %s\n", error.c_str());
      code = kExitUsage;
      return nullptr;
    }
  }
  if (!options.target.empty()) {
    recorder->records_ = StationRecords::Open(options, code);
    if (recorder->records_ == nullptr) return nullptr;
  }
  code = kExitOk;
  return recorder;
}

std::string RunRecorder::SlotOf(const std::string& port) const { return slots_ ? slots_->SlotOf(port) : ""; }

std::string RunRecorder::SlotFileName(const std::string& port) const {
  if (!slots_) return "";
  std::string name = slots_->NameOf(PortPlace(port));
  if (name.empty()) name = slots_->NameOf(port);
  for (char& c : name) {
    const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_' || c == '.';
    if (!safe) c = '_';
  }
  return name;
}

void RunRecorder::Guard(TerminalJob& job, const std::string& slot) {
  if (records_ == nullptr) return;
  const std::string port = job.Port();
  attempts_.erase(port);
  job.BeforeWriting = [this, port, slot](const TerminalIdentity& identity) {
    int attempt = 0;
    const auto started = std::chrono::steady_clock::now();
    const WriteClearance clearance = records_->Claim(identity, slot, attempt);
    storeTime_ += std::chrono::steady_clock::now() - started;
    if (clearance.go) attempts_[port] = attempt;
    return clearance;
  };
}

int RunRecorder::AttemptOf(const std::string& port) const {
  const auto it = attempts_.find(port);
  return it == attempts_.end() ? 0 : it->second;
}

bool RunRecorder::Record(const JobResult& result, const RunPlace& place) {
  if (records_ == nullptr) return true;
  const auto started = std::chrono::steady_clock::now();
  const std::string error = records_->Add(result, place, AttemptOf(result.port));
  storeTime_ += std::chrono::steady_clock::now() - started;
  if (error.empty()) {
    ++recordsKept_;
    return true;
  }
  ++recordsLost_;
  Print(stderr, "t418ctl: WARNING: %s: the record of this terminal is not in the database: %s\n",
        result.port.c_str(), error.c_str());
  return false;
}

std::string RunRecorder::Summary() const {
  if (records_ == nullptr) return "";
  char text[160];
  std::snprintf(text, sizeof text, "records database: %d record%s kept, %d lost, %.3f s in its calls", recordsKept_,
                recordsKept_ == 1 ? "" : "s", recordsLost_,
                std::chrono::duration<double>(storeTime_).count());
  return text;
}

void RunRecorder::AddJsonFields(nlohmann::json& record, const std::string& port, const std::string& slot) const {
  if (slots_) record["slot"] = JsonText(slot);
  if (records_ == nullptr) return;
  record["station"] = JsonText(records_->Station());
  record["operator"] = JsonText(records_->Operator());
  record["attempt"] = AttemptOf(port);
}

}  // namespace t418::ctl

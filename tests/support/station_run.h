#pragma once
// What the tests of t418ctl's station and records database share: a runtime
// folder of the test's own (so the simulators' ports folder is too), the
// station's JSON-lines report and the records a `t418ctl records --json` lists.
#include <stdlib.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "sim_process.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace t418::testing {

// The runtime folder, and so the simulators' ports folder, for the test's children.
class ScopedRuntime {
 public:
  explicit ScopedRuntime(const std::string& path) {
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
    ::setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
  }
  ~ScopedRuntime() {
    if (old_)
      ::setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
    else
      ::unsetenv("XDG_RUNTIME_DIR");
  }
  ScopedRuntime(const ScopedRuntime&) = delete;
  ScopedRuntime& operator=(const ScopedRuntime&) = delete;

 private:
  std::optional<std::string> old_;
};

// A station test's own folder: a runtime folder for the test's children (so
// the simulators' ports are in a folder of their own) and a configuration file.
struct StationBench {
  static constexpr const char* kConfig = "[WKMOD]\r\nWKMOD=NET\r\n";

  TempFolder folder;
  std::string runtime = (folder.path() / "run").string();
  std::optional<ScopedRuntime> scoped;
  std::string ports = runtime + "/t418-ports";
  std::string config = (folder.path() / "line.ini").string();
  std::string db = (folder.path() / "records.db").string();

  StationBench() {
    std::filesystem::create_directories(runtime);
    scoped.emplace(runtime);
    std::ofstream(config, std::ios::binary) << kConfig;
  }
  std::string Path(const std::string& name) const { return (folder.path() / name).string(); }
};

// The records of a station's report, one JSON object a line.
inline std::vector<nlohmann::json> ReportRecords(const std::string& report) {
  std::vector<nlohmann::json> records;
  for (const auto& line : ReadLines(report))
    if (!line.empty()) records.push_back(nlohmann::json::parse(line));
  return records;
}

inline bool WaitForReportRecords(const std::string& report, std::size_t n, std::chrono::seconds limit) {
  return WaitUntil([&] { return ReportRecords(report).size() >= n; }, limit, std::chrono::milliseconds(100));
}

// Whether the simulator's log (--log) shows a setting line: something was written to it.
inline bool SimGotWrite(const std::string& simLog) {
  for (const auto& line : ReadLines(simLog))
    if (line.rfind("AT+", 0) == 0 && line.find('=') != std::string::npos) return true;
  return false;
}

// `t418ctl records --db TARGET ARGS... --json`: the records listed (the test fails on another outcome).
inline std::vector<nlohmann::json> DatabaseRecords(const std::string& target, std::vector<std::string> args = {}) {
  std::vector<std::string> argv = {T418_CTL_PATH, "records", "--db", target, "--json"};
  argv.insert(argv.end(), args.begin(), args.end());
  const ChildResult result = RunProgram(argv);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  if (result.exitCode != 0) return {};
  const nlohmann::json list = nlohmann::json::parse(result.out);
  return std::vector<nlohmann::json>(list.begin(), list.end());
}

}  // namespace t418::testing

#pragma once
// A simulated terminal behind a port path that stays, as a USB adapter's does:
// the test pulls it (the simulator killed outright, as when the cable goes)
// and plugs it in again (a new simulator on a new pseudo-terminal, reached
// through the same link in the ports folder).
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "serial/ports_folder.h"
#include "sim_process.h"

namespace t418::testing {

class PluggedSimulator {
 public:
  // Starts the simulator with the options (--name is added).
  explicit PluggedSimulator(const std::vector<std::string>& options, const std::string& stem = "plugged")
      : name_(SimProcess::UniqueName(stem)), link_(SimPortsFolder() + "/" + name_) {
    PlugIn(options);
  }
  ~PluggedSimulator() {
    process_.reset();
    // A killed simulator leaves its link behind; the name is this test's own.
    std::error_code ignored;
    std::filesystem::remove(link_, ignored);
  }
  PluggedSimulator(const PluggedSimulator&) = delete;
  PluggedSimulator& operator=(const PluggedSimulator&) = delete;

  // The path a program opens: the link, whichever pseudo-terminal is behind it.
  const std::string& Path() const { return link_; }
  bool Plugged() const { return process_ != nullptr; }
  pid_t Pid() const { return process_ ? process_->Pid() : -1; }

  // SIGKILL: no chance to tidy up, the pseudo-terminal's master vanishes at once.
  void Pull() {
    if (!process_) return;
    ::kill(process_->Pid(), SIGKILL);
    process_->Stop();  // reaps it
    process_.reset();
  }

  void PlugIn(std::vector<std::string> options) {
    Pull();
    options.insert(options.end(), {"--name", name_});
    process_ = std::make_unique<SimProcess>(options);
  }

 private:
  std::string name_;
  std::string link_;
  std::unique_ptr<SimProcess> process_;
};

// CPU time of this process, all threads, in ms.
inline double ProcessCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

}  // namespace t418::testing

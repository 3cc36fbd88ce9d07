// A full read (version and 69 queries) of a whole session against t418-sim on
// a paced line (115200 baud, no latency), with fast replies off and on, no
// pause before the lines either time, next to the time the bytes exchanged
// take on the wire (10 bits a byte). Run:
//   build/bench/bench_framing [runs]        (default 3; the best run counts)
// The simulator is found beside it in build/tools/t418-sim.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "loop/poll_loop.h"
#include "session/session.h"
#include "sim_process.h"
#include "temp_folder.h"

using namespace t418;

namespace {

constexpr int kBaud = 115200;

class RunEnd : public SessionListener {
 public:
  bool ended = false;
  bool completed = false;
  void PortStateChanged(bool) override {}
  void ShowProgress(int, int) override {}
  void HideProgress() override {}
  void ShowMessage(const std::string&) override {}
  void RunEnded(bool ok) override {
    ended = true;
    completed = ok;
  }
};

struct ReadAll {
  double seconds = -1;
  std::uint64_t bytes = 0;     // sent and received during the read
  std::uint64_t received = 0;  // of which received
};

ReadAll OneReadAll(bool fast) {
  testing::SimProcess sim({"--name", testing::SimProcess::UniqueName("framing"), "--baud", std::to_string(kBaud),
                           "--latency", "0"});
  testing::TempFolder folder;
  PollLoop loop;
  RunEnd listener;
  SessionOptions options;
  options.programFolder = folder.path();
  options.useProfile = false;
  Session session(loop, options);
  session.SetListener(&listener);
  session.Create();
  session.ApplyTexts();
  session.FinishCreate();
  session.Engine().delayTime = 0;
  session.SetReplyFraming(fast);
  session.portSettings.port = sim.Port();
  session.portSettings.baud = std::to_string(kBaud);
  ReadAll result;
  if (!session.OpenPort()) return result;
  // Let the line settle (the simulator sees the opening) before the clock starts.
  loop.RunUntil([] { return false; }, std::chrono::milliseconds(200));
  session.Log().ResetCounters();

  const auto start = std::chrono::steady_clock::now();
  session.Engine().ActionButtonClick(kTagAskAll);
  const bool done = loop.RunUntil([&] { return listener.ended; }, std::chrono::seconds(60));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (done && listener.completed && session.Orders().OrderCount() == 70) {
    result.seconds = seconds;
    result.bytes = std::uint64_t{session.Log().SentCount()} + session.Log().ReceivedCount();
    result.received = session.Log().ReceivedCount();
  }
  session.Close();
  session.SetListener(nullptr);
  return result;
}

ReadAll Best(bool fast, int runs) {
  ReadAll best;
  for (int i = 0; i < runs; ++i) {
    const ReadAll r = OneReadAll(fast);
    if (r.seconds < 0) {
      std::fprintf(stderr, "read-all with fast replies %s did not complete\n", fast ? "on" : "off");
      std::exit(1);
    }
    std::printf("  fast replies %-3s run %d: %.3f s, %llu bytes\n", fast ? "on" : "off", i + 1, r.seconds,
                static_cast<unsigned long long>(r.bytes));
    if (best.seconds < 0 || r.seconds < best.seconds) best = r;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 3);
  std::printf("full read at %d baud, pause 0, best of %d:\n", kBaud, runs);
  const ReadAll off = Best(false, runs);
  const ReadAll on = Best(true, runs);
  const double wire = static_cast<double>(on.bytes) * 10 / kBaud;
  std::printf("bytes exchanged:     %llu (off: %llu)\n", static_cast<unsigned long long>(on.bytes),
              static_cast<unsigned long long>(off.bytes));
  std::printf("wire time:           %7.3f s  (bytes x 10 / baud)\n", wire);
  // A pseudo-terminal paces nothing the tool writes: only the simulator's own
  // output takes its wire time here, so a run can beat the two-way figure.
  const double replies = static_cast<double>(on.received) * 10 / kBaud;
  std::printf("  of which replies:  %7.3f s  (%llu bytes; the simulator paces only these)\n", replies,
              static_cast<unsigned long long>(on.received));
  std::printf("fast replies off:    %7.3f s  = %5.2f x wire\n", off.seconds, off.seconds / wire);
  std::printf("fast replies on:     %7.3f s  = %5.2f x wire\n", on.seconds, on.seconds / wire);
  std::printf("off / on:            %7.2f\n", off.seconds / on.seconds);
  return 0;
}

// Times a full read-all of the session engine on a real serial component
// against t418-sim, at the default pause of 150 ms, next to its floor of
// 70 lines x 150 ms. Run:
//   build/bench/bench_read_all [runs] [delayTime]
// (the simulator is found beside it in build/tools/t418-sim).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "lang/lang_list.h"
#include "lang/text_catalogue.h"
#include "monitor/traffic_log.h"
#include "text/gbk.h"
#include "loop/poll_loop.h"
#include "serial/comm.h"
#include "serial/serial_port.h"
#include "session/session_engine.h"
#include "sim_process.h"

using namespace t418;

namespace {

class CountingView : public LogView {
 public:
  std::string done;
  int completions = 0;
  void AppendEntry(LogPane pane, const std::string& entry, LogColour) override {
    if (pane == LogPane::Text && entry == done) ++completions;
  }
  void ClearPane(LogPane) override {}
  void CountersChanged(std::uint32_t, std::uint32_t) override {}
};

double OneReadAll(const std::string& port, int delayTime) {
  PollLoop loop;
  LoopTimer timer(loop, 1000);
  TComm comm(loop);
  SerialPort serial(comm, timer);
  OrderList orders;
  ValueList values;
  HardwareSign hardware;
  SystemLogClock clock;
  TrafficLog log(clock);
  CountingView view;
  view.done = Utf8ToGbk("执行完毕");
  log.SetView(&view);
  TLangList lang([] { return true; });
  RegisterDefaultTexts(lang);
  lang.UseChinese = true;
  SessionEngine engine(SessionParts{orders, values, hardware, log, lang, serial, timer, loop});
  engine.delayTime = delayTime;
  timer.SetOnFire([&] { engine.ReplyTimeout(); });
  serial.OnChunk = [&](const std::string& chunk) { engine.HandleReceived(chunk); };
  if (!serial.OpenSerialPort({port, "115200", 0, 1, 0})) return -1;

  const auto start = std::chrono::steady_clock::now();
  engine.ActionButtonClick(kTagAskAll);
  const bool done = loop.RunUntil([&] { return view.completions > 0; }, std::chrono::seconds(120));
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  serial.CloseSerialPort();
  return done && orders.OrderCount() == 70 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
  const int delayTime = argc > 2 ? std::atoi(argv[2]) : 150;
  testing::SimProcess sim({"--name", testing::SimProcess::UniqueName("bench")});
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double t = OneReadAll(sim.Port(), delayTime);
    if (t < 0) {
      std::fprintf(stderr, "read-all run %d did not complete\n", i + 1);
      return 1;
    }
    times.push_back(t);
    std::printf("run %d: %.3f s\n", i + 1, t);
  }
  double best = times[0], sum = 0;
  for (double t : times) {
    best = std::min(best, t);
    sum += t;
  }
  const double floor = 70 * delayTime / 1000.0;
  std::printf("read-all at delayTime %d ms: best %.3f s, mean %.3f s; floor 70 x %d ms = %.3f s (+%.1f%%)\n",
              delayTime, best, sum / times.size(), delayTime, floor, 100.0 * (best - floor) / floor);
  return 0;
}

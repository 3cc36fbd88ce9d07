// Floods the traffic log pane with received data the way a 460 800-baud line
// brings it (46 KB/s in ~1 KB chunks) and reports how long the event loop was
// held up at worst and how much memory the process holds at the end.
//
// Run, from the source folder, after a build with the desktop program:
//   cmake --build build -j2 --target bench_log_flood && build/bench/bench_log_flood --seconds 60
// Options:
//   --seconds N      length of the flood (default 60)
//   --rate B         bytes per second (default 46080)
//   --chunk B        bytes per received chunk (default 1024)
//   --hex            received data shown as hex (the Hex box checked)
//   --hex-copy       every entry mirrored into the hex pane as well
// It runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
// Output: one "name: value" line per figure. The exit status is 1 when the
// longest stall exceeded 100 ms, else 0.
//
// A 5 ms timer measures its own lateness: the longest gap between two of its
// ticks, less 5 ms, is the longest time the event loop could not answer.
// Every event is timed as well, in wall time and in CPU time of the thread,
// so a stall shows what caused it and whether it was work or waiting for a
// core; the load average is printed because a busy machine stretches stalls.
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMetaEnum>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "app/traffic_log_widget.h"
#include "monitor/traffic_log.h"
#include "text/gbk.h"

using namespace t418;

namespace {

struct Options {
  int seconds = 60;
  long rate = 46080;
  int chunk = 1024;
  bool hex = false;
  bool hexCopy = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--seconds" && hasValue) {
      options.seconds = std::atoi(argv[++i]);
    } else if (arg == "--rate" && hasValue) {
      options.rate = std::atol(argv[++i]);
    } else if (arg == "--chunk" && hasValue) {
      options.chunk = std::atoi(argv[++i]);
    } else if (arg == "--hex") {
      options.hex = true;
    } else if (arg == "--hex-copy") {
      options.hexCopy = true;
    } else {
      std::fprintf(stderr,
                   "usage: bench_log_flood [--seconds N] [--rate BYTES_PER_S] [--chunk BYTES] "
                   "[--hex] [--hex-copy]\n");
      return false;
    }
  }
  return options.seconds > 0 && options.rate > 0 && options.chunk > 0;
}

// A figure in kB from /proc/self/status ("VmRSS", "VmHWM"); -1 if unknown.
long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(key) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::atol(line.c_str() + prefix.size());
  }
  return -1;
}

// The first figure of /proc/loadavg: how busy the machine was, which the
// stall figures depend on.
std::string LoadAverage() {
  std::ifstream loadavg("/proc/loadavg");
  std::string first;
  loadavg >> first;
  return first.empty() ? "?" : first;
}

double CpuSeconds() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// What a terminal in transparent mode passes on: position sentences and a
// device's own lines, some in Chinese, cut into chunks wherever the line's
// pause falls (so chunks start and end inside lines).
std::string SourceText() {
  std::string text;
  const std::string chinese = Utf8ToGbk("温度传感器读数正常，湿度百分之四十五");
  for (int i = 0; i < 400; ++i) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "$GNRMC,%02d%02d%02d.000,A,3150.7814,N,11711.9334,E,0.%02d,%03d.5,090524,,,A*%02X\r\n",
                  i / 3600 % 24, i / 60 % 60, i % 60, i % 100, i % 360, i % 256);
    text += line;
    if (i % 3 == 0) {
      std::snprintf(line, sizeof line, "DEV%04d;T=%d.%d;H=%d;", i, 20 + i % 10, i % 10, 40 + i % 20);
      text += line;
      text += chinese;
      text += "\r\n";
    }
  }
  return text;
}

// CPU time of the calling thread, in nanoseconds.
qint64 ThreadCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Times every event that the loop hands out (the outermost ones), so a long
// stall can be put down to what caused it. The CPU time tells the work done
// from the time spent waiting while other processes had the cores.
class TimedApplication : public QApplication {
 public:
  using QApplication::QApplication;

  struct Slowest {
    qint64 ns = 0;
    QString what;
  };
  Slowest slowest;
  qint64 mostCpuNs = 0;

  bool notify(QObject* receiver, QEvent* event) override {
    if (depth_++ > 0) {
      const bool result = QApplication::notify(receiver, event);
      --depth_;
      return result;
    }
    QElapsedTimer timer;
    timer.start();
    const qint64 cpuStart = ThreadCpuNs();
    const QEvent::Type type = event->type();
    const bool result = QApplication::notify(receiver, event);
    const qint64 ns = timer.nsecsElapsed();
    mostCpuNs = std::max(mostCpuNs, ThreadCpuNs() - cpuStart);
    --depth_;
    if (ns > slowest.ns) {
      const char* typeName = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
      slowest.ns = ns;
      slowest.what = QString::fromLatin1(typeName != nullptr ? typeName : "?") + " to " +
                     QString::fromLatin1(receiver->metaObject()->className()) + " '" +
                     receiver->objectName() + "'";
    }
    return result;
  }

 private:
  int depth_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TimedApplication app(argc, argv);
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;

  SystemLogClock clock;
  TrafficLog log(clock);
  TrafficLogWidget widget(log);
  widget.resize(640, 720);
  widget.show();
  log.rxHex = options.hex;
  widget.SetHexCopy(options.hexCopy);
  widget.SyncFromModel();
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();

  const std::string source = SourceText();
  std::size_t sourceAt = 0;
  std::int64_t bytesSent = 0;
  std::int64_t chunks = 0;
  const std::int64_t totalBytes = options.rate * options.seconds;

  QElapsedTimer clockSinceStart;
  clockSinceStart.start();

  // The line: chunks as they fall due at the line's rate; late ones catch up.
  QTimer line;
  line.setTimerType(Qt::PreciseTimer);
  line.setInterval(5);
  int lastSecond = -1;
  QObject::connect(&line, &QTimer::timeout, [&] {
    const std::int64_t due =
        std::min<std::int64_t>(totalBytes, clockSinceStart.elapsed() * options.rate / 1000);
    while (bytesSent + options.chunk <= due ||
           (due == totalBytes && bytesSent < totalBytes)) {
      const int second = static_cast<int>(clockSinceStart.elapsed() / 1000);
      // Time stamps on for five seconds out of ten.
      log.timeStamps = second / 5 % 2 == 1;
      if (second != lastSecond) {
        // Once a second the session asks for the signal and gets its answer.
        lastSecond = second;
        log.LogSent("AT+CSQ\r\n");
        log.LogReply("\r\n+CSQ: 23,99\r\n\r\nOK\r\n");
      }
      const std::size_t size = static_cast<std::size_t>(
          std::min<std::int64_t>(options.chunk, totalBytes - bytesSent));
      std::string chunk;
      while (chunk.size() < size) {
        const std::size_t take = std::min(size - chunk.size(), source.size() - sourceAt);
        chunk.append(source, sourceAt, take);
        sourceAt = (sourceAt + take) % source.size();
      }
      log.LogReceived(chunk);
      bytesSent += static_cast<std::int64_t>(size);
      ++chunks;
    }
    if (bytesSent >= totalBytes) line.stop();
  });

  // The probe: a 5 ms timer that notes how late each of its ticks is.
  constexpr qint64 kProbeNs = 5'000'000;
  std::vector<qint64> gaps;
  gaps.reserve(static_cast<std::size_t>(options.seconds) * 220);
  QElapsedTimer probeClock;
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(5);
  qint64 lastTick = 0;
  qint64 maxSoFar = 0;
  int nextReport = 10;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = probeClock.nsecsElapsed();
    const qint64 gap = now - lastTick;
    lastTick = now;
    gaps.push_back(gap);
    maxSoFar = std::max(maxSoFar, gap);
    if (clockSinceStart.elapsed() >= nextReport * 1000LL && nextReport < options.seconds) {
      std::printf("progress: %d s, %lld bytes, longest stall so far %.1f ms\n", nextReport,
                  static_cast<long long>(bytesSent),
                  std::max<qint64>(0, maxSoFar - kProbeNs) / 1e6);
      std::fflush(stdout);
      nextReport += 10;
    }
    if (bytesSent >= totalBytes && widget.PendingEntries() == 0) app.quit();
  });

  const long rssBefore = StatusKb("VmRSS");
  const std::string loadBefore = LoadAverage();
  const double cpuBefore = CpuSeconds();
  probeClock.start();
  line.start();
  probe.start();
  app.exec();
  const double elapsedS = clockSinceStart.elapsed() / 1000.0;
  const double cpuS = CpuSeconds() - cpuBefore;

  std::sort(gaps.begin(), gaps.end());
  auto lateness = [&](double quantile) {
    if (gaps.empty()) return 0.0;
    const std::size_t at = std::min(gaps.size() - 1, static_cast<std::size_t>(quantile * gaps.size()));
    return std::max<qint64>(0, gaps[at] - kProbeNs) / 1e6;
  };
  const auto over = [&](double ms) {
    return std::count_if(gaps.begin(), gaps.end(),
                         [&](qint64 g) { return g - kProbeNs > static_cast<qint64>(ms * 1e6); });
  };
  const double maxStall = gaps.empty() ? 0.0 : std::max<qint64>(0, gaps.back() - kProbeNs) / 1e6;

  std::printf("mode: %s%s\n", options.hex ? "hex" : "text", options.hexCopy ? " + hex copy" : "");
  std::printf("seconds: %.1f\n", elapsedS);
  std::printf("bytes_received: %lld\n", static_cast<long long>(bytesSent));
  std::printf("chunks: %lld\n", static_cast<long long>(chunks));
  std::printf("rate_kb_per_s: %.1f\n", bytesSent / 1024.0 / elapsedS);
  std::printf("log_blocks: %d\n", widget.TextBox()->document()->blockCount());
  std::printf("log_lines_counted: %d\n", log.LineCount(LogPane::Text));
  std::printf("probe_ticks: %zu\n", gaps.size());
  std::printf("stall_max_ms: %.1f\n", maxStall);
  std::printf("stall_p99_ms: %.1f\n", lateness(0.99));
  std::printf("stall_p999_ms: %.1f\n", lateness(0.999));
  std::printf("stalls_over_50ms: %ld\n", static_cast<long>(over(50)));
  std::printf("stalls_over_100ms: %ld\n", static_cast<long>(over(100)));
  std::printf("slowest_event_ms: %.1f (%s)\n", app.slowest.ns / 1e6,
              app.slowest.what.toLocal8Bit().constData());
  std::printf("event_cpu_max_ms: %.1f\n", app.mostCpuNs / 1e6);
  std::printf("cpu_seconds: %.1f (%.0f %% of one core)\n", cpuS, 100.0 * cpuS / elapsedS);
  std::printf("load_average: %s at start, %s at end\n", loadBefore.c_str(), LoadAverage().c_str());
  std::printf("rss_start_kb: %ld\n", rssBefore);
  std::printf("rss_kb: %ld\n", StatusKb("VmRSS"));
  std::printf("rss_peak_kb: %ld\n", StatusKb("VmHWM"));
  std::printf("within_100ms: %s\n", maxStall <= 100.0 ? "yes" : "no");
  return maxStall <= 100.0 ? 0 : 1;
}

// The sender against a receiver written elsewhere: lrzsz's "rx -c" on the
// slave side of a pseudo-terminal, the sender on the master side, driven by a
// plain poll loop that hands over every read as one chunk and ticks every 10 ms.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <thread>

#include "serial/serial_fixtures.h"
#include "temp_folder.h"
#include "upgrade_fakes.h"

namespace t418 {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using testing::ReadBytes;
using testing::TempFolder;

constexpr const char* kRx = "/usr/bin/rx";

// Whether the process waits in a read of its standard input.
bool ReadingStandardInput(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
  long number = -1;
  std::string fd;
  in >> number >> fd;
  return in && number == SYS_read && fd == "0x0";
}

// The master side of the pseudo-terminal as the upgrade's line. One write can
// be spoilt on purpose, as line noise would.
//
// rx empties its input right after it has written a reply. On a serial line
// the reply takes long enough to arrive that the next packet comes later; on a
// pseudo-terminal a sender that answers at once can be faster than that, and
// its packet is thrown away. So the line hands over a write only once rx
// waits for input again.
class MasterLine : public ByteSink {
 public:
  explicit MasterLine(int fd) : fd_(fd) {}
  int spoilWrite = -1;  // index of the write whose data byte is flipped
  int writes = 0;
  pid_t receiver = -1;

  bool PortOpen() const override { return true; }
  void SendData(const std::string& bytes) override {
    const auto giveUp = SteadyClock::now() + 200ms;
    while (receiver > 0 && !ReadingStandardInput(receiver) && SteadyClock::now() < giveUp)
      std::this_thread::sleep_for(20us);
    std::string out = bytes;
    if (writes++ == spoilWrite && out.size() > 10) out[10] = static_cast<char>(out[10] ^ 0x55);
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = ::write(fd_, out.data() + done, out.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
      } else {
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 100);
      }
    }
  }

 private:
  int fd_;
};

// "rx -c NAME" in the folder, its standard input and output on the slave.
class RxProcess {
 public:
  RxProcess(const std::string& slavePath, const std::filesystem::path& folder) {
    const std::string log = (folder / "rx.log").string();
    pid_ = ::fork();
    if (pid_ == 0) {
      // A descriptor of its own: the test's slave descriptor does not block.
      const int line = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
      const int err = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (line < 0 || err < 0 || ::chdir(folder.c_str()) != 0) _exit(126);
      ::dup2(line, STDIN_FILENO);
      ::dup2(line, STDOUT_FILENO);
      ::dup2(err, STDERR_FILENO);
      ::execl(kRx, "rx", "-c", "received.bin", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~RxProcess() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  // Whether rx has ended; its exit status then in status().
  pid_t pid() const { return pid_; }
  bool Exited() {
    if (exited_) return true;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      exited_ = true;
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return exited_;
  }
  int status() const { return status_; }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = -1;
};

class LoopTimer : public TickTimer {
 public:
  void Start() override { active_ = true; }
  void Stop() override { active_ = false; }
  bool Active() const override { return active_; }

 private:
  bool active_ = false;
};

struct Outcome {
  std::string received;
  int rxStatus = -1;
  int state = -1;
  std::vector<std::string> warnings;
  int writes = 0;
  std::string rxLog;
};

Outcome SendThroughRx(const std::string& firmware, int spoilWrite = -1) {
  TempFolder folder;
  test::Pty pty;
  termios raw{};
  ::tcgetattr(pty.Slave(), &raw);
  ::cfmakeraw(&raw);
  ::tcsetattr(pty.Slave(), TCSANOW, &raw);

  MasterLine line(pty.Master());
  line.spoilWrite = spoilWrite;
  testing::FixedLogClock logClock;
  TrafficLog log(logClock);
  testing::RecordingLogView logView;
  log.SetView(&logView);
  testing::BracketTexts texts;
  LoopTimer timer;
  SteadyMilliClock clock;
  testing::MemoryFirmwareSource files;
  files.Put(testing::kFirmwarePath, firmware);
  FirmwareUpgrade upgrade{UpgradeParts{line, log, texts, timer, clock, files}};
  upgrade.OpenFirmwareFile(testing::kFirmwarePath);
  upgrade.StartTransfer();  // as after the boot loader's confirmation

  RxProcess rx(pty.Path(), folder.path());
  line.receiver = rx.pid();
  const auto giveUp = SteadyClock::now() + 30s;
  auto nextTick = SteadyClock::now() + 10ms;
  char buffer[1024];
  while (!rx.Exited() && SteadyClock::now() < giveUp) {
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - SteadyClock::now());
    pollfd p{pty.Master(), POLLIN, 0};
    if (::poll(&p, 1, std::max<int>(0, static_cast<int>(wait.count()))) > 0 && (p.revents & POLLIN)) {
      const ssize_t n = ::read(pty.Master(), buffer, sizeof buffer);
      if (n > 0 && upgrade.XModemState() != 0) upgrade.HandleUpgradeReply(std::string(buffer, n));
    }
    if (SteadyClock::now() >= nextTick) {
      nextTick += 10ms;
      if (timer.Active()) upgrade.tmrXModemTxTimer();
    }
  }
  Outcome outcome;
  rx.Exited();
  outcome.rxStatus = rx.status();
  outcome.state = upgrade.XModemState();
  outcome.warnings = logView.TextsOf(LogColour::Warning);
  outcome.writes = line.writes;
  outcome.received = ReadBytes(folder.path() / "received.bin");
  outcome.rxLog = ReadBytes(folder.path() / "rx.log");
  return outcome;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

std::string Padded(std::string bytes) {
  bytes.append((128 - bytes.size() % 128) % 128, '\x1A');
  return bytes;
}

class RxReceiver : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(kRx, X_OK) != 0) GTEST_SKIP() << "lrzsz's rx is not installed";
  }
};

class AgainstRx : public RxReceiver, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(AgainstRx, TheReceivedFileIsTheInputFilledUpTo128) {
  const std::string firmware = RandomBytes(GetParam(), static_cast<unsigned>(GetParam()));
  const Outcome outcome = SendThroughRx(firmware);
  EXPECT_EQ(outcome.rxStatus, 0) << outcome.rxLog;
  EXPECT_TRUE(outcome.received == Padded(firmware))
      << "received " << outcome.received.size() << " bytes of " << Padded(firmware).size();
  // rx answers EOT with a plain ACK, not the boot loader's final reply.
  EXPECT_EQ(outcome.state, 4);
  EXPECT_TRUE(outcome.warnings.empty());
  EXPECT_EQ(outcome.writes, static_cast<int>((firmware.size() + 127) / 128 + 1));
}

INSTANTIATE_TEST_SUITE_P(Sizes, AgainstRx, ::testing::Values(300, 40'000, 1 << 20));

TEST_F(RxReceiver, APacketSpoiltOnTheLineIsRefusedAndSentAgain) {
  const std::string firmware = RandomBytes(3000, 7);
  const Outcome outcome = SendThroughRx(firmware, 4);
  EXPECT_EQ(outcome.rxStatus, 0) << outcome.rxLog;
  EXPECT_TRUE(outcome.received == Padded(firmware));
  EXPECT_EQ(outcome.writes, 24 + 1 + 1);  // one packet twice
  EXPECT_TRUE(outcome.warnings.empty());
}

}  // namespace
}  // namespace t418

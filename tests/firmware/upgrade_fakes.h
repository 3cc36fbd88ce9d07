#pragma once
// Fakes for driving the firmware upgrade byte by byte and tick by tick: a
// packet timer and a millisecond clock under the test's control, and firmware
// files held in memory.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "firmware/firmware_upgrade.h"
#include "firmware/xmodem_packet.h"
#include "session_fakes.h"

namespace t418::testing {

class FakeTickTimer : public TickTimer {
 public:
  bool active = false;
  void Start() override { active = true; }
  void Stop() override { active = false; }
  bool Active() const override { return active; }
};

class FakeMilliClock : public MilliClock {
 public:
  std::uint32_t now = 5000;
  std::uint32_t NowMs() const override { return now; }
};

// Files by path. A reader sees the file's bytes as they are when it reads, so
// a test can change a file that is held open, or make its reads fail.
class MemoryFirmwareSource : public FirmwareSource {
 public:
  struct File {
    std::string bytes;
    bool readable = true;
  };

  void Put(const std::string& path, std::string bytes) {
    files_[path] = std::make_shared<File>(File{std::move(bytes), true});
  }
  File& At(const std::string& path) { return *files_.at(path); }
  int opens = 0;

  std::unique_ptr<FirmwareReader> Open(const std::filesystem::path& path, std::string& reason) override {
    ++opens;
    const auto found = files_.find(path.string());
    if (found == files_.end()) {
      reason = "No such file or directory";
      return nullptr;
    }
    return std::make_unique<Reader>(found->second);
  }

 private:
  class Reader : public FirmwareReader {
   public:
    explicit Reader(std::shared_ptr<File> file) : file_(std::move(file)) {}
    std::optional<std::uint64_t> Size() override { return file_->bytes.size(); }
    std::optional<std::string> ReadAll() override {
      if (!file_->readable) return std::nullopt;
      return file_->bytes;
    }

   private:
    std::shared_ptr<File> file_;
  };

  std::map<std::string, std::shared_ptr<File>> files_;
};

inline const std::string kAck(1, xmodem::kAck);
inline const std::string kNak(1, xmodem::kNak);
inline const std::string kEot(1, xmodem::kEot);
inline const std::string kFinal(xmodem::kFinalReply);
inline const std::string kFirmwarePath = "/fw/T418_V2.bin";

// Everything an upgrade needs, wired together, with time under the test's control.
struct UpgradeRig {
  FakeLine line;
  FixedLogClock logClock;
  TrafficLog log{logClock};
  RecordingLogView logView;
  BracketTexts texts;
  FakeTickTimer timer;
  FakeMilliClock clock;
  MemoryFirmwareSource files;
  RecordingSessionView view;
  FirmwareUpgrade upgrade{UpgradeParts{line, log, texts, timer, clock, files}};

  UpgradeRig() {
    log.SetView(&logView);
    upgrade.SetView(&view);
  }

  // The file is chosen and the boot loader has confirmed the update.
  void Ready(std::string firmware) {
    files.Put(kFirmwarePath, std::move(firmware));
    upgrade.OpenFirmwareFile(kFirmwarePath);
    upgrade.StartTransfer();
  }

  void Reply(const std::string& chunk) { upgrade.HandleUpgradeReply(chunk); }

  // Lets ms pass in steps of the timer's period, ticking while it is active.
  void Advance(std::uint32_t ms) {
    for (std::uint32_t passed = 0; passed < ms; passed += FirmwareUpgrade::kTickMs) {
      clock.now += FirmwareUpgrade::kTickMs;
      if (timer.active) upgrade.tmrXModemTxTimer();
    }
  }
  void Tick() { Advance(FirmwareUpgrade::kTickMs); }

  // Bytes written since the last call.
  std::vector<std::string> TakeWritten() {
    auto out = std::move(line.written);
    line.written.clear();
    return out;
  }

  // Answers "C" and then every packet with ACK; returns every write up to and
  // including EOT. The final reply is left to the test.
  std::vector<std::string> SendWholeFile() {
    Reply("C");
    Tick();
    std::vector<std::string> written;
    for (int guard = 0; guard < 100000; ++guard) {
      auto now = TakeWritten();
      written.insert(written.end(), now.begin(), now.end());
      if (!written.empty() && written.back() == kEot) break;
      Reply(kAck);
    }
    return written;
  }
};

}  // namespace t418::testing

#pragma once
// The small interfaces through which the firmware upgrade meets the world,
// besides the line (ByteSink) and the progress bar (SessionView) it shares
// with the session engine. The app implements them with Qt and the disk;
// tests with fakes and bytes in memory.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace t418 {

// The packet timer tmrXModemTx: while active, its owner calls
// FirmwareUpgrade::tmrXModemTxTimer every FirmwareUpgrade::kTickMs milliseconds
// on the upgrade's thread.
class TickTimer {
 public:
  virtual ~TickTimer() = default;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool Active() const = 0;
};

// A millisecond tick count that wraps around at 2^32, like the system's.
class MilliClock {
 public:
  virtual ~MilliClock() = default;
  virtual std::uint32_t NowMs() const = 0;
};

// The machine's monotonic clock.
class SteadyMilliClock : public MilliClock {
 public:
  std::uint32_t NowMs() const override;
};

// A firmware file opened for reading and held until it is closed.
class FirmwareReader {
 public:
  virtual ~FirmwareReader() = default;
  // The file's size in bytes now; nullopt when it cannot be told.
  virtual std::optional<std::uint64_t> Size() = 0;
  // The whole file, from its first byte; nullopt when it cannot be read.
  virtual std::optional<std::string> ReadAll() = 0;
};

// Opens firmware files by path.
class FirmwareSource {
 public:
  virtual ~FirmwareSource() = default;
  // The open file, or nullptr with the reason in `reason`.
  virtual std::unique_ptr<FirmwareReader> Open(const std::filesystem::path& path, std::string& reason) = 0;
};

// Files on disk.
class DiskFirmwareSource : public FirmwareSource {
 public:
  std::unique_ptr<FirmwareReader> Open(const std::filesystem::path& path, std::string& reason) override;
};

}  // namespace t418

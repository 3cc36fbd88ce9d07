#include "firmware/upgrade_ports.h"

#include <cerrno>
#include <chrono>
#include <fstream>
#include <iterator>
#include <system_error>

namespace t418 {
namespace {

class DiskFirmwareReader : public FirmwareReader {
 public:
  explicit DiskFirmwareReader(std::ifstream file) : file_(std::move(file)) {}

  std::optional<std::uint64_t> Size() override {
    file_.clear();
    file_.seekg(0, std::ios::end);
    const auto end = file_.tellg();
    if (!file_ || end < 0) return std::nullopt;
    return static_cast<std::uint64_t>(end);
  }

  std::optional<std::string> ReadAll() override {
    file_.clear();
    file_.seekg(0, std::ios::beg);
    if (!file_) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(file_), std::istreambuf_iterator<char>()};
    if (file_.bad()) return std::nullopt;
    return bytes;
  }

 private:
  std::ifstream file_;
};

}  // namespace

std::uint32_t SteadyMilliClock::NowMs() const {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::unique_ptr<FirmwareReader> DiskFirmwareSource::Open(const std::filesystem::path& path, std::string& reason) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    reason = std::make_error_code(std::errc::is_a_directory).message();
    return nullptr;
  }
  errno = 0;
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) {
    const int error = errno != 0 ? errno : static_cast<int>(std::errc::io_error);
    reason = std::generic_category().message(error);
    return nullptr;
  }
  return std::make_unique<DiskFirmwareReader>(std::move(file));
}

}  // namespace t418

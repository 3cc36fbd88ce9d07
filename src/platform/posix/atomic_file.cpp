// Replacing a file: a sibling created with O_EXCL, fsync, rename, then the
// folder flushed so that the rename survives a power loss.
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>

namespace t418::platform {
namespace fs = std::filesystem;
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

std::error_code FlushFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return LastError();
  std::error_code error;
  // Some file systems cannot flush a folder at all; that is no failure.
  if (::fsync(fd) != 0 && errno != EINVAL) error = LastError();
  ::close(fd);
  return error;
}

}  // namespace

FileReplacement::FileReplacement(fs::path target) : target_(std::move(target)) {
  static std::atomic<unsigned> counter{0};
  const fs::path folder = target_.parent_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%d-%u-%llx.tmp", static_cast<int>(::getpid()), counter.fetch_add(1),
                  static_cast<unsigned long long>(ticks) & 0xFFFFFFu);
    temporary_ = folder / ("." + target_.filename().string() + suffix);
    // Its mode follows the umask like any new file.
    const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      handle_ = fd;
      return;
    }
    if (errno != EEXIST) break;
  }
  error_ = LastError();
  temporary_.clear();
}

FileReplacement::~FileReplacement() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
  if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

std::error_code FileReplacement::Write(std::string_view bytes) {
  if (handle_ < 0) return error_ ? error_ : std::make_error_code(std::errc::bad_file_descriptor);
  while (!bytes.empty()) {
    const ssize_t written = ::write(static_cast<int>(handle_), bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

std::error_code FileReplacement::Commit() {
  if (temporary_.empty()) return error_;
  const int fd = static_cast<int>(handle_);
  struct stat old {};
  if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
    (void)::chmod(temporary_.c_str(), old.st_mode & 07777);  // the mode the user gave the file stays
  if (fd >= 0) {
    handle_ = -1;
    if (::fsync(fd) != 0) {
      const std::error_code reason = LastError();
      ::close(fd);
      return reason;
    }
    if (::close(fd) != 0) return LastError();
  }
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) return LastError();
  committed_ = true;
  // The new file is in place; without this flush the rename might not
  // survive a power loss, which is worth reporting too.
  return FlushFolder(target_.parent_path());
}

}  // namespace t418::platform

#include "text/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace t418 {
namespace {

class FileRefusalCategoryImpl : public std::error_category {
 public:
  const char* name() const noexcept override { return "t418 file"; }
  std::string message(int value) const override {
    switch (static_cast<FileRefusal>(value)) {
      case FileRefusal::NotRegular: return "not a regular file";
      case FileRefusal::TooLarge: return "larger than 1 MiB, too large for a settings file";
      case FileRefusal::NotConfiguration: return "not a configuration file (no parameter section with a known key)";
    }
    return "file refused";
  }
};

std::error_code LastError() { return {errno, std::generic_category()}; }

}  // namespace

const std::error_category& FileRefusalCategory() {
  static const FileRefusalCategoryImpl category;
  return category;
}

std::error_code make_error_code(FileRefusal refusal) {
  return {static_cast<int>(refusal), FileRefusalCategory()};
}

int OpenRegularFile(const std::filesystem::path& path, std::error_code& error, std::uintmax_t maxBytes) {
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = LastError();
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = LastError();
  } else if (!S_ISREG(info.st_mode)) {
    error = FileRefusal::NotRegular;
  } else if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) {
    error = FileRefusal::TooLarge;
  } else {
    error.clear();
    return fd;
  }
  ::close(fd);
  return -1;
}

bool ReadAllBytes(int fd, std::string& bytes, std::error_code& error, std::uintmax_t maxBytes) {
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      error = LastError();
      return false;
    }
    if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
      error = FileRefusal::TooLarge;
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace t418

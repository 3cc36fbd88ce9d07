#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace t418::platform {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

int Fd(FileHandle file) { return static_cast<int>(file); }

}  // namespace

FileHandle OpenForReading(const std::filesystem::path& path, std::error_code& error) {
  // O_NONBLOCK: a FIFO opens at once instead of waiting for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = LastError();
    return kNoFile;
  }
  error.clear();
  return fd;
}

FileHandle OpenForAppending(const std::filesystem::path& path, std::error_code& error) {
  // Read too, to see how the file ends; a file that may only be written is appended to all the same.
  int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EACCES) fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = LastError();
    return kNoFile;
  }
  error.clear();
  return fd;
}

void CloseFile(FileHandle file) {
  if (file != kNoFile) ::close(Fd(file));
}

bool FactsOfOpenFile(FileHandle file, OpenFileFacts& facts, std::error_code& error) {
  struct stat info {};
  if (::fstat(Fd(file), &info) != 0) {
    error = LastError();
    return false;
  }
  facts.regular = S_ISREG(info.st_mode);
  facts.size = info.st_size > 0 ? static_cast<std::uintmax_t>(info.st_size) : 0;
  return true;
}

long ReadSome(FileHandle file, char* buffer, std::size_t size, std::error_code& error) {
  for (;;) {
    const ssize_t got = ::read(Fd(file), buffer, size);
    if (got >= 0) return static_cast<long>(got);
    if (errno == EINTR) continue;
    error = LastError();
    return -1;
  }
}

long WriteSome(FileHandle file, const char* data, std::size_t size, std::error_code& error) {
  for (;;) {
    const ssize_t put = ::write(Fd(file), data, size);
    if (put >= 0) return static_cast<long>(put);
    if (errno == EINTR) continue;
    error = LastError();
    return -1;
  }
}

std::optional<char> ByteAt(FileHandle file, std::uintmax_t offset) {
  char byte = 0;
  if (::pread(Fd(file), &byte, 1, static_cast<off_t>(offset)) != 1) return std::nullopt;
  return byte;
}

bool CutTo(FileHandle file, std::uintmax_t size) { return ::ftruncate(Fd(file), static_cast<off_t>(size)) == 0; }

}  // namespace t418::platform

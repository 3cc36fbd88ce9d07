#include "production/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace t418 {

RecordFile::~RecordFile() {
  if (fd_ >= 0) close(fd_);
}

bool RecordFile::Open(const std::string& path) {
  // Read too, to see how the file ends; a file that may only be written is appended to all the same.
  fd_ = open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0 && errno == EACCES) fd_ = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error_ = std::strerror(errno);
    return false;
  }
  // A line cut short by an earlier run: the next record starts on a line of its own.
  struct stat info {};
  if (fstat(fd_, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    char last = '\n';
    if (pread(fd_, &last, 1, info.st_size - 1) == 1) halfLineAtEnd_ = last != '\n';
  }
  return true;
}

bool RecordFile::WriteWhole(const std::string& text) {
  struct stat info {};
  const bool sized = fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
  const std::string out = (halfLineAtEnd_ ? "\n" : "") + text;
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = write(fd_, out.data() + done, out.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    error_ = n < 0 ? std::strerror(errno) : "nothing written";
    // What went in of the line comes out again.
    if (done > 0) {
      if (sized && ftruncate(fd_, info.st_size) == 0) return false;
      halfLineAtEnd_ = true;
    }
    return false;
  }
  halfLineAtEnd_ = false;
  return true;
}

bool RecordFile::Retry() {
  if (fd_ < 0) return waiting_.empty();
  std::vector<std::string> still;
  for (const auto& line : waiting_)
    if (!WriteWhole(line + "\n")) still.push_back(line);
  waiting_ = std::move(still);
  return waiting_.empty();
}

bool RecordFile::Append(const std::string& line) {
  Retry();
  if (fd_ < 0 || !WriteWhole(line + "\n")) waiting_.push_back(line);
  return waiting_.empty();
}

}  // namespace t418

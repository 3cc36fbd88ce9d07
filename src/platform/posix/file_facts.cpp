#include "platform/file_facts.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace t418::platform {

FileKind KindOfFile(const std::filesystem::path& path, std::error_code& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = {errno, std::generic_category()};
    return FileKind::Missing;
  }
  error.clear();
  if (S_ISREG(info.st_mode)) return FileKind::Regular;
  if (S_ISDIR(info.st_mode)) return FileKind::Folder;
  return FileKind::Other;
}

bool MayRead(const std::filesystem::path& path, std::error_code& error) {
  if (::access(path.c_str(), R_OK) == 0) {
    error.clear();
    return true;
  }
  error = {errno, std::generic_category()};
  return false;
}

bool MayWriteIn(const std::filesystem::path& folder) {
  const std::filesystem::path where = folder.empty() ? std::filesystem::path(".") : folder;
  return ::access(where.c_str(), W_OK) == 0;
}

std::optional<bool> SameExistingFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat first {}, second {};
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return std::nullopt;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace t418::platform

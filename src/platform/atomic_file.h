#pragma once
// Replacing a file whole: the new content goes into a new file beside the old
// one, which is flushed to disk and then renamed over the old one, so that a
// failure or a power loss at any point leaves the old file as it was.
#include <filesystem>
#include <string_view>
#include <system_error>

namespace t418::platform {

class FileReplacement {
 public:
  // Creates the new file beside target (target must name its folder, "./x" for
  // the current one). Its name is "." + target's name + "." + the process
  // number + "-" + a unique part + ".tmp"; Error() tells when it could not be made.
  explicit FileReplacement(std::filesystem::path target);
  // Removes the new file unless it was renamed over the target.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  const std::error_code& Error() const { return error_; }
  // The new file, for a writer that writes it by name.
  const std::filesystem::path& TemporaryPath() const { return temporary_; }

  // Appends bytes to the new file.
  std::error_code Write(std::string_view bytes);
  // Flushes the new file, gives it the mode of the regular file it replaces
  // (a new file keeps the mode the umask gives), renames it over the target and
  // flushes the folder. An error before the rename leaves the target as it was.
  std::error_code Commit();
  // Whether the new file has replaced the target (a failed flush of the folder
  // after the rename still counts).
  bool Committed() const { return committed_; }

 private:
  std::filesystem::path target_;
  std::filesystem::path temporary_;
  std::intptr_t handle_ = -1;
  std::error_code error_;
  bool committed_ = false;
};

}  // namespace t418::platform

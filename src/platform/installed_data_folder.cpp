// Where the data files of an installed program live: the same rule on every system.
#include <system_error>

#include "platform/process.h"

namespace t418::platform {

std::filesystem::path InstalledDataFolder(const std::filesystem::path& programFolder) {
  std::filesystem::path folder = programFolder;
  if (!folder.has_filename()) folder = folder.parent_path();  // "/usr/bin/"
  if (folder.filename() != "bin") return programFolder;
  const std::filesystem::path shared = folder.parent_path() / "share" / "t418";
  std::error_code ec;
  return std::filesystem::is_directory(shared, ec) ? shared : programFolder;
}

}  // namespace t418::platform

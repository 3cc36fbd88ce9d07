#include "platform/path_match.h"

#include <fnmatch.h>
#include <glob.h>

namespace t418::platform {

bool PathMatches(const std::string& pattern, const std::string& path) {
  return fnmatch(pattern.c_str(), path.c_str(), FNM_PATHNAME) == 0;
}

bool HasFolderPart(const std::string& name) { return name.find('/') != std::string::npos; }

std::string LastPathPart(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> ExpandPathPattern(const std::string& pattern) {
  std::vector<std::string> paths;
  glob_t found{};
  if (glob(pattern.c_str(), 0, nullptr, &found) == 0)
    for (std::size_t i = 0; i < found.gl_pathc; ++i) paths.emplace_back(found.gl_pathv[i]);
  globfree(&found);
  return paths;
}

}  // namespace t418::platform

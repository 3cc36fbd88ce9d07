#include "platform/path_match.h"

#include <fnmatch.h>
#include <glob.h>

namespace t418::platform {

bool PathMatches(const std::string& pattern, const std::string& path) {
  return fnmatch(pattern.c_str(), path.c_str(), FNM_PATHNAME) == 0;
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

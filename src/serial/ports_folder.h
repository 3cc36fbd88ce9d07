#pragma once
// The folder in which the simulator t418-sim places a link to each pseudo-terminal
// it plays a terminal on, and in which the port list looks for such links:
// "t418-ports" under the user's runtime folder, else under /tmp.
#include <cstdlib>
#include <string>

namespace t418 {

// runtimeDir: the user's runtime folder, or null/empty when there is none.
inline std::string SimPortsFolderIn(const char* runtimeDir) {
  const std::string base = runtimeDir && *runtimeDir ? runtimeDir : "/tmp";
  return base + "/t418-ports";
}

inline std::string SimPortsFolder() { return SimPortsFolderIn(std::getenv("XDG_RUNTIME_DIR")); }

}  // namespace t418

#pragma once
// The simulator states the configuration fixtures hold (tests/fixtures/configs).
#include <string>

namespace t418::testing {

// The simulator state file of a fixture: tests/fixtures/configs/NAME.state.
inline std::string Fixture(const std::string& name) {
  return std::string(T418_SOURCE_DIR) + "/tests/fixtures/configs/" + name + ".state";
}

}  // namespace t418::testing

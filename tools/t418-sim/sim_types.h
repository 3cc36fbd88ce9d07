#pragma once
// Small types shared by the parts of the simulated terminal.
#include <cstdint>
#include <string>
#include <vector>

namespace t418::sim {

// Milliseconds on a monotonic clock; tests pass their own numbers.
using Millis = std::int64_t;

// One piece of output of the simulated terminal: written delayMs after the
// previous piece has gone out (or after now, for the first one), in one write.
// A reply to received bytes carries reply = true, so that the reply latency
// of the command line goes in front of it.
struct Emission {
  int delayMs = 0;
  std::string bytes;
  bool reply = true;
};

using Emissions = std::vector<Emission>;

// Appends the pieces of more to out.
inline void Append(Emissions& out, Emissions more) {
  for (auto& e : more) out.push_back(std::move(e));
}

}  // namespace t418::sim

#pragma once
// Where the receive thread learns of line errors and modem-line changes: the
// driver's counters, or a stand-in in tests (a pseudo-terminal keeps none).
#include "platform/serial_line.h"

namespace t418 {

class LineStatusSource {
 public:
  virtual ~LineStatusSource() = default;
  // Called on the receive thread of the open line, first when it starts (the
  // counts to compare against) and then every few tens of milliseconds.
  // NotSupported stops the asking for this opening; Failed is a hang-up.
  virtual CountersResult Read(platform::LineHandle line, LineCounters& out) = 0;
};

// The driver's own counters.
class DriverLineStatus : public LineStatusSource {
 public:
  CountersResult Read(platform::LineHandle line, LineCounters& out) override {
    return platform::ReadLineCounters(line, out);
  }
};

}  // namespace t418

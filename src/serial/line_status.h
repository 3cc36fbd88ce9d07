#pragma once
// Where the receive thread learns of line errors and modem-line changes: the
// driver's counters, or a stand-in in tests (a pseudo-terminal keeps none).
#include "serial/line_driver.h"

namespace t418 {

class LineStatusSource {
 public:
  virtual ~LineStatusSource() = default;
  // Called on the receive thread of the port open on fd, first when it starts
  // (the counts to compare against) and then every few tens of milliseconds.
  // NotSupported stops the asking for this opening; Failed is a hang-up.
  virtual CountersResult Read(int fd, LineCounters& out) = 0;
};

// The driver's own counters (TIOCGICOUNT).
class DriverLineStatus : public LineStatusSource {
 public:
  CountersResult Read(int fd, LineCounters& out) override { return ReadLineCounters(fd, out); }
};

}  // namespace t418

#pragma once
// The serial component on a far end the test plays (serial_fixtures.h), with
// the events it reports recorded.
#include <gtest/gtest.h>

#include <string>

#include "serial/comm.h"
#include "serial_fixtures.h"

namespace t418::test {

inline std::string Pattern(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return s;
}

class CommTest : public ::testing::Test {
 protected:
  CommTest() : comm(dispatcher) {
    log.Attach(comm);
    comm.SetCommName(pty.Path());
  }

  // Runs the dispatcher until `count` bytes have arrived.
  bool ReceiveBytes(std::size_t count) {
    return dispatcher.RunUntil([&] { return log.received.size() >= count; });
  }

  Pty pty;
  QueueDispatcher dispatcher;
  TComm comm;
  EventLog log;
};

inline std::string OpenError(TComm& comm) {
  try {
    comm.OpenPort();
  } catch (const ECommsError& e) {
    return e.what();
  }
  return "(opened)";
}

}  // namespace t418::test

#pragma once
// Reads at the far end of a pseudo-terminal line while the window's event loop
// keeps running, so the window can send what the test waits for.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <string>

#include "serial/serial_fixtures.h"

namespace t418::test {

// What the far end received: up to `want` bytes, within limitMs.
inline std::string ReadFarEnd(Pty& pty, std::size_t want, int limitMs = 3000) {
  std::string got;
  QElapsedTimer timer;
  timer.start();
  while (got.size() < want && timer.elapsed() < limitMs) {
    QCoreApplication::processEvents();
    got += pty.Read(want - got.size(), std::chrono::milliseconds(10));
  }
  return got;
}

// Whatever arrives within a short while: for checking what was sent, or that nothing was.
inline std::string DrainFarEnd(Pty& pty) {
  std::string got;
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents();
    got += pty.Read(4096, std::chrono::milliseconds(10));
  }
  return got;
}

}  // namespace t418::test

#pragma once
// The far end of a serial line under Windows (Wine): the far-end launcher on
// the host system makes a pseudo-terminal, links a COM port to its slave side
// and relays its master side over this connection. The settings the component
// gives the line are not visible here (no Slave()).
#include <chrono>
#include <stdexcept>
#include <string>

#include "far_end_win32.h"

namespace t418::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class Pty {
 public:
  Pty() {
    launcher_.Send('P');
    path_ = launcher_.Answer();
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  // "COMn".
  const std::string& Path() const { return path_; }

  // The master side goes away, as a device pulled out; the port stays named.
  void CloseMaster() {
    if (closed_) return;
    closed_ = true;
    launcher_.Send('C');
    AwaitWritten();
  }

  // Writes all bytes from the far end; back once they are in the line.
  void Write(const std::string& bytes) {
    launcher_.Send('W', bytes);
    AwaitWritten();
  }

  // What the far end receives: up to `want` bytes, waiting at most `limit`.
  std::string Read(std::size_t want, std::chrono::milliseconds limit = 10s) {
    const auto giveUp = Clock::now() + limit;
    while (received_.size() < want) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - Clock::now());
      if (left.count() <= 0) break;
      const auto frame = launcher_.Receive(left);
      if (frame.type == 0) break;
      Take(frame);
    }
    const std::string got = received_.substr(0, std::min(want, received_.size()));
    received_.erase(0, got.size());
    return got;
  }

 private:
  void Take(const t418::testing::FarEndConnection::Frame& frame) {
    if (frame.type == 'D') received_ += frame.body;
  }

  void AwaitWritten() {
    while (true) {
      const auto frame = launcher_.Receive(10s);
      if (frame.type == 'A') return;
      if (frame.type == 0) throw std::runtime_error("far end could not write");
      Take(frame);
    }
  }

  t418::testing::FarEndConnection launcher_;
  std::string path_;
  std::string received_;
  bool closed_ = false;
};

}  // namespace t418::test

#pragma once
// The Windows tests' link to the far-end launcher (t418-far-end), which runs
// on the host system beside Wine and starts what stands at the other end of
// a COM port: the simulator or a pseudo-terminal this connection plays. Its
// TCP port on 127.0.0.1 is in T418_FAR_END (scripts/test-windows sets it).
// Frames: a type byte, a 4-byte length (little endian), the bytes.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace t418::testing {

class FarEndConnection {
 public:
  struct Frame {
    char type = 0;
    std::string body;
  };

  FarEndConnection() {
    static const bool started = [] {
      WSADATA data;
      return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const char* port = std::getenv("T418_FAR_END");
    if (!started || port == nullptr || *port == '\0') {
      throw std::runtime_error("no far-end launcher: T418_FAR_END is not set (run scripts/test-windows)");
    }
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket_ == INVALID_SOCKET ||
        ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      throw std::runtime_error("the far-end launcher does not answer on port " + std::string(port));
    }
    const BOOL one = TRUE;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
  }
  ~FarEndConnection() { Close(); }
  FarEndConnection(const FarEndConnection&) = delete;
  FarEndConnection& operator=(const FarEndConnection&) = delete;

  void Close() {
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

  void Send(char type, const std::string& body = {}) {
    std::string bytes(5, '\0');
    bytes[0] = type;
    for (int i = 0; i < 4; ++i) bytes[1 + i] = static_cast<char>(body.size() >> (8 * i));
    bytes += body;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const int n = ::send(socket_, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
      if (n <= 0) throw std::runtime_error("the far-end launcher went away");
      done += static_cast<std::size_t>(n);
    }
  }

  // The next frame, or type 0 when none came within the limit.
  Frame Receive(std::chrono::milliseconds limit) {
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (true) {
      if (auto frame = Parse()) return *frame;
      const auto left = std::chrono::duration_cast<std::chrono::microseconds>(giveUp - std::chrono::steady_clock::now());
      if (left.count() <= 0) return {};
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(socket_, &readable);
      timeval wait{static_cast<long>(left.count() / 1000000), static_cast<long>(left.count() % 1000000)};
      if (::select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
      char buffer[4096];
      const int n = ::recv(socket_, buffer, sizeof buffer, 0);
      if (n <= 0) throw std::runtime_error("the far-end launcher went away");
      received_.append(buffer, static_cast<std::size_t>(n));
    }
  }

  // The answer to a request: the body of 'O', or an exception with the launcher's reason.
  std::string Answer(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const Frame frame = Receive(limit);
    if (frame.type == 'O') return frame.body;
    if (frame.type == 'E') throw std::runtime_error("far-end launcher: " + frame.body);
    throw std::runtime_error("the far-end launcher did not answer");
  }

 private:
  bool Has(std::size_t size) const { return received_.size() >= size; }

  std::optional<Frame> Parse() {
    if (!Has(5)) return std::nullopt;
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(static_cast<unsigned char>(received_[1 + i])) << (8 * i);
    if (!Has(5 + size)) return std::nullopt;
    Frame frame{received_[0], received_.substr(5, size)};
    received_.erase(0, 5 + size);
    return frame;
  }

  SOCKET socket_ = INVALID_SOCKET;
  std::string received_;
};

}  // namespace t418::testing

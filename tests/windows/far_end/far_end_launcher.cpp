// The far end of the Windows tests, on this system: a Windows test program
// under Wine cannot start a program of this system with pipes, so it asks
// this launcher over TCP (127.0.0.1) for what stands at the other end of a
// serial line, and the launcher makes a COM port of Wine's reach it through a
// link in the prefix's dosdevices folder:
//
//   'S' + options separated by '\0'  the simulator with the options; a
//                                    Windows path among them (C:\..., Z:\...)
//                                    is given as the path of this system
//   'P'                              a pseudo-terminal whose master side the
//                                    connection plays
// answered by 'O' + "COMn" (or 'E' + why). Then, on a simulator's connection:
//   'T'  SIGTERM, wait      'K'  SIGKILL, wait      -> 'O' + exit code ("-1": a signal)
//   'G' + "USR1"/"STOP"/"CONT"  the signal        -> 'O'
// and on a pseudo-terminal's:
//   'W' + bytes  written to the master            -> 'A' once written
//   'C'          the master closed (a lost line)  -> 'A'
//   and 'D' + bytes for what the master read.
// The end of the connection stops the simulator or closes the pseudo-terminal
// and removes the link. Each frame is its type, a 4-byte length (little
// endian) and that many bytes.
//
//   t418-far-end SIM DOSDEVICES PORT_FILE
// listens on a free port and writes its number into PORT_FILE.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string simPath;
std::string dosdevices;
std::mutex linksMutex;
int nextPort = 20;  // below are the prefix's own and the declared ports

struct Frame {
  char type = 0;
  std::string body;
};

bool ReadAll(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<Frame> ReadFrame(int fd) {
  unsigned char head[5];
  if (!ReadAll(fd, reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
  const std::uint32_t size = head[1] | head[2] << 8 | head[3] << 16 | static_cast<std::uint32_t>(head[4]) << 24;
  Frame frame{static_cast<char>(head[0]), std::string(size, '\0')};
  if (size > 0 && !ReadAll(fd, frame.body.data(), size)) return std::nullopt;
  return frame;
}

bool SendFrame(int fd, char type, const std::string& body = {}) {
  std::string bytes(5, '\0');
  bytes[0] = type;
  for (int i = 0; i < 4; ++i) bytes[1 + i] = static_cast<char>(body.size() >> (8 * i));
  bytes += body;
  return WriteAll(fd, bytes.data(), bytes.size());
}

// "C:\users\x" -> DOSDEVICES/c:/users/x; other text as it is.
std::string HostPath(const std::string& option) {
  const bool windowsPath = option.size() >= 3 && std::isalpha(static_cast<unsigned char>(option[0])) &&
                           option[1] == ':' && (option[2] == '\\' || option[2] == '/');
  if (!windowsPath) return option;
  std::string path = dosdevices + "/" + static_cast<char>(std::tolower(option[0])) + ":" + option.substr(2);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

// A free COM number linked to the device; its name, or "" when none could be made.
std::string LinkPort(const std::string& device) {
  std::lock_guard<std::mutex> lock(linksMutex);
  for (int tries = 0; tries < 1000; ++tries) {
    const int number = nextPort++;
    if (nextPort > 250) nextPort = 20;
    const std::string link = dosdevices + "/com" + std::to_string(number);
    if (::symlink(device.c_str(), link.c_str()) == 0) return "COM" + std::to_string(number);
    if (errno != EEXIST) return {};
  }
  return {};
}

void UnlinkPort(const std::string& port) {
  if (port.empty()) return;
  std::string lower = port;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ::unlink((dosdevices + "/" + lower).c_str());
}

std::vector<std::string> Split(const std::string& body) {
  std::vector<std::string> parts;
  if (body.empty()) return parts;
  std::size_t start = 0;
  while (true) {
    const auto end = body.find('\0', start);
    parts.push_back(body.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// The first line the simulator prints: its pseudo-terminal.
std::string ReadFirstLine(int fd, std::chrono::milliseconds limit) {
  std::string line;
  const auto giveUp = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < giveUp) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char c;
    if (::read(fd, &c, 1) != 1) break;
    if (c == '\n') return line;
    line.push_back(c);
  }
  return {};
}

int Reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ServeSimulator(int client, const std::vector<std::string>& given) {
  std::vector<std::string> options;
  for (const auto& option : given) options.push_back(HostPath(option));
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    SendFrame(client, 'E', "no pipe");
    return;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    std::vector<char*> argv{simPath.data()};
    for (auto& option : options) argv.push_back(option.data());
    argv.push_back(nullptr);
    ::execv(simPath.c_str(), argv.data());
    _exit(127);
  }
  ::close(out[1]);
  const std::string pty = ReadFirstLine(out[0], std::chrono::seconds(10));
  const std::string port = pty.empty() ? std::string() : LinkPort(pty);
  if (port.empty()) {
    ::kill(pid, SIGKILL);
    Reap(pid);
    ::close(out[0]);
    SendFrame(client, 'E', pty.empty() ? "the simulator printed no port" : "no COM port could be linked");
    return;
  }
  SendFrame(client, 'O', port);
  bool running = true;
  while (running) {
    const auto frame = ReadFrame(client);
    if (!frame) break;
    if (frame->type == 'T' || frame->type == 'K') {
      ::kill(pid, frame->type == 'T' ? SIGTERM : SIGKILL);
      const int code = Reap(pid);
      running = false;
      UnlinkPort(port);
      SendFrame(client, 'O', std::to_string(code));
    } else if (frame->type == 'G') {
      const int number = frame->body == "USR1" ? SIGUSR1 : frame->body == "STOP" ? SIGSTOP
                         : frame->body == "CONT" ? SIGCONT : 0;
      if (number == 0 || ::kill(pid, number) != 0) {
        SendFrame(client, 'E', "no such signal: " + frame->body);
      } else {
        SendFrame(client, 'O');
      }
    } else {
      SendFrame(client, 'E', std::string("unknown request ") + frame->type);
    }
  }
  if (running) {
    ::kill(pid, SIGCONT);
    ::kill(pid, SIGTERM);
    Reap(pid);
    UnlinkPort(port);
  }
  ::close(out[0]);
}

void ServePty(int client) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  char name[128];
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
    SendFrame(client, 'E', "no pseudo-terminal");
    if (master >= 0) ::close(master);
    return;
  }
  // Held open so that the master sees no hang-up while the Windows side has
  // the port closed; raw, with the speed left alone (Wine refuses a line
  // whose speed was set the termios2 way).
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios raw{};
  if (slave < 0 || ::tcgetattr(slave, &raw) != 0) {
    SendFrame(client, 'E', "the slave does not open");
    ::close(master);
    return;
  }
  ::cfmakeraw(&raw);
  ::tcsetattr(slave, TCSANOW, &raw);
  const std::string port = LinkPort(name);
  if (port.empty()) {
    SendFrame(client, 'E', "no COM port could be linked");
    ::close(slave);
    ::close(master);
    return;
  }
  SendFrame(client, 'O', port);
  std::string pending;  // from the client, not yet in the master
  bool ackPending = false;
  while (true) {
    pollfd fds[2] = {{client, static_cast<short>(pending.empty() ? POLLIN : 0), 0},
                     {master, static_cast<short>(master < 0 ? 0 : POLLIN | (pending.empty() ? 0 : POLLOUT)), 0}};
    if (master < 0) fds[1].fd = -1;
    if (::poll(fds, 2, 1000) < 0 && errno != EINTR) break;
    if (fds[0].revents) {
      const auto frame = ReadFrame(client);
      if (!frame) break;
      if (frame->type == 'W') {
        pending = frame->body;
        ackPending = true;
      } else if (frame->type == 'C') {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
        master = slave = -1;
        SendFrame(client, 'A');
      }
      if (master < 0 && ackPending) {  // written to nothing: the line is gone
        pending.clear();
        ackPending = false;
        SendFrame(client, 'A');
      }
    }
    if (master >= 0 && (fds[1].revents & POLLIN)) {
      char buffer[4096];
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n > 0 && !SendFrame(client, 'D', std::string(buffer, static_cast<std::size_t>(n)))) break;
    }
    if (master >= 0 && !pending.empty()) {
      const ssize_t n = ::write(master, pending.data(), pending.size());
      if (n > 0) pending.erase(0, static_cast<std::size_t>(n));
    }
    if (ackPending && pending.empty()) {
      ackPending = false;
      SendFrame(client, 'A');
    }
  }
  UnlinkPort(port);
  if (master >= 0) ::close(master);
  if (slave >= 0) ::close(slave);
}

void Serve(int client) {
  const int one = 1;
  ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (const auto request = ReadFrame(client)) {
    if (request->type == 'S') {
      ServeSimulator(client, Split(request->body));
    } else if (request->type == 'P') {
      ServePty(client);
    } else {
      SendFrame(client, 'E', std::string("unknown request ") + request->type);
    }
  }
  ::close(client);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: t418-far-end SIM DOSDEVICES PORT_FILE\n");
    return 2;
  }
  simPath = argv[1];
  dosdevices = argv[2];
  ::signal(SIGPIPE, SIG_IGN);
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener, 16) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    std::perror("t418-far-end: no listening socket");
    return 1;
  }
  {
    const std::string temp = std::string(argv[3]) + ".new";
    std::ofstream(temp) << ntohs(address.sin_port) << "\n";
    std::rename(temp.c_str(), argv[3]);
  }
  while (true) {
    const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) {
      if (errno == EINTR) continue;
      std::perror("t418-far-end: accept");
      return 1;
    }
    std::thread(Serve, client).detach();
  }
}

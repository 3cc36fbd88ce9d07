#include "t418-sim/pty_link.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace t418::sim {
namespace {

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

bool MakeFolders(const std::string& folder) {
  std::string path;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = folder.find('/', pos + 1);
    path = folder.substr(0, pos);
    if (path.empty()) continue;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> ReadLink(const std::string& path) {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
  if (n < 0) return std::nullopt;
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

}  // namespace

PtyLink::~PtyLink() {
  if (watch_ >= 0) ::close(watch_);
  if (heldSlave_ >= 0) ::close(heldSlave_);
  if (master_ >= 0) ::close(master_);
}

bool PtyLink::Open(std::string& error, std::string& warning) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) {
    error = ErrnoText("cannot open a pseudo-terminal");
    return false;
  }
  if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    error = ErrnoText("cannot unlock the pseudo-terminal");
    return false;
  }
  char name[256] = {};
  if (::ptsname_r(master_, name, sizeof name) != 0) {
    error = ErrnoText("cannot name the pseudo-terminal");
    return false;
  }
  slavePath_ = name;

  heldSlave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (heldSlave_ < 0) {
    error = ErrnoText("cannot open " + slavePath_);
    return false;
  }
  termios tio{};
  if (::tcgetattr(heldSlave_, &tio) == 0) {
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&tio, B115200);
    ::tcsetattr(heldSlave_, TCSANOW, &tio);
  }
  int one = 1;
  if (::ioctl(master_, TIOCPKT, &one) != 0) {
    error = ErrnoText("cannot put the pseudo-terminal in packet mode");
    return false;
  }

  // Started after our own open of the slave, so only other programs count.
  watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ >= 0 && ::inotify_add_watch(watch_, slavePath_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
    ::close(watch_);
    watch_ = -1;
  }
  if (watch_ < 0) warning = ErrnoText("cannot watch " + slavePath_ + " for programs opening it");
  return true;
}

void PtyLink::ReleaseExclusive() {
  if (heldSlave_ >= 0) ::ioctl(heldSlave_, TIOCNXCL);
}

PtyLink::Input PtyLink::Read() {
  Input input;
  char buffer[4097];
  while (true) {
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) input.failed = true;
      break;
    }
    if (n == 0) {
      input.failed = true;
      break;
    }
    // Packet mode: a leading 0 carries data, anything else is a status byte.
    if (buffer[0] == TIOCPKT_DATA) {
      input.data.append(buffer + 1, static_cast<std::size_t>(n - 1));
    } else if (buffer[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) {
      input.purged = true;
    }
  }
  return input;
}

PtyLink::Openings PtyLink::ReadWatch() {
  Openings openings;
  if (watch_ < 0) return openings;
  alignas(inotify_event) char buffer[4096];
  while (true) {
    const ssize_t n = ::read(watch_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & IN_OPEN) ++openings.opened;
      if (event->mask & IN_CLOSE) ++openings.closed;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return openings;
}

long PtyLink::Write(const char* bytes, std::size_t n) {
  while (true) {
    const ssize_t written = ::write(master_, bytes, n);
    if (written >= 0) return static_cast<long>(written);
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return -1;
  }
}

bool PortLink::Place(const std::string& folder, const std::string& name, const std::string& target,
                     std::string& error) {
  if (!MakeFolders(folder)) {
    error = ErrnoText("cannot create the folder " + folder);
    return false;
  }
  const std::string path = folder + "/" + name;
  // The lock first: while another simulator holds it, its link stays.
  const std::string lockPath = folder + "/." + name + ".lock";
  const int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) {
    error = ErrnoText("cannot create the lock file " + lockPath);
    return false;
  }
  if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
    char pid[32] = {};
    const ssize_t n = ::pread(lock, pid, sizeof pid - 1, 0);
    ::close(lock);
    std::string holder = n > 0 ? std::string(pid, static_cast<std::size_t>(n)) : std::string();
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
    error = "a simulator" + (holder.empty() ? std::string() : " (process " + holder + ")") +
            " already serves " + path + "; give this one another --name";
    return false;
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(lock, 0) != 0 || ::pwrite(lock, pid.data(), pid.size(), 0) < 0) {
    // The lock holds all the same; only the message of a second simulator lacks the number.
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      error = path + " exists and is no link; not replaced";
      ::close(lock);
      return false;
    }
    ::unlink(path.c_str());  // a link left by an earlier run
  }
  if (::symlink(target.c_str(), path.c_str()) != 0) {
    error = ErrnoText("cannot create the link " + path);
    ::close(lock);
    return false;
  }
  path_ = path;
  target_ = target;
  lockPath_ = lockPath;
  lock_ = lock;
  return true;
}

void PortLink::Remove() {
  if (path_.empty()) return;
  const auto points = ReadLink(path_);
  if (points && *points == target_) ::unlink(path_.c_str());
  path_.clear();
  if (lock_ >= 0) {
    ::unlink(lockPath_.c_str());
    ::close(lock_);
    lock_ = -1;
  }
}

}  // namespace t418::sim

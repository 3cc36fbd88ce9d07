// Serial lines as terminal devices: opened non-blocking, taken with flock and
// the driver's exclusive mode, waited on with poll.
#include "platform/serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace t418::platform {
namespace {

// Who holds the port at path, for a refusal at the open itself: the path
// opened without the driver (O_PATH) names the device all the same.
std::vector<PortHolder> HoldersOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (fd < 0) return {};
  std::vector<PortHolder> owner = FindPortHolders(fd);
  ::close(fd);
  return owner;
}

LineOpening Refused(const char* message, int error, std::vector<PortHolder> holders = {}) {
  LineOpening opening;
  opening.message = message;
  opening.error = error;
  opening.holders = std::move(holders);
  return opening;
}

}  // namespace

LineOpening OpenLine(const std::string& name) {
  // Names without a folder are device names under /dev.
  const std::string path = name.find('/') == std::string::npos ? "/dev/" + name : name;
  // Only if it exists (no O_CREAT); non-blocking, since every wait is a poll.
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == EBUSY) return Refused("Error opening serial port", EBUSY, HoldersOf(path));
    // A pseudo-terminal whose master has been closed answers EIO: its far end
    // is gone as surely as an unplugged adapter's.
    return Refused("Error opening serial port", error == EIO ? ENODEV : error);
  }
  if (fd == 0) {
    // 0 stands for "closed".
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (moved < 0) return Refused("Error opening serial port", 0);
    fd = moved;
  }
  // Without sharing: a second opener (of this or another process) is refused.
  // The lock belongs to the device, so every path to it meets the same lock.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    std::vector<PortHolder> owner = FindPortHolders(fd);
    ::close(fd);
    // Another program holds the port.
    return Refused("Error opening serial port", EBUSY, std::move(owner));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
    ::close(fd);
    return Refused("File handle is not a comm handle ", ENOTTY);
  }
  // There are no driver queue sizes to set; what must hold here is that the
  // device is a terminal whose line can be set up at all.
  if (!IsSerialLine(fd)) {
    ::close(fd);
    return Refused("Cannot setup comm buffer", ENOTTY);
  }
  // A program that takes a port for itself without the lock sets the driver's
  // exclusive mode. Only a privileged user's open gets through that mode, and
  // it must not share the port either.
  int exclusive = 0;
  if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
    ::flock(fd, LOCK_UN);  // so that this opening's own lock is not named
    std::vector<PortHolder> owner = FindPortHolders(fd);
    ::close(fd);
    return Refused("Error opening serial port", EBUSY, std::move(owner));
  }
  // Keep other openers out at the driver too (root passes this; flock above
  // holds for everyone who asks for it).
  ::ioctl(fd, TIOCEXCL);
  ::tcflush(fd, TCIOFLUSH);
  LineOpening opening;
  opening.line = fd;
  return opening;
}

void CloseLine(LineHandle line, bool& rs485Set) {
  ClearRs485(line, rs485Set);
  const int fd = static_cast<int>(line);
  ::ioctl(fd, TIOCNXCL);
  ::close(fd);  // also drops the flock
}

void FlushLine(LineHandle line, Flush which) {
  const int queue = which == Flush::Input ? TCIFLUSH : which == Flush::Output ? TCOFLUSH : TCIOFLUSH;
  ::tcflush(static_cast<int>(line), queue);
}

IoResult ReadLine(LineHandle line, char* buffer, std::size_t size) {
  const ssize_t got = ::read(static_cast<int>(line), buffer, size);
  if (got > 0) return {Io::Done, static_cast<std::size_t>(got)};
  // End of file on a terminal or EIO: the device has gone (a pulled adapter,
  // a closed pseudo-terminal master).
  if (got == 0 || (errno != EAGAIN && errno != EINTR)) return {Io::Gone, 0};
  return {Io::WouldBlock, 0};
}

IoResult WriteLine(LineHandle line, const char* data, std::size_t size) {
  for (;;) {
    const ssize_t put = ::write(static_cast<int>(line), data, size);
    if (put > 0) return {Io::Done, static_cast<std::size_t>(put)};
    if (put < 0 && errno == EINTR) continue;
    if (put == 0 || errno != EAGAIN) return {Io::Gone, 0};
    return {Io::WouldBlock, 0};
  }
}

LineWait WaitOnLine(LineHandle line, WaitFor what, const WakeEvent& stop, const WakeEvent* other,
                    int timeoutMs) {
  pollfd fds[3];
  nfds_t count = 0;
  const nfds_t stopAt = count;
  fds[count++] = {static_cast<int>(stop.Native()), POLLIN, 0};
  nfds_t lineAt = 0;
  nfds_t otherAt = 0;
  if (what != WaitFor::Nothing) {
    lineAt = count;
    fds[count++] = {static_cast<int>(line), static_cast<short>(what == WaitFor::Reading ? POLLIN : POLLOUT), 0};
  }
  if (other != nullptr) {
    otherAt = count;
    fds[count++] = {static_cast<int>(other->Native()), POLLIN, 0};
  }
  LineWait wait;
  const int ready = ::poll(fds, count, timeoutMs);
  if (ready < 0) {
    wait.outcome = errno == EINTR ? LineWait::Interrupted : LineWait::Failed;
    return wait;
  }
  wait.outcome = ready == 0 ? LineWait::TimedOut : LineWait::Ready;
  wait.stopped = fds[stopAt].revents != 0;
  if (other != nullptr) wait.event = fds[otherAt].revents != 0;
  if (what != WaitFor::Nothing) {
    const short revents = fds[lineAt].revents;
    wait.lineReady = (revents & (POLLIN | POLLOUT)) != 0;
    wait.lineHungUp = (revents & (POLLHUP | POLLERR)) != 0;
    wait.lineInvalid = (revents & POLLNVAL) != 0;
  }
  return wait;
}

}  // namespace t418::platform

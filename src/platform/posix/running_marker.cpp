// The running marker as a POSIX shared-memory object; every running copy holds
// a shared lock on it, so the last one to end knows it may remove the name.
#include "platform/running_marker.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

namespace t418::platform {
namespace {

int* MapView(int fd) {
  void* view = mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return view == MAP_FAILED ? nullptr : static_cast<int*>(view);
}

}  // namespace

RunningMarker::RunningMarker(std::string name) : name_(std::move(name)) {
  int fd = shm_open(name_.c_str(), O_RDWR, 0600);
  if (fd < 0) {
    fd = shm_open(name_.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return;
    created_ = true;
    if (ftruncate(fd, sizeof(int)) != 0) {
      close(fd);
      return;
    }
  }
  view_ = MapView(fd);
  if (!view_) {
    close(fd);
    return;
  }
  if (created_) *view_ = 0;
  flock(fd, LOCK_SH);
  handle_ = fd;
}

RunningMarker::~RunningMarker() {
  if (view_) munmap(view_, sizeof(int));
  if (handle_ < 0) return;
  const int fd = static_cast<int>(handle_);
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) shm_unlink(name_.c_str());
  close(fd);
}

}  // namespace t418::platform

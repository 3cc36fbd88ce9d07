#include "app/run_once.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

namespace t418 {
namespace {

int* MapView(int fd) {
  void* view = mmap(nullptr, sizeof(int), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return view == MAP_FAILED ? nullptr : static_cast<int*>(view);
}

}  // namespace

RunOnceMarker::RunOnceMarker(std::string name) : name_(std::move(name)) {
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
  // Every running copy holds a shared lock; the last one to end removes the name.
  flock(fd, LOCK_SH);
  fd_ = fd;
}

RunOnceMarker::~RunOnceMarker() {
  if (view_) munmap(view_, sizeof(int));
  if (fd_ < 0) return;
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) shm_unlink(name_.c_str());
  close(fd_);
}

int RunOnceMarker::Value() const { return view_ ? *view_ : -1; }

}  // namespace t418

#pragma once
// Entries appearing in and vanishing from folders, through inotify.
#include <map>
#include <string>
#include <vector>

#include "platform/port_events.h"

namespace t418::platform {

class InotifyFolders {
 public:
  InotifyFolders() = default;
  ~InotifyFolders();
  InotifyFolders(const InotifyFolders&) = delete;
  InotifyFolders& operator=(const InotifyFolders&) = delete;

  // Watches the folders; false and why when one cannot be watched.
  bool Open(const std::vector<WatchedFolder>& folders, std::string& why);
  int Fd() const { return fd_; }
  // Reads what waits (never blocks) and adds its events in order.
  void Read(std::vector<PortEvent>& events);

 private:
  struct Folder {
    WatchedFolder watched;
    std::map<std::string, std::string> targets;  // entry name -> port, for link targets
  };
  // Adds the watch of one folder (made first when it may be); false with errno set.
  bool Watch(const WatchedFolder& watched);
  std::string PortOf(Folder& folder, const std::string& name, bool appeared);

  int fd_ = -1;
  std::map<int, Folder> folders_;  // by watch descriptor
};

}  // namespace t418::platform

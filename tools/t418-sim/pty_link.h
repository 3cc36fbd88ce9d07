#pragma once
// The simulator's end of the line: a pseudo-terminal whose slave side other
// programs open as a serial port, and the link to it in the ports folder.
//
// The slave is held open here too, so bytes written before a program opens
// the port wait for it, and a program closing the port does not hang up the
// master. The master runs in packet mode, which reports purges of the line
// from the slave's side; opens and closes of the slave by other programs are
// seen through inotify on the slave's device node.
#include <optional>
#include <string>

namespace t418::sim {

class PtyLink {
 public:
  PtyLink() = default;
  PtyLink(const PtyLink&) = delete;
  PtyLink& operator=(const PtyLink&) = delete;
  ~PtyLink();

  // Opens the pair, puts the slave in raw mode (TCSANOW) and starts watching
  // it. False with a message in error when the pair cannot be had; a missing
  // open watch is only reported in warning.
  bool Open(std::string& error, std::string& warning);

  const std::string& SlavePath() const { return slavePath_; }
  // The slave as this side holds it: its line settings are those the program
  // at the other end set.
  int SlaveFd() const { return heldSlave_; }
  // Ends an exclusive mode that a program set and did not end (it crashed or
  // was killed): the port stays open here, so the driver would keep the mode
  // and refuse every later opener. Called once no other program holds the port.
  void ReleaseExclusive();
  int MasterFd() const { return master_; }
  // -1 when opens cannot be watched.
  int WatchFd() const { return watch_; }

  struct Input {
    std::string data;
    bool purged = false;  // the slave's side purged the line
    bool failed = false;  // the master cannot be read
  };
  // Reads what the master holds (non-blocking).
  Input Read();
  // Reads the watch: the number of opens and closes of the slave since the last call.
  struct Openings {
    int opened = 0;
    int closed = 0;
  };
  Openings ReadWatch();

  // Writes without blocking: the count taken, 0 when the line is full, -1 on error.
  long Write(const char* bytes, std::size_t n);

 private:
  int master_ = -1;
  int heldSlave_ = -1;
  int watch_ = -1;
  std::string slavePath_;
};

// A symbolic link name -> target in a folder, removed again when it ends
// (only while it still points at the target). Beside it a hidden lock file
// ".NAME.lock" holds the serving process's number under a lock for as long as
// the link is placed, so a second simulator of the same name cannot take the
// link over while the first still serves it.
class PortLink {
 public:
  PortLink() = default;
  PortLink(const PortLink&) = delete;
  PortLink& operator=(const PortLink&) = delete;
  ~PortLink() { Remove(); }

  // Creates the folder when missing and the link; a stale link of the same
  // name is replaced. False with a message on failure, also when a running
  // simulator serves the name.
  bool Place(const std::string& folder, const std::string& name, const std::string& target,
             std::string& error);
  void Remove();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string target_;
  std::string lockPath_;
  int lock_ = -1;
};

}  // namespace t418::sim

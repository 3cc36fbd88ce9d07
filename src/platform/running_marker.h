#pragma once
// The running marker: a named shared-memory object of 4 bytes that exists
// while a program runs, so other processes can see a running copy by name.
// The first copy creates it and stores 0; a second copy only maps it. The name
// goes away with the last copy. Any failure is ignored: the program runs on
// without it.
#include <string>

namespace t418::platform {

class RunningMarker {
 public:
  explicit RunningMarker(std::string name);
  ~RunningMarker();
  RunningMarker(const RunningMarker&) = delete;
  RunningMarker& operator=(const RunningMarker&) = delete;

  bool Mapped() const { return view_ != nullptr; }
  // Whether this process made the object (and so set it to 0).
  bool Created() const { return created_; }
  // The 32-bit integer behind the name; -1 when not mapped.
  int Value() const { return view_ ? *view_ : -1; }

 private:
  std::string name_;
  int* view_ = nullptr;
  long handle_ = -1;
  bool created_ = false;
};

}  // namespace t418::platform

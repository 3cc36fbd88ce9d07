#pragma once
// The running marker: a named shared-memory object of 4 bytes that exists
// while the program runs, so other processes can see a running copy by name.
// The first copy creates it and stores 0; a second copy only maps it. Any
// failure is ignored: the program runs on without it.
#include <string>

namespace t418 {

inline constexpr char kRunOnceName[] = "/{E8EFD6DE-BC7A-4FE1-90CC-EB9EB52A7A11}";

class RunOnceMarker {
 public:
  explicit RunOnceMarker(std::string name = kRunOnceName);
  ~RunOnceMarker();
  RunOnceMarker(const RunOnceMarker&) = delete;
  RunOnceMarker& operator=(const RunOnceMarker&) = delete;

  bool Mapped() const { return view_ != nullptr; }
  // Whether this process made the object (and so set it to 0).
  bool Created() const { return created_; }
  // The 32-bit integer behind the name; 0 for this program.
  int Value() const;

 private:
  std::string name_;
  int* view_ = nullptr;
  int fd_ = -1;
  bool created_ = false;
};

}  // namespace t418

#pragma once
// A file of records, one a line (the station's report), appended to by whole
// lines only. A line that does not fit (a full disk, a size limit) is taken
// back out of the file, so that no half line stays and no later record is
// glued to one, and it waits to be tried again before the next record.
#include <string>
#include <vector>

#include "platform/file_io.h"

namespace t418 {

class RecordFile {
 public:
  RecordFile() = default;
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Opens the file for appending (creating it); false with Error() when it cannot be.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_ != platform::kNoFile; }

  // Appends the lines still waiting, then this one (without its line end), each
  // in one piece; true when none is left waiting.
  bool Append(const std::string& line);
  // Tries the waiting lines again; true when none is left.
  bool Retry();

  // The lines not written yet, oldest first.
  const std::vector<std::string>& Waiting() const { return waiting_; }
  // Why the last line could not be written (or the file opened).
  const std::string& Error() const { return error_; }

 private:
  bool WriteWhole(const std::string& text);

  platform::FileHandle file_ = platform::kNoFile;
  bool halfLineAtEnd_ = false;  // the file ends inside a line that could not be taken back
  std::vector<std::string> waiting_;
  std::string error_;
};

}  // namespace t418

#include "production/record_file.h"

#include <system_error>

namespace t418 {

RecordFile::~RecordFile() { platform::CloseFile(file_); }

bool RecordFile::Open(const std::string& path) {
  std::error_code error;
  file_ = platform::OpenForAppending(path, error);
  if (file_ == platform::kNoFile) {
    error_ = error.message();
    return false;
  }
  // A line cut short by an earlier run: the next record starts on a line of its own.
  platform::OpenFileFacts facts;
  if (platform::FactsOfOpenFile(file_, facts, error) && facts.regular && facts.size > 0) {
    if (const auto last = platform::ByteAt(file_, facts.size - 1)) halfLineAtEnd_ = *last != '\n';
  }
  return true;
}

bool RecordFile::WriteWhole(const std::string& text) {
  platform::OpenFileFacts facts;
  std::error_code error;
  const bool sized = platform::FactsOfOpenFile(file_, facts, error) && facts.regular;
  const std::string out = (halfLineAtEnd_ ? "\n" : "") + text;
  std::size_t done = 0;
  while (done < out.size()) {
    const long n = platform::WriteSome(file_, out.data() + done, out.size() - done, error);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    error_ = n < 0 ? error.message() : "nothing written";
    // What went in of the line comes out again.
    if (done > 0) {
      if (sized && platform::CutTo(file_, facts.size)) return false;
      halfLineAtEnd_ = true;
    }
    return false;
  }
  halfLineAtEnd_ = false;
  return true;
}

bool RecordFile::Retry() {
  if (file_ == platform::kNoFile) return waiting_.empty();
  std::vector<std::string> still;
  for (const auto& line : waiting_)
    if (!WriteWhole(line + "\n")) still.push_back(line);
  waiting_ = std::move(still);
  return waiting_.empty();
}

bool RecordFile::Append(const std::string& line) {
  Retry();
  if (file_ == platform::kNoFile || !WriteWhole(line + "\n")) waiting_.push_back(line);
  return waiting_.empty();
}

}  // namespace t418

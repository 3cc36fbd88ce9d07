#include "text/file_read.h"

namespace t418 {
namespace {

class FileRefusalCategoryImpl : public std::error_category {
 public:
  const char* name() const noexcept override { return "t418 file"; }
  std::string message(int value) const override {
    switch (static_cast<FileRefusal>(value)) {
      case FileRefusal::NotRegular: return "not a regular file";
      case FileRefusal::TooLarge: return "larger than 1 MiB, too large for a settings file";
      case FileRefusal::NotConfiguration: return "not a configuration file (no parameter section with a known key)";
    }
    return "file refused";
  }
};

}  // namespace

const std::error_category& FileRefusalCategory() {
  static const FileRefusalCategoryImpl category;
  return category;
}

std::error_code make_error_code(FileRefusal refusal) {
  return {static_cast<int>(refusal), FileRefusalCategory()};
}

platform::FileHandle OpenRegularFile(const std::filesystem::path& path, std::error_code& error,
                                     std::uintmax_t maxBytes) {
  const platform::FileHandle file = platform::OpenForReading(path, error);
  if (file == platform::kNoFile) return platform::kNoFile;
  platform::OpenFileFacts facts;
  if (!platform::FactsOfOpenFile(file, facts, error)) {
    // error holds the system's reason
  } else if (!facts.regular) {
    error = FileRefusal::NotRegular;
  } else if (facts.size > maxBytes) {
    error = FileRefusal::TooLarge;
  } else {
    error.clear();
    return file;
  }
  platform::CloseFile(file);
  return platform::kNoFile;
}

bool ReadAllBytes(platform::FileHandle file, std::string& bytes, std::error_code& error, std::uintmax_t maxBytes) {
  char buffer[16384];
  for (;;) {
    const long got = platform::ReadSome(file, buffer, sizeof buffer, error);
    if (got == 0) return true;
    if (got < 0) return false;
    if (bytes.size() + static_cast<std::size_t>(got) > maxBytes) {
      error = FileRefusal::TooLarge;
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace t418

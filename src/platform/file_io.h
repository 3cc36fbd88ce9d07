#pragma once
// Open files by the system's handle, for the reads and appends that must not
// block on a FIFO or leave half a line behind. Every call that fails sets the
// system's reason; an interrupted call is made again.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

namespace t418::platform {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// For reading only; opening never waits (a FIFO opens at once, without a writer).
FileHandle OpenForReading(const std::filesystem::path& path, std::error_code& error);
// For appending, created when missing (mode 0644 before the umask); read
// access too where the system grants it.
FileHandle OpenForAppending(const std::filesystem::path& path, std::error_code& error);
void CloseFile(FileHandle file);

struct OpenFileFacts {
  bool regular = false;
  std::uintmax_t size = 0;
};
bool FactsOfOpenFile(FileHandle file, OpenFileFacts& facts, std::error_code& error);

// Bytes read (0 at the end), or -1.
long ReadSome(FileHandle file, char* buffer, std::size_t size, std::error_code& error);
// Bytes written (0 when nothing could be), or -1.
long WriteSome(FileHandle file, const char* data, std::size_t size, std::error_code& error);
// The byte at offset, when it can be read.
std::optional<char> ByteAt(FileHandle file, std::uintmax_t offset);
// Cuts the file back to size bytes.
bool CutTo(FileHandle file, std::uintmax_t size);

}  // namespace t418::platform

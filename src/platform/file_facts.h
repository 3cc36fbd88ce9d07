#pragma once
// What the system says of a file before the tool reads or writes it.
#include <filesystem>
#include <optional>
#include <system_error>

namespace t418::platform {

enum class FileKind {
  Missing,  // not there, or not to be looked at (the error says why)
  Regular,
  Folder,
  Other,    // a device, FIFO or socket
};

// The kind of the file the path names (links followed); error set for Missing.
FileKind KindOfFile(const std::filesystem::path& path, std::error_code& error);

// Whether this process may read the file; error says why not.
bool MayRead(const std::filesystem::path& path, std::error_code& error);

// Whether this process may create files in the folder (empty: the current one).
bool MayWriteIn(const std::filesystem::path& folder);

// Whether two existing names are the same file (the same object on the same
// device, whatever links lead there); nullopt when either cannot be looked at.
std::optional<bool> SameExistingFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace t418::platform

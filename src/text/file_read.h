#pragma once
// Opening the tool's small text files (profile, configuration and language
// files) for reading: only a regular file of a sane size is read, so that a
// device (/dev/zero), a FIFO or a huge file named by mistake gives a clear
// error instead of a hang or an exhausted memory.
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/file_io.h"

namespace t418 {

// The largest file the tool reads as a profile, configuration or language file.
inline constexpr std::uintmax_t kMaxTextFileSize = 1024 * 1024;

// Why a file was not taken, besides the system's reasons.
enum class FileRefusal {
  NotRegular = 1,    // a folder, device, FIFO or socket
  TooLarge,          // more than kMaxTextFileSize bytes
  NotConfiguration,  // no parameter section with a known key
};

const std::error_category& FileRefusalCategory();
std::error_code make_error_code(FileRefusal refusal);

// The handle of path opened for reading, when it is a regular file of at most
// maxBytes; otherwise platform::kNoFile and error says why (the system's
// reason, or a FileRefusal). Opening never waits for a FIFO's writer. Close it
// with platform::CloseFile.
platform::FileHandle OpenRegularFile(const std::filesystem::path& path, std::error_code& error,
                    std::uintmax_t maxBytes = kMaxTextFileSize);

// The whole content of a file from OpenRegularFile, read up to maxBytes; a
// file that grew beyond that gives TooLarge. The file stays open.
bool ReadAllBytes(platform::FileHandle file, std::string& bytes, std::error_code& error,
                  std::uintmax_t maxBytes = kMaxTextFileSize);

}  // namespace t418

template <>
struct std::is_error_code_enum<t418::FileRefusal> : std::true_type {};

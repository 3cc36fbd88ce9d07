#pragma once
// SHA-256 of a byte string or of a file's bytes, as 64 lower-case hex digits:
// the checksum a production record keeps of the configuration file it wrote.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace t418 {

std::string Sha256Hex(std::string_view bytes);

// Nothing when the file cannot be read.
std::optional<std::string> FileSha256Hex(const std::filesystem::path& path);

}  // namespace t418

#pragma once
// A folder of its own for a test that writes files, and reading and writing
// whole files as bytes.
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace t418::testing {

// A new, empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class TempFolder {
 public:
  TempFolder() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = "t418-test.";
      for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
      std::error_code ec;
      // Made here and now, or it was there before: another name then.
      if (std::filesystem::create_directory(base / name, ec)) {
        path_ = base / name;
        return;
      }
      if (ec) throw std::system_error(ec, "create folder " + (base / name).string());
    }
    throw std::system_error(std::make_error_code(std::errc::file_exists), "create folder under " + base.string());
  }
  ~TempFolder() {
    std::error_code ec;
    // A test may have taken away write permission to see how the program copes.
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The whole file; empty when it cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Creates or replaces the file with exactly these bytes.
inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace t418::testing

#pragma once
// Decoding one JPEG image into plain RGB bytes with libjpeg. A file that is
// not a JPEG, is cut short or holds damaged data gives an error text, never a
// half-drawn picture and never an exit of the program.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace t418 {

struct JpegPicture {
  int width = 0;
  int height = 0;
  // Rows top to bottom, three bytes (red, green, blue) a pixel, no padding:
  // width * height * 3 bytes. Empty when decoding failed.
  std::vector<std::uint8_t> rgb;
  // Why decoding failed (libjpeg's message); empty on success.
  std::string error;

  bool Ok() const { return error.empty(); }
};

// Pictures larger than this many pixels are refused before anything is
// allocated, so a damaged header cannot ask for gigabytes.
inline constexpr std::int64_t kMaxJpegPixels = 16 * 1024 * 1024;

JpegPicture DecodeJpeg(std::span<const std::uint8_t> bytes);
JpegPicture DecodeJpegFile(const std::string& path);

}  // namespace t418

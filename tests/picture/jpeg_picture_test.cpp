// The JPEG decoder on the About picture shipped with the program, and on
// files that are cut short, damaged or no JPEG at all: those give an error
// text and no pixels, and the program goes on.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "picture/jpeg_picture.h"
#include "temp_folder.h"

using namespace t418;

namespace {

const std::string kLogoPath = std::string(T418_SOURCE_DIR) + "/resources/about_logo.jpg";

std::vector<std::uint8_t> LogoBytes() {
  const std::string text = t418::testing::ReadBytes(kLogoPath);
  return {text.begin(), text.end()};
}

struct Rgb {
  int r, g, b;
};

Rgb PixelAt(const JpegPicture& picture, int x, int y) {
  const std::size_t at = (std::size_t(y) * picture.width + x) * 3;
  return {picture.rgb[at], picture.rgb[at + 1], picture.rgb[at + 2]};
}

// JPEG is lossy: a colour is right when each channel is near the drawn one.
void ExpectNear(Rgb got, Rgb want, const char* where) {
  constexpr int kTolerance = 16;
  EXPECT_NEAR(got.r, want.r, kTolerance) << where;
  EXPECT_NEAR(got.g, want.g, kTolerance) << where;
  EXPECT_NEAR(got.b, want.b, kTolerance) << where;
}

void ExpectRefused(const JpegPicture& picture) {
  EXPECT_FALSE(picture.Ok());
  EXPECT_FALSE(picture.error.empty());
  EXPECT_EQ(picture.width, 0);
  EXPECT_EQ(picture.height, 0);
  EXPECT_TRUE(picture.rgb.empty());
}

// Offset of the first baseline frame header (FF C0) in a JPEG file.
std::size_t FrameHeaderAt(const std::vector<std::uint8_t>& bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) return i;
  return std::string::npos;
}

}  // namespace

TEST(JpegPicture, DecodesTheAboutLogo) {
  const JpegPicture picture = DecodeJpegFile(kLogoPath);
  ASSERT_TRUE(picture.Ok()) << picture.error;
  EXPECT_EQ(picture.width, 100);
  EXPECT_EQ(picture.height, 100);
  ASSERT_EQ(picture.rgb.size(), 100u * 100u * 3u);
  // As tools/about-logo/make-logo.sh draws it: white outside the rounded
  // square, the square's blue, the outer arc white above the dot.
  ExpectNear(PixelAt(picture, 1, 1), {255, 255, 255}, "corner outside the square");
  ExpectNear(PixelAt(picture, 10, 50), {0x15, 0x65, 0xC0}, "left edge of the square");
  ExpectNear(PixelAt(picture, 50, 17), {255, 255, 255}, "outer arc");
  ExpectNear(PixelAt(picture, 50, 24), {0x15, 0x65, 0xC0}, "between the arcs");
}

TEST(JpegPicture, FileAndMemoryGiveTheSamePixels) {
  const JpegPicture fromFile = DecodeJpegFile(kLogoPath);
  const JpegPicture fromMemory = DecodeJpeg(LogoBytes());
  ASSERT_TRUE(fromMemory.Ok()) << fromMemory.error;
  EXPECT_EQ(fromMemory.rgb, fromFile.rgb);
}

TEST(JpegPicture, TruncatedFilesAreErrors) {
  const std::vector<std::uint8_t> whole = LogoBytes();
  ASSERT_GT(whole.size(), 1000u);
  // Inside the markers, inside the frame header, just into the scan, half
  // way, and only the end-of-image marker missing.
  const std::size_t frame = FrameHeaderAt(whole);
  ASSERT_NE(frame, std::string::npos);
  for (std::size_t keep : {std::size_t{2}, std::size_t{20}, frame + 5, whole.size() / 2, whole.size() - 40}) {
    SCOPED_TRACE("first " + std::to_string(keep) + " bytes");
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + keep);
    ExpectRefused(DecodeJpeg(cut));
  }
}

TEST(JpegPicture, GarbageAndEmptyInputAreErrors) {
  std::vector<std::uint8_t> garbage(4096);
  std::srand(418);
  for (auto& byte : garbage) byte = static_cast<std::uint8_t>(std::rand());
  ExpectRefused(DecodeJpeg(garbage));

  const std::string text = "GIF89a this is not a picture";
  ExpectRefused(DecodeJpeg(std::vector<std::uint8_t>(text.begin(), text.end())));
  ExpectRefused(DecodeJpeg({}));
}

TEST(JpegPicture, DamagedScanDataIsAnError) {
  // The header stays intact, so libjpeg starts decoding and only meets the
  // damage in the entropy-coded data (it would fill the rest with grey).
  std::vector<std::uint8_t> bytes = LogoBytes();
  for (std::size_t i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i) bytes[i] = 0xFF;
  ExpectRefused(DecodeJpeg(bytes));
}

TEST(JpegPicture, OversizedHeaderIsRefusedBeforeAllocating) {
  std::vector<std::uint8_t> bytes = LogoBytes();
  const std::size_t frame = FrameHeaderAt(bytes);
  ASSERT_NE(frame, std::string::npos);
  // FF C0, length (2), precision (1), height (2), width (2): 28672 x 28672,
  // within what libjpeg accepts but far more pixels than a picture may have.
  for (std::size_t at : {frame + 5, frame + 7}) {
    bytes[at] = 0x70;
    bytes[at + 1] = 0x00;
  }
  const JpegPicture picture = DecodeJpeg(bytes);
  ExpectRefused(picture);
  EXPECT_NE(picture.error.find("too large"), std::string::npos) << picture.error;
}

TEST(JpegPicture, MissingFileIsAnError) {
  t418::testing::TempFolder folder;
  const JpegPicture picture = DecodeJpegFile((folder.path() / "none.jpg").string());
  ExpectRefused(picture);
  EXPECT_NE(picture.error.find("none.jpg"), std::string::npos) << picture.error;
}

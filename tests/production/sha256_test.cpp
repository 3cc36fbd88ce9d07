// The configuration file's checksum: SHA-256 against published digests, at the
// lengths where the padding takes one or two last blocks.
#include <gtest/gtest.h>

#include <fstream>

#include "production/sha256.h"
#include "temp_folder.h"

namespace t418 {
namespace {

// n bytes of a pattern that runs through many byte values.
std::string Pattern(std::size_t n) {
  std::string bytes(n, '\0');
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 7 + 1) & 0xFF);
  return bytes;
}

TEST(Sha256, DigestsOfKnownInputsAtEveryPaddingBoundary) {
  const struct {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {Pattern(55), "16fa57a0a3423a715d594516339f36189d6b5f93754a9714fef202616a9fabfe"},
      {Pattern(56), "c37b44e5f1b18554b36966f4f8e08bfbf3164c4b6c10374d12d89850892073c5"},
      {Pattern(63), "bbba992d2c85af960fb2987a1fd05e0aa82a3db3c740dd8982a9e273b75e36a3"},
      {Pattern(64), "66bd4633ed6f71c4ecfa4763bf7ba1c8ec7612de9aa6c0578a7b675207c71e0b"},
      {Pattern(119), "a3ed307b730fa77c07531300c6e4a282330011d4d4caf6bb7b63ae05950f4b66"},
      {Pattern(120), "8e3b15d9fea7472655aa069620b7f8c2e55ee1499f763200a7515fe826e99d20"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Sha256Hex(c.input), c.digest) << "length " << c.input.size();
}

TEST(Sha256, AFileIsHashedByItsBytesAndAnUnreadableOneGivesNothing) {
  testing::TempFolder folder;
  const auto file = folder.path() / "line.ini";
  // GBK bytes and CR LF stay as they are: the checksum is of the file, not of its text.
  const std::string bytes = "[NET]\r\nSTMSG=\xD6\xD0\xCE\xC4\r\n";
  std::ofstream(file, std::ios::binary) << bytes;
  EXPECT_EQ(FileSha256Hex(file), Sha256Hex(bytes));
  EXPECT_FALSE(FileSha256Hex(folder.path() / "missing.ini").has_value());
  EXPECT_FALSE(FileSha256Hex(folder.path()).has_value());
}

}  // namespace
}  // namespace t418

// The system's GBK converter, step by step: where it stops and why.
#include <gtest/gtest.h>

#include <string>

#include "platform/gbk_codec.h"

namespace t418::platform {
namespace {

TEST(TextConverter, StepsStopAtTheFirstBadSequenceAndWhenTheOutputIsFull) {
  const std::string gbk = "A\xC4\xE3" "B";  // "A你B"
  const struct {
    Charset from, to;
    std::string in;
    std::size_t room;
    TextConverter::Step step;
    std::string out;         // what went over
    std::size_t leftAfter;   // input bytes not taken
  } cases[] = {
      {Charset::Gbk, Charset::Utf8, gbk, 64, TextConverter::Step::Done, "A\xE4\xBD\xA0" "B", 0},
      {Charset::Utf8, Charset::Gbk, "A\xE4\xBD\xA0" "B", 64, TextConverter::Step::Done, gbk, 0},
      // A lead byte whose trail byte is not one: the converter stops on it.
      {Charset::Gbk, Charset::Utf8, "A\x81\x20" "B", 64, TextConverter::Step::Invalid, "A", 3},
      // A character with no GBK form.
      {Charset::Utf8, Charset::Gbk, "A\xF0\x9F\x98\x80" "B", 64, TextConverter::Step::Invalid, "A", 5},
      // A cut-off character at the end.
      {Charset::Gbk, Charset::Utf8, "A\xC4", 64, TextConverter::Step::Invalid, "A", 1},
      // Room for "A" only: the three bytes of the next character do not fit.
      {Charset::Gbk, Charset::Utf8, gbk, 2, TextConverter::Step::OutputFull, "A", 3},
  };
  for (const auto& c : cases) {
    TextConverter converter(c.from, c.to);
    ASSERT_TRUE(converter.Valid());
    std::string buffer(c.room, '\0');
    const char* src = c.in.data();
    std::size_t srcLeft = c.in.size();
    char* dst = buffer.data();
    std::size_t dstLeft = buffer.size();
    EXPECT_EQ(converter.Convert(src, srcLeft, dst, dstLeft), c.step) << c.in;
    EXPECT_EQ(std::string(buffer.data(), dst), c.out) << c.in;
    EXPECT_EQ(srcLeft, c.leftAfter) << c.in;
    EXPECT_EQ(src, c.in.data() + c.in.size() - c.leftAfter) << c.in;
    EXPECT_EQ(dstLeft, c.room - c.out.size()) << c.in;
  }
}

}  // namespace
}  // namespace t418::platform

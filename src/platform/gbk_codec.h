#pragma once
// The system's converter between GBK (code page 936) and UTF-8, one step at a
// time; what an unconvertible sequence becomes is decided by the caller
// (text/gbk.h).
#include <cstddef>

namespace t418::platform {

enum class Charset { Gbk, Utf8 };

class TextConverter {
 public:
  TextConverter(Charset from, Charset to);
  ~TextConverter();
  TextConverter(const TextConverter&) = delete;
  TextConverter& operator=(const TextConverter&) = delete;

  // False when the system cannot convert between the two.
  bool Valid() const { return state_ != nullptr; }

  enum class Step {
    Done,        // the whole input went over
    OutputFull,  // the output is full: give more room and go on
    Invalid,     // the input at src is not convertible (or cut off)
  };
  // Converts from src into dst, moving both on and counting down what is left.
  Step Convert(const char*& src, std::size_t& srcLeft, char*& dst, std::size_t& dstLeft);

 private:
  void* state_ = nullptr;
};

}  // namespace t418::platform

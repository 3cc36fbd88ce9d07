// The language file reader on any bytes: the file is read (through a file in
// memory, as the tool reads it from disk), every entry can be looked up in
// both languages, and the name comparison the lookups rest on behaves as an
// equality (reflexive, symmetric); the file's first entry answers its name.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "lang/lang_list.h"

namespace {

using t418::fuzz::Require;

// One file in memory for the whole run, rewritten for each input.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("lang", 0)) { Require(fd_ >= 0, "memfd_create"); }
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }
  void Fill(const std::uint8_t* data, std::size_t size) {
    Require(ftruncate(fd_, 0) == 0, "ftruncate");
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      Require(n > 0, "pwrite");
      done += static_cast<std::size_t>(n);
    }
  }

 private:
  int fd_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  file.Fill(data, size);

  t418::TLangList list([] { return true; });
  list.AddText("lang_Main_Title", "\xC5\xE4\xD6\xC3", "Configuration");
  Require(list.ReadLanguageFile(file.Path()), "a file in memory reads to its end");

  const auto& entries = list.FileEntries();
  for (std::size_t i = 0; i < entries.size() && i < 64; ++i) {
    const auto& e = entries[i];
    Require(t418::SameTextIgnoringCase(e.name, e.name), "a name equals itself");
    if (i > 0) {
      const auto& before = entries[i - 1];
      Require(t418::SameTextIgnoringCase(e.name, before.name) == t418::SameTextIgnoringCase(before.name, e.name),
              "name comparison is symmetric");
    }
    for (bool chinese : {true, false}) {
      list.UseChinese = chinese;
      const std::string text = list.GetText(e.name);
      // The first entry of the file wins over every later one and the built-in layer.
      if (i == 0) Require(text == (chinese ? e.chinese : e.english), "the file's first entry is found by its name");
    }
  }
  list.UseChinese = false;
  (void)list.GetText("lang_Main_Title");
  return 0;
}

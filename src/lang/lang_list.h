#pragma once
// The language list (Unit_Baselang): every caption, hint and message is looked
// up by name in two layers, the language file and the built-in catalogue, each
// holding a Chinese and an English text. The file layer wins. All texts are
// GBK bytes.
//
// The language file "T418Lang.txt" is plain GBK text, lines ended by CR LF:
//   ;comment
//   name|Chinese text|English text
// with "///" standing for a line break inside a text.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "lang/text_lookup.h"

namespace t418 {

inline constexpr char kLangFileName[] = "T418Lang.txt";

struct LangEntry {
  std::string name;
  std::string chinese;
  std::string english;

  bool operator==(const LangEntry&) const = default;
};

// What LoadLanguageFile did, for the start-up log. In every case the list is
// usable: what the file could not supply, the built-in layer does.
enum class LangFileStatus {
  Read,            // an existing file was read to its end
  WrittenAndRead,  // there was none: the default file was written, then read
  NotCreated,      // there was none and it could not be written: built-in texts only
  NotRead,         // the file could not be opened or read to its end
};

// True when the first of LC_ALL, LC_MESSAGES and LANG that is set and not
// empty names a Chinese language ("zh..."). A null pointer is an unset variable.
bool IsChineseLocale(const char* lcAll, const char* lcMessages, const char* lang);
// Whether the user reads Chinese: the system's display language where it keeps
// one (Windows), else IsChineseLocale on the environment of this process.
bool IsChineseSystem();

// Two texts are the same name when they differ only in letter case. A Chinese
// character (lead byte 0x81-0xFE and the byte after it) is compared as one
// character, so its second byte is never taken for an ASCII letter; the
// full-width Latin, Greek and Cyrillic letters of code page 936 fold too.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// Splits one line of the language file into name, Chinese and English text
// and turns each "///" of the two texts into LF. Separators are looked for
// between characters only: a Chinese character whose second byte is 0x7C
// ("|") stays whole.
LangEntry ParseLanguageLine(std::string_view line);

class TLangList : public TextLookup {
 public:
  // systemIsChinese tells LoadLanguageFile which language to start with.
  explicit TLangList(std::function<bool()> systemIsChinese = IsChineseSystem);

  // Appends to the built-in layer; names may repeat (the first one wins).
  void AddText(std::string name, std::string chinese, std::string english);

  // The text of name in the current language: the file layer first, then the
  // built-in layer; in each, a name is looked for among the names, then among
  // the Chinese texts, then among the English texts, so a text stands in for
  // its name. A name that no layer knows gives the name itself.
  std::string GetText(std::string_view name) const;
  std::string LangText(std::string_view name) const override { return GetText(name); }

  // Writes the default file when there is none at path, sets UseChinese from
  // the system language and reads the file into the file layer. Never throws.
  LangFileStatus LoadLanguageFile(const std::filesystem::path& path);
  // Creates the file anew with the two header lines, a line holding one blank
  // and one line per built-in entry (CR LF inside a text written as "///").
  // False when the file could not be written completely.
  bool WriteDefaultLanguageFile(const std::filesystem::path& path) const;
  // Appends the entries of the file to the file layer. False when the file
  // could not be opened or read to its end; the entries read before stay.
  // An empty path reads nothing and counts as success.
  bool ReadLanguageFile(const std::filesystem::path& path);

  const std::vector<LangEntry>& FileEntries() const { return file_; }
  const std::vector<LangEntry>& BuiltInEntries() const { return builtIn_; }

  // True: texts come from the Chinese column; false: from the English column.
  bool UseChinese = false;

 private:
  std::function<bool()> systemIsChinese_;
  std::vector<LangEntry> file_;
  std::vector<LangEntry> builtIn_;
};

}  // namespace t418

#include "lang/lang_list.h"


#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/user_language.h"
#include "text/ascii_case.h"
#include "text/gbk.h"
#include "text/file_read.h"

namespace t418 {
namespace {

constexpr char kSeparator = '|';
constexpr char kCommentMark = ';';
constexpr std::string_view kLineBreakMark = "///";
constexpr char kEndOfFile = 26;  // Ctrl-Z

// The two header lines of a new language file (turned into GBK when written).
constexpr std::string_view kHeaderChinese =
    ";语言文件格式为: 名称|中文|英文，竖线分割，逗号与分号为注释，///为换行，空行自动忽略";
constexpr std::string_view kHeaderEnglish =
    ";Language file format: Name|Chinese|English，vertical is delimiter， comma or semicolon "
    "is Comments，///is newline，Empty lines automatically ignored";

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Length of the character that starts at i: 2 for a lead byte with a byte
// after it, else 1.
std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// One character as a number (lead byte high), with upper-case letters folded
// to lower case: ASCII, and the full-width Latin, Greek and Cyrillic rows.
unsigned FoldedChar(std::string_view text, std::size_t i, std::size_t length) {
  const auto first = static_cast<unsigned char>(text[i]);
  if (length == 1) return static_cast<unsigned char>(AsciiLower(text[i]));
  const auto second = static_cast<unsigned char>(text[i + 1]);
  unsigned folded = second;
  if (first == 0xA3 && second >= 0xC1 && second <= 0xDA) folded = second + 0x20;       // Ａ-Ｚ
  else if (first == 0xA6 && second >= 0xA1 && second <= 0xB8) folded = second + 0x20;  // Α-Ω
  else if (first == 0xA7 && second >= 0xA1 && second <= 0xC1) folded = second + 0x30;  // А-Я
  return (static_cast<unsigned>(first) << 8) | folded;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t at = text.find(from); at != std::string_view::npos;
       at = text.find(from, start)) {
    out.append(text.substr(start, at - start));
    out.append(to);
    start = at + from.size();
  }
  out.append(text.substr(start));
  return out;
}

// The first entry of a layer that holds the name: among the names, else among
// the Chinese texts, else among the English texts.
const LangEntry* FindInLayer(const std::vector<LangEntry>& layer, std::string_view name) {
  for (const auto& e : layer)
    if (SameTextIgnoringCase(e.name, name)) return &e;
  for (const auto& e : layer)
    if (SameTextIgnoringCase(e.chinese, name)) return &e;
  for (const auto& e : layer)
    if (SameTextIgnoringCase(e.english, name)) return &e;
  return nullptr;
}

bool NonEmpty(const char* value) { return value != nullptr && value[0] != '\0'; }

}  // namespace

bool IsChineseLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (NonEmpty(value)) return std::string_view(value).starts_with("zh");
  }
  return false;
}

bool IsChineseSystem() {
  const std::string language = platform::UserInterfaceLanguage();
  if (!language.empty()) return language.starts_with("zh");
  return IsChineseLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t length = CharLength(a, i);
    if (CharLength(b, i) != length) return false;
    if (FoldedChar(a, i, length) != FoldedChar(b, i, length)) return false;
    i += length;
  }
  return true;
}

LangEntry ParseLanguageLine(std::string_view line) {
  std::size_t first = std::string_view::npos, second = std::string_view::npos,
              last = std::string_view::npos;
  for (std::size_t i = 0; i < line.size(); i += CharLength(line, i)) {
    if (line[i] != kSeparator) continue;
    if (first == std::string_view::npos) first = i;
    else if (second == std::string_view::npos) second = i;
    last = i;
  }
  LangEntry entry;
  if (first == std::string_view::npos) return entry;
  entry.name = std::string(line.substr(0, first));
  if (second != std::string_view::npos)
    entry.chinese = ReplaceAll(line.substr(first + 1, second - first - 1), kLineBreakMark, "\n");
  entry.english = ReplaceAll(line.substr(last + 1), kLineBreakMark, "\n");
  return entry;
}

TLangList::TLangList(std::function<bool()> systemIsChinese)
    : systemIsChinese_(systemIsChinese ? std::move(systemIsChinese)
                                       : std::function<bool()>(IsChineseSystem)) {}

void TLangList::AddText(std::string name, std::string chinese, std::string english) {
  builtIn_.push_back({std::move(name), std::move(chinese), std::move(english)});
}

std::string TLangList::GetText(std::string_view name) const {
  const LangEntry* entry = FindInLayer(file_, name);
  if (entry == nullptr) entry = FindInLayer(builtIn_, name);
  if (entry == nullptr) return std::string(name);
  return UseChinese ? entry->chinese : entry->english;
}

LangFileStatus TLangList::LoadLanguageFile(const std::filesystem::path& path) {
  try {
    LangFileStatus status = LangFileStatus::Read;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
      if (!WriteDefaultLanguageFile(path)) {
        // A write-protected folder: go on with the built-in texts.
        UseChinese = systemIsChinese_();
        return LangFileStatus::NotCreated;
      }
      status = LangFileStatus::WrittenAndRead;
    }
    UseChinese = systemIsChinese_();
    if (!ReadLanguageFile(path)) return LangFileStatus::NotRead;
    return status;
  } catch (const std::exception&) {
    return LangFileStatus::NotRead;
  }
}

bool TLangList::WriteDefaultLanguageFile(const std::filesystem::path& path) const {
  const std::string crLf = "\r\n";
  std::string out = Utf8ToGbk(kHeaderChinese) + crLf + Utf8ToGbk(kHeaderEnglish) + crLf + " " + crLf;
  for (const auto& e : builtIn_) {
    out += e.name;
    out += kSeparator;
    out += ReplaceAll(e.chinese, crLf, kLineBreakMark);
    out += kSeparator;
    out += ReplaceAll(e.english, crLf, kLineBreakMark);
    out += crLf;
  }
  std::ofstream file(path, std::ios::binary);
  if (!file.is_open()) return false;
  file.write(out.data(), static_cast<std::streamsize>(out.size()));
  file.close();
  const bool ok = !file.fail();
  if (!ok) {
    // A cut-off file would be read as it is at every start: leave none.
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
  }
  return ok;
}

bool TLangList::ReadLanguageFile(const std::filesystem::path& path) {
  if (path.empty()) return true;
  // Only a regular file of a sane size: a device or a FIFO would never end.
  std::error_code error;
  const platform::FileHandle file = OpenRegularFile(path, error);
  if (file == platform::kNoFile) return false;
  std::string data;
  bool complete = ReadAllBytes(file, data, error);
  platform::CloseFile(file);

  if (const std::size_t end = data.find(kEndOfFile); end != std::string::npos) {
    data.resize(end);
    complete = true;  // the file ended before the failure
  }

  auto takeLine = [this](const std::string& line) {
    if (line.empty() || line.front() == kCommentMark) return;
    file_.push_back(ParseLanguageLine(line));
  };
  std::string line;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const char c = data[i];
    if (c == '\n') {
      takeLine(line);
      line.clear();
    } else if (c == '\r') {
      if (i + 1 < data.size() && data[i + 1] == '\n') {
        takeLine(line);
        line.clear();
        ++i;
      }
      // A CR without LF is dropped.
    } else {
      line += c;
    }
  }
  // The last line may lack its line end; after a read failure it is cut off.
  if (complete) takeLine(line);
  return complete;
}

}  // namespace t418

#include "params/profile_file.h"

#include <cstdio>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/process.h"
#include "text/ascii_case.h"
#include "text/decimal.h"
#include "text/file_read.h"

namespace t418 {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// 2 at the lead byte of a Chinese character (0x81-0xFE followed by a trail
// byte 0x40-0x7E or 0x80-0xFE), otherwise 1.
std::size_t CharLength(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size()) return 1;
  const auto trail = static_cast<unsigned char>(text[i + 1]);
  const bool isTrail = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE);
  return isTrail ? 2 : 1;
}

// Equal ignoring the case of ASCII letters. A Chinese character is compared
// whole, so a trail byte that happens to be a letter is not folded.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t length = CharLength(a, i);
    if (length == 2) {
      if (a.substr(i, 2) != b.substr(i, 2)) return false;
    } else if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
      return false;
    }
    i += length;
  }
  return true;
}

// The first ']' that is a character of its own, not the trail byte of one.
std::size_t FindClosingBracket(std::string_view text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); i += CharLength(text, i))
    if (text[i] == ']') return i;
  return std::string_view::npos;
}

// The longest start of text that holds at most limit bytes and does not end
// in the middle of a Chinese character.
std::string_view CutToWholeCharacters(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = 0;
  while (end < limit) {
    const std::size_t length = CharLength(text, end);
    if (end + length > limit) break;
    end += length;
  }
  return text.substr(0, end);
}

enum class LineKind { Other, Section, Key };

struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string_view name;       // of the section or the key
  std::size_t valueStart = 0;  // key lines: the byte after "="
};

ParsedLine ParseLine(std::string_view line) {
  const std::string_view text = Trim(line);
  if (text.empty() || text.front() == ';') return {};
  if (text.front() == '[') {
    const std::size_t open = line.find('[');
    const std::size_t close = FindClosingBracket(line, open + 1);
    const std::size_t end = close == std::string_view::npos ? line.size() : close;
    return {LineKind::Section, Trim(line.substr(open + 1, end - open - 1)), 0};
  }
  // "=" (0x3D) is never the trail byte of a Chinese character.
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {};
  const std::string_view key = Trim(line.substr(0, equals));
  if (key.empty()) return {};
  return {LineKind::Key, key, equals + 1};
}

// The value of a key line: trimmed, and one pair of enclosing quotes removed.
std::string_view UnquotedValue(std::string_view line, std::size_t valueStart) {
  std::string_view value = Trim(line.substr(valueStart));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

std::string WithoutLineBreaks(std::string_view value) {
  std::string result(value);
  for (char& c : result)
    if (c == '\r' || c == '\n') c = ' ';
  return result;
}

}  // namespace

std::string FileWriteError::Describe() const { return path.string() + ": " + reason.message(); }

// ---- the document ----------------------------------------------------------

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument document;
  if (bytes.starts_with(kUtf8ByteOrderMark)) {
    document.byteOrderMark_ = kUtf8ByteOrderMark;
    bytes.remove_prefix(kUtf8ByteOrderMark.size());
  }
  while (!bytes.empty()) {
    const std::size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    document.lines_.emplace_back(line);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
  }
  return document;
}

std::string IniDocument::Serialize() const {
  std::string bytes = byteOrderMark_;
  for (const std::string& line : lines_) {
    bytes += line;
    bytes += kLineEnd;
  }
  return bytes;
}

std::optional<std::size_t> IniDocument::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const ParsedLine parsed = ParseLine(lines_[i]);
    if (parsed.kind == LineKind::Section && SameName(parsed.name, section)) return i;
  }
  return std::nullopt;
}

std::optional<IniDocument::KeyLine> IniDocument::FindKey(std::size_t header,
                                                         std::string_view key) const {
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    const ParsedLine parsed = ParseLine(lines_[i]);
    if (parsed.kind == LineKind::Section) break;
    if (parsed.kind == LineKind::Key && SameName(parsed.name, key))
      return KeyLine{i, parsed.valueStart};
  }
  return std::nullopt;
}

std::size_t IniDocument::InsertionPoint(std::size_t header) const {
  std::size_t point = header + 1;
  for (std::size_t i = header + 1; i < lines_.size(); ++i) {
    const LineKind kind = ParseLine(lines_[i]).kind;
    if (kind == LineKind::Section) break;
    if (kind == LineKind::Key) point = i + 1;
  }
  return point;
}

bool IniDocument::HasSection(std::string_view section) const {
  return FindSection(section).has_value();
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const auto header = FindSection(section);
  if (!header) return keys;
  for (std::size_t i = *header + 1; i < lines_.size(); ++i) {
    const ParsedLine parsed = ParseLine(lines_[i]);
    if (parsed.kind == LineKind::Section) break;
    if (parsed.kind != LineKind::Key) continue;
    bool repeated = false;
    for (const std::string& key : keys) repeated = repeated || SameName(key, parsed.name);
    if (!repeated) keys.emplace_back(parsed.name);
  }
  return keys;
}

std::vector<std::string> IniDocument::KeysWithLongValues() const {
  std::vector<std::string> keys;
  for (const std::string& line : lines_) {
    const ParsedLine parsed = ParseLine(line);
    if (parsed.kind == LineKind::Key && UnquotedValue(line, parsed.valueStart).size() > kMaxProfileValueLength)
      keys.emplace_back(parsed.name);
  }
  return keys;
}

std::optional<std::string> IniDocument::Find(std::string_view section,
                                             std::string_view key) const {
  const auto header = FindSection(section);
  if (!header) return std::nullopt;
  const auto found = FindKey(*header, key);
  if (!found) return std::nullopt;
  const std::string_view value = UnquotedValue(lines_[found->index], found->valueStart);
  return std::string(CutToWholeCharacters(value, kMaxProfileValueLength));
}

std::string IniDocument::ReadString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
  auto value = Find(section, key);
  return value ? std::move(*value) : std::string(defaultValue);
}

int IniDocument::ReadInteger(std::string_view section, std::string_view key,
                             int defaultValue) const {
  const auto value = Find(section, key);
  if (!value) return defaultValue;
  return ParseDecimalInt(*value).value_or(defaultValue);
}

bool IniDocument::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniDocument::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  const std::string stored = WithoutLineBreaks(value);
  const auto header = FindSection(section);
  if (!header) {
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::string(key) + "=" + stored);
    return;
  }
  if (const auto found = FindKey(*header, key)) {
    std::string& line = lines_[found->index];
    if (UnquotedValue(line, found->valueStart) == stored) return;
    // Keep the key as the file spells it, and the blanks after "=".
    std::size_t valueStart = found->valueStart;
    while (valueStart < line.size() && IsBlank(line[valueStart])) ++valueStart;
    line = line.substr(0, valueStart) + stored;
    return;
  }
  const auto point = static_cast<std::ptrdiff_t>(InsertionPoint(*header));
  lines_.insert(lines_.begin() + point, std::string(key) + "=" + stored);
}

void IniDocument::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniDocument::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

// ---- replacing a file ------------------------------------------------------

namespace {

// Removes the new files that saves of target by processes no longer running
// left behind (a save cut short by a signal or a power loss): their names are
// "." name "." pid "-" ... ".tmp", as platform::FileReplacement makes them.
void RemoveAbandonedSiblings(const fs::path& target) {
  const std::string prefix = "." + target.filename().string() + ".";
  std::error_code error;
  fs::directory_iterator entries(target.parent_path(), error);
  if (error) return;
  for (const fs::directory_entry& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix) || !name.ends_with(".tmp")) continue;
    const std::size_t dash = name.find('-', prefix.size());
    if (dash == std::string::npos) continue;
    const auto pid = ParseDecimalInt(std::string_view(name).substr(prefix.size(), dash - prefix.size()));
    if (!pid || *pid <= 0 || *pid == platform::CurrentProcessId()) continue;
    std::error_code ignored;
    if (platform::ProcessGone(*pid)) fs::remove(entry.path(), ignored);
  }
}

}  // namespace

std::optional<FileWriteError> ReplaceFile(const fs::path& path, std::string_view bytes) {
  fs::path target = path;
  std::error_code ignored;
  if (fs::is_symlink(path, ignored)) {
    fs::path resolved = fs::canonical(path, ignored);
    if (!ignored) target = std::move(resolved);
  }
  if (!target.has_parent_path()) target = fs::path(".") / target;

  RemoveAbandonedSiblings(target);
  platform::FileReplacement replacement(target);
  if (replacement.Error()) return FileWriteError{path, replacement.Error()};
  if (const std::error_code error = replacement.Write(bytes)) return FileWriteError{path, error};
  if (const std::error_code error = replacement.Commit()) return FileWriteError{path, error};
  return std::nullopt;
}

// ---- the profile object ----------------------------------------------------

ProfileFile::ProfileFile(fs::path path) : path_(std::move(path)) {
  const platform::FileHandle file = OpenRegularFile(path_, readError_);
  if (file == platform::kNoFile) {
    const bool missing = readError_ == std::errc::no_such_file_or_directory || readError_ == std::errc::not_a_directory;
    readStatus_ = missing ? ProfileReadStatus::Missing : ProfileReadStatus::Unreadable;
    return;
  }
  std::string bytes;
  const bool read = ReadAllBytes(file, bytes, readError_);
  platform::CloseFile(file);
  if (!read) {
    readStatus_ = ProfileReadStatus::Unreadable;
    return;
  }
  document_ = IniDocument::Parse(bytes);
  readStatus_ = ProfileReadStatus::Read;
}

std::optional<FileWriteError> ProfileFile::Save() const {
  if (readStatus_ == ProfileReadStatus::Unreadable) return FileWriteError{path_, readError_};
  return ReplaceFile(path_, document_.Serialize());
}

}  // namespace t418

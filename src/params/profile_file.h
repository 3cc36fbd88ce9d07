#pragma once
// The profile file "T418Cfg.ini" and the tool's other sectioned text files:
// read once into a document, edited in memory, saved whole.
//
// Why not QSettings: it quotes and escapes what it writes, converts text to
// UTF-8 and rewrites the whole file in its own layout. These files are GBK,
// are edited by hand, and hold lines the tool does not know that must stay
// where they are. This service keeps every line it is not asked to change
// byte for byte and stores values as raw GBK bytes.
//
// Reading rules (those of the INI service the files were first written with):
// - "[name]" opens a section (blanks around the name are ignored); a line
//   holding "=" is a key line, key "=" value; a line starting with ";" is a
//   comment; any other line is kept as it is and means nothing.
// - Section and key names are compared ignoring the case of ASCII letters;
//   a Chinese character is compared as a whole.
// - Of sections with the same name only the first counts; of keys with the
//   same name in it only the first counts. Later ones stay in the file.
// - Blanks (space, tab) around key and value are dropped, then one pair of
//   enclosing double or single quotes. A value is read up to 2047 bytes; a
//   longer one is cut there, one byte earlier when the cut would split a
//   Chinese character.
// - LF or CR LF line ends, a UTF-8 byte-order mark and blank lines read the same.
// - A missing key, or a value that is not a decimal number where one is
//   asked for, gives the caller's default.
//
// Writing rules:
// - Values are stored as they are: no quotes, no escapes. A line break in a
//   value would end the line, so CR and LF are stored as blanks.
// - A key that is written gets its new value in its own line; a write that
//   leaves the value it reads unchanged leaves the line as it was. A new key
//   goes after the last key line of its section; a new section goes at the
//   end of the file, so sections appear in the order they are first written.
// - Every line is written with CR LF; a byte-order mark the file had stays.
// - Booleans are "1" and "0"; integers are decimal.
//
// Saving never destroys the file it replaces: the document is written to a
// new file in the same folder, flushed to the disk, then renamed over the
// old one, and the folder is flushed. A failure leaves the old file whole.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace t418 {

inline constexpr char kProfileFileName[] = "T418Cfg.ini";

// The longest value a read gives, in bytes.
inline constexpr std::size_t kMaxProfileValueLength = 2047;

// Why a file could not be written: the file and the system's reason.
struct FileWriteError {
  std::filesystem::path path;
  std::error_code reason;

  // path ": " reason, for a log line.
  std::string Describe() const;
};

// A sectioned text file held in memory as its lines.
class IniDocument {
 public:
  IniDocument() = default;
  // Any bytes make a document; nothing is refused.
  static IniDocument Parse(std::string_view bytes);
  // The file as it is to be written.
  std::string Serialize() const;

  // The value as the reading rules give it; nullopt when the key is missing.
  std::optional<std::string> Find(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // The names of the section's keys as the file spells them, in file order
  // (a repeated name once); empty when the section is missing.
  std::vector<std::string> Keys(std::string_view section) const;
  // The keys (as the file spells them) whose value is longer than a read
  // gives (kMaxProfileValueLength), in file order.
  std::vector<std::string> KeysWithLongValues() const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // A decimal whole number with an optional sign that fits an int; anything
  // else gives the default.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // A number other than 0 is true; anything that is no number gives the default.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  struct KeyLine {
    std::size_t index;       // in lines_
    std::size_t valueStart;  // where the value's text starts in the line
  };
  std::optional<std::size_t> FindSection(std::string_view section) const;
  // The key line in the section whose header is lines_[header].
  std::optional<KeyLine> FindKey(std::size_t header, std::string_view key) const;
  // The line after the section's last key line, or after its header.
  std::size_t InsertionPoint(std::size_t header) const;

  std::string byteOrderMark_;
  std::vector<std::string> lines_;  // without their line ends
};

// Writes bytes as the whole new content of path: a new file beside it,
// flushed, renamed over it, then the folder flushed. A symbolic link at path
// is followed, so its target is replaced. On failure the old file is as it
// was, the new file is gone and the result says why. Only a failure of the
// last step, the folder's flush, comes after the new file is in place: it is
// reported all the same, since the new file might not outlive a power loss.
std::optional<FileWriteError> ReplaceFile(const std::filesystem::path& path,
                                          std::string_view bytes);

enum class ProfileReadStatus {
  Read,        // the file was read to its end
  Missing,     // there is no file: every read gives its default
  Unreadable,  // the file exists but could not be read: defaults, and no save
};

// The profile object: a document bound to a file, read when it is created.
class ProfileFile {
 public:
  explicit ProfileFile(std::filesystem::path path);

  const std::filesystem::path& Path() const { return path_; }
  ProfileReadStatus ReadStatus() const { return readStatus_; }
  // Why the file could not be read, when it could not.
  std::error_code ReadError() const { return readError_; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const {
    return document_.ReadString(section, key, defaultValue);
  }
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    return document_.ReadInteger(section, key, defaultValue);
  }
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    return document_.ReadBool(section, key, defaultValue);
  }
  void WriteString(std::string_view section, std::string_view key, std::string_view value) {
    document_.WriteString(section, key, value);
  }
  void WriteInteger(std::string_view section, std::string_view key, int value) {
    document_.WriteInteger(section, key, value);
  }
  void WriteBool(std::string_view section, std::string_view key, bool value) {
    document_.WriteBool(section, key, value);
  }

  const IniDocument& Document() const { return document_; }
  IniDocument& Document() { return document_; }

  // Replaces the file with the document. Refused, with the read error, when
  // the file existed but could not be read: its lines are not in the document
  // and would be lost.
  std::optional<FileWriteError> Save() const;

 private:
  std::filesystem::path path_;
  IniDocument document_;
  ProfileReadStatus readStatus_ = ProfileReadStatus::Missing;
  std::error_code readError_;
};

}  // namespace t418

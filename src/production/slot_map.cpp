#include "production/slot_map.h"

#include <cctype>

#include "platform/file_io.h"
#include "platform/port_location.h"
#include "text/file_read.h"

namespace t418 {
namespace {

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

// A CSV field without the quotes around it.
std::string Unquoted(const std::string& field) {
  if (field.size() >= 2 && field.front() == '"' && field.back() == '"') return field.substr(1, field.size() - 2);
  return field;
}

std::string LowerAscii(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Why a slot name cannot be taken, or "": it names log files, so no folder parts or control bytes.
std::string SlotNameFault(const std::string& slot) {
  for (const char c : slot) {
    if (c == '/' || c == '\\') return "the slot name \"" + slot + "\" holds a '" + std::string(1, c) + "'";
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "the slot name holds a control character";
  }
  return {};
}

std::string LastPart(const std::string& place) {
  const auto slash = place.find_last_of('/');
  return slash == std::string::npos ? place : place.substr(slash + 1);
}

enum class Format { Unknown, Ini, Csv };

}  // namespace

std::optional<SlotMap> SlotMap::Load(const std::string& file, std::string& error) {
  std::error_code ec;
  const platform::FileHandle handle = OpenRegularFile(file, ec);
  if (handle == platform::kNoFile) {
    error = file + ": cannot read the slots file (" + ec.message() + ")";
    return std::nullopt;
  }
  std::string text;
  const bool read = ReadAllBytes(handle, text, ec);
  platform::CloseFile(handle);
  if (!read) {
    error = file + ": cannot read the slots file (" + ec.message() + ")";
    return std::nullopt;
  }
  return Parse(text, file, error);
}

std::optional<SlotMap> SlotMap::Parse(const std::string& text, const std::string& fileName, std::string& error) {
  SlotMap map;
  std::map<std::string, int> placeLine;
  std::map<std::string, std::pair<std::string, int>> slotUse;  // slot -> place, line
  Format format = Format::Unknown;
  int lineNumber = 0;
  std::size_t start = 0;
  auto refuse = [&](const std::string& why) {
    error = fileName + ":" + std::to_string(lineNumber) + ": " + why;
    return std::nullopt;
  };
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (lineNumber == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;

    const auto eq = line.find('=');
    const auto comma = line.find(',');
    if (format == Format::Unknown) {
      if (line.front() == '[' && line.back() == ']') {
        format = Format::Ini;
        continue;
      }
      if (eq != std::string::npos && (comma == std::string::npos || eq < comma)) {
        format = Format::Ini;
      } else if (comma != std::string::npos) {
        format = Format::Csv;
        if (LowerAscii(line) == "path,slot") continue;
      } else {
        return refuse("neither \"PATH = SLOT\" nor \"PATH,SLOT\": \"" + line + "\"");
      }
    }

    std::string place;
    std::string slot;
    if (format == Format::Ini) {
      if (line.front() == '[' && line.back() == ']') continue;
      if (eq == std::string::npos) return refuse("no \"PATH = SLOT\" line: \"" + line + "\"");
      place = Trim(line.substr(0, eq));
      slot = Trim(line.substr(eq + 1));
    } else {
      if (comma == std::string::npos) return refuse("no \"PATH,SLOT\" line: \"" + line + "\"");
      if (line.find(',', comma + 1) != std::string::npos)
        return refuse("more than two fields: \"" + line + "\"");
      place = Unquoted(Trim(line.substr(0, comma)));
      slot = Unquoted(Trim(line.substr(comma + 1)));
    }
    if (place.empty()) return refuse("no path before the slot \"" + slot + "\"");
    if (slot.empty()) return refuse("no slot name for " + place);
    if (const std::string fault = SlotNameFault(slot); !fault.empty()) return refuse(fault);
    if (const auto seen = placeLine.find(place); seen != placeLine.end())
      return refuse(place + " is given a slot again (first on line " + std::to_string(seen->second) + ")");
    if (const auto used = slotUse.find(slot); used != slotUse.end())
      return refuse("the slot " + slot + " is given to " + place + " and to " + used->second.first + " (line " +
                    std::to_string(used->second.second) + ")");
    placeLine[place] = lineNumber;
    slotUse[slot] = {place, lineNumber};
    map.names_[place] = slot;
  }
  return map;
}

std::string SlotMap::NameOf(const std::string& place) const {
  if (const auto it = names_.find(place); it != names_.end()) return it->second;
  if (const auto it = names_.find(LastPart(place)); it != names_.end() && it->first.find('/') == std::string::npos)
    return it->second;
  return {};
}

std::string SlotMap::SlotOf(const std::string& port, const std::string& systemRoot) const {
  const std::string place = PortPlace(port, systemRoot);
  const std::string name = NameOf(place);
  if (!name.empty()) return name;
  // A port named by its own path in the file keeps that name even when it has a place.
  const std::string own = NameOf(port);
  return own.empty() ? place : own;
}

std::string PortPlace(const std::string& port, const std::string& systemRoot) {
  const std::string stable = platform::StablePortPath(port, systemRoot);
  return stable.empty() ? port : stable;
}

}  // namespace t418

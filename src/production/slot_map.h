#pragma once
// The slots of a station: each port is named by where it is plugged in (its
// stable path, platform/port_location.h, or its own path when it has none), and
// a slots file gives those places short names ("A3").
//
// A slots file is either INI-like lines "PLACE = SLOT" (a "[section]" line is
// allowed and ignored) or CSV lines "PLACE,SLOT" (an optional first line
// "path,slot"); which one is told by its first line that holds data. Blank
// lines and lines starting with "#" or ";" are skipped. A PLACE without "/"
// stands for the last part of a place ("pci-0000:00:14.0-usb-0:1.2:1.0-port0"
// for the by-path link of that name). Any other line, a place named twice or a
// slot given to two places refuses the whole file, with its name and line.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace t418 {

class SlotMap {
 public:
  // Reads a slots file. nullopt, and in error "FILE:LINE: why" (or "FILE: why"), when it is refused.
  static std::optional<SlotMap> Load(const std::string& file, std::string& error);
  // The same for the file's text; fileName only names it in messages.
  static std::optional<SlotMap> Parse(const std::string& text, const std::string& fileName, std::string& error);

  // The slot name the file gives the place; "" when it names none.
  std::string NameOf(const std::string& place) const;
  // The slot of a port: its name from the file, else its place.
  std::string SlotOf(const std::string& port, const std::string& systemRoot = {}) const;

  std::size_t Size() const { return names_.size(); }

 private:
  std::map<std::string, std::string> names_;  // place (or last part of one) -> slot
};

// Where a port is plugged in: its stable path, or the port's own path when it has none.
std::string PortPlace(const std::string& port, const std::string& systemRoot = {});

}  // namespace t418

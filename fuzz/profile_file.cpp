// The profile and configuration file reader on any bytes. The document read
// from a file writes the file's lines back; what it writes reads back as the
// same document; a value written into it reads back as written (blanks and
// quotes around it aside); and a profile a session saved loads and saves
// again to the same file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "log_fakes.h"
#include "loop/poll_loop.h"
#include "params/profile_file.h"
#include "session/profile_io.h"
#include "session/session.h"

namespace {

using t418::IniDocument;
using t418::fuzz::Require;

// One session for the whole run: loading a profile sets every key, missing
// ones to their defaults, so no input leaves a trace in the next.
t418::Session& SharedSession() {
  static t418::PollLoop loop;
  static t418::testing::FixedLogClock clock;
  static const std::unique_ptr<t418::Session> session = [] {
    t418::SessionOptions options;
    options.programFolder = "/nonexistent-t418-fuzz";
    options.logClock = &clock;
    options.systemIsChinese = [] { return true; };
    options.useProfile = false;
    return std::make_unique<t418::Session>(loop, std::move(options));
  }();
  return *session;
}

const std::vector<std::string> kPorts = {"/dev/ttyUSB0", "/dev/ttyUSB1"};

// The profile a session saves over the file it was read from, as its bytes
// (a key the save leaves out keeps the file's text).
std::string SavedProfile(const t418::Session& session, std::string_view file) {
  IniDocument saved = IniDocument::Parse(file);
  t418::SaveProfile(session, saved);
  return saved.Serialize();
}

bool PlainValue(std::string_view value) {
  if (value.empty()) return true;
  if (value.size() > t418::kMaxProfileValueLength) return false;
  if (value.find_first_of("\r\n") != std::string_view::npos) return false;
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  const auto quote = [](char c) { return c == '"' || c == '\''; };
  return !blank(value.front()) && !blank(value.back()) && !quote(value.front()) && !quote(value.back());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  IniDocument document = IniDocument::Parse(bytes);

  const std::string written = document.Serialize();
  Require(IniDocument::Parse(written).Serialize() == written, "a written file reads back and writes the same bytes");

  // Queries on what the file holds.
  (void)document.ReadInteger("System", "Language", 1);
  (void)document.ReadBool("System", "ReadTimeHelp", true);
  (void)document.ReadString("OpenUart", "ComName", "");
  (void)document.HasSection("WKMOD");

  // A value taken from the input, written under a key, reads back as written.
  const std::string value(bytes.substr(0, std::min<std::size_t>(bytes.size(), 40)));
  if (PlainValue(value)) {
    document.WriteString("Fuzz", "Value", value);
    Require(document.ReadString("Fuzz", "Value", "<missing>") == value, "a written value reads back");
    Require(IniDocument::Parse(document.Serialize()).ReadString("Fuzz", "Value", "<missing>") == value,
            "a written value survives the file");
  }

  // The profile through a session: once saved, it loads and saves to the
  // same file. The first save may still differ from its reload: a comma
  // value's fields are written without quotes, so a field that held a blank,
  // a control byte or a comma is split there when read back.
  t418::Session& session = SharedSession();
  t418::LoadProfile(session, IniDocument::Parse(bytes), kPorts);
  const std::string once = SavedProfile(session, bytes);
  t418::LoadProfile(session, IniDocument::Parse(once), kPorts);
  const std::string twice = SavedProfile(session, once);
  t418::LoadProfile(session, IniDocument::Parse(twice), kPorts);
  Require(SavedProfile(session, twice) == twice, "a saved profile loads and saves to the same file");
  return 0;
}

#pragma once
// How the engine reads the terminal's replies: when the bytes gathered since a
// line went out make a whole reply, and which report a reply holds. Pure rules
// on bytes, with no state, so tests and fuzzers can feed them anything.
#include <optional>
#include <string>
#include <string_view>

namespace t418 {

// What the bytes gathered for the awaited reply are so far.
enum class GatheredReply {
  kIncomplete,  // the rest is still to come
  kEcho,        // exactly the line last sent, echoed back
  kRefusal,     // a whole reply holding an error line ("+ERR:")
  kSuccess,     // a whole report, done, mode answer or confirmation
  kOther,       // a whole piece of something else (the boot loader's prompts)
};

// Judges the gathered bytes. A reply is whole when it ends as the terminal
// ends its replies: a line-end framed "OK" or "+ERR:" code line, exactly
// "+ok" CR LF or "a+ok" CR LF, or a lone "a" right after "+++" was sent. A
// report's own line end ("+NAME:VALUE" CR LF CR LF) is not the end: the value
// may still be arriving, and "OK" follows it.
GatheredReply JudgeGathered(std::string_view gathered, std::string_view lastSent);

// Whether bytes that never came to a proper end still hold a whole reply
// (a done or error line with something after it).
bool HoldsWholeReply(std::string_view gathered);

struct Report {
  std::string name;
  std::string value;
};

// The first report of a reply: CR LF "+" NAME ":" VALUE CR LF CR LF, where
// NAME is a command word (letters and digits). The value runs from the first
// ":" after the name to the next empty line and may hold any other byte, "+"
// and ":" included; a CR LF "+" inside it is dropped. A "+" that follows CR LF
// without a command word and ":" (a start-up message such as "+++T418+++", an
// echoed "+++") starts no report.
std::optional<Report> FindReport(std::string_view reply);

}  // namespace t418

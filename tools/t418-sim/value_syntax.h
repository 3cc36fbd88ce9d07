#pragma once
// What the simulated terminal knows of each command word: whether it is an
// action, a read-only value or a parameter, its factory value, and the syntax
// its value must follow (words, field counts, number ranges, lengths).
//
// Lengths of texts count characters: a GBK double-byte character (a lead byte
// from 0x81 to 0xFE and the byte after it) is one character.
#include <climits>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace t418::sim {

enum class CmdForm : unsigned char {
  Action,     // "AT+NAME" only
  ReadOnly,   // "AT+NAME?" only
  Parameter,  // "AT+NAME?" and "AT+NAME=VALUE"
};

// No upper bound on a length or a number.
inline constexpr long kNoLimit = LONG_MAX;

// One comma-separated field of a value.
struct FieldRule {
  enum class Kind : unsigned char {
    Word,    // one of words, exactly (letter case significant)
    Number,  // decimal digits, min <= value <= max
    Text,    // min to max characters, no control bytes, no comma
    Digits,  // min to max decimal digits
    Hex,     // an even count of min to max hexadecimal digits, either case
    Bits,    // decimal digits whose value sets no bit outside the mask max
  };
  Kind kind = Kind::Text;
  std::vector<std::string> words;
  long min = 0;
  long max = 0;
};

struct ValueRule {
  // The fields in order. A rule with one Text field and whole set takes the
  // value as it stands, commas included.
  std::vector<FieldRule> fields;
  // The fewest fields accepted; the last fields.size() - minFields are optional.
  // 0 means all fields are required.
  std::size_t minFields = 0;
  bool whole = false;
  // The last field takes the rest of the value, commas included.
  bool restInLast = false;
};

struct CommandSpec {
  std::string name;
  CmdForm form = CmdForm::Parameter;
  // The factory value of a parameter, or the fixed answer of a read-only word.
  std::string factory;
  ValueRule rule;
};

// The 93 command words in the order of the command vocabulary, then the two
// words outside it, "REBOOT" (action) and "SMSEND" (setting of phone "," text).
const std::vector<CommandSpec>& CommandSpecs();

// The description of a command word, ASCII letter case ignored; nullptr for an unknown word.
const CommandSpec* FindSpec(std::string_view name);

// Whether the value follows the rule.
bool ValueMatches(const ValueRule& rule, std::string_view value);

// The number of characters of a GBK text (a double-byte character counts once).
std::size_t GbkCharCount(std::string_view text);

}  // namespace t418::sim

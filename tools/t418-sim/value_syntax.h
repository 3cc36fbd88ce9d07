#pragma once
// What the simulated terminal knows of each command word: whether it is an
// action, a read-only value or a parameter, its factory value, and the syntax
// its value must follow (words, field counts, number ranges, lengths).
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

// One comma-separated field of a value.
struct FieldRule {
  enum class Kind : unsigned char {
    Word,    // one of words, exactly (letter case significant)
    Number,  // decimal digits, min <= value <= max
    Text,    // min to max bytes, no control bytes, no comma
    Digits,  // min to max decimal digits
    Hex,     // an even count of min to max hexadecimal digits
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

}  // namespace t418::sim

#pragma once
// The value syntax of the terminal's command words: whether a word is an
// action, a read-only value or a parameter, and the rule its value must follow
// (words, field counts, number ranges, lengths). The configuration build checks
// its lines with these rules before anything is sent; the simulator answers
// with the same ones.
//
// Lengths of texts count characters: a GBK double-byte character (a lead byte
// from 0x81 to 0xFE and the byte after it) is one character.
#include <climits>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "params/commands.h"

namespace t418 {

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
  // value as it stands, commas included. No fields: no value is taken.
  std::vector<FieldRule> fields;
  // The fewest fields accepted; the last fields.size() - minFields are optional.
  // 0 means all fields are required.
  std::size_t minFields = 0;
  bool whole = false;
  // The last field takes the rest of the value, commas included.
  bool restInLast = false;
};

struct CommandSyntax {
  std::string name;
  CmdForm form = CmdForm::Parameter;
  ValueRule rule;
};

// The 93 command words in the order of TCmd, then the two words outside it,
// "REBOOT" (action) and "SMSEND" (setting of phone "," text).
const std::vector<CommandSyntax>& CommandSyntaxes();

// The syntax of a command word, ASCII letter case ignored; nullptr for an unknown word.
const CommandSyntax* FindSyntax(std::string_view name);

// The rule of a command's value (no fields for actions and read-only words).
const ValueRule& SettingRule(TCmd cmd);

// Where a value breaks its rule.
struct SyntaxFault {
  enum class Kind : unsigned char {
    FieldCount,  // too few or too many comma-separated fields
    Field,       // the field at index does not follow its FieldRule
  };
  Kind kind = Kind::Field;
  std::size_t index = 0;  // Field: the field's position, from 0
  std::string text;       // Field: the field's text
};

// The first place where the value breaks the rule; nullopt when it follows it.
std::optional<SyntaxFault> FindSyntaxFault(const ValueRule& rule, std::string_view value);

// Whether the value follows the rule.
bool ValueMatches(const ValueRule& rule, std::string_view value);

// Whether one field's text follows its rule (commas allowed or not).
bool FieldMatches(const FieldRule& rule, std::string_view field, bool commasAllowed);

// The number of characters of a GBK text (a double-byte character counts once).
std::size_t GbkCharCount(std::string_view text);

}  // namespace t418

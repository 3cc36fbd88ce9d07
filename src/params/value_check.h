#pragma once
// Values checked before they go to the terminal: a setting value must follow
// its command's rule (params/value_syntax.h), must hold no control byte (a CR
// or LF in a value would end the line early and start another command) and
// must fit the profile's limit of 2047 characters. The reasons are worded in
// the current language for the message box, the log and the red frame of a
// field while the user types.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "params/commands.h"
#include "params/profile_file.h"

namespace t418 {

class Control;
class ParamForm;
class TextLookup;

// The longest value a setting line may carry, in bytes: what the profile keeps.
inline constexpr std::size_t kMaxSettingValueLength = kMaxProfileValueLength;

// Why a value is not one the terminal takes.
struct ValueFault {
  enum class Kind : unsigned char {
    ControlByte,  // a byte below 0x20 or 0x7F
    TooLong,      // more than kMaxSettingValueLength bytes
    NoValue,      // the command takes no value (an action or a read-only word)
    FieldCount,   // too few or too many comma-separated fields
    Field,        // the field at index breaks its rule
  };
  Kind kind = Kind::Field;
  std::size_t index = 0;  // Field: position of the field, from 0
  std::string text;       // Field: the field's text
};

// One refused value of a built configuration.
struct ValueProblem {
  std::string command;  // the command word, e.g. "HEARTTM"
  std::string value;    // the value as it would have been sent (GBK)
  std::string field;    // the caption of the form field that holds it; "" when none
  std::string reason;   // why, in the current language (GBK)
};

// Whether the text holds a byte below 0x20 or 0x7F.
bool HasControlByte(std::string_view text);

// The first fault of value as the value of cmd; nullopt when the terminal takes it.
std::optional<ValueFault> FindValueFault(TCmd cmd, std::string_view value);

// The reason in the current language: the value quoted and what is expected,
// e.g. "\"abc\" is not a whole number from 0" or, for a value of several
// fields, "field 3 \"70000\" is not a number from 1 to 65535".
std::string DescribeValueFault(TCmd cmd, std::string_view value, const ValueFault& fault,
                               const TextLookup& texts);

// The check of one value as the user types it: the reason, or nullopt when
// the terminal takes the value.
std::optional<std::string> CheckFieldValue(TCmd cmd, std::string_view value, const TextLookup& texts);

// The check of one field of the form as the build will write it (a part of a
// composite value checked against its own field rule; a text with its Hex box
// clear checked as the hex the build makes of it): the reason for a red frame,
// or nullopt when the text is fine or the control holds no value of its own.
std::optional<std::string> CheckControlText(const ParamForm& form, const Control& control,
                                            const TextLookup& texts);

// The caption of the form field that holds the command's value (as the texts
// applied it, without a trailing colon); "" when no single field does.
std::string FieldCaption(const ParamForm& form, TCmd cmd);

// One line of the refusal message: NAME " (" caption ")" ": " reason.
std::string DescribeProblem(const ValueProblem& problem);

}  // namespace t418

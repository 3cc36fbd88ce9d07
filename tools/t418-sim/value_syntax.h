#pragma once
// What the simulated terminal knows of each command word: the core's syntax
// (params/value_syntax.h: action, read-only value or parameter, and the rule
// its value follows), so that it refuses exactly what the tool's own check
// refuses, and the terminal's factory value of each parameter or the fixed
// answer of a read-only word.
#include <string>
#include <string_view>
#include <vector>

#include "params/value_syntax.h"

namespace t418::sim {

using t418::CmdForm;
using t418::FieldRule;
using t418::GbkCharCount;
using t418::kNoLimit;
using t418::ValueMatches;
using t418::ValueRule;

struct CommandSpec {
  std::string name;
  CmdForm form = CmdForm::Parameter;
  // The factory value of a parameter, or the fixed answer of a read-only word.
  std::string factory;
  // The core's rule of the word (CommandSyntaxes()).
  const ValueRule& rule;
};

// The 93 command words in the order of the command vocabulary, then the two
// words outside it, "REBOOT" (action) and "SMSEND" (setting of phone "," text).
const std::vector<CommandSpec>& CommandSpecs();

// The description of a command word, ASCII letter case ignored; nullptr for an unknown word.
const CommandSpec* FindSpec(std::string_view name);

}  // namespace t418::sim

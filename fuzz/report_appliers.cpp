// The report appliers on any reports, then the configuration build. Input:
// lines "NAME=VALUE" (a state file of the simulator reads the same), each
// applied as a report of the terminal. Whatever the reports, the build that
// follows either refuses the view or gives setting lines that, applied as
// reports in their turn, build the very same lines again (or are refused for
// a field that only a read fills).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "form_rig.h"
#include "fuzz_check.h"

namespace {

using t418::fuzz::Require;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  t418::fuzz::FormRig rig;

  t418::fuzz::ForEachPiece(text, '\n', [&](std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    const auto equals = line.find('=');
    const std::string name(line.substr(0, equals));
    const std::string value(equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1));
    rig.appliers.ApplyReport(name, value);
  });

  t418::OrderList first;
  if (rig.builder.Build(first) != t418::ConfigRefusal::None) {
    Require(first.OrderCount() == 0, "a refused view sends nothing");
    return 0;
  }
  std::string name, value;
  for (const auto& line : first.Lines()) {
    Require(t418::fuzz::SplitSettingLine(line, name, value), "the build writes setting lines");
    rig.appliers.ApplyReport(name, value);
  }
  // The view may refuse now: a GNSS user-data report checks its Hex box,
  // whose click shows the user-data entry whatever the type, and the type's
  // line shows the type's own entry again, which no setting line fills.
  t418::OrderList second;
  if (rig.builder.Build(second) == t418::ConfigRefusal::None)
    Require(second.Lines() == first.Lines(), "the lines a build writes read back to the same lines");
  return 0;
}

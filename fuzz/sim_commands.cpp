// The simulated terminal's command side and boot loader on any received
// bytes. Input: one byte of behaviour switches, then the chunks the terminal
// receives, separated by 0xFF, with time passing between them. Whatever
// arrives, every setting the terminal accepted follows its command's value
// syntax, so it never keeps a value it would refuse when asked to set it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "t418-sim/boot_loader.h"
#include "t418-sim/sim_config.h"
#include "t418-sim/sim_device.h"
#include "t418-sim/terminal_model.h"
#include "t418-sim/value_syntax.h"

namespace {

using t418::fuzz::Require;
namespace sim = t418::sim;

void CheckSettings(const sim::SimConfig& config) {
  for (const auto& command : sim::CommandSpecs()) {
    // Only what a setting changed: SMSEND's empty factory value is no setting.
    if (command.form != sim::CmdForm::Parameter || config.Value(command.name) == command.factory) continue;
    Require(sim::ValueMatches(command.rule, config.Value(command.name)), "a kept setting follows its syntax");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  t418::fuzz::InputReader input(data, size);
  const std::uint8_t switches = input.Byte();

  sim::SimConfig config;
  sim::TerminalBehaviour behaviour;
  behaviour.startInDataMode = (switches & 1) != 0;
  if (switches & 2) behaviour.split.insert("VER");
  if (switches & 4) behaviour.error.insert("WKMOD");
  if (switches & 8) behaviour.silent.insert("CSQ");
  if (switches & 16) config.Set("E", "OFF");
  sim::TerminalModel terminal(config, behaviour);
  sim::BootLoader loader((switches & 32) ? 3 : 0);
  sim::SimDevice device(terminal, loader, (switches & 64) ? 20 : 0, (switches & 128) != 0);
  sim::Millis now = 0;
  device.PortOpened(now);

  t418::fuzz::ForEachPiece(input.Rest(), '\xFF', [&](std::string_view chunk) {
    now += chunk.empty() ? 1500 : 30;
    for (const auto& out : device.Receive(chunk, now)) Require(out.delayMs >= 0, "no piece goes out early");
    for (const auto& out : device.Tick(now)) Require(out.delayMs >= 0, "no piece goes out early");
    if (const auto next = device.NextDeadline()) Require(*next >= 0, "deadlines on the clock");
  });
  CheckSettings(config);
  return 0;
}

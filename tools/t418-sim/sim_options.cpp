#include "t418-sim/sim_options.h"

#include "t418-sim/sim_identity.h"
#include "t418-sim/value_syntax.h"

namespace t418::sim {
namespace {

std::optional<int> ParseCount(const std::string& text, int max) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > max) return std::nullopt;
  return static_cast<int>(value);
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace

std::string UsageText() {
  return "usage: t418-sim [options]\n"
         "Plays a T418 terminal on a pseudo-terminal. Prints the port's path as the\n"
         "first line, links it as NAME in the t418-ports folder of the runtime folder,\n"
         "and serves until SIGINT or SIGTERM. SIGUSR1 restarts it into the boot loader.\n"
         "  --name NAME          name of the link (default ttySIM0)\n"
         "  --bootloader         start in the boot loader\n"
         "  --firmware-out FILE  store a received firmware image there\n"
         "  --start-in-data-mode start (and restart) in data mode\n"
         "  --config FILE        load the settings from FILE (NAME=value lines); never\n"
         "                       written\n"
         "  --state FILE         load the settings from FILE if it exists (after\n"
         "                       --config), write them there at start and after every\n"
         "                       change\n"
         "  --log FILE           append every received command line\n"
         "  --hdver TEXT         the hardware version (default V2.0.0)\n"
         "  --imei DIGITS        the IMEI it reports (default: made from NAME, so each\n"
         "                       name is another terminal; give two simulators one\n"
         "                       IMEI to stage a duplicate)\n"
         "  --iccid DIGITS       the SIM card's ICCID (default: made from NAME)\n"
         "  --sn TEXT            the serial number (default: made from NAME)\n"
         "  --latency MS         wait before each reply\n"
         "  --baud N             pace the output at N baud (10 bits a byte); a program\n"
         "                       that sets the port to another rate or to other than\n"
         "                       8 data bits without parity sends and reads garbage\n"
         "  --any-line           with --baud: take any line settings as the right ones\n"
         "  --silent NAME        never answer this command (repeatable)\n"
         "  --error NAME         answer this command with +ERR:5 (repeatable)\n"
         "  --unreadable NAME    answer a query of this command with +ERR:5 and take\n"
         "                       its settings (repeatable)\n"
         "  --split NAME         answer this command in two writes 300 ms apart (repeatable)\n"
         "  --nak-every N        answer the first arrival of every N-th packet NAK\n"
         "  --boot-answer-c      answer every XModem packet with \"C\" (a boot loader\n"
         "                       that never takes a packet)\n"
         "  --forgetful          answer OK to every setting and keep none of them\n"
         "  --chunk N            send every reply in pieces of N bytes\n"
         "  --chunk-gap MS       the pause between those pieces (default 10)\n"
         "  --help               this text\n";
}

std::optional<SimOptions> ParseOptions(const std::vector<std::string>& args, std::string& error,
                                       std::vector<std::string>& warnings) {
  SimOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::optional<std::string> inlineValue;
    if (const auto eq = option.find('='); option.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = option.substr(eq + 1);
      option.resize(eq);
    }
    auto value = [&](std::string& out) {
      if (inlineValue) {
        out = *inlineValue;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = option + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    auto flag = [&]() {
      if (inlineValue) {
        error = option + " takes no value";
        return false;
      }
      return true;
    };
    auto count = [&](int& out, int max) {
      std::string text;
      if (!value(text)) return false;
      const auto parsed = ParseCount(text, max);
      if (!parsed) {
        error = option + " needs a whole number from 0 to " + std::to_string(max) + ", not \"" +
                text + "\"";
        return false;
      }
      out = *parsed;
      return true;
    };
    auto word = [&](std::set<std::string, std::less<>>& out) {
      std::string text;
      if (!value(text)) return false;
      if (text.empty()) {
        error = option + " needs a command word";
        return false;
      }
      text = Upper(text);
      if (FindSpec(text) == nullptr)
        warnings.push_back(option + " " + text + ": the terminal knows no such command");
      out.insert(text);
      return true;
    };

    bool ok = true;
    if (option == "--name") {
      ok = value(options.name);
      if (ok && (options.name.empty() || options.name.find('/') != std::string::npos ||
                 options.name == "." || options.name == "..")) {
        error = "--name needs a plain file name, not \"" + options.name + "\"";
        ok = false;
      }
    } else if (option == "--latency") {
      ok = count(options.latencyMs, 60000);
    } else if (option == "--baud") {
      ok = count(options.baud, 4000000);
    } else if (option == "--nak-every") {
      ok = count(options.nakEvery, 1000000);
    } else if (option == "--start-in-data-mode") {
      ok = flag() && (options.startInDataMode = true);
    } else if (option == "--any-line") {
      ok = flag() && (options.anyLine = true);
    } else if (option == "--forgetful") {
      ok = flag() && (options.forgetful = true);
    } else if (option == "--boot-answer-c") {
      ok = flag() && (options.bootAnswerC = true);
    } else if (option == "--chunk") {
      ok = count(options.chunk, 1000000);
    } else if (option == "--chunk-gap") {
      ok = count(options.chunkGapMs, 60000);
    } else if (option == "--bootloader") {
      ok = flag() && (options.bootLoader = true);
    } else if (option == "--help" || option == "-h") {
      ok = flag() && (options.help = true);
    } else if (option == "--silent") {
      ok = word(options.silent);
    } else if (option == "--error") {
      ok = word(options.error);
    } else if (option == "--unreadable") {
      ok = word(options.unreadable);
    } else if (option == "--split") {
      ok = word(options.split);
    } else if (option == "--config") {
      ok = value(options.configFile);
    } else if (option == "--state") {
      ok = value(options.stateFile);
    } else if (option == "--log") {
      ok = value(options.logFile);
    } else if (option == "--firmware-out") {
      ok = value(options.firmwareOut);
    } else if (option == "--hdver") {
      ok = value(options.hardwareVersion);
    } else if (option == "--imei" || option == "--iccid") {
      std::string& target = option == "--imei" ? options.imei : options.iccid;
      std::string warning;
      ok = value(target);
      if (ok) error = option == "--imei" ? CheckImei(target, warning) : CheckIccid(target, warning);
      ok = ok && error.empty();
      if (!warning.empty()) warnings.push_back(warning);
    } else if (option == "--sn") {
      ok = value(options.sn);
      if (ok) error = CheckSerialNumber(options.sn);
      ok = ok && error.empty();
    } else {
      error = "unknown option \"" + args[i] + "\"";
      ok = false;
    }
    if (!ok) return std::nullopt;
  }
  return options;
}

}  // namespace t418::sim

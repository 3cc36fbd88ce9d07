#include "params/value_syntax.h"

#include <optional>

namespace t418 {
namespace {

using Kind = FieldRule::Kind;

FieldRule Word(std::vector<std::string> words) { return {Kind::Word, std::move(words), 0, 0}; }
FieldRule Number(long min, long max) { return {Kind::Number, {}, min, max}; }
FieldRule Text(long min, long max) { return {Kind::Text, {}, min, max}; }
FieldRule Digits(long min, long max) { return {Kind::Digits, {}, min, max}; }
FieldRule Hex(long minDigits, long maxDigits) { return {Kind::Hex, {}, minDigits, maxDigits}; }
FieldRule Bits(long mask) { return {Kind::Bits, {}, 0, mask}; }

ValueRule One(FieldRule field) { return {{std::move(field)}, 0, false, false}; }
ValueRule Fields(std::vector<FieldRule> fields, std::size_t minFields = 0) {
  return {std::move(fields), minFields, false, false};
}
// A text taken whole: commas belong to it. An empty text is a text.
ValueRule Whole(long maxChars = kNoLimit) { return {{Text(0, maxChars)}, 0, true, false}; }
// A count, a time or a size with no bound of its own.
ValueRule Count() { return One(Number(0, kNoLimit)); }
// Bytes as hexadecimal digits, two a byte, at least one byte.
ValueRule Packet() { return One(Hex(2, kNoLimit)); }

ValueRule OnOff() { return One(Word({"ON", "OFF"})); }
FieldRule Port() { return Number(1, 65535); }
FieldRule Host() { return Text(1, kNoLimit); }
ValueRule Address() { return Fields({Host(), Port()}); }
ValueRule Server(std::vector<std::string> protocols) {
  return Fields({Word(std::move(protocols)), Host(), Port()});
}

// The terminal type bits that JT808 registration takes: 0 to 3, 6 and 7.
constexpr long kTerminalTypeBits = 0b1100'1111;

const std::vector<std::string> kBauds = {"1200",   "2400",   "4800",  "9600",  "14400",
                                         "19200",  "28800",  "33600", "38400", "57600",
                                         "115200", "230400", "460800"};

CommandSyntax Param(TCmd cmd, ValueRule rule) { return {CmdToName(cmd), CmdForm::Parameter, std::move(rule)}; }
CommandSyntax ReadOnly(TCmd cmd) { return {CmdToName(cmd), CmdForm::ReadOnly, {}}; }
CommandSyntax Action(TCmd cmd) { return {CmdToName(cmd), CmdForm::Action, {}}; }

std::vector<CommandSyntax> BuildSyntaxes() {
  const ValueRule serverTcpUdp = Server({"TCP", "UDP"});
  const ValueRule connectionKind = One(Word({"SHORT", "LONG"}));
  std::vector<CommandSyntax> commands = {
      Action(TCmd::H),
      Param(TCmd::E, OnOff()),
      Action(TCmd::Z),
      ReadOnly(TCmd::VER),
      ReadOnly(TCmd::HDVER),
      Action(TCmd::ENTM),
      ReadOnly(TCmd::SN),
      ReadOnly(TCmd::ICCID),
      ReadOnly(TCmd::MEID),
      ReadOnly(TCmd::IMEI),
      ReadOnly(TCmd::IMSI),
      Param(TCmd::STMSG, Whole()),
      Action(TCmd::RELD),
      Action(TCmd::CLEAR),
      Action(TCmd::CFGTF),
      Param(TCmd::WKMOD, One(Word({"NET", "HTTPD", "SMS", "UDC"}))),
      Param(TCmd::CMDPW, Whole()),
      Param(TCmd::UART, Fields({Word(kBauds), Word({"7", "8"}), Word({"1", "2"}), Word({"NONE", "ODD", "EVEN"}),
                                Word({"NFC", "RS485"})},
                               4)),
      Param(TCmd::RFCEN, OnOff()),
      Param(TCmd::UARTFT, Count()),
      Param(TCmd::UARTFL, Count()),
      Param(TCmd::APN, Whole()),
      Param(TCmd::SOCKA, serverTcpUdp),
      Param(TCmd::SOCKB, serverTcpUdp),
      Param(TCmd::SOCKAEN, OnOff()),
      Param(TCmd::SOCKBEN, OnOff()),
      Param(TCmd::SOCKASL, connectionKind),
      Param(TCmd::SOCKBSL, connectionKind),
      ReadOnly(TCmd::SOCKALK),
      ReadOnly(TCmd::SOCKBLK),
      Param(TCmd::SOCKATO, Count()),
      Param(TCmd::SOCKBTO, Count()),
      Param(TCmd::SOCKC, serverTcpUdp),
      Param(TCmd::SOCKD, serverTcpUdp),
      Param(TCmd::SOCKCEN, OnOff()),
      Param(TCmd::SOCKDEN, OnOff()),
      Param(TCmd::SOCKCSL, connectionKind),
      Param(TCmd::SOCKDSL, connectionKind),
      ReadOnly(TCmd::SOCKCLK),
      ReadOnly(TCmd::SOCKDLK),
      Param(TCmd::SOCKCTO, Count()),
      Param(TCmd::SOCKDTO, Count()),
      Param(TCmd::SOCKRSTIM, Count()),
      Param(TCmd::SOCKIND, OnOff()),
      Param(TCmd::REGEN, OnOff()),
      Param(TCmd::REGTP, One(Word({"ICCID", "MEID", "IMEI", "CLOUD", "USER"}))),
      Param(TCmd::REGDT, Packet()),
      Param(TCmd::REGSND, One(Word({"LINK", "DATA", "LINK&DATA"}))),
      Param(TCmd::HEARTEN, OnOff()),
      Param(TCmd::HEARTDT, Packet()),
      Param(TCmd::HEARTSND, One(Word({"NET", "COM"}))),
      Param(TCmd::HEARTTM, Count()),
      Param(TCmd::HTPTP, One(Word({"GET", "POST"}))),
      Param(TCmd::HTPURL, Whole()),
      Param(TCmd::HTPSV, Address()),
      Param(TCmd::HTPHD, Whole()),
      Param(TCmd::HTPTO, Count()),
      Param(TCmd::HTPFLT, OnOff()),
      Param(TCmd::DSTNUM, Whole()),
      Param(TCmd::SMSFLT, OnOff()),
      Param(TCmd::SMSPH, OnOff()),
      Param(TCmd::CLOUD, Fields({Text(20, 20), Text(8, 8)})),
      Action(TCmd::CSQ),
      Param(TCmd::ID, Whole()),
      Param(TCmd::RSTIM, Count()),
      Param(TCmd::GNSSFUNEN, One(Word({"1", "0"}))),
      Param(TCmd::GNSSMOD, One(Word({"CLOUD", "NET", "QX"}))),
      Param(TCmd::GCLOUD, Fields({Digits(20, 20), Text(8, 8)})),
      Param(TCmd::GMDBS, Fields({Number(0, 255), Number(0, 65535)})),
      Param(TCmd::GPOSUPTM, One(Number(1, 6000))),
      Param(TCmd::GWKMOD, One(Word({"MULT", "INDE"}))),
      Param(TCmd::SOCKG, Server({"TCPC"})),
      Param(TCmd::SOCKGTO, One(Number(1, 100))),
      Param(TCmd::GREGEN, OnOff()),
      Param(TCmd::GREGTP, One(Word({"ICCID", "IMEI", "IMSI", "SN", "USER"}))),
      Param(TCmd::GREGDT, Packet()),
      Param(TCmd::GREGSND, One(Word({"LINK", "DATA"}))),
      Param(TCmd::GPOSTP, One(Word({"RMC", "GGA", "MDBS"}))),
      Param(TCmd::GPOSSND, One(Word({"NET", "COM", "DOUBLE"}))),
      Param(TCmd::GBYDTU, Fields({Word({"0", "1"}), Word({"0", "1"})})),
      Param(TCmd::SOCKQ, Server({"TCP"})),
      Param(TCmd::SOCKQTO, One(Number(1, 100))),
      Param(TCmd::QLBSADDEN, OnOff()),
      Param(TCmd::QPOSPACK, OnOff()),
      Param(TCmd::QPHONE, One(Digits(12, 12))),
      Param(TCmd::QPOSUPTM, One(Number(1, 6000))),
      Param(TCmd::QHEARTEN, OnOff()),
      Param(TCmd::QHEARTTM, One(Number(1, 6000))),
      Param(TCmd::QCITY, One(Digits(6, 6))),
      Param(TCmd::QPRODUCER, Whole(5)),
      Param(TCmd::QTERMINAL, Fields({Text(1, kNoLimit), Text(1, kNoLimit), Bits(kTerminalTypeBits)})),
      Param(TCmd::QCARINFO, Fields({Word({"0", "1", "2", "3", "4", "9"}), Text(1, kNoLimit)})),
      Param(TCmd::QHWVER, Whole(20)),
  };
  commands.push_back({"REBOOT", CmdForm::Action, {}});
  // A telephone number, then the message text taken whole.
  commands.push_back({"SMSEND", CmdForm::Parameter, {{Digits(3, 20), Text(1, 160)}, 0, false, true}});
  return commands;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool AllOf(std::string_view text, bool (*pred)(char)) {
  for (char c : text)
    if (!pred(c)) return false;
  return true;
}

bool LengthIn(std::size_t length, long min, long max) {
  return length >= static_cast<std::size_t>(min) &&
         (max == kNoLimit || length <= static_cast<std::size_t>(max));
}

// The value of a field of decimal digits, saturated at kNoLimit; nullopt for
// anything but digits.
std::optional<long> DecimalValue(std::string_view field) {
  if (field.empty() || !AllOf(field, IsDigit)) return std::nullopt;
  long value = 0;
  for (char c : field) {
    const int digit = c - '0';
    if (value > (kNoLimit - digit) / 10) return kNoLimit;
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace

bool FieldMatches(const FieldRule& rule, std::string_view field, bool commasAllowed) {
  switch (rule.kind) {
    case Kind::Word:
      for (const auto& w : rule.words)
        if (field == w) return true;
      return false;
    case Kind::Number: {
      const auto value = DecimalValue(field);
      return value && *value >= rule.min && (rule.max == kNoLimit || *value <= rule.max);
    }
    case Kind::Bits: {
      const auto value = DecimalValue(field);
      return value && *value != kNoLimit && (*value & ~rule.max) == 0;
    }
    case Kind::Text:
      for (char c : field) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') return false;
        if (c == ',' && !commasAllowed) return false;
      }
      return LengthIn(GbkCharCount(field), rule.min, rule.max);
    case Kind::Digits:
      return AllOf(field, IsDigit) && LengthIn(field.size(), rule.min, rule.max);
    case Kind::Hex:
      return AllOf(field, IsHexDigit) && field.size() % 2 == 0 &&
             LengthIn(field.size(), rule.min, rule.max);
  }
  return false;
}

const std::vector<CommandSyntax>& CommandSyntaxes() {
  static const std::vector<CommandSyntax> commands = BuildSyntaxes();
  return commands;
}

const CommandSyntax* FindSyntax(std::string_view name) {
  for (const auto& command : CommandSyntaxes())
    if (SameWord(command.name, name)) return &command;
  return nullptr;
}

const ValueRule& SettingRule(TCmd cmd) { return CommandSyntaxes()[static_cast<std::size_t>(cmd)].rule; }

std::optional<SyntaxFault> FindSyntaxFault(const ValueRule& rule, std::string_view value) {
  if (rule.fields.empty()) return SyntaxFault{SyntaxFault::Kind::FieldCount, 0, {}};
  if (rule.whole) {
    if (FieldMatches(rule.fields.front(), value, true)) return std::nullopt;
    return SyntaxFault{SyntaxFault::Kind::Field, 0, std::string(value)};
  }

  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const auto comma = value.find(',', start);
    if (comma == std::string_view::npos) {
      parts.push_back(value.substr(start));
      break;
    }
    parts.push_back(value.substr(start, comma - start));
    start = comma + 1;
  }
  const std::size_t most = rule.fields.size();
  const std::size_t fewest = rule.minFields == 0 ? most : rule.minFields;
  if (rule.restInLast && parts.size() > most) {
    std::string_view rest = value;
    for (std::size_t i = 0; i + 1 < most; ++i) rest.remove_prefix(parts[i].size() + 1);
    parts.resize(most);
    parts.back() = rest;
  }
  if (parts.size() < fewest || parts.size() > most) return SyntaxFault{SyntaxFault::Kind::FieldCount, 0, {}};
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (!FieldMatches(rule.fields[i], parts[i], rule.restInLast && i + 1 == most))
      return SyntaxFault{SyntaxFault::Kind::Field, i, std::string(parts[i])};
  return std::nullopt;
}

bool ValueMatches(const ValueRule& rule, std::string_view value) { return !FindSyntaxFault(rule, value); }

std::size_t GbkCharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++count) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) ++i;  // lead byte and trail byte
  }
  return count;
}

}  // namespace t418

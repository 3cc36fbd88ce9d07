#include "t418-sim/value_syntax.h"

#include <optional>

#include "params/commands.h"

namespace t418::sim {
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

CommandSpec Param(TCmd cmd, std::string factory, ValueRule rule) {
  return {CmdToName(cmd), CmdForm::Parameter, std::move(factory), std::move(rule)};
}
CommandSpec ReadOnly(TCmd cmd, std::string answer) {
  return {CmdToName(cmd), CmdForm::ReadOnly, std::move(answer), {}};
}
CommandSpec Action(TCmd cmd) { return {CmdToName(cmd), CmdForm::Action, {}, {}}; }

// Plausible factory settings of a terminal fresh from the works. The hex
// packets spell "www.example.com"; the plate holds a Chinese character as GBK bytes.
std::vector<CommandSpec> BuildSpecs() {
  const std::string examplePacket = "7777772E6578616D706C652E636F6D";
  std::vector<CommandSpec> commands = {
      Action(TCmd::H),
      Param(TCmd::E, "ON", OnOff()),
      Action(TCmd::Z),
      ReadOnly(TCmd::VER, "V1.0.5"),
      ReadOnly(TCmd::HDVER, "V2.0.0"),  // replaced by the hardware version option
      Action(TCmd::ENTM),
      ReadOnly(TCmd::SN, "01201909110100002468"),
      ReadOnly(TCmd::ICCID, "89860118802125746431"),
      ReadOnly(TCmd::MEID, "A1000049D3F5E2"),
      ReadOnly(TCmd::IMEI, "868323028765432"),
      ReadOnly(TCmd::IMSI, "460041234567890"),
      Param(TCmd::STMSG, "[ZAV-T418]", Whole()),
      Action(TCmd::RELD),
      Action(TCmd::CLEAR),
      Action(TCmd::CFGTF),
      Param(TCmd::WKMOD, "NET", One(Word({"NET", "HTTPD", "SMS", "UDC"}))),
      Param(TCmd::CMDPW, "zuzuv", Whole()),
      Param(TCmd::UART, "115200,8,1,NONE,NFC",
            Fields({Word(kBauds), Word({"7", "8"}), Word({"1", "2"}), Word({"NONE", "ODD", "EVEN"}),
                    Word({"NFC", "RS485"})},
                   4)),
      Param(TCmd::RFCEN, "OFF", OnOff()),
      Param(TCmd::UARTFT, "50", Count()),
      Param(TCmd::UARTFL, "1024", Count()),
      Param(TCmd::APN, "CMNET,,,0", Whole()),
      Param(TCmd::SOCKA, "TCP,server.example.com,2317", Server({"TCP", "UDP"})),
      Param(TCmd::SOCKB, "TCP,server.example.com,2318", Server({"TCP", "UDP"})),
      Param(TCmd::SOCKAEN, "ON", OnOff()),
      Param(TCmd::SOCKBEN, "OFF", OnOff()),
      Param(TCmd::SOCKASL, "LONG", One(Word({"SHORT", "LONG"}))),
      Param(TCmd::SOCKBSL, "LONG", One(Word({"SHORT", "LONG"}))),
      ReadOnly(TCmd::SOCKALK, ""),  // answered from SOCKAEN
      ReadOnly(TCmd::SOCKBLK, ""),
      Param(TCmd::SOCKATO, "5", Count()),
      Param(TCmd::SOCKBTO, "5", Count()),
      Param(TCmd::SOCKC, "TCP,server.example.com,2319", Server({"TCP", "UDP"})),
      Param(TCmd::SOCKD, "TCP,server.example.com,2320", Server({"TCP", "UDP"})),
      Param(TCmd::SOCKCEN, "OFF", OnOff()),
      Param(TCmd::SOCKDEN, "OFF", OnOff()),
      Param(TCmd::SOCKCSL, "LONG", One(Word({"SHORT", "LONG"}))),
      Param(TCmd::SOCKDSL, "LONG", One(Word({"SHORT", "LONG"}))),
      ReadOnly(TCmd::SOCKCLK, ""),
      ReadOnly(TCmd::SOCKDLK, ""),
      Param(TCmd::SOCKCTO, "5", Count()),
      Param(TCmd::SOCKDTO, "5", Count()),
      Param(TCmd::SOCKRSTIM, "60", Count()),
      Param(TCmd::SOCKIND, "OFF", OnOff()),
      Param(TCmd::REGEN, "OFF", OnOff()),
      Param(TCmd::REGTP, "ICCID", One(Word({"ICCID", "MEID", "IMEI", "CLOUD", "USER"}))),
      Param(TCmd::REGDT, examplePacket, Packet()),
      Param(TCmd::REGSND, "LINK", One(Word({"LINK", "DATA", "LINK&DATA"}))),
      Param(TCmd::HEARTEN, "ON", OnOff()),
      Param(TCmd::HEARTDT, examplePacket, Packet()),
      Param(TCmd::HEARTSND, "NET", One(Word({"NET", "COM"}))),
      Param(TCmd::HEARTTM, "30", Count()),
      Param(TCmd::HTPTP, "GET", One(Word({"GET", "POST"}))),
      Param(TCmd::HTPURL, "/1.php[3F]", Whole()),
      Param(TCmd::HTPSV, "server.example.com,80", Address()),
      Param(TCmd::HTPHD, "Connection: close[0D][0A]", Whole()),
      Param(TCmd::HTPTO, "10", Count()),
      Param(TCmd::HTPFLT, "ON", OnOff()),
      Param(TCmd::DSTNUM, "12345", Whole()),
      Param(TCmd::SMSFLT, "OFF", OnOff()),
      Param(TCmd::SMSPH, "OFF", OnOff()),
      Param(TCmd::CLOUD, "00000000000000000000,00000000", Fields({Text(20, 20), Text(8, 8)})),
      Action(TCmd::CSQ),
      Param(TCmd::ID, "T418UDC0001", Whole()),
      Param(TCmd::RSTIM, "1800", Count()),
      Param(TCmd::GNSSFUNEN, "0", One(Word({"1", "0"}))),
      Param(TCmd::GNSSMOD, "CLOUD", One(Word({"CLOUD", "NET", "QX"}))),
      Param(TCmd::GCLOUD, "00000000000000000000,00000000", Fields({Digits(20, 20), Text(8, 8)})),
      Param(TCmd::GMDBS, "1,0", Fields({Number(0, 255), Number(0, 65535)})),
      Param(TCmd::GPOSUPTM, "30", One(Number(1, 6000))),
      Param(TCmd::GWKMOD, "INDE", One(Word({"MULT", "INDE"}))),
      Param(TCmd::SOCKG, "TCPC,server.example.com,2317", Server({"TCPC"})),
      Param(TCmd::SOCKGTO, "5", One(Number(1, 100))),
      Param(TCmd::GREGEN, "OFF", OnOff()),
      Param(TCmd::GREGTP, "ICCID", One(Word({"ICCID", "IMEI", "IMSI", "SN", "USER"}))),
      Param(TCmd::GREGDT, examplePacket, Packet()),
      Param(TCmd::GREGSND, "LINK", One(Word({"LINK", "DATA"}))),
      Param(TCmd::GPOSTP, "RMC", One(Word({"RMC", "GGA", "MDBS"}))),
      Param(TCmd::GPOSSND, "NET", One(Word({"NET", "COM", "DOUBLE"}))),
      Param(TCmd::GBYDTU, "0,0", Fields({Word({"0", "1"}), Word({"0", "1"})})),
      Param(TCmd::SOCKQ, "TCP,192.0.2.10,8808", Server({"TCP"})),
      Param(TCmd::SOCKQTO, "5", One(Number(1, 100))),
      Param(TCmd::QLBSADDEN, "ON", OnOff()),
      Param(TCmd::QPOSPACK, "OFF", OnOff()),
      Param(TCmd::QPHONE, "013800138000", One(Digits(12, 12))),
      Param(TCmd::QPOSUPTM, "30", One(Number(1, 6000))),
      Param(TCmd::QHEARTEN, "OFF", OnOff()),
      Param(TCmd::QHEARTTM, "30", One(Number(1, 6000))),
      Param(TCmd::QCITY, "110101", One(Digits(6, 6))),
      Param(TCmd::QPRODUCER, "T418", Whole(5)),
      Param(TCmd::QTERMINAL, "T418GNS,t418-gnss-001,15",
            Fields({Text(1, kNoLimit), Text(1, kNoLimit), Bits(kTerminalTypeBits)})),
      Param(TCmd::QCARINFO,
            "1,\xBE\xA9"
            "A12345",
            Fields({Word({"0", "1", "2", "3", "4", "9"}), Text(1, kNoLimit)})),
      Param(TCmd::QHWVER, "V2.0", Whole(20)),
  };
  commands.push_back({"REBOOT", CmdForm::Action, {}, {}});
  // A telephone number, then the message text taken whole.
  commands.push_back(
      {"SMSEND", CmdForm::Parameter, {}, {{Digits(3, 20), Text(1, 160)}, 0, false, true}});
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

}  // namespace

const std::vector<CommandSpec>& CommandSpecs() {
  static const std::vector<CommandSpec> commands = BuildSpecs();
  return commands;
}

const CommandSpec* FindSpec(std::string_view name) {
  for (const auto& command : CommandSpecs())
    if (SameWord(command.name, name)) return &command;
  return nullptr;
}

bool ValueMatches(const ValueRule& rule, std::string_view value) {
  if (rule.fields.empty()) return false;
  if (rule.whole) return FieldMatches(rule.fields.front(), value, true);

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
  if (parts.size() < fewest || parts.size() > most) return false;
  for (std::size_t i = 0; i < parts.size(); ++i)
    if (!FieldMatches(rule.fields[i], parts[i], rule.restInLast && i + 1 == most)) return false;
  return true;
}

std::size_t GbkCharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i, ++count) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x81 && byte <= 0xFE && i + 1 < text.size()) ++i;  // lead byte and trail byte
  }
  return count;
}

}  // namespace t418::sim

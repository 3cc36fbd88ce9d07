#include "params/value_check.h"

#include <initializer_list>

#include "lang/text_lookup.h"
#include "params/param_form.h"
#include "params/value_syntax.h"
#include "text/hex.h"

namespace t418 {
namespace {

using Kind = FieldRule::Kind;

// Longer values are shown cut, with "..." after them.
constexpr std::size_t kShownValueLength = 60;

// text with "%1", "%2", ... replaced by the arguments in order.
std::string Fill(std::string text, std::initializer_list<std::string> arguments) {
  int number = 1;
  for (const std::string& argument : arguments) {
    const std::string mark = "%" + std::to_string(number++);
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + argument.size()))
      text.replace(at, mark.size(), argument);
  }
  return text;
}

// A value as a message shows it: quoted, control bytes in bracket notation
// ("[0D]"), cut after kShownValueLength bytes (never inside a Chinese character).
std::string Quoted(std::string_view value) {
  std::string shown = "\"";
  std::size_t i = 0;
  for (; i < value.size() && i < kShownValueLength; ++i) {
    const auto byte = static_cast<unsigned char>(value[i]);
    if (byte < 0x20 || byte == 0x7F) {
      shown += "[" + BytesToHex(value.substr(i, 1)) + "]";
    } else if (byte >= 0x81 && byte <= 0xFE && i + 1 < value.size()) {
      shown += value.substr(i, 2);
      ++i;
    } else {
      shown += value[i];
    }
  }
  shown += "\"";
  if (i < value.size()) shown += "...";
  return shown;
}

// "3", "at least 2", "2 to 5".
std::string CountText(long min, long max, const TextLookup& texts) {
  if (min == max) return std::to_string(min);
  if (max == kNoLimit) return Fill(texts.LangText("info_ValAtLeast"), {std::to_string(min)});
  return Fill(texts.LangText("info_ValRange"), {std::to_string(min), std::to_string(max)});
}

std::string Joined(const std::vector<std::string>& words) {
  std::string joined;
  for (const std::string& word : words) joined += (joined.empty() ? "" : ", ") + word;
  return joined;
}

// What a field must be, after "is not".
std::string Expected(const FieldRule& rule, bool commasAllowed, const TextLookup& texts) {
  switch (rule.kind) {
    case Kind::Word:
      return Fill(texts.LangText("info_ValWord"), {Joined(rule.words)});
    case Kind::Number:
      if (rule.max == kNoLimit) return Fill(texts.LangText("info_ValNumberFrom"), {std::to_string(rule.min)});
      return Fill(texts.LangText("info_ValNumber"), {std::to_string(rule.min), std::to_string(rule.max)});
    case Kind::Text:
      return Fill(texts.LangText(commasAllowed ? "info_ValText" : "info_ValTextNoComma"),
                  {CountText(rule.min, rule.max, texts)});
    case Kind::Digits:
      return Fill(texts.LangText("info_ValDigits"), {CountText(rule.min, rule.max, texts)});
    case Kind::Hex:
      return Fill(texts.LangText("info_ValHex"), {CountText(rule.min, rule.max, texts)});
    case Kind::Bits:
      return Fill(texts.LangText("info_ValBits"), {std::to_string(rule.max)});
  }
  return {};
}

// What the build writes into a command's value from which control: the field
// of a composite value (or -1 for the whole value), and the Hex box whose
// clear state makes the build write the text as hex.
struct ControlValue {
  const Control* control;
  TCmd cmd;
  int field;
  const CheckBox* hexBox;
};

std::vector<ControlValue> ControlValues(const ParamForm& f) {
  return {
      {&f.edtAddrA, TCmd::SOCKA, 1, nullptr},
      {&f.edtPortA, TCmd::SOCKA, 2, nullptr},
      {&f.edtSockATo, TCmd::SOCKATO, -1, nullptr},
      {&f.edtAddrB, TCmd::SOCKB, 1, nullptr},
      {&f.edtPortB, TCmd::SOCKB, 2, nullptr},
      {&f.edtSockBTo, TCmd::SOCKBTO, -1, nullptr},
      {&f.lbledtSockRsTim, TCmd::SOCKRSTIM, -1, nullptr},
      {&f.edtHeartTm, TCmd::HEARTTM, -1, nullptr},
      {&f.edtHeartDt, TCmd::HEARTDT, -1, &f.rzchckbxHeartDtHex},
      {&f.edtUdcId, TCmd::ID, -1, nullptr},
      {&f.edtHTPURL, TCmd::HTPURL, -1, nullptr},
      {&f.edtHTPSVIP, TCmd::HTPSV, 0, nullptr},
      {&f.edtHTPSVPort, TCmd::HTPSV, 1, nullptr},
      {&f.edtHTPHD, TCmd::HTPHD, -1, nullptr},
      {&f.edtHtpTo, TCmd::HTPTO, -1, nullptr},
      {&f.edtDSTNUM, TCmd::DSTNUM, -1, nullptr},
      {&f.edtdevid, TCmd::GCLOUD, 0, nullptr},
      {&f.edtpwd, TCmd::GCLOUD, 1, nullptr},
      {&f.edtMODBUSID1, TCmd::GMDBS, 0, nullptr},
      {&f.edtMODBUSAddr1, TCmd::GMDBS, 1, nullptr},
      {&f.edtreportinternal, TCmd::GPOSUPTM, -1, nullptr},
      {&f.edtSockgAddr, TCmd::SOCKG, 1, nullptr},
      {&f.edtSockgPort, TCmd::SOCKG, 2, nullptr},
      {&f.edtSOCKGTO, TCmd::SOCKGTO, -1, nullptr},
      {&f.edtMODBUSID2, TCmd::GMDBS, 0, nullptr},
      {&f.edtMODBUSAddr2, TCmd::GMDBS, 1, nullptr},
      {&f.edtGPOSUPTM, TCmd::GPOSUPTM, -1, nullptr},
      {&f.edtSOCKQAddr, TCmd::SOCKQ, 1, nullptr},
      {&f.edtSOCKQport, TCmd::SOCKQ, 2, nullptr},
      {&f.edtSOCKQTO, TCmd::SOCKQTO, -1, nullptr},
      {&f.edtQPOSUPTM, TCmd::QPOSUPTM, -1, nullptr},
      {&f.edtQHEARTTM, TCmd::QHEARTTM, -1, nullptr},
      {&f.edtQPRODUCER, TCmd::QPRODUCER, -1, nullptr},
      {&f.edtTerminalID, TCmd::QTERMINAL, 0, nullptr},
      {&f.edtTerminalmode, TCmd::QTERMINAL, 1, nullptr},
      {&f.edtCarNum, TCmd::QCARINFO, 1, nullptr},
      {&f.edtlHWver, TCmd::QHWVER, -1, nullptr},
      {&f.edtUARTFT, TCmd::UARTFT, -1, nullptr},
      {&f.edtUARTFL, TCmd::UARTFL, -1, nullptr},
      {&f.lbledtCmdPw, TCmd::CMDPW, -1, nullptr},
      {&f.lbledtStMsg, TCmd::STMSG, -1, nullptr},
      {&f.lbledtApn, TCmd::APN, -1, nullptr},
      {&f.lbledtRsTim, TCmd::RSTIM, -1, nullptr},
  };
}

// The control whose caption names the field of each command.
struct CaptionOf {
  TCmd cmd;
  const char* control;
};

constexpr CaptionOf kCaptions[] = {
    {TCmd::SOCKA, "lblIpAndPortA"},    {TCmd::SOCKB, "lblIpAndPortB"},     {TCmd::SOCKASL, "lblLinkTpyeA"},
    {TCmd::SOCKBSL, "lblLinkTpyeB"},   {TCmd::SOCKATO, "lblSockATo"},      {TCmd::SOCKBTO, "lblSockBTo"},
    {TCmd::SOCKRSTIM, "lbledtSockRsTim"}, {TCmd::HEARTTM, "lblHeartTm"},   {TCmd::HEARTDT, "lblHeartDt"},
    {TCmd::HEARTSND, "lblHeartSnd"},   {TCmd::REGSND, "lblRegSnd"},        {TCmd::REGTP, "lblRegTp"},
    {TCmd::REGDT, "lblRegDt"},         {TCmd::CLOUD, "lblRegDt"},          {TCmd::ID, "lblUdcId"},
    {TCmd::HTPTP, "lblHTPTP"},         {TCmd::HTPURL, "lblHTPURL"},        {TCmd::HTPSV, "lblHTPSVIP"},
    {TCmd::HTPHD, "lblHTPHD"},         {TCmd::HTPTO, "lblHtpTo"},          {TCmd::DSTNUM, "lblDSTNUM"},
    {TCmd::GCLOUD, "lbldevid"},        {TCmd::GPOSUPTM, "lblGPOSUPTM"},    {TCmd::SOCKG, "RzLabelSOCKG"},
    {TCmd::SOCKGTO, "lblSOCKGTO"},     {TCmd::GREGSND, "lblGREGTYPE"},     {TCmd::GREGTP, "lblGREGTP"},
    {TCmd::GREGDT, "lblGREGDT"},       {TCmd::GPOSTP, "lblGHEARTTP2"},     {TCmd::GPOSSND, "lblGPOSSND"},
    {TCmd::SOCKQ, "lblSOCKQ"},         {TCmd::SOCKQTO, "lblSOCKQTO"},      {TCmd::QPOSUPTM, "lblQPOSUPTM"},
    {TCmd::QPHONE, "lblQphone"},       {TCmd::QHEARTTM, "lblQHEARTTM"},    {TCmd::QPRODUCER, "lblQPRODUCER"},
    {TCmd::QTERMINAL, "lblTerminalid"}, {TCmd::QCARINFO, "lblCarNum"},     {TCmd::QHWVER, "lblHWver"},
    {TCmd::UART, "lblUart"},           {TCmd::UARTFT, "lblUARTFT"},        {TCmd::UARTFL, "lblUARTFL"},
    {TCmd::CMDPW, "lbledtCmdPw"},      {TCmd::STMSG, "lbledtStMsg"},       {TCmd::APN, "lbledtApn"},
    {TCmd::RSTIM, "lbledtRsTim"},
};

std::string WithoutTrailingColon(std::string caption) {
  for (std::string_view colon : {std::string_view(":"), std::string_view("\xA3\xBA")})  // ":" and GBK "："
    if (caption.ends_with(colon)) caption.resize(caption.size() - colon.size());
  while (!caption.empty() && caption.back() == ' ') caption.pop_back();
  return caption;
}

}  // namespace

bool HasControlByte(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == '\x7f') return true;
  return false;
}

std::optional<ValueFault> FindValueFault(TCmd cmd, std::string_view value) {
  if (HasControlByte(value)) return ValueFault{ValueFault::Kind::ControlByte, 0, {}};
  if (value.size() > kMaxSettingValueLength) return ValueFault{ValueFault::Kind::TooLong, 0, {}};
  const ValueRule& rule = SettingRule(cmd);
  if (rule.fields.empty()) return ValueFault{ValueFault::Kind::NoValue, 0, {}};
  const auto fault = FindSyntaxFault(rule, value);
  if (!fault) return std::nullopt;
  if (fault->kind == SyntaxFault::Kind::FieldCount) return ValueFault{ValueFault::Kind::FieldCount, 0, {}};
  return ValueFault{ValueFault::Kind::Field, fault->index, fault->text};
}

std::string DescribeValueFault(TCmd cmd, std::string_view value, const ValueFault& fault,
                               const TextLookup& texts) {
  const ValueRule& rule = SettingRule(cmd);
  const std::string quoted = Quoted(value);
  switch (fault.kind) {
    case ValueFault::Kind::ControlByte:
      return quoted + " " + texts.LangText("info_ValControl");
    case ValueFault::Kind::TooLong:
      return Fill(texts.LangText("info_ValTooLong"), {std::to_string(kMaxSettingValueLength)});
    case ValueFault::Kind::NoValue:
      return texts.LangText("info_ValNoValue");
    case ValueFault::Kind::FieldCount: {
      const std::size_t most = rule.fields.size();
      const std::size_t fewest = rule.minFields == 0 ? most : rule.minFields;
      return quoted + " " +
             Fill(texts.LangText("info_ValFieldCount"),
                  {CountText(static_cast<long>(fewest), static_cast<long>(most), texts)});
    }
    case ValueFault::Kind::Field:
      break;
  }
  const std::size_t index = fault.index < rule.fields.size() ? fault.index : rule.fields.size() - 1;
  const bool commasAllowed = rule.whole || (rule.restInLast && index + 1 == rule.fields.size());
  const std::string expected = Expected(rule.fields[index], commasAllowed, texts);
  if (rule.whole || rule.fields.size() == 1) return quoted + " " + expected;
  return quoted + ": " + Fill(texts.LangText("info_ValField"), {std::to_string(index + 1)}) + " " +
         Quoted(fault.text) + " " + expected;
}

std::optional<std::string> CheckFieldValue(TCmd cmd, std::string_view value, const TextLookup& texts) {
  const auto fault = FindValueFault(cmd, value);
  if (!fault) return std::nullopt;
  return DescribeValueFault(cmd, value, *fault, texts);
}

std::optional<std::string> CheckControlText(const ParamForm& form, const Control& control,
                                            const TextLookup& texts) {
  for (const ControlValue& entry : ControlValues(form)) {
    if (entry.control != &control) continue;
    const auto* field = dynamic_cast<const TextField*>(&control);
    if (field == nullptr) return std::nullopt;
    std::string text = field->Text();
    if (entry.hexBox != nullptr && !entry.hexBox->Checked()) text = TextToHex(text, "");
    if (entry.field < 0) return CheckFieldValue(entry.cmd, text, texts);
    if (HasControlByte(text)) return Quoted(text) + " " + texts.LangText("info_ValControl");
    const FieldRule& rule = SettingRule(entry.cmd).fields[static_cast<std::size_t>(entry.field)];
    if (FieldMatches(rule, text, false)) return std::nullopt;
    return Quoted(text) + " " + Expected(rule, false, texts);
  }
  return std::nullopt;
}

std::string FieldCaption(const ParamForm& form, TCmd cmd) {
  for (const CaptionOf& entry : kCaptions)
    if (entry.cmd == cmd)
      if (const Control* control = form.Find(entry.control)) return WithoutTrailingColon(control->Caption());
  return {};
}

std::string DescribeProblem(const ValueProblem& problem) {
  std::string line = problem.command;
  if (!problem.field.empty()) line += " (" + problem.field + ")";
  return line + ": " + problem.reason;
}

}  // namespace t418

#include "params/report_appliers.h"

#include <span>
#include <vector>

#include "lang/text_lookup.h"
#include "monitor/traffic_log.h"
#include "params/encodings.h"
#include "params/view_rules.h"
#include "text/decimal.h"
#include "params/region_view.h"
#include "vehicle/terminal_fields.h"

namespace t418 {
namespace {

// ---- Which fields show which command ----

CheckBox* OnOffBox(ParamForm& f, TCmd cmd) {
  switch (cmd) {
    case TCmd::E: return &f.rzchckbxE;
    case TCmd::RFCEN: return &f.rzchckbxRFC;
    case TCmd::SOCKAEN: return &f.rzchckbxSktA;
    case TCmd::SOCKBEN: return &f.rzchckbxSktB;
    case TCmd::SOCKCEN: return &f.rzchckbxSktC;
    case TCmd::SOCKDEN: return &f.rzchckbxSktD;
    case TCmd::SOCKIND: return &f.rzchckbxSOCKIND;
    case TCmd::REGEN: return &f.rzchckbxRegEn;
    case TCmd::HEARTEN: return &f.rzchckbxHeartEn;
    case TCmd::HTPFLT: return &f.rzchckbxHtpFlt;
    case TCmd::SMSFLT: return &f.rzchckbxSMSFLT;
    case TCmd::SMSPH: return &f.rzchckbxSMSPH;
    case TCmd::QLBSADDEN: return &f.rzchckbxQLBSADDEN;
    case TCmd::QPOSPACK: return &f.rzchckbxQPOSPACK;
    case TCmd::QHEARTEN: return &f.rzchckbxQHEARTEN;
    case TCmd::GREGEN: return &f.rzchckbxGREGTP;
    default: return nullptr;
  }
}

// The edit fields that take a command's value whole (GPOSUPTM has two).
std::vector<TextField*> EditFields(ParamForm& f, TCmd cmd) {
  switch (cmd) {
    case TCmd::STMSG: return {&f.lbledtStMsg};
    case TCmd::CMDPW: return {&f.lbledtCmdPw};
    case TCmd::SOCKRSTIM: return {&f.lbledtSockRsTim};
    case TCmd::RSTIM: return {&f.lbledtRsTim};
    case TCmd::UARTFT: return {&f.edtUARTFT};
    case TCmd::UARTFL: return {&f.edtUARTFL};
    case TCmd::SOCKATO: return {&f.edtSockATo};
    case TCmd::SOCKBTO: return {&f.edtSockBTo};
    case TCmd::SOCKCTO: return {&f.edtSockCTo};
    case TCmd::SOCKDTO: return {&f.edtSockDTo};
    case TCmd::HEARTTM: return {&f.edtHeartTm};
    case TCmd::HTPURL: return {&f.edtHTPURL};
    case TCmd::HTPHD: return {&f.edtHTPHD};
    case TCmd::HTPTO: return {&f.edtHtpTo};
    case TCmd::DSTNUM: return {&f.edtDSTNUM};
    case TCmd::SOCKGTO: return {&f.edtSOCKGTO};
    case TCmd::SOCKQTO: return {&f.edtSOCKQTO};
    case TCmd::QPHONE: return {&f.edtQphone};
    case TCmd::QPOSUPTM: return {&f.edtQPOSUPTM};
    case TCmd::QHEARTTM: return {&f.edtQHEARTTM};
    case TCmd::QPRODUCER: return {&f.edtQPRODUCER};
    case TCmd::QHWVER: return {&f.edtlHWver};
    case TCmd::GPOSUPTM: return {&f.edtreportinternal, &f.edtGPOSUPTM};
    default: return {};
  }
}

struct WordEntry {
  std::string_view word;
  int entry;
};
using WordTable = std::span<const WordEntry>;

constexpr WordEntry kConnectionKinds[] = {{"SHORT", 0}, {"LONG", 1}};
constexpr WordEntry kRegistrationTypes[] = {{"ICCID", 0}, {"MEID", 1}, {"IMEI", 1}, {"CLOUD", 2}, {"USER", 3}};
constexpr WordEntry kSendMoments[] = {{"LINK", 0}, {"DATA", 1}};
constexpr WordEntry kHeartbeatTargets[] = {{"NET", 0}, {"COM", 1}};
constexpr WordEntry kGnssRegistrationTypes[] = {{"ICCID", 0}, {"IMEI", 1}, {"IMSI", 2}, {"SN", 3}, {"USER", 4}};
constexpr WordEntry kPositionPacketTypes[] = {{"RMC", 0}, {"GGA", 1}, {"MDBS", 2}};
constexpr WordEntry kPositionTargets[] = {{"NET", 0}, {"COM", 1}, {"DOUBLE", 2}};

struct WordList {
  ChoiceList* list = nullptr;
  WordTable words;
};

WordList WordListOf(ParamForm& f, TCmd cmd) {
  switch (cmd) {
    case TCmd::SOCKASL: return {&f.cbbASL, kConnectionKinds};
    case TCmd::SOCKBSL: return {&f.cbbBSL, kConnectionKinds};
    case TCmd::SOCKCSL: return {&f.cbbCSL, kConnectionKinds};
    case TCmd::SOCKDSL: return {&f.cbbDSL, kConnectionKinds};
    case TCmd::REGTP: return {&f.cbbRegTp, kRegistrationTypes};
    case TCmd::REGSND: return {&f.cbbRegSnd, kSendMoments};
    case TCmd::HEARTSND: return {&f.cbbHeartSnd, kHeartbeatTargets};
    case TCmd::GREGTP: return {&f.cbbGREGTP, kGnssRegistrationTypes};
    case TCmd::GREGSND: return {&f.cbbGREGTYPE, kSendMoments};
    case TCmd::GPOSTP: return {&f.cbbGHEARTTP2, kPositionPacketTypes};
    case TCmd::GPOSSND: return {&f.cbbGPOSSND, kPositionTargets};
    default: return {};
  }
}

// Exact byte comparison: a word in quotes or with blanks matches nothing.
int EntryOfWord(WordTable words, std::string_view value) {
  for (const WordEntry& w : words)
    if (w.word == value) return w.entry;
  return -1;
}

struct RegistrationEntry {
  RegDataField* field;
  int entry;
};

std::vector<RegistrationEntry> RegistrationEntries(ParamForm& f, TCmd cmd) {
  switch (cmd) {
    case TCmd::ICCID: return {{&f.cbbRegDt, 0}, {&f.cbbGREGDT, 0}};
    case TCmd::MEID:
    case TCmd::IMEI: return {{&f.cbbRegDt, 1}, {&f.cbbGREGDT, 1}};
    case TCmd::IMSI: return {{&f.cbbGREGDT, 2}};
    case TCmd::SN: return {{&f.cbbGREGDT, 3}};
    case TCmd::REGDT: return {{&f.cbbRegDt, 3}};
    case TCmd::GREGDT: return {{&f.cbbGREGDT, 4}};
    default: return {};
  }
}

struct ServerFields {
  ChoiceList* protocol = nullptr;
  Edit* address = nullptr;
  Edit* port = nullptr;
  bool protocolRule = false;  // sockets A to D: the connection kind follows the protocol
};

ServerFields ServerFieldsOf(ParamForm& f, TCmd cmd) {
  switch (cmd) {
    case TCmd::SOCKA: return {&f.cbbProtocolA, &f.edtAddrA, &f.edtPortA, true};
    case TCmd::SOCKB: return {&f.cbbProtocolB, &f.edtAddrB, &f.edtPortB, true};
    case TCmd::SOCKC: return {&f.cbbProtocolC, &f.edtAddrC, &f.edtPortC, true};
    case TCmd::SOCKD: return {&f.cbbProtocolD, &f.edtAddrD, &f.edtPortD, true};
    case TCmd::SOCKG: return {&f.RzComboBoxSOCKG, &f.edtSockgAddr, &f.edtSockgPort, false};
    case TCmd::SOCKQ: return {&f.cbbprotocol, &f.edtSOCKQAddr, &f.edtSOCKQport, false};
    default: return {};
  }
}

bool Contains(std::string_view value, std::string_view word) { return value.find(word) != std::string_view::npos; }

}  // namespace

ReportAppliers::ReportAppliers(const ReportApplierParts& parts)
    : form_(parts.form), rules_(parts.rules), regions_(parts.regions), log_(parts.log), texts_(parts.texts) {}

void ReportAppliers::ApplyReport(const std::string& name, const std::string& value) {
  if (const std::optional<TCmd> cmd = FindCmd(name)) ApplyCommand(*cmd, value);
}

void ReportAppliers::ApplyCommand(TCmd cmd, std::string_view value) {
  if (CheckBox* box = OnOffBox(form_, cmd)) {
    ApplyOnOff(*box, value);
    return;
  }
  if (cmd == TCmd::GNSSFUNEN) {
    ApplyOneZero(form_.rzchckbxGNSSen, value);
    return;
  }
  if (const std::vector<TextField*> fields = EditFields(form_, cmd); !fields.empty()) {
    for (TextField* field : fields) ApplyEditText(*field, value);
    return;
  }
  if (ApplyModeWord(cmd, value) || ApplyListWord(cmd, value) || ApplyFieldList(cmd, value) ||
      ApplyServerTriple(cmd, value))
    return;
  switch (cmd) {
    case TCmd::HTPTP: ApplyItemText(form_.cbbHTPTP, value); break;
    case TCmd::HEARTDT: ApplyHeartbeatData(value); break;
    case TCmd::QCITY: regions_.ApplyRegionCode(value); break;
    case TCmd::QTERMINAL: ApplyTerminalValue(value); break;
    case TCmd::Z: log_.LogInfo(texts_.LangText("info_Restarting")); break;
    // VER and HDVER belong to the session engine; the rest (H, ENTM, RELD,
    // CLEAR, CFGTF, the link states, CSQ) stay in the value list only.
    default: break;
  }
}

// ---- Check boxes and fields ----

void ReportAppliers::ApplyOnOff(CheckBox& box, std::string_view value) {
  if (value == "ON")
    rules_.SetChecked(box, true);
  else if (value == "OFF")
    rules_.SetChecked(box, false);
  // Away and back: the click rule runs for the state shown, whatever changed.
  rules_.SetChecked(box, !box.Checked());
  rules_.SetChecked(box, !box.Checked());
}

void ReportAppliers::ApplyOneZero(CheckBox& box, std::string_view value) {
  if (value == "1")
    rules_.SetChecked(box, true);
  else if (value == "0")
    rules_.SetChecked(box, false);
}

void ReportAppliers::ApplyEditText(TextField& field, std::string_view value) { field.SetText(std::string(value)); }

void ReportAppliers::ApplyItemText(ChoiceList& list, std::string_view value) {
  list.SetItemIndex(list.IndexOfText(value, true));
}

void ReportAppliers::ApplyHeartbeatData(std::string_view value) {
  // A clear box converts the old text first, so it stays meaningful in hex.
  rules_.SetChecked(form_.rzchckbxHeartDtHex, true);
  form_.edtHeartDt.SetText(std::string(value));
}

// ---- Mode words ----

bool ReportAppliers::ApplyModeWord(TCmd cmd, std::string_view value) {
  ParamForm& f = form_;
  RadioButton* hit = nullptr;
  std::vector<RadioButton*> group;
  switch (cmd) {
    case TCmd::WKMOD:
      group = {&f.rbNetTran, &f.rbHttpd, &f.rbSmsTran, &f.rbUdc};
      if (value == "NET")
        hit = &f.rbNetTran;
      else if (value == "HTTPD")
        hit = &f.rbHttpd;
      else if (Contains(value, "SMS"))
        hit = &f.rbSmsTran;
      else if (Contains(value, "UDC"))
        hit = &f.rbUdc;
      break;
    case TCmd::GNSSMOD:
      group = {&f.rbZavCloud, &f.rbPrivateCloud, &f.rbQianXun};
      if (value == "CLOUD")
        hit = &f.rbZavCloud;
      else if (value == "NET")
        hit = &f.rbPrivateCloud;
      else if (Contains(value, "QX"))
        hit = &f.rbQianXun;
      break;
    case TCmd::GWKMOD:
      group = {&f.rbMULT, &f.rbINDE};
      if (value == "INDE")
        hit = &f.rbINDE;
      else if (value == "MULT")
        hit = &f.rbMULT;
      break;
    default:
      return false;
  }
  for (RadioButton* button : group) rules_.SetChecked(*button, false);
  if (hit) rules_.SetChecked(*hit, true);
  return true;
}

// ---- List words and registration data ----

bool ReportAppliers::ApplyListWord(TCmd cmd, std::string_view value) {
  if (const WordList target = WordListOf(form_, cmd); target.list) {
    if (const int entry = EntryOfWord(target.words, value); entry >= 0) target.list->SetItemIndex(entry);
    // These lists decide what other fields show; their rule runs whatever the word.
    if (cmd == TCmd::REGTP || cmd == TCmd::GREGTP || cmd == TCmd::GPOSTP) rules_.RunChangeRule(*target.list);
    return true;
  }
  switch (cmd) {
    case TCmd::ID:
      ApplyEditText(form_.edtUdcId, value);
      return true;
    case TCmd::REGDT:
      rules_.SetChecked(form_.rzchckbxRegDtHex, true);
      return StoreRegistrationData(cmd, value);
    case TCmd::GREGDT:
      rules_.SetChecked(form_.rzchckbxGREGDThex, true);
      return StoreRegistrationData(cmd, value);
    case TCmd::CLOUD: {
      const std::vector<std::string> fields = SplitCommaText(value);
      if (fields.size() != 2) return true;
      form_.cbbRegDt.SetEntry(2, fields[0]);
      form_.edtCloudPa.SetText(fields[1]);
      return true;
    }
    default:
      return StoreRegistrationData(cmd, value);
  }
}

bool ReportAppliers::StoreRegistrationData(TCmd cmd, std::string_view value) {
  const std::vector<RegistrationEntry> entries = RegistrationEntries(form_, cmd);
  for (const RegistrationEntry& e : entries) e.field->SetEntry(e.entry, std::string(value));
  return !entries.empty();
}

// ---- Field lists ----

bool ReportAppliers::ApplyFieldList(TCmd cmd, std::string_view value) {
  ParamForm& f = form_;
  if (cmd == TCmd::APN) {
    ApplyEditText(f.lbledtApn, value);
    return true;
  }
  if (cmd == TCmd::QCARINFO) {
    ApplyCarInfoReport(f, value);  // two fields, a decimal colour, or nothing changes
    return true;
  }
  if (cmd != TCmd::UART && cmd != TCmd::HTPSV && cmd != TCmd::GCLOUD && cmd != TCmd::GMDBS && cmd != TCmd::GBYDTU)
    return false;

  const std::vector<std::string> fields = SplitCommaText(value);
  if (cmd == TCmd::UART) {
    if (fields.size() != 4 && fields.size() != 5) return true;
    ChoiceList* lists[] = {&f.cbbBaud, &f.cbbD, &f.cbbS, &f.cbbP, &f.cbbFlow};
    for (std::size_t k = 0; k < fields.size(); ++k) ApplyItemText(*lists[k], fields[k]);
    return true;
  }
  if (fields.size() != 2) return true;
  switch (cmd) {
    case TCmd::HTPSV:
      f.edtHTPSVIP.SetText(fields[0]);
      f.edtHTPSVPort.SetText(fields[1]);
      break;
    case TCmd::GCLOUD:
      f.edtdevid.SetText(fields[0]);
      f.edtpwd.SetText(fields[1]);
      break;
    case TCmd::GMDBS:
      f.edtMODBUSID1.SetText(fields[0]);
      f.edtMODBUSID2.SetText(fields[0]);
      f.edtMODBUSAddr1.SetText(fields[1]);
      f.edtMODBUSAddr2.SetText(fields[1]);
      break;
    default: {  // GBYDTU: the flag numbers are the entries (0 off, 1 on)
      const std::optional<int> a = ParseDecimalInt(fields[0]);
      const std::optional<int> b = ParseDecimalInt(fields[1]);
      if (!a || !b) break;
      f.cbbBYsocketA.SetItemIndex(*a);
      f.cbbBYsocketB.SetItemIndex(*b);
      break;
    }
  }
  return true;
}

// ---- Servers ----

bool ReportAppliers::ApplyServerTriple(TCmd cmd, std::string_view value) {
  const ServerFields server = ServerFieldsOf(form_, cmd);
  if (!server.protocol) return false;
  const std::vector<std::string> fields = SplitCommaText(value);
  if (fields.size() != 3) return true;
  ApplyItemText(*server.protocol, fields[0]);
  server.address->SetText(fields[1]);
  server.port->SetText(fields[2]);
  if (server.protocolRule) rules_.cbbProtocolChange(*server.protocol);
  return true;
}

// ---- Vehicle terminal ----

void ReportAppliers::ApplyTerminalValue(std::string_view value) {
  const std::optional<TerminalReport> report = ParseTerminalReport(value);
  if (!report || !report->typeItems) return;
  ApplyTerminalReport(form_, value);
}

}  // namespace t418

#include "session/profile_io.h"


#include <iterator>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

#include "params/encodings.h"
#include "params/form_getters.h"
#include "platform/file_facts.h"
#include "platform/settings_homes.h"
#include "session/session.h"
#include "text/ascii_case.h"
#include "text/file_read.h"
#include "text/gbk.h"
#include "text/hex.h"
#include "params/region_view.h"

namespace t418 {

namespace fs = std::filesystem;

namespace {

constexpr char kSystem[] = "System";
// The tool's own key: chunks handed over at the end of a reply (Session::SetReplyFraming).
constexpr char kFastReplies[] = "FastReplies";
// The tool's keys of the send area's "auto CR" switch and the log's "Time" box.
constexpr char kAutoCR[] = "AutoCR";
constexpr char kLogTime[] = "LogTime";
constexpr char kOpenUart[] = "OpenUart";
constexpr char kWkmod[] = "WKMOD";
constexpr char kSocket[] = "Socket";
constexpr char kHeart[] = "Heart";
constexpr char kReg[] = "Reg";
constexpr char kHttpd[] = "HTTPD";
constexpr char kSms[] = "SMS";
constexpr char kGnss[] = "GNSS";
constexpr char kBase[] = "Base";

// The defaults that name hosts and numbers.
constexpr char kWebHost[] = "www.example.com";
constexpr char kTestServer[] = "test.example.com";
constexpr char kPositioningAddress[] = "203.0.113.10";
constexpr char kCarrierServiceNumber[] = "19999";

constexpr int kDefaultDelayTime = 150;

// The key of the GNSS box "高级" (rzchckbxGNSSMore). Profiles without it
// restore the box from "QHEARTEN", as the first versions of the tool did.
constexpr char kGnssMoreKey[] = "GNSSMore";

// ---- Word tables of the lists (entry number = index) ----

constexpr std::string_view kConnectionKinds[] = {"SHORT", "LONG"};
constexpr std::string_view kHeartbeatTargets[] = {"NET", "COM"};
constexpr std::string_view kRegistrationTypes[] = {"ICCID", "MEID", "CLOUD", "USER"};
constexpr std::string_view kSendMoments[] = {"LINK", "DATA"};
constexpr std::string_view kGnssRegistrationTypes[] = {"ICCID", "IMEI", "IMSI", "SN", "USER"};
constexpr std::string_view kPositionPacketTypes[] = {"RMC", "GGA", "MDBS"};
constexpr std::string_view kPositionTargets[] = {"NET", "COM", "DOUBLE"};

// The word of the list's entry; nullopt without a selection (the key is then not saved).
std::optional<std::string> WordOfEntry(const ChoiceList& list, std::span<const std::string_view> words) {
  const int entry = list.ItemIndex();
  if (entry < 0 || entry >= static_cast<int>(words.size())) return std::nullopt;
  return std::string(words[static_cast<std::size_t>(entry)]);
}

std::string Join(const std::string& a, const std::string& b) { return a + "," + b; }
std::string Join(const std::string& a, const std::string& b, const std::string& c) { return a + "," + b + "," + c; }

// ApplyItemText on one of the toolbar's lists: the entry equal to the value,
// ASCII case ignored, or no selection ("").
template <typename List>
std::string ChooseEntry(const List& entries, std::string_view value) {
  for (const auto& entry : entries)
    if (EqualsIgnoringAsciiCase(entry, value)) return std::string(entry);
  return {};
}

// The four keys of one socket and the controls that show them; Form is
// ParamForm when loading and const ParamForm when saving.
template <typename Form>
struct SocketRow {
  template <typename T>
  using Of = std::conditional_t<std::is_const_v<Form>, const T, T>;
  const char* enabledKey;
  const char* serverKey;
  const char* kindKey;
  const char* timeoutKey;
  TCmd server;
  TCmd kind;
  const char* enabledDefault;
  std::string serverDefault;
  Of<CheckBox>& enabled;
  Of<ChoiceList>& protocol;
  Of<Edit>& address;
  Of<Edit>& port;
  Of<ChoiceList>& connectionKind;
  Of<Edit>& timeout;
};

template <typename Form>
std::vector<SocketRow<Form>> SocketRows(Form& f) {
  return {
      {"SOCKAEN", "SOCKA", "SOCKASL", "SOCKATO", TCmd::SOCKA, TCmd::SOCKASL, "ON", Join("TCP", kTestServer, "2317"), f.rzchckbxSktA, f.cbbProtocolA,
       f.edtAddrA, f.edtPortA, f.cbbASL, f.edtSockATo},
      {"SOCKBEN", "SOCKB", "SOCKBSL", "SOCKBTO", TCmd::SOCKB, TCmd::SOCKBSL, "OFF", Join("TCP", kTestServer, "2318"), f.rzchckbxSktB, f.cbbProtocolB,
       f.edtAddrB, f.edtPortB, f.cbbBSL, f.edtSockBTo},
      {"SOCKCEN", "SOCKC", "SOCKCSL", "SOCKCTO", TCmd::SOCKC, TCmd::SOCKCSL, "OFF", Join("TCP", kTestServer, "2319"), f.rzchckbxSktC, f.cbbProtocolC,
       f.edtAddrC, f.edtPortC, f.cbbCSL, f.edtSockCTo},
      {"SOCKDEN", "SOCKD", "SOCKDSL", "SOCKDTO", TCmd::SOCKD, TCmd::SOCKDSL, "OFF", Join("TCP", kTestServer, "2320"), f.rzchckbxSktD, f.cbbProtocolD,
       f.edtAddrD, f.edtPortD, f.cbbDSL, f.edtSockDTo},
  };
}

// ---- Loading ----

class ProfileLoader {
 public:
  ProfileLoader(Session& session, const IniDocument& document)
      : s_(session), d_(document), f_(session.Form()), a_(session.Appliers()) {}

  void ToolSettings() {
    s_.hideHelpLinks = d_.ReadBool(kSystem, "Custom", false);
    const auto& systemIsChinese = s_.Options().systemIsChinese;
    s_.Lang().UseChinese = d_.ReadBool(kSystem, "Language", systemIsChinese ? systemIsChinese() : false);
    s_.liveHelp = d_.ReadBool(kSystem, "ReadTimeHelp", true);
    switch (d_.ReadInteger(kSystem, "SendShortCutTag", static_cast<int>(SendKey::CtrlEnter))) {
      case static_cast<int>(SendKey::Enter): s_.sendSwitches.key = SendKey::Enter; break;
      case static_cast<int>(SendKey::CtrlEnter): s_.sendSwitches.key = SendKey::CtrlEnter; break;
      default: break;
    }
    s_.SetReplyFraming(d_.ReadBool(kSystem, kFastReplies, false));
    s_.sendSwitches.autoCR = d_.ReadBool(kSystem, kAutoCR, true);
    s_.Log().timeStamps = d_.ReadBool(kSystem, kLogTime, false);
  }

  void HexSwitches() {
    OnOff(kSystem, "HeartDtHex", "ON", f_.rzchckbxHeartDtHex);
    OnOff(kSystem, "RegDtHex", "ON", f_.rzchckbxRegDtHex);
    OnOff(kSystem, "ShowMore", "OFF", f_.rzchckbxMore);
  }

  void HardwareSignKey() {
    HardwareSign& hardware = s_.Hardware();
    const int sign = HdVerSignFromName(Read(kSystem, "HdVerSign", HdVerSignToName(hardware.current)));
    if (sign >= 0) hardware.current = static_cast<THdVerSign>(sign);
  }

  void PortSettings(const std::vector<std::string>& ports) {
    t418::PortSettings& port = s_.portSettings;
    if (!ports.empty()) {
      const std::string& preferred = s_.Options().defaultPort;
      std::string name = Read(kOpenUart, "ComName", preferred.empty() ? ports.front() : preferred);
      if (name.empty() && !preferred.empty()) name = preferred;
      port.port = ChooseEntry(ports, name);
    }
    port.baud = ChooseEntry(kBaudRates, Read(kOpenUart, "BaudRate", "115200"));
    port.parity = ChooseEntry(kParities, Read(kOpenUart, "Parity", "NONE"));
    port.data = ChooseEntry(kDataBits, Read(kOpenUart, "Data", "8"));
    port.stop = ChooseEntry(kStopBits, Read(kOpenUart, "Stop", "1"));
    port.flow = ChooseEntry(kFlowControls, Read(kOpenUart, "Flow", "NONE"));
  }

  void ParameterSections() {
    a_.ApplyModeWord(TCmd::WKMOD, Read(kWkmod, "WKMOD", "NET"));
    Sockets();
    Heartbeat();
    Registration();
    Httpd();
    Sms();
    Gnss();
    Base();
  }

  void DelayTime() {
    const int delay = d_.ReadInteger(kBase, "delayTime", kDefaultDelayTime);
    s_.Engine().delayTime = delay >= 0 ? delay : kDefaultDelayTime;
  }

 private:
  std::string Read(const char* section, const char* key, std::string_view defaultValue) const {
    return d_.ReadString(section, key, defaultValue);
  }
  void OnOff(const char* section, const char* key, const char* defaultValue, CheckBox& box) {
    a_.ApplyOnOff(box, Read(section, key, defaultValue));
  }
  void EditText(const char* section, const char* key, std::string_view defaultValue, TextField& field) {
    ReportAppliers::ApplyEditText(field, Read(section, key, defaultValue));
  }
  // A key that holds a command's value, taken as the command's report.
  void ListWord(const char* section, TCmd cmd, std::string_view defaultValue) {
    a_.ApplyListWord(cmd, Read(section, CmdToName(cmd).c_str(), defaultValue));
  }
  void FieldList(const char* section, TCmd cmd, std::string_view defaultValue) {
    a_.ApplyFieldList(cmd, Read(section, CmdToName(cmd).c_str(), defaultValue));
  }
  void ServerTriple(const char* section, TCmd cmd, std::string_view defaultValue) {
    a_.ApplyServerTriple(cmd, Read(section, CmdToName(cmd).c_str(), defaultValue));
  }

  void Sockets() {
    for (SocketRow<ParamForm>& row : SocketRows(f_)) {
      OnOff(kSocket, row.enabledKey, row.enabledDefault, row.enabled);
      ServerTriple(kSocket, row.server, row.serverDefault);
      ListWord(kSocket, row.kind, "LONG");
      s_.Rules().cbbProtocolChange(row.protocol);
      EditText(kSocket, row.timeoutKey, "5", row.timeout);
    }
    OnOff(kSocket, "SOCKIND", "OFF", f_.rzchckbxSOCKIND);
    EditText(kSocket, "SOCKRSTIM", "60", f_.lbledtSockRsTim);
  }

  void Heartbeat() {
    OnOff(kHeart, "HEARTEN", "ON", f_.rzchckbxHeartEn);
    // The Hex box came from "HeartDtHex" and describes the stored text as it is.
    EditText(kHeart, "HEARTDT", TextToHex(kWebHost, ""), f_.edtHeartDt);
    ListWord(kHeart, TCmd::HEARTSND, "NET");
    EditText(kHeart, "HEARTTM", "30", f_.edtHeartTm);
  }

  void Registration() {
    OnOff(kReg, "REGEN", "OFF", f_.rzchckbxRegEn);
    // "REGDT" chooses no type: the list keeps its entry, its rule runs all the same.
    ListWord(kReg, TCmd::REGTP, "REGDT");
    ListWord(kReg, TCmd::ICCID, "");
    ListWord(kReg, TCmd::MEID, "");
    ListWord(kReg, TCmd::CLOUD, ",");
    // The Hex box came from "RegDtHex"; the report's conversion does not apply.
    a_.StoreRegistrationData(TCmd::REGDT, Read(kReg, "REGDT", TextToHex(kWebHost, "")));
    ListWord(kReg, TCmd::REGSND, "LINK");
  }

  void Httpd() {
    ReportAppliers::ApplyItemText(f_.cbbHTPTP, Read(kHttpd, "HTPTP", "POST"));
    EditText(kHttpd, "HTPURL", "/1.php[3F]", f_.edtHTPURL);
    FieldList(kHttpd, TCmd::HTPSV, Join(kTestServer, "80"));
    EditText(kHttpd, "HTPHD", "Connection: close[0D][0A]", f_.edtHTPHD);
    OnOff(kHttpd, "HTPFLT", "ON", f_.rzchckbxHtpFlt);
    EditText(kHttpd, "HTPTO", "10", f_.edtHtpTo);
  }

  void Sms() {
    EditText(kSms, "DSTNUM", kCarrierServiceNumber, f_.edtDSTNUM);
    OnOff(kSms, "SMSFLT", "ON", f_.rzchckbxSMSFLT);
    OnOff(kSms, "SMSPH", "OFF", f_.rzchckbxSMSPH);
  }

  void Gnss() {
    a_.ApplyOneZero(f_.rzchckbxGNSSen, Read(kGnss, "GNSSFUNEN", "0"));
    a_.ApplyModeWord(TCmd::GNSSMOD, Read(kGnss, "GNSSMOD", "NET"));
    FieldList(kGnss, TCmd::GCLOUD, ",");
    FieldList(kGnss, TCmd::GMDBS, "1,0");
    EditText(kGnss, "GPOSUPTM", "30", f_.edtreportinternal);
    EditText(kGnss, "GPOSUPTM", "30", f_.edtGPOSUPTM);
    a_.ApplyModeWord(TCmd::GWKMOD, Read(kGnss, "GWKMOD", "INDE"));
    ServerTriple(kGnss, TCmd::SOCKG, Join("TCPC", kTestServer, "2317"));
    EditText(kGnss, "SOCKGTO", "5", f_.edtSOCKGTO);
    OnOff(kGnss, "GREGEN", "OFF", f_.rzchckbxGREGTP);
    ListWord(kGnss, TCmd::GREGTP, "USER");
    ListWord(kGnss, TCmd::GREGDT, TextToHex(kWebHost, ""));  // checks the Hex box first
    ListWord(kGnss, TCmd::GREGSND, "LINK");
    ListWord(kGnss, TCmd::GPOSTP, "MDBS");
    ListWord(kGnss, TCmd::GPOSSND, "NET");
    FieldList(kGnss, TCmd::GBYDTU, "0,0");
    ServerTriple(kGnss, TCmd::SOCKQ, Join("TCP", kPositioningAddress, "8808"));
    EditText(kGnss, "SOCKQTO", "5", f_.edtSOCKQTO);
    OnOff(kGnss, "QLBSADDEN", "ON", f_.rzchckbxQLBSADDEN);
    OnOff(kGnss, "QPOSPACK", "OFF", f_.rzchckbxQPOSPACK);
    EditText(kGnss, "QPOSUPTM", "30", f_.edtQPOSUPTM);
    EditText(kGnss, "QPHONE", "", f_.edtQphone);
    const std::string heartbeat = Read(kGnss, "QHEARTEN", "OFF");
    a_.ApplyOnOff(f_.rzchckbxQHEARTEN, heartbeat);
    a_.ApplyOnOff(f_.rzchckbxGNSSMore, Read(kGnss, kGnssMoreKey, heartbeat));
    EditText(kGnss, "QHEARTTM", "30", f_.edtQHEARTTM);
    // Before the region catalogue is loaded only edtQCITY takes the code; the
    // session lets the region lists follow it once they are filled.
    if (const auto code = d_.Find(kGnss, "QCITY")) s_.Regions().ApplyRegionCode(*code);
    EditText(kGnss, "QPRODUCER", "ZAV", f_.edtQPRODUCER);
    a_.ApplyTerminalValue(Read(kGnss, "QTERMINAL", "ZAVGNSS,zav-gnss-001,15"));
    FieldList(kGnss, TCmd::QCARINFO, "0,");
    EditText(kGnss, "QHWVER", "", f_.edtlHWver);
  }

  void Base() {
    FieldList(kBase, TCmd::APN, "CMNET,,,0");
    FieldList(kBase, TCmd::UART, "115200,8,1,NONE,NFC");
    OnOff(kBase, "RFCEN", "OFF", f_.rzchckbxRFC);
    EditText(kBase, "UARTFT", "50", f_.edtUARTFT);
    EditText(kBase, "UARTFL", "1024", f_.edtUARTFL);
    OnOff(kBase, "E", "ON", f_.rzchckbxE);
    EditText(kBase, "CMDPW", "zuzuv", f_.lbledtCmdPw);
    EditText(kBase, "STMSG", "[ZAV-T418]", f_.lbledtStMsg);
    EditText(kBase, "RSTIM", "1800", f_.lbledtRsTim);
  }

  Session& s_;
  const IniDocument& d_;
  ParamForm& f_;
  ReportAppliers& a_;
};

// ---- Saving ----

class ProfileSaver {
 public:
  ProfileSaver(const Session& session, IniDocument& document)
      : s_(session), d_(document), f_(session.Form()) {}

  void ToolSettings() {
    d_.WriteBool(kSystem, "Language", s_.Lang().UseChinese);
    d_.WriteBool(kSystem, "ReadTimeHelp", s_.liveHelp);
    d_.WriteInteger(kSystem, "SendShortCutTag", static_cast<int>(s_.sendSwitches.key));
    // Written once it was ever on, so a profile that never used it keeps its keys.
    if (s_.ReplyFraming() || d_.Find(kSystem, kFastReplies)) d_.WriteBool(kSystem, kFastReplies, s_.ReplyFraming());
    d_.WriteBool(kSystem, kAutoCR, s_.sendSwitches.autoCR);
    // Only read: the session offers its log through a non-const accessor alone.
    d_.WriteBool(kSystem, kLogTime, s_.Log().timeStamps);
  }

  void HexSwitches() {
    OnOff(kSystem, "HeartDtHex", f_.rzchckbxHeartDtHex);
    OnOff(kSystem, "RegDtHex", f_.rzchckbxRegDtHex);
    OnOff(kSystem, "ShowMore", f_.rzchckbxMore);
  }

  void HardwareSignKey() { Write(kSystem, "HdVerSign", HdVerSignToName(s_.Hardware().current)); }

  void PortSettings() {
    const t418::PortSettings& port = s_.portSettings;
    Write(kOpenUart, "ComName", port.port);
    Write(kOpenUart, "BaudRate", port.baud);
    Write(kOpenUart, "Parity", port.parity);
    Write(kOpenUart, "Data", port.data);
    Write(kOpenUart, "Stop", port.stop);
    Write(kOpenUart, "Flow", port.flow);
  }

  void ParameterSections() {
    static constexpr std::string_view kWorkModes[] = {"NET", "HTTPD", "SMS"};
    const int mode = CurrentWorkMode(f_);
    if (mode >= 0 && mode < static_cast<int>(std::size(kWorkModes)))
      Write(kWkmod, "WKMOD", std::string(kWorkModes[mode]));
    Sockets();
    Heartbeat();
    Registration();
    Httpd();
    Sms();
    Gnss();
    Base();
  }

  void DelayTime() { d_.WriteInteger(kBase, "delayTime", s_.Engine().delayTime); }

 private:
  void Write(const char* section, const char* key, std::string_view value) { d_.WriteString(section, key, value); }
  // A key whose value needs a selection: not written without one.
  void WriteIfChosen(const char* section, const char* key, const std::optional<std::string>& value) {
    if (value) d_.WriteString(section, key, *value);
  }
  void OnOff(const char* section, const char* key, const CheckBox& box) { Write(section, key, OnOffText(box)); }

  void Sockets() {
    for (const SocketRow<const ParamForm>& row : SocketRows(f_)) {
      OnOff(kSocket, row.enabledKey, row.enabled);
      Write(kSocket, row.serverKey, Join(row.protocol.Text(), row.address.Text(), row.port.Text()));
      WriteIfChosen(kSocket, row.kindKey, WordOfEntry(row.connectionKind, kConnectionKinds));
      Write(kSocket, row.timeoutKey, row.timeout.Text());
    }
    OnOff(kSocket, "SOCKIND", f_.rzchckbxSOCKIND);
    Write(kSocket, "SOCKRSTIM", f_.lbledtSockRsTim.Text());
  }

  void Heartbeat() {
    OnOff(kHeart, "HEARTEN", f_.rzchckbxHeartEn);
    Write(kHeart, "HEARTDT", f_.edtHeartDt.Text());
    WriteIfChosen(kHeart, "HEARTSND", WordOfEntry(f_.cbbHeartSnd, kHeartbeatTargets));
    Write(kHeart, "HEARTTM", f_.edtHeartTm.Text());
  }

  void Registration() {
    OnOff(kReg, "REGEN", f_.rzchckbxRegEn);
    const std::optional<std::string> type = WordOfEntry(f_.cbbRegTp, kRegistrationTypes);
    WriteIfChosen(kReg, "REGTP", type);
    // Only the shown type's text: the other keys keep what the file held.
    static constexpr const char* kDataKeys[] = {"ICCID", "MEID", "CLOUD", "REGDT"};
    if (type) Write(kReg, kDataKeys[f_.cbbRegTp.ItemIndex()], f_.cbbRegDt.Text());
    WriteIfChosen(kReg, "REGSND", WordOfEntry(f_.cbbRegSnd, kSendMoments));
  }

  void Httpd() {
    Write(kHttpd, "HTPTP", f_.cbbHTPTP.Text());
    Write(kHttpd, "HTPURL", f_.edtHTPURL.Text());
    Write(kHttpd, "HTPSV", Join(f_.edtHTPSVIP.Text(), f_.edtHTPSVPort.Text()));
    Write(kHttpd, "HTPHD", f_.edtHTPHD.Text());
    OnOff(kHttpd, "HTPFLT", f_.rzchckbxHtpFlt);
    Write(kHttpd, "HTPTO", f_.edtHtpTo.Text());
  }

  void Sms() {
    Write(kSms, "DSTNUM", f_.edtDSTNUM.Text());
    OnOff(kSms, "SMSFLT", f_.rzchckbxSMSFLT);
    OnOff(kSms, "SMSPH", f_.rzchckbxSMSPH);
  }

  void Gnss() {
    Write(kGnss, "GNSSFUNEN", OneZeroText(f_.rzchckbxGNSSen));
    if (f_.rbZavCloud.Checked())
      Write(kGnss, "GNSSMOD", "CLOUD");
    else if (f_.rbPrivateCloud.Checked())
      Write(kGnss, "GNSSMOD", "NET");
    else if (f_.rbQianXun.Checked())
      Write(kGnss, "GNSSMOD", "QX");
    Write(kGnss, "GCLOUD", Join(f_.edtdevid.Text(), f_.edtpwd.Text()));
    const std::optional<std::string> packetType = WordOfEntry(f_.cbbGHEARTTP2, kPositionPacketTypes);
    // One key for both MODBUS pairs: the private cloud's when it sends MODBUS
    // packets, the maker's cloud's otherwise.
    const bool modbus = packetType == "MDBS";
    Write(kGnss, "GMDBS",
          modbus ? Join(f_.edtMODBUSID2.Text(), f_.edtMODBUSAddr2.Text())
                 : Join(f_.edtMODBUSID1.Text(), f_.edtMODBUSAddr1.Text()));
    // Likewise one key for both intervals; the private cloud's wins.
    Write(kGnss, "GPOSUPTM", f_.edtGPOSUPTM.Text());
    Write(kGnss, "GWKMOD", f_.rbMULT.Checked() ? "MULT" : "INDE");
    Write(kGnss, "SOCKG", Join(f_.RzComboBoxSOCKG.Text(), f_.edtSockgAddr.Text(), f_.edtSockgPort.Text()));
    Write(kGnss, "SOCKGTO", f_.edtSOCKGTO.Text());
    OnOff(kGnss, "GREGEN", f_.rzchckbxGREGTP);
    const std::optional<std::string> registration = WordOfEntry(f_.cbbGREGTP, kGnssRegistrationTypes);
    WriteIfChosen(kGnss, "GREGTP", registration);
    if (registration == "USER") {
      const std::string& text = f_.cbbGREGDT.Text();
      Write(kGnss, "GREGDT", f_.rzchckbxGREGDThex.Checked() ? text : TextToHex(text, ""));
    }
    WriteIfChosen(kGnss, "GREGSND", WordOfEntry(f_.cbbGREGTYPE, kSendMoments));
    WriteIfChosen(kGnss, "GPOSTP", packetType);
    WriteIfChosen(kGnss, "GPOSSND", WordOfEntry(f_.cbbGPOSSND, kPositionTargets));
    Write(kGnss, "GBYDTU", Join(IndexOneZeroText(f_.cbbBYsocketA), IndexOneZeroText(f_.cbbBYsocketB)));
    Write(kGnss, "SOCKQ", Join(f_.cbbprotocol.Text(), f_.edtSOCKQAddr.Text(), f_.edtSOCKQport.Text()));
    Write(kGnss, "SOCKQTO", f_.edtSOCKQTO.Text());
    OnOff(kGnss, "QLBSADDEN", f_.rzchckbxQLBSADDEN);
    OnOff(kGnss, "QPOSPACK", f_.rzchckbxQPOSPACK);
    Write(kGnss, "QPOSUPTM", f_.edtQPOSUPTM.Text());
    Write(kGnss, "QPHONE", f_.edtQphone.Text());
    OnOff(kGnss, "QHEARTEN", f_.rzchckbxQHEARTEN);
    OnOff(kGnss, kGnssMoreKey, f_.rzchckbxGNSSMore);
    Write(kGnss, "QHEARTTM", f_.edtQHEARTTM.Text());
    Write(kGnss, "QCITY", f_.edtQCITY.Text());
    Write(kGnss, "QPRODUCER", f_.edtQPRODUCER.Text());
    Write(kGnss, "QTERMINAL", TerminalValue(f_));
    Write(kGnss, "QCARINFO", CarInfoProfileValue(f_));
    Write(kGnss, "QHWVER", f_.edtlHWver.Text());
  }

  void Base() {
    Write(kBase, "APN", f_.lbledtApn.Text());
    // Flow control is not kept: the terminal's line is written without it.
    Write(kBase, "UART", UartText(f_) + ",NFC");
    OnOff(kBase, "RFCEN", f_.rzchckbxRFC);
    Write(kBase, "UARTFT", f_.edtUARTFT.Text());
    Write(kBase, "UARTFL", f_.edtUARTFL.Text());
    OnOff(kBase, "E", f_.rzchckbxE);
    Write(kBase, "CMDPW", f_.lbledtCmdPw.Text());
    Write(kBase, "STMSG", f_.lbledtStMsg.Text());
    Write(kBase, "RSTIM", f_.lbledtRsTim.Text());
  }

  const Session& s_;
  IniDocument& d_;
  const ParamForm& f_;
};

// Whether the document holds the terminal's parameters: a parameter section
// with a key that names a command, or one of the switches of "System" that a
// configuration file keeps.
bool HoldsParameters(const IniDocument& document) {
  for (const char* section : {kWkmod, kSocket, kHeart, kReg, kHttpd, kSms, kGnss, kBase})
    for (const std::string& key : document.Keys(section))
      if (FindCmd(key)) return true;
  for (const char* key : {"HeartDtHex", "RegDtHex", "ShowMore"})
    if (document.Find(kSystem, key)) return true;
  return false;
}

std::optional<FileWriteError> CreateFolderOf(const fs::path& path) {
  const fs::path folder = path.parent_path();
  std::error_code error;
  if (folder.empty() || fs::is_directory(folder, error)) return std::nullopt;
  fs::create_directories(folder, error);
  if (error) return FileWriteError{path, error};
  return std::nullopt;
}

}  // namespace

// ---- Where the profile lives ----

// The folders of the environment are UTF-8 text: on Windows a plain narrow
// string would be read in the system's code page instead.
static fs::path PathOfUtf8(const std::string& text) { return fs::path(std::u8string(text.begin(), text.end())); }

fs::path ChooseProfilePath(const fs::path& programFolder, const ProfilePlaceFacts& facts) {
  const fs::path beside = programFolder / kProfileFileName;
  if (facts.besideExists || facts.folderWritable) return beside;
  fs::path base;
  if (!facts.xdgConfigHome.empty() && PathOfUtf8(facts.xdgConfigHome).is_absolute())
    base = PathOfUtf8(facts.xdgConfigHome);
  else if (!facts.home.empty())
    base = PathOfUtf8(facts.home) / ".config";
  else
    return beside;
  return base / "t418" / kProfileFileName;
}

fs::path ProfilePath(const fs::path& programFolder) {
  ProfilePlaceFacts facts;
  std::error_code ignored;
  facts.besideExists = fs::exists(fs::symlink_status(programFolder / kProfileFileName, ignored));
  // An empty folder is the current one, as the joined path is read.
  facts.folderWritable = platform::MayWriteIn(programFolder);
  const platform::SettingsHomes homes = platform::SettingsHomesOfUser();
  facts.xdgConfigHome = homes.settingsHome;
  facts.home = homes.home;
  return ChooseProfilePath(programFolder, facts);
}

// ---- Documents ----

void LoadProfile(Session& session, const IniDocument& document, const std::vector<std::string>& ports) {
  ProfileLoader load(session, document);
  load.ToolSettings();
  load.HexSwitches();
  load.HardwareSignKey();
  load.PortSettings(ports);
  load.ParameterSections();
  load.DelayTime();
}

void SaveProfile(const Session& session, IniDocument& document) {
  ProfileSaver save(session, document);
  save.ToolSettings();
  save.HexSwitches();
  save.HardwareSignKey();
  save.PortSettings();
  save.ParameterSections();
  save.DelayTime();
}

void LoadParameters(Session& session, const IniDocument& document) {
  ProfileLoader load(session, document);
  load.HexSwitches();
  load.ParameterSections();
}

void SaveParameters(const Session& session, IniDocument& document) {
  ProfileSaver save(session, document);
  save.HexSwitches();
  save.ParameterSections();
}

// ---- Files ----

std::string FileReadError::Describe() const { return path.string() + ": " + reason.message(); }

bool FileReadError::NotConfiguration() const { return reason == FileRefusal::NotConfiguration; }

ProfileReadStatus LoadProfileFile(Session& session, const fs::path& path, const std::vector<std::string>& ports) {
  const ProfileFile file(path);
  if (file.ReadStatus() == ProfileReadStatus::Unreadable)
    session.Log().LogWarning(session.Lang().LangText("info_CfgReadFailed") +
                             Utf8ToGbk(FileReadError{path, file.ReadError()}.Describe()));
  LoadProfile(session, file.Document(), ports);
  return file.ReadStatus();
}

std::optional<FileWriteError> SaveProfileFile(const Session& session, const fs::path& path) {
  if (auto error = CreateFolderOf(path)) return error;
  ProfileFile file(path);
  SaveProfile(session, file.Document());
  return file.Save();
}

std::optional<FileReadError> LoadConfigurationFile(Session& session, const fs::path& path) {
  const ProfileFile file(path);
  if (file.ReadStatus() != ProfileReadStatus::Read) return FileReadError{path, file.ReadError()};
  if (!HoldsParameters(file.Document())) return FileReadError{path, FileRefusal::NotConfiguration};
  LoadParameters(session, file.Document());
  // A value is read up to the profile's limit: the rest is not lost silently.
  std::string cut;
  for (const auto& key : file.Document().KeysWithLongValues()) cut += (cut.empty() ? "" : ", ") + key;
  if (!cut.empty()) session.Log().LogWarning(session.Lang().LangText("info_CfgValueCut") + cut);
  return std::nullopt;
}

std::optional<FileWriteError> SaveConfigurationFile(const Session& session, const fs::path& path) {
  if (auto error = CreateFolderOf(path)) return error;
  ProfileFile file(path);
  SaveParameters(session, file.Document());
  return file.Save();
}

void LoadDefaultParameters(Session& session) { LoadParameters(session, IniDocument{}); }

std::string WriteFailureMessage(const FileWriteError& error) {
  return "Unable to write to " + PathToGbk(error.path);
}

}  // namespace t418

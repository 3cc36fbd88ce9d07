#include "session/session.h"


#include "lang/text_catalogue.h"
#include "params/form_texts.h"
#include "platform/process.h"
#include "serial/port_list.h"
#include "session/profile_io.h"
#include "text/gbk.h"

namespace t418 {
namespace {

template <std::size_t N>
int IndexIn(const char* const (&list)[N], const std::string& text) {
  for (std::size_t i = 0; i < N; ++i)
    if (text == list[i]) return static_cast<int>(i);
  return -1;
}

}  // namespace

std::string CommandNameOfLine(const std::string& line) {
  if (line.rfind("AT+", 0) != 0) return line;
  const auto end = line.find_first_of("=?\r\n", 3);
  return line.substr(3, end == std::string::npos ? std::string::npos : end - 3);
}

LineChoices ToLineChoices(const PortSettings& settings) {
  LineChoices choices;
  choices.port = settings.port;
  choices.baud = settings.baud;
  choices.parityIndex = IndexIn(kParities, settings.parity);
  choices.dataIndex = IndexIn(kDataBits, settings.data);
  choices.stopIndex = IndexIn(kStopBits, settings.stop);
  return choices;
}

Session::Session(EventLoop& loop, SessionOptions options)
    : loop_(loop),
      options_(std::move(options)),
      lang_(options_.systemIsChinese),
      log_(options_.logClock ? *options_.logClock : systemClock_),
      comm_(loop_),
      replyTimer_(loop_, 1000),
      serial_(comm_, replyTimer_),
      engine_(SessionParts{orders_, values_, hardware_, log_, lang_, serial_, replyTimer_, loop_}),
      terminal_(engine_),
      rules_(ViewRuleParts{form_, log_, lang_, hardware_, *this, [this] { return lang_.UseChinese; }}),
      regions_(form_),
      appliers_(ReportApplierParts{form_, rules_, regions_, log_, lang_}),
      builder_(form_, hardware_, log_),
      tickTimer_(loop_, FirmwareUpgrade::kTickMs),
      upgrade_(UpgradeParts{serial_, log_, lang_, tickTimer_, milliClock_, firmwareFiles_}) {
  engine_.SetReportConsumer(&appliers_);
  engine_.SetConfigurationBuilder(&builder_);
  engine_.SetUpgradeHandler(this);
  upgrade_.SetView(this);
  tickTimer_.SetOnTick([this] {
    upgrade_.tmrXModemTxTimer();
    RestoreReplyGapAfterTransfer();
  });
  replyTimer_.SetOnFire([this] { engine_.ReplyTimeout(); });
  engine_.SetView(this);
  engine_.OnReport = [this](const std::string& name, const std::string& value) {
    if (OnReport) OnReport(name, value);
  };
  builder_.OnInvalidValues = [this](const std::string& message) { ShowMessage(message); };
  builder_.SetTexts(&lang_);
  serial_.OnChunk = [this](const std::string& chunk) {
    if (OnChunk) OnChunk(chunk);
    engine_.HandleReceived(chunk);
  };
  // A line error reopens the port with the toolbar's current choices.
  serial_.OnLineError = [this] { serial_.SetChoices(ToLineChoices(portSettings)); };
  serial_.OnReopenFailed = [this] { ReopenFailed(); };
  serial_.OnHangup = [this] { PortLost(); };
  serial_.OnBytesSent = [this](std::size_t count) { log_.AddSentBytes(count); };
}

Session::~Session() {
  // The port closes before the objects its hooks reach.
  serial_.OnChunk = nullptr;
  serial_.OnLineError = nullptr;
  serial_.OnReopenFailed = nullptr;
  serial_.OnHangup = nullptr;
  serial_.OnBytesSent = nullptr;
  comm_.ClosePort();
}

void Session::Create() {
  InitLanguage(lang_, platform::InstalledDataFolder(options_.programFolder));
  if (options_.useProfile) LoadProfileFile(*this, ProfileFilePath(), ListSerialPorts());
}

std::filesystem::path Session::ProfileFilePath() const {
  return options_.profilePath.empty() ? ProfilePath(options_.programFolder) : options_.profilePath;
}

void Session::ApplyTexts() {
  for (int i = 0; i <= 5; ++i) log_.LogInfo(lang_.LangText("info_Start" + std::to_string(i)));
  ApplyParameterViewTexts(form_, rules_, lang_, [this] { engine_.ApplyHdVerSign(hardware_.current); });
}

void Session::FinishCreate() {
  rules_.SetChecked(form_.rbNetTran, true);
  const std::string missing = regions_.LoadRegionCatalogue(platform::InstalledDataFolder(options_.programFolder), log_);
  if (!missing.empty()) ShowMessage(missing);
  // The region lists follow the profile's region code now that they are filled.
  if (!form_.edtQCITY.Text().empty()) regions_.ApplyRegionCode(form_.edtQCITY.Text());
}

void Session::Close() {
  if (closed_) return;
  closed_ = true;
  upgrade_.CloseFirmwareFile();
  orders_.ClearOrders();
  values_.ClearValues();
  if (!options_.useProfile) return;
  if (const auto error = SaveProfileFile(*this, ProfileFilePath())) ShowMessage(WriteFailureMessage(*error));
}

bool Session::SaveConfiguration(const std::filesystem::path& path) {
  if (const auto error = SaveConfigurationFile(*this, path)) {
    ShowMessage(WriteFailureMessage(*error));
    return false;
  }
  log_.LogInfo(lang_.LangText("info_CfgSaved") + PathToGbk(path));
  return true;
}

bool Session::OpenConfiguration(const std::filesystem::path& path) {
  if (const auto error = LoadConfigurationFile(*this, path)) {
    log_.LogWarning(lang_.LangText("info_CfgReadFailed") + Utf8ToGbk(error->Describe()));
    return false;
  }
  log_.LogInfo(lang_.LangText("info_CfgLoaded") + PathToGbk(path));
  return true;
}

bool Session::SaveConfiguration(const std::filesystem::path& path, AdvancedSettings advanced) {
  if (advanced == AdvancedSettings::Included) rules_.SetChecked(form_.rzchckbxMore, true);
  return SaveConfiguration(path);
}

ConfigurationBuild Session::BuildConfiguration(const std::filesystem::path& path) {
  ConfigurationBuild build;
  build.loaded = OpenConfiguration(path);
  if (!build.loaded) return build;
  engine_.ApplyHdVerSign(THdVerSign::Hd540);
  OrderList built;
  build.refusal = builder_.Build(built);
  if (build.refusal != ConfigRefusal::None) return build;
  build.lines = built.Lines();
  AskAlsoInFullReads(build.lines);
  return build;
}

void Session::LoadDefaultConfiguration() {
  LoadDefaultParameters(*this);
  log_.LogInfo(lang_.LangText("info_CfgDefaultLoaded"));
}

bool Session::OpenPort() {
  if (serial_.OpenSerialPort(ToLineChoices(portSettings))) {
    log_.LogInfo(lang_.LangText("info_ComOpenYes"));
    if (listener_) listener_->PortStateChanged(true);
    return true;
  }
  log_.LogWarning(OpenFailureText());
  return false;
}

void Session::ClosePort() {
  // A run in progress ends here: nothing of it goes out after the port
  // reopens, and no boot loader that appears later gets a file.
  engine_.StopRun();
  DisarmFirmware();
  serial_.CloseSerialPort();
  log_.LogInfo(lang_.LangText("info_ComCloseYes"));
  if (listener_) listener_->PortStateChanged(false);
}

std::string Session::OpenFailureText() const {
  const OpenFailure failure = serial_.LastOpenFailure();
  // A port that vanished (an adapter pulled before opening) is not held by
  // other software. (No port chosen at all keeps the general text.)
  const bool gone = failure.kind == OpenFailureKind::NoSuchPort && !portSettings.port.empty();
  std::string text = lang_.LangText(gone ? "info_ComGone" : "info_ComOpenNo");
  if (failure.reason.empty()) return text;
  // The system's own words (English), as a user would search for them.
  text += " (" + failure.reason;
  if (failure.kind == OpenFailureKind::Permission) text += "; " + lang_.LangText("info_DialoutHint");
  // The program that holds the port, when the system tells.
  if (!failure.holder.empty()) text += "; " + failure.holder;
  text += ")";
  return text;
}

void Session::ReopenFailed() {
  // Say so and offer opening again.
  log_.LogWarning(OpenFailureText());
  engine_.AbortRun({});
  if (listener_) listener_->PortStateChanged(false);
}

void Session::PortLost() {
  // The device went away (an adapter pulled): close, so nothing vanishes silently.
  serial_.CloseSerialPort();
  // A transfer that runs says itself that the port was lost, with the packet it
  // had reached: one warning, not two.
  const bool transferring = upgrade_.XModemState() != 0;
  if (transferring) upgrade_.PortLost();
  RestoreReplyGapAfterTransfer();
  engine_.AbortRun(transferring ? std::string() : lang_.LangText("info_ComLost"));
  if (listener_) listener_->PortStateChanged(false);
}

bool Session::StartAction(SessionAction action) {
  switch (action) {
    case SessionAction::ReadAll: return engine_.ActionButtonClick(kTagAskAll);
    case SessionAction::WriteAll:
      // A refused form leaves nothing to send: no run starts.
      return engine_.ActionButtonClick(kTagSetAll) && orders_.OrderCount() > 0;
    case SessionAction::EnterCommandMode: return engine_.ActionButtonClick(kTagPPPA);
    case SessionAction::EnterDataMode: return engine_.ActionButtonClick(kTagENTM);
    case SessionAction::ShowHelp: return engine_.ActionButtonClick(kTagH);
    case SessionAction::RestartDevice: return engine_.ActionButtonClick(kTagZ);
    case SessionAction::RestartSystem: return engine_.ActionButtonClick(kTagSysRestart);
    case SessionAction::QueryVersion: return engine_.ActionButtonClick(kTagVER);
    case SessionAction::QuerySignal: return engine_.ActionButtonClick(kTagCSQ);
    case SessionAction::SaveAsDefault: return engine_.ActionButtonClick(kTagCFGTF);
    case SessionAction::RestoreDefault: return engine_.ActionButtonClick(kTagRELD);
    case SessionAction::FactoryReset: return engine_.ActionButtonClick(kTagCLEAR);
  }
  return false;
}

UpgradeStage Session::FirmwareStage() const {
  switch (upgrade_.XModemState()) {
    case FirmwareUpgrade::kIdle: return UpgradeStage::Idle;
    case FirmwareUpgrade::kWaitingForStart: return UpgradeStage::WaitingForRequest;
    default: return UpgradeStage::Sending;
  }
}

bool Session::RunInProgress() const { return engine_.Running(); }

void Session::StopRun() { engine_.StopRun(); }

void Session::SetLinePause(int ms) {
  engine_.delayTime = ms;
  engine_.keepPauseWithFastReplies = true;
}

void Session::AskAlsoInFullReads(const std::vector<std::string>& settingLines) {
  engine_.alsoAsk.clear();
  for (const auto& line : settingLines)
    if (const auto cmd = FindCmd(CommandNameOfLine(line))) engine_.alsoAsk.push_back(*cmd);
}

bool Session::ArmFirmware(const std::filesystem::path& path) {
  const bool wasArmed = FirmwareArmed();
  const bool armed = upgrade_.OpenFirmwareFile(path);
  // A transfer of the file armed before was stopped: the line gets its gap back.
  RestoreReplyGapAfterTransfer();
  if (listener_ && (armed || wasArmed)) listener_->FirmwareArmedChanged(armed);
  return armed;
}

void Session::DisarmFirmware() {
  const bool letGo = upgrade_.Disarm();
  // A transfer that was stopped gives the line its gap back.
  RestoreReplyGapAfterTransfer();
  if (listener_ && letGo) listener_->FirmwareArmedChanged(false);
}

bool Session::FirmwareArmed() const { return upgrade_.Armed(); }

void Session::SetReplyFraming(bool on) {
  replyFraming_ = on;
  engine_.SetFastReplies(on);
  // A transfer that runs keeps its way; its end applies the option.
  if (upgrade_.XModemState() != 0) return;
  comm_.SetReplyFraming(on ? FramingMode::kReplies : FramingMode::kOff);
}

void Session::StartTransfer() {
  if (serial_.PortOpen()) {
    if (replyFraming_) {
      comm_.SetReplyFraming(FramingMode::kXModem);
    } else {
      // Return each read at once with what has arrived.
      comm_.SetReadIntervalTimeout(kMaxDword);
    }
  }
  upgrade_.StartTransfer();
}

void Session::HandleUpgradeReply(const std::string& chunk) {
  const bool wasArmed = FirmwareArmed();
  upgrade_.HandleUpgradeReply(chunk);
  RestoreReplyGapAfterTransfer();
  // A finished upgrade lets go of its file.
  if (wasArmed && !FirmwareArmed() && listener_) listener_->FirmwareArmedChanged(false);
}

void Session::RestoreReplyGapAfterTransfer() {
  if (upgrade_.XModemState() != 0) return;
  // Runs at every tick too: a mode that is already right is left alone, so
  // the answer the last send expects is not forgotten.
  const FramingMode wanted = replyFraming_ ? FramingMode::kReplies : FramingMode::kOff;
  if (PlainFraming(comm_.ReplyFraming()) != wanted) comm_.SetReplyFraming(wanted);
  if (comm_.ReadIntervalTimeout() == kMaxDword) comm_.SetReadIntervalTimeout(GapTimeoutFor(comm_.BaudRate()));
}

void Session::ShowProgress(int total, int done) {
  if (listener_) listener_->ShowProgress(total, done);
}

void Session::HideProgress() {
  if (listener_) listener_->HideProgress();
}

void Session::IdentityCmdChanged() { rules_.RenewIdentityEntry(); }

RunSummary Session::LastRunSummary() const {
  RunSummary summary;
  summary.lines = orders_.CommandLineCount();
  for (const auto& line : engine_.RefusedLines()) summary.refusedNames.push_back(CommandNameOfLine(line));
  return summary;
}

void Session::RunEnded(bool completed) {
  // A write says how it went: a refused line would otherwise scroll past among seventy.
  if (completed && engine_.pendingAction == PendingAction::PaWriteAll) {
    const RunSummary summary = LastRunSummary();
    std::string sent = lang_.LangText("info_WriteSent");
    log_.LogInfo(sent + std::to_string(summary.lines));
    if (!summary.refusedNames.empty()) {
      std::string names;
      for (const auto& name : summary.refusedNames) names += (names.empty() ? "" : ", ") + name;
      log_.LogWarning(lang_.LangText("info_WriteRefused") + std::to_string(summary.refusedNames.size()) + ": " +
                      names);
    }
  }
  if (listener_) listener_->RunEnded(completed);
}

void Session::RunStateChanged(bool running) {
  if (listener_) listener_->RunStateChanged(running);
}

void Session::ShowMessage(const std::string& text) {
  if (listener_)
    listener_->ShowMessage(text);
  else
    log_.LogInfo(text);
}

}  // namespace t418

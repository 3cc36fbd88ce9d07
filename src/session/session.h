#pragma once
// The session object: the whole state of one tool session, owned in one place.
// It holds what the main window's creation builds and its closing tears down
// (language list, traffic log, order and value lists, hardware sign, serial
// component and port, session engine, manual terminal, the parameter form with
// its rules and region lists) and the window's non-widget state that the
// profile keeps (toolbar choices, send-area switches, log switches, menu
// marks). Front ends (the window, t418ctl) hold a reference, bind or drive it,
// and own nothing of the core. Everything runs on the event loop's thread.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "firmware/firmware_upgrade.h"
#include "firmware/loop_tick_timer.h"
#include "firmware/upgrade_ports.h"
#include "lang/lang_list.h"
#include "loop/event_loop.h"
#include "monitor/traffic_log.h"
#include "params/commands.h"
#include "params/config_builder.h"
#include "params/param_form.h"
#include "params/report_appliers.h"
#include "params/view_rules.h"
#include "serial/comm.h"
#include "serial/serial_port.h"
#include "session/session_engine.h"
#include "session/manual_terminal.h"
#include "params/order_list.h"
#include "session/value_list.h"
#include "params/region_view.h"

namespace t418 {

// The toolbar's choices as its lists show them.
struct PortSettings {
  std::string port;
  std::string baud = "115200";
  std::string parity = "NONE";
  std::string data = "8";
  std::string stop = "1";
  std::string flow = "NONE";
};

// The fixed entries of the toolbar's lists.
inline constexpr const char* kBaudRates[] = {"1200",  "2400",  "4800",  "9600",   "14400",  "19200", "28800",
                                             "33600", "38400", "57600", "115200", "230400", "460800"};
inline constexpr const char* kParities[] = {"NONE", "ODD", "EVEN"};
inline constexpr const char* kDataBits[] = {"7", "8"};
inline constexpr const char* kStopBits[] = {"1", "2"};
inline constexpr const char* kFlowControls[] = {"NONE", "CRTS"};

// The settings as the serial port applies them (a text no list holds: no selection).
LineChoices ToLineChoices(const PortSettings& settings);

// The send area's switches.
struct SendSwitches {
  SendType type = SendType::SerialPort;
  SendKey key = SendKey::CtrlEnter;
  bool hex = false;
  bool autoCR = true;
};

// What a front end shows of the session besides the form and the log. Every
// call comes on the loop's thread.
class SessionListener {
 public:
  virtual ~SessionListener() = default;
  // The port was opened, closed, lost, or its reopening failed.
  virtual void PortStateChanged(bool open) = 0;
  virtual void ShowProgress(int total, int done) = 0;
  virtual void HideProgress() = 0;
  // A message box of the view rules or of the start; it must not block.
  virtual void ShowMessage(const std::string& text) = 0;
  // A run of the order list ended (completed: every line answered or refused).
  virtual void RunEnded(bool completed) { (void)completed; }
  // A run started (true) or is over (false): what would start another is off meanwhile.
  virtual void RunStateChanged(bool running) { (void)running; }
  // A firmware file is held for the next boot loader (true) or no longer (false).
  virtual void FirmwareArmedChanged(bool armed) { (void)armed; }
};

// What a run of the order list sent and what the terminal refused of it.
struct RunSummary {
  int lines = 0;                        // command lines of the run ("+++" and "a" not counted)
  std::vector<std::string> refusedNames;  // command names of the refused lines, in order
};

// What a front end asks the terminal to do, as the window's buttons offer it.
enum class SessionAction {
  ReadAll,           // the version, then every query of the form
  WriteAll,          // every setting line of the form
  EnterCommandMode,  // "+++", "a"
  EnterDataMode,     // AT+ENTM
  ShowHelp,          // AT+H
  RestartDevice,     // AT+Z
  RestartSystem,     // the system restart command
  QueryVersion,      // AT+VER?
  QuerySignal,       // AT+CSQ
  SaveAsDefault,     // AT+CFGTF
  RestoreDefault,    // AT+RELD
  FactoryReset,      // AT+CLEAR
};

// A configuration file turned into the setting lines a write sends.
struct ConfigurationBuild {
  bool loaded = false;  // false: the file could not be read (the log says why)
  ConfigRefusal refusal = ConfigRefusal::None;  // the builder's verdict (its messages say why)
  std::vector<std::string> lines;  // the setting lines, when loaded and not refused
  bool Ok() const { return loaded && refusal == ConfigRefusal::None; }
};

// Whether a saved configuration carries the advanced settings.
enum class AdvancedSettings {
  AsShown,   // as the form's "More Function" box says
  Included,  // the box ticked first, so that a write of the file sends them too
};

// Where a firmware upgrade stands.
enum class UpgradeStage {
  Idle,               // no transfer (a file may be armed, waiting for the boot menu)
  WaitingForRequest,  // the boot menu was answered; the boot loader has not asked ("C") yet
  Sending,            // packets go out
};

// The command name of a line "AT+NAME=VALUE", "AT+NAME?" or "AT+NAME" CR LF.
std::string CommandNameOfLine(const std::string& line);

struct SessionOptions {
  // The program's folder. The profile's place follows from it; "T418Lang.txt"
  // and the region catalogue live in platform::InstalledDataFolder of it.
  std::filesystem::path programFolder;
  // The clock of the log's time stamps; the local time when null.
  const LogClock* logClock = nullptr;
  std::function<bool()> systemIsChinese = IsChineseSystem;
  // The profile file; empty: ProfilePath(programFolder) (session/profile_io.h).
  std::filesystem::path profilePath;
  // Whether Create loads the profile and Close saves it (t418ctl keeps none).
  bool useProfile = true;
  // The port chosen when the profile holds none (its key missing or empty)
  // and the computer lists it; empty: the first listed port.
  std::string defaultPort;
};

class Session : private SessionView, private MessageBoxPort, private UpgradeHandler {
 public:
  Session(EventLoop& loop, SessionOptions options);
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  void SetListener(SessionListener* listener) { listener_ = listener; }

  // ---- Life, in the order of the main window's creation and closing ----
  // The language list and its file; then the profile.
  void Create();
  // The core's share of applying the texts: the operating guide in the log and
  // every text of the parameter form.
  void ApplyTexts();
  // Network transparent mode whatever the profile held, the region catalogue
  // (its message box when the file is missing), the order and value lists.
  void FinishCreate();
  // Closes a firmware file still open, empties the lists and saves the
  // profile; a failed save leaves the old file and shows "Unable to write to"
  // the path. Runs once; later calls do nothing.
  void Close();
  bool Closed() const { return closed_; }

  // ---- The port ----
  // Opens with portSettings; logs "opened" or the warning with the system's
  // reason. Tells the listener.
  bool OpenPort();
  // Stops the run in progress (StopRun), closes, logs it and tells the listener.
  void ClosePort();
  bool PortOpen() const { return serial_.PortOpen(); }
  // The last failed opening as the serial layer sorted it (kind None after a success).
  OpenFailure LastOpenFailure() const { return serial_.LastOpenFailure(); }
  // The warning for the last failed opening: the fixed text and the reason;
  // a port that no longer exists says so instead.
  std::string OpenFailureText() const;

  // ---- Runs ----
  // Starts what a button of the window starts. False when it was refused: a
  // run is going (the log says so), or a write whose form the builder refused
  // (nothing to send).
  bool StartAction(SessionAction action);
  bool ReadAll() { return StartAction(SessionAction::ReadAll); }
  bool WriteAll() { return StartAction(SessionAction::WriteAll); }
  // Whether a run of the order list (a full read or write, command-mode entry,
  // the version query) is going. Meanwhile the action buttons and typed sends
  // are refused with a message in the log; the listener hears
  // RunStateChanged(true) when a run starts and (false) when it ends in any way.
  bool RunInProgress() const;
  // Stops the run in progress, as the user's "Stop" or a closing port does:
  // nothing of it is sent later, the pending action is cleared, the progress
  // hidden, the log says how far it got, and the run ends as not completed.
  void StopRun();
  // The pause before each command line, asked for by a front end: unlike the
  // profile's pause it is kept with fast replies too (SetReplyFraming).
  void SetLinePause(int ms);
  // Full reads from now on also ask for the command of each setting line
  // ("AT+NAME=VALUE") that they do not ask for by themselves, so that a
  // verify compares every setting it wrote.
  void AskAlsoInFullReads(const std::vector<std::string>& settingLines);

  // ---- Firmware ----
  // Checks the firmware file and holds it for the next boot loader; a refused
  // file leaves nothing held and says why in the log.
  bool ArmFirmware(const std::filesystem::path& path);
  // Lets go of the held file: the boot menu is no longer answered.
  void DisarmFirmware();
  bool FirmwareArmed() const;
  UpgradeStage FirmwareStage() const;
  // The firmware command before its file dialog: warns and gives false while
  // the port is closed, else logs the request (the dialog may follow).
  bool AskForFirmwareFile() { return upgrade_.AskForFirmwareFile(); }
  // The dialog's filter, "description|pattern|..." in the current language (GBK).
  std::string FirmwareDialogFilter() const { return upgrade_.FirmwareDialogFilter(); }
  // Packets and replies of a transfer logged as hex.
  void ShowFirmwareDataStream(bool on) { upgrade_.showDataStream = on; }
  bool FirmwareDataStreamShown() const { return upgrade_.showDataStream; }
  // "R" after a finished transfer, so that the terminal starts its new firmware.
  void SetRestartAfterUpgrade(bool on) { upgrade_.overRestart = on; }
  bool RestartAfterUpgrade() const { return upgrade_.overRestart; }

  // ---- The single instances ----
  TLangList& Lang() { return lang_; }
  TrafficLog& Log() { return log_; }
  OrderList& Orders() { return orders_; }
  ValueList& Values() { return values_; }
  HardwareSign& Hardware() { return hardware_; }
  TComm& Comm() { return comm_; }
  SerialPort& Serial() { return serial_; }
  SessionEngine& Engine() { return engine_; }
  ManualTerminal& Terminal() { return terminal_; }
  ParamForm& Form() { return form_; }
  ViewRules& Rules() { return rules_; }
  RegionView& Regions() { return regions_; }
  ReportAppliers& Appliers() { return appliers_; }
  ConfigBuilder& Builder() { return builder_; }
  FirmwareUpgrade& Upgrade() { return upgrade_; }
  EventLoop& Loop() { return loop_; }
  const SessionOptions& Options() const { return options_; }
  const TLangList& Lang() const { return lang_; }
  const TrafficLog& Log() const { return log_; }
  const HardwareSign& Hardware() const { return hardware_; }
  const SessionEngine& Engine() const { return engine_; }
  const ParamForm& Form() const { return form_; }
  // Where the profile is read at Create and saved at Close.
  std::filesystem::path ProfileFilePath() const;

  // ---- Configuration files (the File menu); each says in the log how it went ----
  // The terminal's parameters into a file; a failure shows "Unable to write to" the path.
  bool SaveConfiguration(const std::filesystem::path& path);
  bool SaveConfiguration(const std::filesystem::path& path, AdvancedSettings advanced);
  // A configuration file into the form (not the port or the tool's own settings).
  bool OpenConfiguration(const std::filesystem::path& path);
  // The parameters of the profile, as last saved.
  bool LoadRecentConfiguration() { return OpenConfiguration(ProfileFilePath()); }
  void LoadDefaultConfiguration();
  // A configuration file into the form and its setting lines built, as "Set
  // current parameters" would send them (the full hardware's commands); full
  // reads from then on also ask for each of them (AskAlsoInFullReads).
  ConfigurationBuild BuildConfiguration(const std::filesystem::path& path);

  // ---- The window's state that is not in the form ----
  PortSettings portSettings;
  SendSwitches sendSwitches;
  // The menu's "real-time help" mark (the language is Lang().UseChinese).
  bool liveHelp = true;
  // The profile's "Custom": the help menu's web links are hidden.
  bool hideHelpLinks = false;

  // Fast replies: the line hands a received chunk over as soon as it ends with
  // a complete reply of the terminal or the boot loader, instead of after the
  // quiet gap (serial/reply_framing.h); during a firmware transfer with the
  // XModem replies. Off by default; kept across reopening the port; the
  // profile keeps it ("FastReplies" of "System"). With it on, the pause before
  // each command line is 0 unless a front end set one with SetLinePause.
  void SetReplyFraming(bool on);
  bool ReplyFraming() const { return replyFraming_; }

  // The last run of the order list, as it stands.
  RunSummary LastRunSummary() const;

  // Sees every received chunk before the engine does.
  std::function<void(const std::string&)> OnChunk;
  // Every report of the terminal (name, value), GBK, as the engine parses it.
  std::function<void(const std::string& name, const std::string& value)> OnReport;

 private:
  // SessionView
  void ShowProgress(int total, int done) override;
  void HideProgress() override;
  void IdentityCmdChanged() override;
  void RunEnded(bool completed) override;
  void RunStateChanged(bool running) override;
  // MessageBoxPort of the view rules
  void ShowMessage(const std::string& text) override;
  // UpgradeHandler of the engine: the firmware upgrade, with the line handing
  // over every byte at once while a transfer runs (a one-byte ACK must not
  // wait for the reply gap), or, with fast replies, each XModem reply as soon
  // as it is whole.
  bool Armed() const override { return upgrade_.Armed(); }
  void BootMenuUnanswered() override { upgrade_.BootMenuUnanswered(); }
  int XModemState() const override { return upgrade_.XModemState(); }
  void StartTransfer() override;
  void HandleUpgradeReply(const std::string& chunk) override;
  void RestoreReplyGapAfterTransfer();

  void ReopenFailed();
  void PortLost();

  EventLoop& loop_;
  SessionOptions options_;
  SystemLogClock systemClock_;
  TLangList lang_;
  TrafficLog log_;
  OrderList orders_;
  ValueList values_;
  HardwareSign hardware_;
  TComm comm_;
  LoopTimer replyTimer_;
  SerialPort serial_;
  SessionEngine engine_;
  ManualTerminal terminal_;
  ParamForm form_;
  ViewRules rules_;
  RegionView regions_;
  ReportAppliers appliers_;
  ConfigBuilder builder_;
  LoopTickTimer tickTimer_;
  SteadyMilliClock milliClock_;
  DiskFirmwareSource firmwareFiles_;
  FirmwareUpgrade upgrade_;
  SessionListener* listener_ = nullptr;
  bool closed_ = false;
  bool replyFraming_ = false;
};

}  // namespace t418

#pragma once
// The firmware upgrade: the firmware-file command and the XModem-CRC sender
// that serves the terminal's boot loader. It takes received chunks and timer
// ticks and gives bytes to the line; time comes from an injected clock.
//
// Everything runs on one thread (the window's): the session engine hands it
// the boot loader's confirmation (StartTransfer) and, while XModemState() is
// not 0, every received chunk (HandleUpgradeReply); the owner of the packet
// timer calls tmrXModemTxTimer every kTickMs while the timer is active.
//
// A packet goes out on the tick after a "C" or a NAK, and at once, in the
// same call, after the ACK of the previous packet: the tick only bounds the
// gap, it does not pace a transfer that runs at the line's speed.
//
// Nothing is sent that the user did not arm: a file is armed only when its
// size can be a firmware image (firmware_size_rule.h), the boot loader's menu
// is answered only while a file is armed, and disarming (also when the port
// closes) stops a transfer that runs.
//
// A transfer that goes wrong is given up, with a warning naming the packet
// and the reason, when one packet (or the end of transmission) is refused
// kMaxRefusals times in a row, when the boot loader asks for the start ("C")
// again more than kMaxRestarts times in one transfer, when nothing arrives
// for kReplyLimitMs while a packet or the end of transmission waits for its
// reply, or when the owner reports the port lost (PortLost). The firmware
// file stays armed, so a boot loader that asks again after its dialogue gets
// the whole file again.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "firmware/firmware_size_rule.h"
#include "firmware/upgrade_ports.h"
#include "base/engine_ports.h"

namespace t418 {

class TrafficLog;
class TextLookup;

struct UpgradeParts {
  ByteSink& line;
  TrafficLog& log;
  const TextLookup& texts;
  TickTimer& timer;
  const MilliClock& clock;
  FirmwareSource& files;
};

class FirmwareUpgrade : public UpgradeHandler {
 public:
  // Values of XModemState.
  enum : std::uint8_t {
    kIdle = 0,
    kWaitingForStart = 1,
    kSendNext = 2,
    kWaitingForReply = 3,
    kWaitingForFinalReply = 4,
  };
  static constexpr int kTickMs = 10;
  static constexpr int kMaxRefusals = 10;
  static constexpr int kMaxRestarts = 10;
  static constexpr std::uint32_t kReplyLimitMs = 10000;

  explicit FirmwareUpgrade(const UpgradeParts& parts);
  ~FirmwareUpgrade() override;

  // The progress bar (shared with the session engine); may stay unset.
  void SetView(SessionView* view) { view_ = view; }

  // The two check items of the upgrade options menu pmFwUpOpt.
  bool overRestart = true;      // mniOverRestart: "R" after a successful upgrade
  bool showDataStream = false;  // ShowDataStream: packets and replies logged as hex

  // The firmware-file command, around the file dialog:
  // AskForFirmwareFile warns and gives false while the port is closed, else
  // logs the request and gives true: show the dialog (title: the text of
  // info_SlctFwFile, filter: FirmwareDialogFilter(), default extension "bin").
  bool AskForFirmwareFile();
  // "固件文件(*.bin)|*.bin|所有文件(*.*)|*.*" in the current language (GBK).
  std::string FirmwareDialogFilter() const;
  // The user chose this file (a full path) to arm: the file held so far is
  // let go (a transfer that runs is stopped) and this one opened, checked
  // and described in the log. False, with a warning and nothing armed, when
  // it cannot be opened or its size cannot be a firmware image. The file is
  // read whole, and checked again, each time the boot loader asks for it
  // ("C"); a transfer that runs goes on with the bytes read at its start,
  // whatever happens to the file meanwhile.
  bool OpenFirmwareFile(const std::filesystem::path& path);
  // The user lets go of the armed file: says so in the log; a transfer that
  // runs is stopped with a warning and the boot loader told to cancel it.
  // Nothing armed: does nothing. True when a file was let go.
  bool Disarm();
  // Releases the file held, if any, without a word (the window closes).
  void CloseFirmwareFile();
  // The file held, or nullptr.
  FirmwareReader* FirmwareFile() const { return file_.get(); }
  // The warning for a file of this size, or empty when it may be armed.
  std::string SizeRefusal(const std::filesystem::path& path, std::uint64_t size) const;

  // UpgradeHandler: arming, the state, the boot loader's confirmation (which
  // starts nothing while no file is armed), received chunks.
  bool Armed() const override { return file_ != nullptr; }
  void BootMenuUnanswered() override;
  int XModemState() const override { return state_; }
  void StartTransfer() override;
  void HandleUpgradeReply(const std::string& chunk) override;

  // Next packet number (255 is followed by 0) and one more packet started.
  void AdvanceBlock();
  // The tick of tmrXModemTx.
  void tmrXModemTxTimer();
  // The port went away: a transfer that runs is given up.
  void PortLost();

  std::uint8_t BlockNo() const { return blockNo_; }
  int BlocksSent() const { return blocksSent_; }
  int BlockTotal() const { return blockTotal_; }
  std::uint32_t UpgradeStart() const { return upgradeStart_; }

 private:
  std::string Text(std::string_view name) const;
  void StartOrRestart();
  // The tick's work in state 2: the next packet, or EOT once the file is sent.
  void SendNext();
  void Send(const std::string& bytes, std::string_view hexForLog);
  void Finish(const std::string& finalReply);
  void GiveUp(std::string_view reason);
  // Disarming or arming another file while a transfer runs: given up, and
  // the boot loader told to cancel (two CAN bytes) while the port is open.
  void CancelTransfer();
  // Which packet waits for its reply (or goes next), for a warning.
  std::string CurrentPacketText() const;

  ByteSink& line_;
  TrafficLog& log_;
  const TextLookup& texts_;
  TickTimer& timer_;
  const MilliClock& clock_;
  FirmwareSource& files_;
  SessionView* view_ = nullptr;

  std::unique_ptr<FirmwareReader> file_;
  std::filesystem::path filePath_;
  std::uint8_t state_ = kIdle;
  std::uint8_t blockNo_ = 0;
  int blocksSent_ = 0;
  int blockTotal_ = 0;
  std::uint32_t upgradeStart_ = 0;

  // The file's bytes as read when the transfer started, and the send position.
  std::string data_;
  std::string finalReplyStart_;  // the first bytes of the final reply, while the rest is on its way
  std::size_t position_ = 0;
  std::size_t packetStart_ = 0;  // where the data of the last packet sent begins
  int refusals_ = 0;             // NAKs in a row of the packet (or EOT) outstanding
  int restarts_ = 0;             // "C" during this transfer after its start
  bool bootMenuNoticed_ = false;  // the unanswered boot menu was reported
  std::uint32_t lastHeardMs_ = 0;  // the outstanding packet went out, or a chunk came
};

}  // namespace t418

#include "firmware/firmware_upgrade.h"

#include <algorithm>
#include <system_error>

#include "firmware/xmodem_packet.h"
#include "lang/text_lookup.h"
#include "monitor/traffic_log.h"
#include "text/gbk.h"
#include "text/hex.h"

namespace t418 {
namespace {

constexpr std::string_view kReceivedLabel = "[ Rcv ]:";
constexpr std::string_view kSentLabel = "[ Send ]:";
constexpr std::string_view kEndLine = "-------------------------------";

// The catalogue text with its first "%s" or "%d" replaced by the value; a
// text without the mark (from a language file) gets the value behind it.
std::string FillIn(std::string text, std::string_view value) {
  for (std::string_view mark : {"%s", "%d"}) {
    if (const auto at = text.find(mark); at != std::string::npos) return text.replace(at, mark.size(), value);
  }
  return text + " " + std::string(value);
}

std::string SizeText(std::uint64_t size) { return std::to_string(size) + " Bytes"; }

}  // namespace

FirmwareUpgrade::FirmwareUpgrade(const UpgradeParts& parts)
    : line_(parts.line),
      log_(parts.log),
      texts_(parts.texts),
      timer_(parts.timer),
      clock_(parts.clock),
      files_(parts.files) {}

FirmwareUpgrade::~FirmwareUpgrade() = default;

std::string FirmwareUpgrade::Text(std::string_view name) const { return texts_.LangText(name); }

bool FirmwareUpgrade::AskForFirmwareFile() {
  if (!line_.PortOpen()) {
    log_.LogWarning(Text("info_ComNoOpen"));
    return false;
  }
  log_.LogInfo(Text("info_SlctFwFile"));
  return true;
}

std::string FirmwareUpgrade::FirmwareDialogFilter() const {
  return Text("info_FwFile") + "(*.bin)|*.bin|" + Text("info_AllFile") + "(*.*)|*.*";
}

std::string FirmwareUpgrade::SizeRefusal(const std::filesystem::path& path, std::uint64_t size) const {
  const auto fault = JudgeFirmwareSize(size);
  if (!fault) return {};
  std::string text = Text(RefusalTextName(*fault));
  if (const std::uint64_t bound = BrokenBound(*fault); bound != 0) text = FillIn(text, std::to_string(bound));
  return text + ": " + PathToGbk(path) + " (" + SizeText(size) + ")";
}

bool FirmwareUpgrade::OpenFirmwareFile(const std::filesystem::path& path) {
  Disarm();
  std::string reason;
  auto reader = files_.Open(path, reason);
  std::optional<std::uint64_t> size;
  if (reader) {
    size = reader->Size();
    if (!size) reason = std::make_error_code(std::errc::io_error).message();
  }
  if (!reader || !size) {
    log_.LogWarning(Text("info_FwFileUnreadable") + ": " + PathToGbk(path) + " (" + reason + ")");
    return false;
  }
  if (const std::string refusal = SizeRefusal(path, *size); !refusal.empty()) {
    log_.LogWarning(refusal);
    return false;
  }
  file_ = std::move(reader);
  filePath_ = path;
  bootMenuNoticed_ = false;
  log_.LogInfo("");
  log_.LogInfo("[ File name ]: " + PathToGbk(path));
  log_.LogInfo("[ File size ]: " + std::to_string(*size) + " Bytes");
  log_.LogInfo(FillIn(Text("info_FwArmed"), PathToGbk(path.filename()) + ", " + SizeText(*size)));
  log_.LogInfo(Text("info_ReloadRepower"));
  return true;
}

bool FirmwareUpgrade::Disarm() {
  CancelTransfer();
  if (!file_) return false;
  log_.LogInfo(FillIn(Text("info_FwDisarmed"), PathToGbk(filePath_.filename())));
  CloseFirmwareFile();
  return true;
}

void FirmwareUpgrade::CloseFirmwareFile() {
  file_.reset();
  filePath_.clear();
  bootMenuNoticed_ = false;
}

void FirmwareUpgrade::BootMenuUnanswered() {
  if (bootMenuNoticed_) return;
  bootMenuNoticed_ = true;
  log_.LogWarning(Text("info_FwBootNotArmed"));
}

void FirmwareUpgrade::StartTransfer() {
  // Only an armed file is ever offered: without one the boot loader's
  // requests stay the session's plain traffic.
  if (!file_) return;
  state_ = kWaitingForStart;
  restarts_ = 0;
  timer_.Start();
}

void FirmwareUpgrade::HandleUpgradeReply(const std::string& chunk) {
  if (showDataStream) {
    log_.LogReply(kReceivedLabel);
    log_.LogReply(BytesToHex(chunk));
  }
  lastHeardMs_ = clock_.NowMs();

  // While a transfer runs, reads return what has come at once, so the final
  // reply may arrive in pieces: its start is kept until it is whole.
  if (state_ == kWaitingForFinalReply && !chunk.empty() &&
      (!finalReplyStart_.empty() || (chunk.size() < xmodem::kFinalReply.size() && chunk[0] == xmodem::kFinalReply[0]))) {
    const std::string gathered = finalReplyStart_ + chunk;
    finalReplyStart_.clear();
    if (gathered == xmodem::kFinalReply) {
      Finish(gathered);
      return;
    }
    if (gathered.size() < xmodem::kFinalReply.size() && xmodem::kFinalReply.starts_with(gathered)) {
      finalReplyStart_ = gathered;
      return;
    }
    // Not the final reply after all: the chunk is taken as it came.
  }
  if (chunk.size() == 4) {
    if (chunk == xmodem::kFinalReply) Finish(chunk);
    return;
  }
  if (chunk.size() != 1) {
    // Two replies at once, or text of the boot loader: the two sides lost step.
    state_ = kIdle;
    return;
  }
  switch (chunk[0]) {
    case xmodem::kAck:
      if (state_ != kWaitingForReply) return;
      AdvanceBlock();
      refusals_ = 0;
      state_ = kSendNext;
      SendNext();
      return;
    case xmodem::kNak:
      // Before the first packet a NAK asks for the checksum variant, which the
      // boot loader never does: only "C" starts a transfer.
      if (state_ < kSendNext) return;
      if (state_ == kWaitingForReply) position_ = packetStart_;
      if (state_ != kSendNext && ++refusals_ >= kMaxRefusals) {
        GiveUp(Text("info_FwUpRefused"));
        return;
      }
      state_ = kSendNext;
      return;
    case xmodem::kStart:
      // A boot loader that asks for the start again and again never takes the file.
      if (state_ >= kSendNext && ++restarts_ > kMaxRestarts) {
        GiveUp(FillIn(Text("info_FwUpRestarts"), std::to_string(kMaxRestarts)));
        return;
      }
      log_.LogInfo(Text("info_ModuleRTS"));
      if (!file_) {
        log_.LogWarning(Text("info_AbsentFwFlie"));
        return;
      }
      StartOrRestart();
      return;
    default:
      return;
  }
}

void FirmwareUpgrade::StartOrRestart() {
  auto bytes = file_->ReadAll();
  if (!bytes) {
    log_.LogWarning(Text("info_FwFileUnreadable") + ": " + PathToGbk(filePath_));
    return;
  }
  // The file was changed after it was armed: what it holds now must pass too.
  if (const std::string refusal = SizeRefusal(filePath_, bytes->size()); !refusal.empty()) {
    log_.LogWarning(refusal);
    return;
  }
  data_ = std::move(*bytes);
  upgradeStart_ = clock_.NowMs();
  blockTotal_ = static_cast<int>(data_.size() / xmodem::kDataSize + 1);
  position_ = 0;
  packetStart_ = 0;
  if (view_) view_->ShowProgress(blockTotal_, 0);
  log_.LogInfo(Text("info_Sending"));
  blockNo_ = 0;
  blocksSent_ = 0;
  AdvanceBlock();
  refusals_ = 0;
  state_ = kSendNext;
}

void FirmwareUpgrade::AdvanceBlock() {
  blockNo_ = blockNo_ == 255 ? 0 : static_cast<std::uint8_t>(blockNo_ + 1);
  ++blocksSent_;
}

void FirmwareUpgrade::tmrXModemTxTimer() {
  if (state_ == kWaitingForReply || state_ == kWaitingForFinalReply) {
    if (static_cast<std::uint32_t>(clock_.NowMs() - lastHeardMs_) >= kReplyLimitMs)
      GiveUp(Text("info_FwUpNoReply"));
    return;
  }
  if (state_ == kSendNext) SendNext();
}

void FirmwareUpgrade::SendNext() {
  if (position_ < data_.size()) {
    if (view_) view_->ShowProgress(blockTotal_, blocksSent_);
    const std::size_t count = std::min(xmodem::kDataSize, data_.size() - position_);
    const std::string packet = xmodem::BuildPacket(blockNo_, std::string_view(data_).substr(position_, count));
    packetStart_ = position_;
    position_ += count;
    Send(packet, BytesToHex(packet));
    state_ = kWaitingForReply;
  } else {
    Send(std::string(1, xmodem::kEot), "04");
    state_ = kWaitingForFinalReply;
    finalReplyStart_.clear();
  }
  lastHeardMs_ = clock_.NowMs();
}

void FirmwareUpgrade::Send(const std::string& bytes, std::string_view hexForLog) {
  line_.SendData(bytes);
  if (showDataStream) {
    log_.LogSent(kSentLabel);
    log_.LogSent(hexForLog);
  }
}

void FirmwareUpgrade::Finish(const std::string& finalReply) {
  state_ = kIdle;
  blockNo_ = 0;
  blocksSent_ = 0;
  if (view_) view_->HideProgress();
  log_.LogInfo(Text("info_FwUpOver"));
  const std::uint32_t elapsedMs = clock_.NowMs() - upgradeStart_;
  log_.LogInfo(Text("info_FwUpTime") + std::to_string(elapsedMs / 1000));
  log_.LogInfo(kEndLine);
  timer_.Stop();
  log_.LogReceived(finalReply);
  if (overRestart) {
    // Straight to the line: the session's last text sent stays as it was.
    line_.SendData("R");
    if (showDataStream) {
      log_.LogSent(kSentLabel);
      log_.LogSent(TextToHex("R", ""));
    }
  }
  CloseFirmwareFile();
  data_.clear();
}

std::string FirmwareUpgrade::CurrentPacketText() const {
  const bool endOfTransmission =
      state_ == kWaitingForFinalReply || (state_ == kSendNext && position_ >= data_.size());
  if (endOfTransmission) return Text("info_FwUpEot");
  if (state_ == kSendNext || state_ == kWaitingForReply)
    return Text("info_FwUpPacket") + " " + std::to_string(blocksSent_) + " (" + Text("info_FwUpBlockNo") + " " +
           std::to_string(blockNo_) + ")";
  return {};
}

void FirmwareUpgrade::CancelTransfer() {
  if (state_ == kIdle) return;
  if (line_.PortOpen()) line_.SendData(std::string(2, xmodem::kCan));
  GiveUp(Text("info_FwUpDisarmed"));
}

void FirmwareUpgrade::GiveUp(std::string_view reason) {
  const std::string packet = CurrentPacketText();
  state_ = kIdle;
  refusals_ = 0;
  restarts_ = 0;
  timer_.Stop();
  if (view_) view_->HideProgress();
  std::string warning(reason);
  if (!packet.empty()) warning += ": " + packet;
  log_.LogWarning(warning);
}

void FirmwareUpgrade::PortLost() {
  if (state_ != kIdle) GiveUp(Text("info_FwUpPortLost"));
}

}  // namespace t418

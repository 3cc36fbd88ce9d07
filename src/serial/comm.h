#pragma once
// TComm: the serial port component. It opens a port by name, applies the line
// settings and time-outs, and while the port is open runs a receive thread and a
// transmit thread. Everything those threads have to tell reaches the owner as
// events on the owner's thread, through the Dispatcher given at creation.
//
// Everything here is called on the owner's thread only: properties, OpenPort,
// ClosePort, SendData, and the events, which run as tasks of the Dispatcher.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "base/dispatcher.h"
#include "serial/line_driver.h"
#include "serial/line_status.h"
#include "serial/reply_framing.h"

namespace t418 {

// The component's error: OpenPort throws it with one of the fixed messages,
// and the system's error number where the system gave one (0 otherwise).
// Error numbers of a refused opening: ENOENT for a port that does not exist
// (or no longer: a vanished adapter, an ended simulator), ENODEV for a device
// whose far end is gone, EBUSY for a port another opening holds.
class ECommsError : public std::runtime_error {
 public:
  explicit ECommsError(const std::string& message, int systemError = 0, std::string owner = {})
      : std::runtime_error(message), systemError_(systemError), owner_(std::move(owner)) {}
  int SystemError() const { return systemError_; }
  // With EBUSY: who holds the port, "held by 1234 (t418)", when the system can tell.
  const std::string& Owner() const { return owner_; }

 private:
  int systemError_;
  std::string owner_;
};

// Line-error flags carried by OnReceiveError (the values of the classic
// communications error word).
inline constexpr std::uint32_t kCeRxOver = 0x0001;    // receive queue overflow
inline constexpr std::uint32_t kCeOverrun = 0x0002;   // hardware overrun
inline constexpr std::uint32_t kCeRxParity = 0x0004;  // parity error
inline constexpr std::uint32_t kCeFrame = 0x0008;     // framing error
inline constexpr std::uint32_t kCeBreak = 0x0010;     // break

// Modem events carried by OnModemStateChange.
inline constexpr std::uint32_t kModemRing = 4;
inline constexpr std::uint32_t kModemCarrier = 8;

// The value of ReadIntervalTimeout that, with both read totals 0, makes a read
// return at once with what has arrived.
inline constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

class TComm {
 public:
  using TReceiveDataEvent =
      std::function<void(TComm& Sender, const char* Buffer, std::uint16_t BufferLength)>;
  using TReceiveErrorEvent = std::function<void(TComm& Sender, std::uint32_t EventMask)>;
  using TModemStateChangeEvent = std::function<void(TComm& Sender, std::uint32_t ModemEvent)>;
  using TNotifyEvent = std::function<void(TComm& Sender)>;
  using TSendDataEmptyEvent = std::function<void(TComm& Sender)>;

  // The largest block the receive thread delivers.
  static constexpr std::size_t kReadBufferSize = 1024;
  // The largest block handed to the transmit thread; longer sends are split.
  static constexpr std::size_t kMaxBlock = 65535;
  // How often the receive thread looks at the driver's line counters.
  static constexpr int kStatusPollMs = 50;

  explicit TComm(Dispatcher& dispatcher);
  ~TComm();
  TComm(const TComm&) = delete;
  TComm& operator=(const TComm&) = delete;

  // Opens CommName with the current properties and starts both threads.
  // Throws ECommsError, leaving the component closed. The port is taken for
  // this opening alone, whatever path names it (a link, /dev/pts/N) and also
  // for a privileged user: a port that another opening has locked or set to
  // exclusive use is refused with EBUSY.
  void OpenPort();
  // Stops both threads, purges, closes the port. Does nothing when closed.
  void ClosePort();
  // Queues a copy of the bytes for the transmit thread. False when the port is
  // closed or there is nothing to send. More than kMaxBlock bytes go as several
  // whole blocks, in order.
  bool SendData(const char* bytes, std::size_t count);
  bool SendData(const std::string& bytes) { return SendData(bytes.data(), bytes.size()); }

  // The open port's system handle; 0 while closed.
  std::uint32_t ComHandle() const { return static_cast<std::uint32_t>(handle_ > 0 ? handle_ : 0); }
  // True when no block waits for the transmit thread (advisory).
  bool SendDataEmpty() const { return sendDataEmpty_.load(); }

  // The port: a device path, or a name that is looked up under /dev/ (the
  // port lists of this platform yield full paths). Read by the next OpenPort only.
  const std::string& CommName() const { return commName_; }
  void SetCommName(const std::string& name) { commName_ = name; }

  // Line properties. Changing one while the port is open applies the whole set
  // again at once. Where this platform has no equivalent the value is kept but
  // has no effect (noted at each one).
  std::uint32_t BaudRate() const { return line_.baudRate; }
  void SetBaudRate(std::uint32_t v) { SetLine(line_.baudRate, v); }
  bool ParityCheck() const { return line_.parityCheck; }
  void SetParityCheck(bool v) { SetLine(line_.parityCheck, v); }
  // Linux has one hardware handshake for both directions (CRTSCTS): CTS-gated
  // output also drives RTS for input, as RtsHandshake does.
  bool Outx_CtsFlow() const { return line_.outxCtsFlow; }
  void SetOutx_CtsFlow(bool v) { SetLine(line_.outxCtsFlow, v); }
  // No DSR output handshake on Linux: no effect.
  bool Outx_DsrFlow() const { return line_.outxDsrFlow; }
  void SetOutx_DsrFlow(bool v) { SetLine(line_.outxDsrFlow, v); }
  // DtrHandshake has no driver support on Linux and drives DTR on.
  TDtrControl DtrControl() const { return line_.dtrControl; }
  void SetDtrControl(TDtrControl v) { SetLine(line_.dtrControl, v); }
  // Linux does not drop input while DSR is off: no effect.
  bool DsrSensitivity() const { return line_.dsrSensitivity; }
  void SetDsrSensitivity(bool v) { SetLine(line_.dsrSensitivity, v); }
  // Linux always goes on sending after it has sent XOFF: no effect.
  bool TxContinueOnXoff() const { return line_.txContinueOnXoff; }
  void SetTxContinueOnXoff(bool v) { SetLine(line_.txContinueOnXoff, v); }
  bool Outx_XonXoffFlow() const { return line_.outxXonXoffFlow; }
  void SetOutx_XonXoffFlow(bool v) { SetLine(line_.outxXonXoffFlow, v); }
  bool Inx_XonXoffFlow() const { return line_.inxXonXoffFlow; }
  void SetInx_XonXoffFlow(bool v) { SetLine(line_.inxXonXoffFlow, v); }
  bool ReplaceWhenParityError() const { return line_.replaceWhenParityError; }
  void SetReplaceWhenParityError(bool v) { SetLine(line_.replaceWhenParityError, v); }
  // Zero bytes are dropped by the receive thread.
  bool IgnoreNullChar() const { return line_.ignoreNullChar; }
  void SetIgnoreNullChar(bool v) { SetLine(line_.ignoreNullChar, v); }
  // RtsTransmissionAvailable uses the driver's RS-485 mode where the UART has
  // one, else RTS stays off.
  TRtsControl RtsControl() const { return line_.rtsControl; }
  void SetRtsControl(TRtsControl v) { SetLine(line_.rtsControl, v); }
  // The kernel's XON/XOFF thresholds are fixed: no effect.
  std::uint16_t XonLimit() const { return line_.xonLimit; }
  void SetXonLimit(std::uint16_t v) { SetLine(line_.xonLimit, v); }
  std::uint16_t XoffLimit() const { return line_.xoffLimit; }
  void SetXoffLimit(std::uint16_t v) { SetLine(line_.xoffLimit, v); }
  TByteSize ByteSize() const { return line_.byteSize; }
  void SetByteSize(TByteSize v) { SetLine(line_.byteSize, v); }
  TParity Parity() const { return line_.parity; }
  void SetParity(TParity v) { SetLine(line_.parity, v); }
  // _1_5 sets the same flag as _2: the UART gives 1.5 stop bits with 5 data bits.
  TStopBits StopBits() const { return line_.stopBits; }
  void SetStopBits(TStopBits v) { SetLine(line_.stopBits, v); }
  char XonChar() const { return line_.xonChar; }
  void SetXonChar(char v) { SetLine(line_.xonChar, v); }
  char XoffChar() const { return line_.xoffChar; }
  void SetXoffChar(char v) { SetLine(line_.xoffChar, v); }
  char ReplacedChar() const { return line_.replacedChar; }
  void SetReplacedChar(char v) { SetLine(line_.replacedChar, v); }

  // Time-outs, in ms, carried out by the two threads with poll and a monotonic
  // clock. A read ends after ReadIntervalTimeout ms without a byte once a byte
  // has come (0: no gap limit; kMaxDword with both totals 0: at once), at 1024
  // bytes, or when its total time (multiplier × 1024 + constant, 0 and 0: none)
  // has passed. A block's write may take multiplier × length + constant ms (0
  // and 0: no limit); past that the transmit thread stops with a hang-up.
  std::uint32_t ReadIntervalTimeout() const { return timeouts_.readInterval; }
  void SetReadIntervalTimeout(std::uint32_t v) { SetTimeout(timeouts_.readInterval, v); }
  std::uint32_t ReadTotalTimeoutMultiplier() const { return timeouts_.readMultiplier; }
  void SetReadTotalTimeoutMultiplier(std::uint32_t v) { SetTimeout(timeouts_.readMultiplier, v); }
  std::uint32_t ReadTotalTimeoutConstant() const { return timeouts_.readConstant; }
  void SetReadTotalTimeoutConstant(std::uint32_t v) { SetTimeout(timeouts_.readConstant, v); }
  std::uint32_t WriteTotalTimeoutMultiplier() const { return timeouts_.writeMultiplier; }
  void SetWriteTotalTimeoutMultiplier(std::uint32_t v) { SetTimeout(timeouts_.writeMultiplier, v); }
  std::uint32_t WriteTotalTimeoutConstant() const { return timeouts_.writeConstant; }
  void SetWriteTotalTimeoutConstant(std::uint32_t v) { SetTimeout(timeouts_.writeConstant, v); }

  // Whether a read also ends as soon as its bytes end with a complete reply
  // (serial/reply_framing.h), before the gap; kOff by default. Takes effect at
  // once, also while a read is gathering bytes, and is kept across openings.
  // Each accepted SendData moves the mode on with FramingAfterSending before the
  // bytes are queued, so the answer a send expects is known before it can come.
  FramingMode ReplyFraming() const { return framing_; }
  void SetReplyFraming(FramingMode mode) {
    framing_ = mode;
    framingNow_ = mode;
    SyncLink();
  }
  // The mode the receive thread applies now: ReplyFraming as the last send moved it.
  FramingMode CurrentFraming() const { return framingNow_; }

  // Where line errors and modem-line changes come from; read by the next OpenPort.
  void SetLineStatusSource(std::shared_ptr<LineStatusSource> source) { status_ = std::move(source); }

  // Events, run on the owner's thread. An unassigned event is skipped.
  // OnReceiveData's buffer lives until the handler returns.
  TReceiveDataEvent OnReceiveData;
  TReceiveErrorEvent OnReceiveError;
  TModemStateChangeEvent OnModemStateChange;
  // A worker thread met an unexpected failure or the device went away; it has
  // stopped. Reported once per opening; the port stays open until ClosePort.
  TNotifyEvent OnRequestHangup;
  TSendDataEmptyEvent OnSendDataEmpty;

 private:
  struct Timeouts {
    std::uint32_t readInterval = 10;
    std::uint32_t readMultiplier = 0;
    std::uint32_t readConstant = 0;
    std::uint32_t writeMultiplier = 0;
    std::uint32_t writeConstant = 0;
  };
  struct Link;

  template <typename T>
  void SetLine(T& field, T value) {
    if (field == value) return;
    field = value;
    if (handle_ > 0) ApplyLineSettings();
  }
  void SetTimeout(std::uint32_t& field, std::uint32_t value) {
    if (field == value) return;
    field = value;
    if (handle_ > 0) ApplyTimeouts();
  }
  void ApplyLineSettings();
  void ApplyTimeouts();
  // Hands the settings that the threads carry out to the running link.
  void SyncLink();
  void StopThreads();
  void ReleasePort();

  static void ReceiveLoop(const std::shared_ptr<Link>& link);
  static void TransmitLoop(const std::shared_ptr<Link>& link);

  Dispatcher& dispatcher_;
  // Tasks posted by the threads reach the component through this token, so a
  // task that runs after the component is gone does nothing.
  std::shared_ptr<TComm*> self_;
  std::string commName_ = "COM1";
  LineSettings line_;
  Timeouts timeouts_;
  FramingMode framing_ = FramingMode::kOff;
  FramingMode framingNow_ = FramingMode::kOff;
  std::shared_ptr<LineStatusSource> status_;

  platform::LineHandle handle_ = 0;
  // Counts the openings; events of the threads carry the one they belong to.
  std::uint64_t opening_ = 0;
  bool rs485Set_ = false;
  std::atomic<bool> sendDataEmpty_{true};
  std::shared_ptr<Link> link_;
  std::thread readThread_;
  std::thread writeThread_;
};

}  // namespace t418

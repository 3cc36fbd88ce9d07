#include "serial/serial_port.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace t418 {

namespace {

// The baud list's text as a decimal number; anything else is an error.
std::uint32_t ParseBaudRate(const std::string& text) {
  if (text.empty() || text.size() > 10) throw std::invalid_argument("baud rate: " + text);
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') throw std::invalid_argument("baud rate: " + text);
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  // No line runs at 0 bits per second (to the driver it means "hang up").
  if (value == 0 || value > std::numeric_limits<std::uint32_t>::max()) {
    throw std::invalid_argument("baud rate: " + text);
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace

OpenFailure ClassifyOpenFailure(int error, std::string holder) {
  OpenFailure failure;
  failure.error = error;
  if (error != 0) failure.reason = std::strerror(error);
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: failure.kind = OpenFailureKind::NoSuchPort; break;
    case EACCES:
    case EPERM: failure.kind = OpenFailureKind::Permission; break;
    case EBUSY:
      failure.kind = OpenFailureKind::Busy;
      failure.holder = std::move(holder);
      break;
    default: failure.kind = OpenFailureKind::Other; break;
  }
  return failure;
}

std::uint32_t GapTimeoutFor(std::uint32_t baudRate) {
  if (baudRate == 1200 || baudRate == 2400) return 200;
  if (baudRate == 4800) return 80;
  return 60;
}

SerialPort::SerialPort(TComm& comm, ReplyTimer& replyTimer) : comm_(comm), replyTimer_(replyTimer) {
  comm_.OnReceiveData = [this](TComm&, const char* buffer, std::uint16_t length) {
    if (OnChunk) OnChunk(std::string(buffer, length));
  };
  comm_.OnReceiveError = [this](TComm&, std::uint32_t) {
    // The flags are not looked at: any line error reopens the port.
    if (OnLineError) OnLineError();
    if (!ReopenAfterLineError() && OnReopenFailed) OnReopenFailed();
  };
  comm_.OnRequestHangup = [this](TComm&) {
    if (OnHangup) OnHangup();
  };
}

SerialPort::~SerialPort() {
  comm_.OnReceiveData = nullptr;
  comm_.OnReceiveError = nullptr;
  comm_.OnRequestHangup = nullptr;
}

void SerialPort::SendData(const std::string& bytes) {
  if (comm_.SendData(bytes) && OnBytesSent) OnBytesSent(bytes.size());
}

void SerialPort::Apply(const LineChoices& choices) {
  // Always from a closed port, so a reopening never meets "already opened".
  comm_.ClosePort();
  // No handshake of any kind, DTR and RTS off, whatever the component held.
  comm_.SetOutx_CtsFlow(false);
  comm_.SetOutx_DsrFlow(false);
  comm_.SetDtrControl(TDtrControl::DtrDisable);
  comm_.SetTxContinueOnXoff(false);
  comm_.SetRtsControl(TRtsControl::RtsDisable);
  comm_.SetOutx_XonXoffFlow(false);
  comm_.SetInx_XonXoffFlow(false);

  comm_.SetCommName(choices.port);
  comm_.SetBaudRate(ParseBaudRate(choices.baud));
  switch (choices.parityIndex) {
    case 0:
      comm_.SetParityCheck(false);
      comm_.SetParity(TParity::None);
      break;
    case 1:
      comm_.SetParityCheck(true);
      comm_.SetParity(TParity::Odd);
      break;
    case 2:
      comm_.SetParityCheck(true);
      comm_.SetParity(TParity::Even);
      break;
    default: break;  // no selection: as it was
  }
  switch (choices.dataIndex) {
    case 0: comm_.SetByteSize(TByteSize::_7); break;
    case 1: comm_.SetByteSize(TByteSize::_8); break;
    default: break;
  }
  switch (choices.stopIndex) {
    case 0: comm_.SetStopBits(TStopBits::_1); break;
    case 1: comm_.SetStopBits(TStopBits::_2); break;
    default: break;
  }
  // The total read time-outs stay 0: a reply without longer pauses is one chunk.
  comm_.SetReadIntervalTimeout(GapTimeoutFor(comm_.BaudRate()));
  comm_.SetRtsControl(TRtsControl::RtsDisable);

  replyTimer_.SetInterval(kReplyTimeoutMs);
  replyTimer_.Stop();
  comm_.OpenPort();
}

bool SerialPort::OpenSerialPort(const LineChoices& choices) {
  choices_ = choices;
  lastOpenError_ = 0;
  lastOpenOwner_.clear();
  try {
    Apply(choices);
    portOpen_ = true;
  } catch (const ECommsError& error) {
    // The component's own message is not shown; the owner writes its warning
    // with the system's reason.
    lastOpenError_ = error.SystemError();
    lastOpenOwner_ = error.Owner();
    portOpen_ = false;
  } catch (const std::exception&) {
    lastOpenError_ = EINVAL;
    portOpen_ = false;
  }
  lastOpenFailed_ = !portOpen_;
  return portOpen_;
}

OpenFailure SerialPort::LastOpenFailure() const {
  if (!lastOpenFailed_) return {};
  return ClassifyOpenFailure(lastOpenError_, lastOpenOwner_);
}

void SerialPort::CloseSerialPort() {
  comm_.ClosePort();
  portOpen_ = false;
}

bool SerialPort::ReopenAfterLineError() {
  CloseSerialPort();
  // A copy: the choices are kept again by OpenSerialPort.
  const LineChoices current = choices_;
  return OpenSerialPort(current);
}

}  // namespace t418

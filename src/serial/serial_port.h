#pragma once
// The port toolbar's logic: maps the toolbar's choices onto the serial
// component, opens and closes it, keeps the PortOpen flag that the session
// engine consults, and reopens the port after a line error. The window only
// wires its widgets to this and shows the messages.
#include <cstdint>
#include <functional>
#include <string>

#include "serial/comm.h"
#include "base/engine_ports.h"

namespace t418 {

// The toolbar's choices: the texts of the port and baud lists and the selection
// indexes of the parity ("NONE", "ODD", "EVEN"), data ("7", "8") and stop ("1",
// "2") lists, -1 for no selection.
struct LineChoices {
  std::string port;
  std::string baud;
  int parityIndex = -1;
  int dataIndex = -1;
  int stopIndex = -1;
};

// Why an opening failed, sorted once here for every front end.
enum class OpenFailureKind {
  None,        // the port opened
  NoSuchPort,  // no device of that name (or none behind it any more)
  Permission,  // this user may not open it
  Busy,        // another program holds it
  Other,       // anything else: a refusal of the driver, a baud text that is no rate
};

struct OpenFailure {
  OpenFailureKind kind = OpenFailureKind::None;
  int error = 0;       // the system's error number; 0 when it gave none
  std::string reason;  // the system's words for it (English), empty without a number
  std::string holder;  // Busy: who holds the port ("held by 1234 (t418)"), when the system tells
};

// The failure for the system's error number of an opening and the holder the
// port's lock names.
OpenFailure ClassifyOpenFailure(int error, std::string holder = {});

// The gap that ends a received chunk at a line speed, in ms: long enough that
// one reply of the terminal arrives as one chunk.
std::uint32_t GapTimeoutFor(std::uint32_t baudRate);

class SerialPort : public ByteSink {
 public:
  static constexpr int kReplyTimeoutMs = 5000;

  // Takes over the component's data, line-error and hang-up events.
  SerialPort(TComm& comm, ReplyTimer& replyTimer);
  ~SerialPort() override;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  bool PortOpen() const override { return portOpen_; }
  // Hands the bytes to the component (nothing goes out while closed); the
  // bytes it took are reported to OnBytesSent.
  void SendData(const std::string& bytes) override;

  // Keeps the choices as the current ones, applies them to the component and
  // opens it, closing it first. Returns and sets PortOpen; any failure (unknown
  // or busy port, empty or non-numeric baud text, a refusal of the component)
  // leaves the component closed and gives false.
  bool OpenSerialPort(const LineChoices& choices);
  void CloseSerialPort();
  // Why the last opening failed: the system's error number (ENOENT, EACCES,
  // EBUSY...), EINVAL for a baud text that is no rate, 0 when it succeeded or
  // the component gave no reason.
  int LastOpenError() const { return lastOpenError_; }
  // With EBUSY: who holds the port, "held by 1234 (t418)" (several joined with
  // ", "), when the system can tell; empty otherwise. Plain ASCII.
  const std::string& LastOpenOwner() const { return lastOpenOwner_; }
  // The last opening's failure, classified (kind None when it succeeded).
  OpenFailure LastOpenFailure() const;

  // The toolbar's current choices, used by ReopenAfterLineError. The window
  // updates them when a list changes; OpenSerialPort sets them too.
  const LineChoices& Choices() const { return choices_; }
  void SetChoices(const LineChoices& choices) { choices_ = choices; }

  // Closes and opens again with the current choices; the result is PortOpen.
  bool ReopenAfterLineError();

  // Hooks, run on the owner's thread.
  // A received chunk (1 to 1024 bytes), in arrival order.
  std::function<void(const std::string&)> OnChunk;
  // The component reported line errors. Runs before the port is reopened
  // (which follows on its own), so the owner may refresh the choices here.
  std::function<void()> OnLineError;
  // A worker thread of the component stopped on a failure or the device went
  // away. The port still counts as open until it is closed.
  std::function<void()> OnHangup;
  // The reopening after a line error failed: the port is closed now.
  std::function<void()> OnReopenFailed;
  // Bytes were handed to the component for sending.
  std::function<void(std::size_t)> OnBytesSent;

 private:
  void Apply(const LineChoices& choices);

  TComm& comm_;
  ReplyTimer& replyTimer_;
  LineChoices choices_;
  bool portOpen_ = false;
  int lastOpenError_ = 0;
  bool lastOpenFailed_ = false;
  std::string lastOpenOwner_;
};

}  // namespace t418

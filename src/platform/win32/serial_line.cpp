// Serial lines as Win32 communication devices, opened for overlapped I/O
// without sharing. A read takes only what the driver says is waiting
// (ClearCommError), so it never waits; a write is handed to the driver and
// completes in the background while the next one waits for it; WaitOnLine
// waits for the driver's events (WaitCommEvent) together with the wake events.
#include "platform/serial_line.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>

#include "platform/win32/system_error.h"

namespace t418::platform {
namespace {

// The driver's queues, asked for at the opening.
constexpr DWORD kQueueSize = 4096;
// Events that end a wait for reading: a byte, a line error or a break.
constexpr DWORD kReadEvents = EV_RXCHAR | EV_ERR | EV_BREAK;

struct Line {
  HANDLE port = INVALID_HANDLE_VALUE;

  // The receive side (one thread): the pending WaitCommEvent and the reads.
  OVERLAPPED waitIo{};
  DWORD eventMask = 0;
  bool waitPending = false;
  // Whether the wait's event has been seen set before the wait ended.
  bool eventsUnreliable = false;
  OVERLAPPED readIo{};

  // The transmit side (one thread): the write the driver is working on.
  OVERLAPPED writeIo{};
  std::string writing;
  bool writePending = false;
  bool writeFailed = false;

  // Line errors and modem-line changes as counters, gathered by every look at
  // the driver's state (ClearCommError clears its flags as it reports them).
  std::mutex countersMutex;
  LineCounters counters;
  DWORD modemSeen = 0;
  bool modemKnown = false;
};

Line* Of(LineHandle line) { return reinterpret_cast<Line*>(line); }

HANDLE NewEvent() { return ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }

// The device name of a port: "COM10" and above exist only in the device
// namespace, so every bare name is opened there.
std::wstring DevicePath(const std::string& name) {
  std::wstring wide(name.begin(), name.end());
  const bool devicePath = wide.size() > 4 && (wide[0] == L'\\' || wide[0] == L'/') &&
                          (wide[1] == L'\\' || wide[1] == L'/') && wide[2] == L'.';
  if (devicePath) {
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
  }
  return L"\\\\.\\" + wide;
}

LineOpening Refused(const char* message, int error) {
  LineOpening opening;
  opening.message = message;
  opening.error = error;
  return opening;
}

// The driver's error flags and queue, gathered into the counters. False when
// the device no longer answers (an adapter pulled out).
bool LookAtDriver(Line& line, COMSTAT& status) {
  DWORD errors = 0;
  if (!::ClearCommError(line.port, &errors, &status)) return false;
  if (errors != 0) {
    std::lock_guard<std::mutex> lock(line.countersMutex);
    if (errors & CE_FRAME) ++line.counters.frame;
    if (errors & CE_OVERRUN) ++line.counters.overrun;
    if (errors & CE_RXPARITY) ++line.counters.parity;
    if (errors & CE_BREAK) ++line.counters.brk;
    if (errors & CE_RXOVER) ++line.counters.bufOverrun;
  }
  return true;
}

bool Signalled(HANDLE event) { return ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }

// Ends a pending overlapped call of the line's for good before its memory goes.
void Settle(Line& line, OVERLAPPED& io, bool& pending) {
  if (!pending) return;
  DWORD count = 0;
  if (::WaitForSingleObject(io.hEvent, 1000) == WAIT_OBJECT_0) ::GetOverlappedResult(line.port, &io, &count, FALSE);
  pending = false;
}

}  // namespace

LineOpening OpenLine(const std::string& name) {
  const std::wstring path = DevicePath(name);
  // No sharing: the system refuses every other opener while this one holds the port.
  const HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    const DWORD reason = ::GetLastError();
    // A port another program holds answers "access denied".
    if (reason == ERROR_ACCESS_DENIED || reason == ERROR_SHARING_VIOLATION)
      return Refused("Error opening serial port", EBUSY);
    return Refused("Error opening serial port", win32::ErrnoOf(reason));
  }
  if (::GetFileType(port) != FILE_TYPE_CHAR) {
    ::CloseHandle(port);
    return Refused("File handle is not a comm handle ", ENOTTY);
  }
  if (!::SetupComm(port, kQueueSize, kQueueSize)) {
    ::CloseHandle(port);
    return Refused("Cannot setup comm buffer", ENOTTY);
  }
  // A read asks only for the bytes that are waiting, so it ends at once; the
  // time-outs only bound a read that the driver cannot serve after all.
  // Writes have no time-out of the driver's: the caller times each block.
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = 10;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 50;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(port, &dcb) || !::SetCommTimeouts(port, &timeouts) || !::SetCommMask(port, kReadEvents)) {
    ::CloseHandle(port);
    return Refused("Cannot setup comm buffer", ENOTTY);
  }
  auto* line = new Line;
  line->port = port;
  line->waitIo.hEvent = NewEvent();
  line->readIo.hEvent = NewEvent();
  line->writeIo.hEvent = NewEvent();
  if (!line->waitIo.hEvent || !line->readIo.hEvent || !line->writeIo.hEvent) {
    bool rs485 = false;
    CloseLine(reinterpret_cast<LineHandle>(line), rs485);
    return Refused("Unable to create event", ENOMEM);
  }
  ::PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
  LineOpening opening;
  opening.line = reinterpret_cast<LineHandle>(line);
  return opening;
}

void CloseLine(LineHandle handle, bool& rs485Set) {
  Line* line = Of(handle);
  rs485Set = false;
  if (line == nullptr) return;
  if (line->port != INVALID_HANDLE_VALUE) {
    // A new mask ends a pending WaitCommEvent; the rest is cancelled.
    ::SetCommMask(line->port, 0);
    ::CancelIoEx(line->port, nullptr);
    Settle(*line, line->waitIo, line->waitPending);
    Settle(*line, line->writeIo, line->writePending);
    ::CloseHandle(line->port);
  }
  for (HANDLE event : {line->waitIo.hEvent, line->readIo.hEvent, line->writeIo.hEvent})
    if (event) ::CloseHandle(event);
  delete line;
}

void FlushLine(LineHandle handle, Flush which) {
  Line* line = Of(handle);
  // Input only cleared: a read in progress is never cut off. Output is
  // dropped, a write in progress too.
  DWORD flags = 0;
  if (which != Flush::Output) flags |= PURGE_RXCLEAR;
  if (which != Flush::Input) flags |= PURGE_TXABORT | PURGE_TXCLEAR;
  ::PurgeComm(line->port, flags);
}

bool WriteLineSettings(LineHandle handle, const LineSettings& s, bool& rs485Set) {
  Line* line = Of(handle);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(line->port, &dcb)) return false;
  dcb.BaudRate = s.baudRate;
  dcb.fBinary = TRUE;
  dcb.fParity = s.parityCheck;
  dcb.fOutxCtsFlow = s.outxCtsFlow;
  dcb.fOutxDsrFlow = s.outxDsrFlow;
  // The members have the values of the DCB's own constants.
  dcb.fDtrControl = static_cast<DWORD>(s.dtrControl);
  dcb.fDsrSensitivity = s.dsrSensitivity;
  dcb.fTXContinueOnXoff = s.txContinueOnXoff;
  dcb.fOutX = s.outxXonXoffFlow;
  dcb.fInX = s.inxXonXoffFlow;
  dcb.fErrorChar = s.replaceWhenParityError;
  dcb.fNull = s.ignoreNullChar;
  // RTS only while sending is the driver's toggle mode: no RS-485 mode to set.
  dcb.fRtsControl = static_cast<DWORD>(s.rtsControl);
  dcb.fAbortOnError = FALSE;
  dcb.XonLim = s.xonLimit;
  dcb.XoffLim = s.xoffLimit;
  dcb.ByteSize = static_cast<BYTE>(static_cast<int>(s.byteSize) + 5);
  dcb.Parity = static_cast<BYTE>(s.parity);
  dcb.StopBits = static_cast<BYTE>(s.stopBits);
  dcb.XonChar = s.xonChar;
  dcb.XoffChar = s.xoffChar;
  dcb.ErrorChar = s.replacedChar;
  rs485Set = false;
  return ::SetCommState(line->port, &dcb) != 0;
}

void ClearRs485(LineHandle, bool& rs485Set) { rs485Set = false; }

std::optional<std::uint32_t> LineSpeed(LineHandle handle) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!::GetCommState(Of(handle)->port, &dcb)) return std::nullopt;
  return dcb.BaudRate;
}

bool IsSerialLine(LineHandle handle) {
  if (handle == kNoLine || handle == 0) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  return ::GetCommState(Of(handle)->port, &dcb) != 0;
}

// fErrorChar: the driver puts ErrorChar in place of a byte with a line error.
bool DriverMarksLineErrors() { return false; }

CountersResult ReadLineCounters(LineHandle handle, LineCounters& out) {
  Line* line = Of(handle);
  COMSTAT status{};
  if (!LookAtDriver(*line, status)) return CountersResult::Failed;
  DWORD modem = 0;
  // A driver without modem lines answers ERROR_NOT_SUPPORTED or fails otherwise: only
  // the error counters are kept then.
  const bool modemRead = ::GetCommModemStatus(line->port, &modem) != 0;
  std::lock_guard<std::mutex> lock(line->countersMutex);
  if (modemRead) {
    if (line->modemKnown) {
      if ((modem ^ line->modemSeen) & MS_RLSD_ON) ++line->counters.dcd;
      // A ring is counted as it ends, as the POSIX drivers count it.
      if ((line->modemSeen & MS_RING_ON) && !(modem & MS_RING_ON)) ++line->counters.rng;
    }
    line->modemSeen = modem;
    line->modemKnown = true;
  }
  out = line->counters;
  return CountersResult::Ok;
}

IoResult ReadLine(LineHandle handle, char* buffer, std::size_t size) {
  Line* line = Of(handle);
  COMSTAT status{};
  if (!LookAtDriver(*line, status)) return {Io::Gone, 0};
  if (status.cbInQue == 0 || size == 0) return {Io::WouldBlock, 0};
  const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, status.cbInQue));
  DWORD got = 0;
  ::ResetEvent(line->readIo.hEvent);
  if (!::ReadFile(line->port, buffer, ask, &got, &line->readIo)) {
    DWORD reason = ::GetLastError();
    if (reason == ERROR_IO_PENDING) {
      reason = ::GetOverlappedResult(line->port, &line->readIo, &got, TRUE) ? NO_ERROR : ::GetLastError();
    }
    // A read whose time-out passed or that a purge ended brings what it has.
    if (reason != NO_ERROR && reason != ERROR_TIMEOUT && reason != ERROR_OPERATION_ABORTED) return {Io::Gone, 0};
  }
  if (got == 0) return {Io::WouldBlock, 0};
  return {Io::Done, got};
}

IoResult WriteLine(LineHandle handle, const char* data, std::size_t size) {
  Line* line = Of(handle);
  if (line->writePending) {
    DWORD put = 0;
    if (!::GetOverlappedResult(line->port, &line->writeIo, &put, FALSE)) {
      const DWORD reason = ::GetLastError();
      if (reason == ERROR_IO_INCOMPLETE) return {Io::WouldBlock, 0};
      // A purge of the output ends a write on purpose.
      if (reason != ERROR_OPERATION_ABORTED) line->writeFailed = true;
    }
    line->writePending = false;
  }
  if (line->writeFailed) return {Io::Gone, 0};
  if (size == 0) return {Io::Done, 0};
  const std::size_t take = std::min<std::size_t>(size, kQueueSize);
  line->writing.assign(data, take);
  ::ResetEvent(line->writeIo.hEvent);
  DWORD put = 0;
  if (::WriteFile(line->port, line->writing.data(), static_cast<DWORD>(take), &put, &line->writeIo))
    return {Io::Done, take};
  if (::GetLastError() != ERROR_IO_PENDING) return {Io::Gone, 0};
  // The driver has the bytes; the next write waits until it is done with them.
  line->writePending = true;
  return {Io::Done, take};
}

LineWait WaitOnLine(LineHandle handle, WaitFor what, const WakeEvent& stop, const WakeEvent* other, int timeoutMs) {
  Line* line = Of(handle);
  LineWait wait;
  const HANDLE stopEvent = reinterpret_cast<HANDLE>(stop.Native());
  const HANDLE otherEvent = other ? reinterpret_cast<HANDLE>(other->Native()) : nullptr;
  const ULONGLONG deadline = timeoutMs < 0 ? 0 : ::GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);

  for (;;) {
    HANDLE events[3];
    DWORD count = 0;
    events[count++] = stopEvent;
    if (otherEvent) events[count++] = otherEvent;
    HANDLE lineEvent = nullptr;

    if (what == WaitFor::Reading) {
      COMSTAT status{};
      if (!LookAtDriver(*line, status)) {
        wait.outcome = LineWait::Ready;
        wait.lineHungUp = true;
        break;
      }
      if (status.cbInQue > 0) {
        wait.outcome = LineWait::Ready;
        wait.lineReady = true;
        break;
      }
      if (!line->waitPending) {
        line->eventMask = 0;
        ::ResetEvent(line->waitIo.hEvent);
        if (::WaitCommEvent(line->port, &line->eventMask, &line->waitIo)) {
          ::SetEvent(line->waitIo.hEvent);
          line->waitPending = true;
        } else if (::GetLastError() == ERROR_IO_PENDING) {
          line->waitPending = true;
        } else {
          wait.outcome = LineWait::Ready;
          wait.lineHungUp = true;
          break;
        }
      }
      lineEvent = line->waitIo.hEvent;
    } else if (what == WaitFor::Writing) {
      if (!line->writePending) {
        wait.outcome = LineWait::Ready;
        wait.lineReady = true;
        break;
      }
      lineEvent = line->writeIo.hEvent;
    }
    if (lineEvent) events[count++] = lineEvent;

    DWORD left = INFINITE;
    if (timeoutMs >= 0) {
      const ULONGLONG now = ::GetTickCount64();
      left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    }
    const DWORD slice = what == WaitFor::Reading && line->eventsUnreliable ? std::min<DWORD>(left, 5) : left;
    const DWORD rc = ::WaitForMultipleObjects(count, events, FALSE, slice);
    if (rc == WAIT_FAILED) {
      wait.outcome = LineWait::Failed;
      return wait;
    }
    if (rc == WAIT_TIMEOUT) {
      if (slice < left) continue;
      wait.outcome = LineWait::TimedOut;
      break;
    }
    wait.outcome = LineWait::Ready;
    if (lineEvent && Signalled(lineEvent)) {
      if (what == WaitFor::Writing) {
        wait.lineReady = true;  // WriteLine picks up how the write ended
      } else {
        DWORD unused = 0;
        const bool ended = ::GetOverlappedResult(line->port, &line->waitIo, &unused, FALSE) != 0;
        const DWORD reason = ended ? NO_ERROR : ::GetLastError();
        if (reason == ERROR_IO_INCOMPLETE) {
          // The event was set while the wait goes on (Wine does this): from
          // now on the driver is looked at every few milliseconds as well.
          ::ResetEvent(line->waitIo.hEvent);
          line->eventsUnreliable = true;
          continue;
        }
        line->waitPending = false;
        // An empty mask or an aborted wait is no event of the line (a new
        // mask, a purge); the loop looks at the driver again.
        if (reason != NO_ERROR && reason != ERROR_OPERATION_ABORTED) wait.lineHungUp = true;
        if (ended && (line->eventMask & (EV_ERR | EV_BREAK))) wait.lineReady = true;
      }
    }
    wait.stopped = Signalled(stopEvent);
    wait.event = otherEvent && Signalled(otherEvent);
    if (wait.stopped || wait.event || wait.lineReady || wait.lineHungUp) break;
    // The line's event ended without anything to read yet: wait on.
  }
  if (what == WaitFor::Reading && wait.outcome == LineWait::Ready && !wait.lineHungUp) {
    // An event of EV_RXCHAR goes with bytes in the queue; look once more.
    COMSTAT status{};
    if (LookAtDriver(*line, status) && status.cbInQue > 0) wait.lineReady = true;
  }
  wait.stopped = Signalled(stopEvent);
  wait.event = otherEvent && Signalled(otherEvent);
  return wait;
}

// Windows does not tell which process holds a port without walking every
// handle of the system; the refusal says "busy" without a name.
std::vector<PortHolder> FindPortHolders(LineHandle, const std::string&) { return {}; }

}  // namespace t418::platform

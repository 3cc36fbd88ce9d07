#pragma once
// One open serial line, as the serial component's two threads use it: opening
// it for this opening alone, its settings and modem lines, the driver's
// counters, reads and writes that never block, and waits that a stop event
// ends. Error numbers are the C library's (ENOENT, EBUSY, ...), as the
// component reports them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/line_settings.h"
#include "platform/wake_event.h"

namespace t418::platform {

// The system's handle of an open line; never 0 (0 stands for "closed").
using LineHandle = std::intptr_t;
inline constexpr LineHandle kNoLine = -1;

// Another process that holds a port.
struct PortHolder {
  long pid = 0;
  std::string name;  // the program's name as the system keeps it
};

struct LineOpening {
  LineHandle line = kNoLine;  // kNoLine when refused
  const char* message = "";   // the refusal's fixed message
  int error = 0;              // the system's error number, 0 when none
  std::vector<PortHolder> holders;  // with EBUSY: who holds the port, when the system can tell
};

// Opens the port by name (a bare name is looked up where the system keeps its
// devices) for this opening alone, whatever path names it and also for a
// privileged user: a port another opening holds is refused with EBUSY.
// ENOENT: no such port (or no longer); ENODEV: its far end is gone; ENOTTY:
// not a serial line. Waiting input and output are dropped.
LineOpening OpenLine(const std::string& name);
// Lets the port go (releasing what OpenLine took) and closes it.
void CloseLine(LineHandle line, bool& rs485Set);

enum class Flush { Input, Output, Both };
void FlushLine(LineHandle line, Flush which);

// Writes the settings to the open port at once (no drain, no flush of waiting
// input) and drives DTR and RTS. Modem-line requests that the driver refuses
// (a pseudo-terminal has no modem lines) are not failures. rs485Set tells
// whether the port's RS-485 mode was switched on by an earlier call; it is
// updated. Returns false when the driver refused the settings themselves.
bool WriteLineSettings(LineHandle line, const LineSettings& settings, bool& rs485Set);
// Switches off an RS-485 mode that WriteLineSettings switched on.
void ClearRs485(LineHandle line, bool& rs485Set);
// The output speed the driver holds for the port, in bits per second.
std::optional<std::uint32_t> LineSpeed(LineHandle line);
// True when the handle is a serial line whose settings can be read.
bool IsSerialLine(LineHandle line);
// With replaceWhenParityError set, whether the driver hands over a byte with a
// line error as a marked sequence (0xFF 0x00 byte, and a data byte 0xFF
// doubled) that the reader turns into the replacement character; false when
// the driver puts the replacement character in itself.
bool DriverMarksLineErrors();
// The driver's counters of line errors and modem-line changes.
CountersResult ReadLineCounters(LineHandle line, LineCounters& out);

enum class Io {
  Done,        // count bytes went
  WouldBlock,  // nothing now: wait and try again
  Gone,        // the device has gone (end of file, a hang-up, an I/O error)
};
struct IoResult {
  Io status = Io::Done;
  std::size_t count = 0;
};
// Reads what has arrived, up to size bytes, without waiting.
IoResult ReadLine(LineHandle line, char* buffer, std::size_t size);
// Writes what the driver takes now, up to size bytes, without waiting.
IoResult WriteLine(LineHandle line, const char* data, std::size_t size);

enum class WaitFor { Nothing, Reading, Writing };
struct LineWait {
  enum Outcome { Ready, TimedOut, Interrupted, Failed } outcome = TimedOut;
  bool stopped = false;      // the stop event is raised
  bool event = false;        // the other event is raised
  bool lineReady = false;    // the line can be read or written as asked
  bool lineHungUp = false;   // the line reports a hang-up or an error
  bool lineInvalid = false;  // the handle no longer names an open line
};
// Waits until the line is ready as asked, either event is raised, or
// timeoutMs have passed (-1: no limit). other may be null.
LineWait WaitOnLine(LineHandle line, WaitFor what, const WakeEvent& stop, const WakeEvent* other,
                    int timeoutMs);

// The other processes that hold the device behind an open line. The holder of
// a lock on it comes first; without one, every process with the same device
// open. The calling process never counts, nor, for a pseudo-terminal, a
// process that holds its master side: that is the far end of the line (a
// simulator), not a second user of the port. processRoot: where the process
// table is read (for tests); empty for the system's own.
std::vector<PortHolder> FindPortHolders(LineHandle line, const std::string& processRoot = {});

}  // namespace t418::platform

#pragma once
// The traffic log model: what was sent and received, as coloured entries
// with optional time-stamped prefix lines, a hex copy, and two byte counters.
// It only formats; a view (the log widget, or a test) is told of every change.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace t418 {

enum class LogColour { Reply, Sent, Warning, WindowText };

// Where a warning's text came from: only a chunk of the terminal counts as received bytes.
enum class WarningOrigin { System, Terminal };

struct TimeOfDay {
  int hour = 0, minute = 0, second = 0;
};

class LogClock {
 public:
  virtual ~LogClock() = default;
  virtual TimeOfDay Now() const = 0;
};

// The local time of day.
class SystemLogClock : public LogClock {
 public:
  TimeOfDay Now() const override;
};

enum class LogPane { Text, Hex };

class LogView {
 public:
  virtual ~LogView() = default;
  // A new paragraph at the end of a pane (GBK bytes, prefix line included).
  virtual void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) = 0;
  // The pane reached the line cap and was emptied.
  virtual void ClearPane(LogPane pane) = 0;
  virtual void CountersChanged(std::uint32_t received, std::uint32_t sent) = 0;
};

class TrafficLog {
 public:
  explicit TrafficLog(const LogClock& clock);

  void SetView(LogView* view) { view_ = view; }

  void LogReply(std::string_view chunk);
  void LogReceived(std::string_view chunk);
  void LogSent(std::string_view text);
  void LogInfo(std::string_view text);
  void LogWarning(std::string_view text, WarningOrigin origin = WarningOrigin::System);

  void AddSentBytes(std::size_t count);
  void ResetCounters();
  std::uint32_t ReceivedCount() const { return received_; }
  std::uint32_t SentCount() const { return sent_; }

  // The check boxes of the log toolbar and the hex-copy switch.
  bool timeStamps = false;
  bool rxHex = false;
  bool hexCopy = false;

  // Lines each pane holds now, counted the way the cap counts them: an entry
  // is a new paragraph of 1 + (line breaks in it) lines, where a CR LF pair is
  // one break and a lone CR or LF is one break each. Rows added by word wrap
  // are not counted. Entries go uncounted while no view is set, since nothing
  // is shown then.
  int LineCount(LogPane pane) const;
  // A pane that reaches exactly this many lines is emptied.
  static constexpr int kLineCap = 65535;

  // Emptied by the user: starts the pane's line count again.
  void PaneCleared(LogPane pane);

 private:
  // ">[" direction "][hh:mm:ss][asc]" CR LF ("][Hex]" in hex mode), or "" without time stamps.
  std::string DataPrefix(std::string_view direction) const;
  void LogData(std::string_view direction, std::string_view text, LogColour colour);
  void LogReceivedData(std::string_view chunk, LogColour colour);
  // The received stream up to its last whole character: a Chinese character
  // whose two bytes came in two chunks is shown whole with the second one.
  std::string WholeCharacters(std::string_view chunk);
  void AddReceived(std::size_t count);
  void NotifyCounters();
  // The entry into the text pane, and its hex form into the hex pane while hexCopy is on.
  void Append(const std::string& entry, LogColour colour);
  void AppendTo(LogPane pane, const std::string& entry, LogColour colour);

  const LogClock& clock_;
  LogView* view_ = nullptr;
  std::uint32_t received_ = 0;
  std::uint32_t sent_ = 0;
  int textLines_ = 0;
  int hexLines_ = 0;
  // A lead byte at the end of the last received chunk, shown with the next.
  std::string heldLead_;
};

}  // namespace t418

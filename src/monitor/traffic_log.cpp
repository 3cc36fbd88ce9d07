#include "monitor/traffic_log.h"

#include <cstdio>
#include <ctime>
#include <limits>

#include "platform/calendar_time.h"
#include "text/hex.h"
#include "text/gbk.h"

namespace t418 {

TimeOfDay SystemLogClock::Now() const {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!platform::LocalTime(now, local)) return {};
  return {local.tm_hour, local.tm_min, local.tm_sec};
}

namespace {

std::string TimeText(const TimeOfDay& t) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.hour % 100, t.minute % 100,
                t.second % 100);
  return buffer;
}

// Lines a new paragraph makes: one, plus one per line break in it. A CR LF
// pair is one break; a lone CR or a lone LF is one break each, as a rich-text
// box starts a new line at either.
long long LinesOf(std::string_view entry) {
  long long lines = 1;
  for (std::size_t i = 0; i < entry.size(); ++i) {
    if (entry[i] == '\r') {
      ++lines;
      if (i + 1 < entry.size() && entry[i + 1] == '\n') ++i;
    } else if (entry[i] == '\n') {
      ++lines;
    }
  }
  return lines;
}

}  // namespace

TrafficLog::TrafficLog(const LogClock& clock) : clock_(clock) {}

int TrafficLog::LineCount(LogPane pane) const {
  return pane == LogPane::Hex ? hexLines_ : textLines_;
}

void TrafficLog::PaneCleared(LogPane pane) {
  (pane == LogPane::Hex ? hexLines_ : textLines_) = 0;
}

std::string TrafficLog::DataPrefix(std::string_view direction) const {
  if (!timeStamps) return {};
  std::string prefix = ">[";
  prefix += direction;
  prefix += "][";
  prefix += TimeText(clock_.Now());
  prefix += rxHex ? "][Hex]\r\n" : "][asc]\r\n";
  return prefix;
}

void TrafficLog::LogData(std::string_view direction, std::string_view text, LogColour colour) {
  try {
    std::string entry = DataPrefix(direction);
    if (rxHex)
      entry += TextToSpacedHex(text);
    else
      entry += text;
    Append(entry, colour);
  } catch (...) {
    // A log line that cannot be built is left out; the log never fails visibly.
  }
}

std::string TrafficLog::WholeCharacters(std::string_view chunk) {
  std::string text = std::move(heldLead_);
  heldLead_.clear();
  text += chunk;
  // The hex form shows bytes as they come; the text form waits for the trail byte.
  if (!rxHex) {
    const std::size_t complete = CompleteGbkPrefix(text);
    heldLead_ = text.substr(complete);
    text.resize(complete);
  }
  return text;
}

void TrafficLog::LogReceivedData(std::string_view chunk, LogColour colour) {
  try {
    const std::string text = WholeCharacters(chunk);
    if (!text.empty()) LogData("Rx<-", text, colour);
  } catch (...) {
  }
  AddReceived(chunk.size());
}

void TrafficLog::LogReply(std::string_view chunk) { LogReceivedData(chunk, LogColour::Reply); }

void TrafficLog::LogReceived(std::string_view chunk) { LogReceivedData(chunk, LogColour::WindowText); }

void TrafficLog::LogSent(std::string_view text) { LogData("Tx->", text, LogColour::Sent); }

void TrafficLog::LogInfo(std::string_view text) {
  try {
    Append(std::string(text), LogColour::WindowText);
  } catch (...) {
  }
}

void TrafficLog::LogWarning(std::string_view text, WarningOrigin origin) {
  try {
    std::string entry;
    if (timeStamps) {
      entry = ">[Warn][";
      entry += TimeText(clock_.Now());
      entry += "]\r\n";
    }
    entry += origin == WarningOrigin::Terminal ? WholeCharacters(text) : std::string(text);
    Append(entry, LogColour::Warning);
  } catch (...) {
  }
  // The system's own warnings are not traffic; only a chunk of the terminal
  // shown as a warning (an error reply) was received.
  if (origin == WarningOrigin::Terminal) AddReceived(text.size());
}

void TrafficLog::AddSentBytes(std::size_t count) {
  sent_ += static_cast<std::uint32_t>(count);
  NotifyCounters();
}

void TrafficLog::ResetCounters() {
  received_ = 0;
  sent_ = 0;
  NotifyCounters();
}

void TrafficLog::AddReceived(std::size_t count) {
  received_ += static_cast<std::uint32_t>(count);
  NotifyCounters();
}

void TrafficLog::NotifyCounters() {
  if (view_ == nullptr) return;
  try {
    view_->CountersChanged(received_, sent_);
  } catch (...) {
  }
}

void TrafficLog::Append(const std::string& entry, LogColour colour) {
  AppendTo(LogPane::Text, entry, colour);
  if (hexCopy) AppendTo(LogPane::Hex, TextToHex(entry, " "), colour);
}

void TrafficLog::AppendTo(LogPane pane, const std::string& entry, LogColour colour) {
  if (view_ == nullptr) return;  // nothing is shown, so no pane gains lines
  try {
    view_->AppendEntry(pane, entry, colour);
  } catch (...) {
    return;  // the entry is missing from the pane; its lines are not counted
  }
  int& lines = pane == LogPane::Hex ? hexLines_ : textLines_;
  const long long total = static_cast<long long>(lines) + LinesOf(entry);
  // Landing exactly on the cap empties the pane. An entry that carries it past
  // the cap is kept whole, and the next entry empties it: a pane that stepped
  // over the cap must not grow without end.
  if (total == kLineCap || lines > kLineCap) {
    try {
      view_->ClearPane(pane);
      lines = 0;
      return;
    } catch (...) {
      // The pane kept its lines.
    }
  }
  lines = total > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                  : static_cast<int>(total);
}

}  // namespace t418

#include "session/reply_rules.h"

#include "serial/reply_framing.h"
#include "session/session_engine.h"

namespace t418 {
namespace {

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool IsWordByte(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

}  // namespace

GatheredReply JudgeGathered(std::string_view gathered, std::string_view lastSent) {
  const FramingMode mode = FramingAfterSending(FramingMode::kReplies, lastSent);
  if (EndsWithCompleteReply(gathered, mode)) {
    if (Contains(gathered, marker::kError)) return GatheredReply::kRefusal;
    if (IsSuccessReply(gathered)) return GatheredReply::kSuccess;
    return GatheredReply::kOther;
  }
  if (!lastSent.empty() && gathered == lastSent) return GatheredReply::kEcho;
  return GatheredReply::kIncomplete;
}

bool HoldsWholeReply(std::string_view gathered) {
  const auto error = gathered.find(marker::kError);
  if (error != std::string_view::npos && gathered.find("\r\n", error) != std::string_view::npos) return true;
  return Contains(gathered, marker::kDone);
}

std::optional<Report> FindReport(std::string_view reply) {
  for (std::size_t at = reply.find(marker::kReportStart); at != std::string_view::npos;
       at = reply.find(marker::kReportStart, at + 1)) {
    const std::size_t nameStart = at + marker::kReportStart.size();
    std::size_t nameEnd = nameStart;
    while (nameEnd < reply.size() && IsWordByte(reply[nameEnd])) ++nameEnd;
    if (nameEnd == nameStart || nameEnd >= reply.size() || reply[nameEnd] != ':') continue;
    const std::size_t valueStart = nameEnd + 1;
    const std::size_t valueEnd = reply.find(marker::kReportEnd, valueStart);
    if (valueEnd == std::string_view::npos) return std::nullopt;
    Report report;
    report.name = std::string(reply.substr(nameStart, nameEnd - nameStart));
    const std::string_view value = reply.substr(valueStart, valueEnd - valueStart);
    std::size_t from = 0;
    for (std::size_t cut; (cut = value.find(marker::kReportStart, from)) != std::string_view::npos;
         from = cut + marker::kReportStart.size())
      report.value.append(value.substr(from, cut - from));
    report.value.append(value.substr(from));
    return report;
  }
  return std::nullopt;
}

}  // namespace t418

#include "ctl/console_view.h"

#include <cstdarg>
#include <cstdio>

#include "platform/terminal.h"
#include "text/gbk.h"

namespace t418::ctl {
namespace {

bool logFailed = false;

}  // namespace

void Print(std::FILE* stream, const char* format, ...) {
  const auto which = stream == stdout ? platform::StandardStream::Output : platform::StandardStream::Error;
  std::va_list arguments;
  va_start(arguments, format);
  if (!platform::IsInteractiveTerminal(which)) {
    // Files and pipes get the bytes through the C library, as printf gives them.
    std::vfprintf(stream, format, arguments);
    va_end(arguments);
    return;
  }
  std::va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  platform::WriteText(which, text);
}

std::string ForTerminal(const std::string& gbk) { return GbkToUtf8(gbk); }

bool AnyLogFailed() { return logFailed; }

void NoteLogFailed(const std::string& path, const std::string& reason) {
  if (!logFailed || !path.empty())
    Print(stderr, "t418ctl: cannot write the log file %s: %s\n", path.c_str(), reason.c_str());
  logFailed = true;
}

ConsoleView::~ConsoleView() { EndProgressLine(); }

void ConsoleView::EndProgressLine() {
  if (progressShown_) Print(stderr, "\n");
  progressShown_ = false;
}

void ConsoleView::PortStateChanged(bool open) {
  if (!open) portLost_ = true;
}

void ConsoleView::ShowProgress(int total, int done) {
  if (!platform::IsInteractiveTerminal(platform::StandardStream::Error) || total <= 0) return;
  constexpr int kWidth = 30;
  const int filled = done * kWidth / total;
  Print(stderr, "\r[%.*s%*s] %d/%d", filled, "##############################", kWidth - filled, "", done,
        total);
  std::fflush(stderr);
  progressShown_ = true;
}

void ConsoleView::HideProgress() {
  if (!progressShown_) return;
  Print(stderr, "\r%*s\r", 50, "");
  std::fflush(stderr);
  progressShown_ = false;
}

void ConsoleView::ShowMessage(const std::string& text) {
  Print(stderr, "t418ctl: %s\n", ForTerminal(text).c_str());
}

}  // namespace t418::ctl

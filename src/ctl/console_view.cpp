#include "ctl/console_view.h"

#include <cstdio>

#include "platform/terminal.h"
#include "text/gbk.h"

namespace t418::ctl {
namespace {

bool logFailed = false;

}  // namespace

std::string ForTerminal(const std::string& gbk) { return GbkToUtf8(gbk); }

bool AnyLogFailed() { return logFailed; }

void NoteLogFailed(const std::string& path, const std::string& reason) {
  if (!logFailed || !path.empty())
    std::fprintf(stderr, "t418ctl: cannot write the log file %s: %s\n", path.c_str(), reason.c_str());
  logFailed = true;
}

ConsoleView::~ConsoleView() { EndProgressLine(); }

void ConsoleView::EndProgressLine() {
  if (progressShown_) std::fputc('\n', stderr);
  progressShown_ = false;
}

void ConsoleView::PortStateChanged(bool open) {
  if (!open) portLost_ = true;
}

void ConsoleView::ShowProgress(int total, int done) {
  if (!platform::IsInteractiveTerminal(platform::StandardStream::Error) || total <= 0) return;
  constexpr int kWidth = 30;
  const int filled = done * kWidth / total;
  std::fprintf(stderr, "\r[%.*s%*s] %d/%d", filled, "##############################", kWidth - filled, "", done,
               total);
  std::fflush(stderr);
  progressShown_ = true;
}

void ConsoleView::HideProgress() {
  if (!progressShown_) return;
  std::fprintf(stderr, "\r%*s\r", 50, "");
  std::fflush(stderr);
  progressShown_ = false;
}

void ConsoleView::ShowMessage(const std::string& text) {
  std::fprintf(stderr, "t418ctl: %s\n", ForTerminal(text).c_str());
}

}  // namespace t418::ctl

#pragma once
// What t418ctl shows of a session on standard error: a progress bar when that
// is a terminal, the session's messages one a line, and the note that a log
// file of the run could not be written.
#include <cstdio>
#include <string>

#include "session/session.h"

namespace t418::ctl {

class ConsoleView : public SessionListener {
 public:
  // Ends a progress line left on the terminal.
  ~ConsoleView() override;

  // Ends a progress line left on the terminal, so that what follows starts a line.
  void EndProgressLine();
  // The port closed under the session (it went away).
  bool PortLost() const { return portLost_; }

  void PortStateChanged(bool open) override;
  void ShowProgress(int total, int done) override;
  void HideProgress() override;
  void ShowMessage(const std::string& text) override;

 private:
  bool progressShown_ = false;
  bool portLost_ = false;
};

// Writes printf-style UTF-8 text to stdout or stderr; a console shows it as
// characters (platform/terminal.h).
void Print(std::FILE* stream, const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

// GBK text for the user's terminal (UTF-8).
std::string ForTerminal(const std::string& gbk);

// A log file of this run could not be written: says so on standard error (a
// second note without a path adds nothing); AnyLogFailed tells it later.
void NoteLogFailed(const std::string& path, const std::string& reason);
bool AnyLogFailed();

}  // namespace t418::ctl

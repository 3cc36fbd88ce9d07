#pragma once
// The main window as the program assembles it (the loop on Qt, the session and
// the window bound to it), started from a program folder the test prepared,
// with what the window tests keep asking of it: the log's text and a port
// opened through the toolbar as the user opens one.
#include <QString>

#include <memory>
#include <string>

#include "app/tool_program.h"

namespace t418::testing {

struct WindowRigSetup {
  const LogClock* logClock = nullptr;  // the log's time stamps; the local time when null
  bool useProfile = true;              // whether the start loads the profile and the end saves it
  bool regionCatalogue = true;         // the region catalogue copied into the folder first
  bool show = true;                    // the window shown at once
};

class WindowRig {
 public:
  // The program started from programFolder, which the test keeps; the system
  // counts as Chinese, so the window starts in Chinese.
  explicit WindowRig(const QString& programFolder, MainWindowOptions windowOptions = {},
                     WindowRigSetup setup = {});
  WindowRig(const WindowRig&) = delete;
  WindowRig& operator=(const WindowRig&) = delete;

  ToolProgram& Program() { return *program_; }
  TFrm_Main& Window() { return program_->window; }
  Session& Core() { return program_->session; }

  // Everything the log shows, its pending lines included.
  QString LogText();
  // Chooses path in the toolbar's port list and clicks the open button;
  // whether the port is open then.
  bool OpenOn(const std::string& path);

  // Copies the region catalogue that the window loads at its start into folder.
  static void CopyRegionCatalogue(const QString& folder);

 private:
  std::unique_ptr<ToolProgram> program_;
};

}  // namespace t418::testing

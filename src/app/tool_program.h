#pragma once
// The desktop program as main() assembles it: the core's loop on Qt, the
// session, and the main window bound to it. Tests build the same.
#include "app/main_window.h"
#include "qtcore/qt_event_loop.h"
#include "session/session.h"

namespace t418 {

struct ToolProgram {
  explicit ToolProgram(SessionOptions sessionOptions, MainWindowOptions windowOptions = {})
      : session(loop, std::move(sessionOptions)), window(session, windowOptions) {}

  QtEventLoop loop;
  Session session;
  TFrm_Main window;
};

}  // namespace t418

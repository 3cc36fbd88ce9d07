// Proj_T418: the program's entry point.
#include <QApplication>

#include "app/close_on_signal.h"
#include "app/run_once.h"
#include "app/tool_program.h"

int main(int argc, char** argv) {
  // The running marker exists from before the first window to the end.
  t418::RunOnceMarker marker;
  QApplication app(argc, argv);
  t418::SessionOptions options;
  options.programFolder = QCoreApplication::applicationDirPath().toStdString();
  t418::ToolProgram program(std::move(options));
  t418::CloseOnSignal closeOnSignal(&program.window);
  program.window.show();
  return app.exec();
}

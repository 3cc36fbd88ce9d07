// Proj_T418: the program's entry point.
//
// One option, for starting on a given port (./scripts/run starts the tool on
// its terminal simulator): "--default-port PATH" names the port chosen when
// the profile holds none yet. A port the profile holds wins.
#include <QApplication>
#include <QStringList>
#include <filesystem>

#include "app/close_on_signal.h"
#include "app/run_once.h"
#include "app/tool_program.h"

int main(int argc, char** argv) {
  // The running marker exists from before the first window to the end.
  t418::RunOnceMarker marker;
  QApplication app(argc, argv);
  t418::SessionOptions options;
  // From UTF-16: a narrow string would be read in the system's code page on Windows.
  options.programFolder = std::filesystem::path(QCoreApplication::applicationDirPath().toStdU16String());
  const QStringList arguments = QCoreApplication::arguments();
  if (const qsizetype at = arguments.indexOf("--default-port"); at > 0 && at + 1 < arguments.size())
    options.defaultPort = arguments.at(at + 1).toStdString();
  t418::ToolProgram program(std::move(options));
  t418::CloseOnSignal closeOnSignal(&program.window);
  program.window.show();
  return app.exec();
}

// Proj_T418: the program's entry point.
#include <QApplication>
#include <QDir>

#include "app/main_window.h"
#include "app/run_once.h"

int main(int argc, char** argv) {
  // The running marker exists from before the first window to the end.
  t418::RunOnceMarker marker;
  QApplication app(argc, argv);
  t418::MainWindowOptions options;
  options.programFolder = QCoreApplication::applicationDirPath().toStdString();
  t418::TFrm_Main window(std::move(options));
  window.show();
  return app.exec();
}

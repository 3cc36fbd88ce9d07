#include "window_rig.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/traffic_log_widget.h"
#include "app/port_toolbar.h"

namespace t418::testing {

WindowRig::WindowRig(const QString& programFolder, MainWindowOptions windowOptions, WindowRigSetup setup) {
  if (setup.regionCatalogue) CopyRegionCatalogue(programFolder);
  SessionOptions options;
  options.programFolder = programFolder.toStdString();
  options.logClock = setup.logClock;
  options.systemIsChinese = [] { return true; };
  options.useProfile = setup.useProfile;
  program_ = std::make_unique<ToolProgram>(std::move(options), std::move(windowOptions));
  if (setup.show) program_->window.show();
}

QString WindowRig::LogText() {
  Window().logWidget->Flush();
  return Window().logWidget->TextBox()->toPlainText();
}

bool WindowRig::OpenOn(const std::string& path) {
  PortToolbar* toolbar = Window().portToolbar;
  toolbar->SetPorts({QString::fromStdString(path)});
  toolbar->cbbOpenCom->setCurrentIndex(0);
  toolbar->btnOpenClose->click();
  return Core().PortOpen();
}

void WindowRig::CopyRegionCatalogue(const QString& folder) {
  QFile::copy(T418_SOURCE_DIR "/resources/province&city.json", folder + "/province&city.json");
}

}  // namespace t418::testing

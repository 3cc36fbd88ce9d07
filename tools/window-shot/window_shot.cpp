// Renders the whole main window in Chinese and in English to PNG files, on
// whatever platform Qt runs (offscreen without a display), so its layout can be
// looked at: nothing clipped, overlapping or unreadable. Each language is shot
// at the default size (1197 x 801), at 1600 x 1000 and maximised, once as the
// window starts and once with GNSS switched on (the JT808 page, the fullest),
// with a simulator's long port path in the port list.
//   t418-window-shot [output folder]   (default: the current folder)
// Maximised follows the screen: "-platform offscreen:configfile=screen.json"
// gives the offscreen platform a larger one.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdio>

#include "app/traffic_log_widget.h"
#include "app/parameter_view.h"
#include "app/port_toolbar.h"
#include "app/tool_program.h"

namespace {

class NoMessages : public t418::MessageBoxPort {
 public:
  void ShowMessage(const std::string&) override {}
};

void Settle() {
  // Let every layout request that the texts or the size caused settle first.
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

bool Shoot(t418::TFrm_Main& window, const QString& path) {
  window.logWidget->Flush();
  Settle();
  const bool saved = window.grab().save(path);
  std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "could not write", qPrintable(path), window.width(),
              window.height());
  return saved;
}

// A click on a parameter control, as the user's.
void Click(t418::TFrm_Main& window, const char* name) {
  if (auto* button = window.parameterView->WidgetAs<QAbstractButton>(name)) button->click();
}

// The three sizes, each shot.
bool ShootSizes(t418::TFrm_Main& window, const QDir& out, const QString& stem) {
  bool ok = true;
  window.showNormal();
  window.resize(1197, 801);
  ok = Shoot(window, out.filePath(stem + "_default.png")) && ok;
  window.resize(1600, 1000);
  ok = Shoot(window, out.filePath(stem + "_1600.png")) && ok;
  window.showMaximized();
  ok = Shoot(window, out.filePath(stem + "_max.png")) && ok;
  window.showNormal();
  window.resize(1197, 801);
  Settle();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());

  QTemporaryDir folder;
  QFile::copy(QCoreApplication::applicationDirPath() + "/../src/app/province&city.json",
              folder.filePath("province&city.json"));
  NoMessages messages;
  t418::SessionOptions options;
  options.programFolder = folder.path().toStdString();
  options.systemIsChinese = [] { return true; };
  t418::ToolProgram program(std::move(options), t418::MainWindowOptions{&messages});
  t418::TFrm_Main& window = program.window;
  window.portToolbar->SetPorts({"/run/user/0/t418-ports/ttySIM0", "/dev/ttyUSB0"});
  window.portToolbar->cbbOpenCom->setCurrentIndex(0);
  window.show();

  bool ok = true;
  for (const bool chinese : {true, false}) {
    const QString language = chinese ? "cn" : "en";
    window.SwitchLanguage(chinese);
    ok = ShootSizes(window, out, "window_" + language) && ok;
  }
  // GNSS on, the JT808 service with the vehicle fields.
  Click(window, "rzchckbxGNSSen");
  Click(window, "rbQianXun");
  Click(window, "rzchckbxGNSSMore");
  for (const bool chinese : {true, false}) {
    const QString language = chinese ? "cn" : "en";
    window.SwitchLanguage(chinese);
    ok = ShootSizes(window, out, "gnss_" + language) && ok;
  }
  return ok ? 0 : 1;
}

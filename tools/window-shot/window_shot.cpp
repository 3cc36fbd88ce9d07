// Renders the whole main window in Chinese and in English to PNG files, on
// whatever platform Qt runs (offscreen without a display), so its layout can be
// looked at: nothing clipped, overlapping or unreadable at 1197 x 801.
//   t418-window-shot [output folder]   (default: the current folder)
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "app/log_widget.h"
#include "app/tool_program.h"
#include "app/param_view.h"

namespace {

class NoMessages : public t418::MessageBoxPort {
 public:
  void ShowMessage(const std::string&) override {}
};

bool Shoot(t418::TFrm_Main& window, const QString& path) {
  window.logWidget->Flush();
  // Let every layout request that the texts caused settle first.
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const bool saved = window.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
  return saved;
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
  window.show();

  bool ok = Shoot(window, out.filePath("window_cn.png"));
  window.SwitchLanguage(false);
  ok = Shoot(window, out.filePath("window_en.png")) && ok;
  return ok ? 0 : 1;
}

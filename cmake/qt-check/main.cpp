// Shows a window with a JPEG picture and says on stdout what it found, so a
// run under Wine shows whether the platform plugin, the style and the JPEG
// plugin of a Qt build load: "qt-check: ok" and exit status 0 when all do.
//   qt-check <picture.jpg> <file made once the window is on screen>
#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: qt-check <picture.jpg> <shown-marker>\n");
    return 2;
  }
  const QString marker = QString::fromLocal8Bit(argv[2]);
  bool ok = true;
  auto report = [&ok](const char* what, bool good, const QString& detail) {
    std::printf("qt-check: %s %s (%s)\n", what, good ? "yes" : "NO", qPrintable(detail));
    ok = ok && good;
  };
  report("platform windows", QGuiApplication::platformName() == QLatin1String("windows"),
         QGuiApplication::platformName());
  const QString style = app.style()->name();
  report("style windowsvista", style.compare(QLatin1String("windowsvista"), Qt::CaseInsensitive) == 0, style);

  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  const QImage picture = reader.read();
  report("jpeg picture read", !picture.isNull(),
         picture.isNull() ? reader.errorString()
                          : QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height()));

  QWidget window;
  window.setWindowTitle(QStringLiteral("Qt for Windows check"));
  auto* layout = new QVBoxLayout(&window);
  auto* text = new QLabel(QStringLiteral("Qt %1 on %2, style %3")
                              .arg(QLatin1String(qVersion()), QGuiApplication::platformName(), style));
  auto* image = new QLabel;
  image->setPixmap(QPixmap::fromImage(picture.scaledToWidth(qMin(picture.width(), 480))));
  layout->addWidget(text);
  layout->addWidget(image);
  window.show();

  // Once shown, say so for the screenshot, hold the window a moment, end.
  QTimer::singleShot(500, [&] {
    QFile file(marker);
    file.open(QIODevice::WriteOnly);
  });
  QTimer::singleShot(8000, &app, &QApplication::quit);
  app.exec();
  std::printf("qt-check: %s\n", ok ? "ok" : "FAILED");
  std::fflush(stdout);
  return ok ? 0 : 1;
}

// The main window of the Windows build, in-process under Wine: where the
// profile goes when the program's folder cannot hold it, a CJK font found, the
// window shot in Chinese and in English, and against a simulated terminal on a
// COM port a full read that fills the form and a write of the edited form.
//   window_under_wine.exe OUTPUT_FOLDER PORT STATE_FILE CATALOGUE
// The terminal behind PORT holds tests/fixtures/configs/net_sockets.state and
// keeps its state in STATE_FILE; CATALOGUE is the region catalogue. Exits 0
// when every check held, 1 otherwise; each failed check is printed.
#include <windows.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "app/port_toolbar.h"
#include "app/tool_program.h"
#include "app/traffic_log_widget.h"
#include "session/profile_io.h"

namespace {

int failures = 0;

void Check(bool ok, const QString& what) {
  if (ok) return;
  ++failures;
  std::fprintf(stderr, "FAILED: %s\n", qPrintable(what));
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

template <typename W>
W* Widget(QWidget& window, const char* name) {
  W* widget = window.findChild<W*>(name);
  Check(widget != nullptr, QString("no widget %1").arg(name));
  return widget;
}

// Replaces a field's text by keys, as the user types.
void TypeInto(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &press);
    QApplication::sendEvent(edit, &release);
  }
}

// The simulator's state file: NAME=value lines.
std::map<QString, QString> ReadState(const QString& path) {
  std::map<QString, QString> state;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return state;
  for (const QByteArray& line : file.readAll().split('\n')) {
    const qsizetype at = line.indexOf('=');
    if (at > 0) state[QString::fromLatin1(line.left(at).trimmed())] = QString::fromLatin1(line.mid(at + 1).trimmed());
  }
  return state;
}

bool HasHan(const QString& text) {
  for (const QChar c : text)
    if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) return true;
  return false;
}

bool IsAscii(const QString& text) {
  for (const QChar c : text)
    if (c.unicode() > 0x7E) return false;
  return true;
}

// A program folder that cannot be written: the profile goes to the user's
// roaming application data folder, whatever HOME a POSIX parent passed on.
void ProfileGoesToApplicationData() {
  const std::wstring appData = L"C:\\users\\Public\\\u8bbe\u7f6e";  // a name beyond ASCII
  ::SetEnvironmentVariableW(L"APPDATA", appData.c_str());
  ::SetEnvironmentVariableW(L"HOME", L"/home/somebody");
  const std::filesystem::path chosen = t418::ProfilePath(std::filesystem::path(L"C:\\no\\such\\folder"));
  const std::filesystem::path wanted = std::filesystem::path(appData) / L"t418" / L"T418Cfg.ini";
  Check(chosen == wanted, QString("profile in %1, expected %2")
                              .arg(QString::fromStdWString(chosen.wstring()), QString::fromStdWString(wanted.wstring())));
  // Beside the program when its folder can be written.
  QTemporaryDir writable;
  const std::filesystem::path beside = t418::ProfilePath(std::filesystem::path(writable.path().toStdWString()));
  Check(beside == std::filesystem::path(writable.path().toStdWString()) / L"T418Cfg.ini",
        QString("profile of a writable folder in %1").arg(QString::fromStdWString(beside.wstring())));
}

bool Shoot(t418::TFrm_Main& window, const QString& path) {
  window.logWidget->Flush();
  Settle();
  const bool saved = window.grab().save(path);
  Check(saved, "could not write " + path);
  std::printf("wrote %s\n", qPrintable(path));
  return saved;
}

// What the check is doing, at once (a pipe would hold it back otherwise).
void Step(const char* what) {
  std::printf("-- %s\n", what);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  Step("starting Qt");
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 5) {
    std::fprintf(stderr, "usage: window_under_wine OUTPUT_FOLDER PORT STATE_FILE CATALOGUE\n");
    return 2;
  }
  const QDir out(args[1]);
  const QString port = args[2];
  const QString stateFile = args[3];

  Step("the profile's place");
  ProfileGoesToApplicationData();
  Step("fonts");

  const QStringList cjkFamilies = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  Check(!cjkFamilies.isEmpty(), "no font for Simplified Chinese");
  std::printf("Chinese fonts: %s\n", qPrintable(cjkFamilies.mid(0, 5).join(", ")));

  Step("the main window");
  QTemporaryDir folder;
  Check(QFile::copy(args[4], folder.filePath("province&city.json")), "region catalogue not copied from " + args[4]);
  t418::SessionOptions options;
  options.programFolder = folder.path().toStdWString();
  options.profilePath = folder.filePath("T418Cfg.ini").toStdWString();
  options.systemIsChinese = [] { return true; };
  t418::ToolProgram program(std::move(options));
  t418::TFrm_Main& window = program.window;
  window.show();
  Check(WaitFor([&] { return window.isVisible() && window.windowHandle() && window.windowHandle()->isExposed(); },
                20000),
        "the window was not shown");
  auto logText = [&] {
    window.logWidget->Flush();
    return window.logWidget->TextBox()->toPlainText();
  };
  Check(!logText().contains("province"), "region catalogue: " + logText());

  // The port as the system lists it, chosen and opened as the user does.
  t418::PortToolbar* toolbar = window.portToolbar;
  const int index = toolbar->cbbOpenCom->findText(port);
  Check(index >= 0, QString("%1 is not in the port list").arg(port));
  if (index >= 0) {
    toolbar->cbbOpenCom->setCurrentIndex(index);
    toolbar->btnOpenClose->click();
  }
  Check(program.session.PortOpen(), QString("%1 did not open: %2").arg(port, logText()));
  program.session.Engine().delayTime = 20;

  Step("reading and writing through the port");
  auto* askAll = Widget<QPushButton>(window, "btnAskAll");
  auto* setAll = Widget<QPushButton>(window, "btnSetAll");
  if (program.session.PortOpen() && askAll && setAll) {
    askAll->click();
    Check(WaitFor([&] { return logText().contains(QStringLiteral("执行完毕")); }, 60000),
          "the read did not end: " + logText().right(400));
    if (auto* w = Widget<QRadioButton>(window, "rbNetTran")) Check(w->isChecked(), "network transfer not chosen");
    if (auto* w = Widget<QLineEdit>(window, "edtAddrA")) Check(w->text() == "dtu-a.example.net", "edtAddrA: " + w->text());
    if (auto* w = Widget<QLineEdit>(window, "edtPortB")) Check(w->text() == "6002", "edtPortB: " + w->text());
    if (auto* w = Widget<QComboBox>(window, "cbbBaud")) Check(w->currentText() == "57600", "cbbBaud: " + w->currentText());
    if (auto* w = Widget<QLineEdit>(window, "lbledtStMsg"))
      Check(w->text() == QStringLiteral("欢迎使用T418"), "lbledtStMsg: " + w->text());
    if (auto* w = Widget<QLineEdit>(window, "edtHeartDt")) Check(w->text() == "FE01A5C30D0A", "edtHeartDt: " + w->text());
    Shoot(window, out.filePath("window_cn_read.png"));

    // Edited and written back.
    if (auto* w = Widget<QLineEdit>(window, "edtHeartTm")) TypeInto(w, "77");
    if (auto* w = Widget<QCheckBox>(window, "rzchckbxSOCKIND")) w->click();
    if (auto* w = Widget<QCheckBox>(window, "rzchckbxMore")) w->click();
    setAll->click();
    Check(WaitFor([&] { return logText().contains(QStringLiteral("参数设置完毕，已发送的设置条数: ")); }, 60000),
          "the write did not end: " + logText().right(400));
    Check(!logText().contains(QStringLiteral("终端拒绝的设置条数")), "the terminal refused settings: " + logText().right(400));
    auto state = ReadState(stateFile);
    Check(state.count("HEARTTM") && state.at("HEARTTM") == "77", "terminal's HEARTTM: " + state["HEARTTM"]);
    Check(state.count("SOCKIND") && state.at("SOCKIND") == "OFF", "terminal's SOCKIND: " + state["SOCKIND"]);
    Check(state.count("STMSG") > 0, "the terminal's state has no STMSG");
  }

  Step("both languages");
  window.SwitchLanguage(true);
  const QString askChinese = askAll ? askAll->text() : QString();
  Shoot(window, out.filePath("window_cn.png"));
  window.SwitchLanguage(false);
  Settle();
  const QString askEnglish = askAll ? askAll->text() : QString();
  Shoot(window, out.filePath("window_en.png"));
  Check(HasHan(askChinese), "the read button in Chinese: " + askChinese);
  Check(!askEnglish.isEmpty() && IsAscii(askEnglish), "the read button in English: " + askEnglish);

  if (program.session.PortOpen()) toolbar->btnOpenClose->click();
  std::printf("%s\n", failures == 0 ? "all checks held" : "some checks failed");
  return failures == 0 ? 0 : 1;
}

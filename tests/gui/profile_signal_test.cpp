// The program t418 itself, copied into a folder of its own and run on the
// offscreen platform: SIGTERM (a desktop logout) closes the window, and the
// closing saves the profile beside the program. It also starts on the port
// "--default-port" names while the profile holds none.
#include <signal.h>
#include <stdlib.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <thread>

#include "params/profile_file.h"
#include "serial/serial_fixtures.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace fs = std::filesystem;
using namespace t418;

namespace {

// Whether the process has a handler for the signal (the SigCgt mask of /proc).
bool CatchesSignal(qint64 pid, int number) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (!line.startsWith("SigCgt:")) continue;
    bool ok = false;
    const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
    return ok && (mask >> (number - 1) & 1u);
  }
  return false;
}

}  // namespace

class ProfileSignalTest : public QObject {
  Q_OBJECT

 private slots:
  void sigtermClosesTheWindowAndTheProfileIsSaved() {
    QTemporaryDir folder;
    const QString program = folder.filePath("t418");
    QVERIFY(QFile::copy(T418_APP_PATH, program));
    QVERIFY(QFile::copy(T418_SOURCE_DIR "/resources/province&city.json", folder.filePath("province&city.json")));
    const fs::path profile = folder.filePath(kProfileFileName).toStdString();
    testing::WriteBytes(profile, "[Base]\r\nSTMSG=[SIGNAL]\r\n[Mine]\r\nkeep=1\r\n");

    // A port list of the program's own: one simulator link to a pseudo-terminal.
    test::Pty pty;
    const fs::path ports = fs::path(folder.path().toStdString()) / "run" / "t418-ports";
    fs::create_directories(ports);
    fs::permissions(ports.parent_path(), fs::perms::owner_all, fs::perm_options::replace);  // a runtime folder's mode
    fs::create_symlink(pty.Path(), ports / "ttySIM0");

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_RUNTIME_DIR", folder.filePath("run"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {"--default-port", QString::fromStdString((ports / "ttySIM0").string())});
    QVERIFY(process.waitForStarted(10000));

    // The window is up once the program listens for the signal.
    testing::WaitUntil(
        [&] { return CatchesSignal(process.processId(), SIGTERM) || process.state() != QProcess::Running; },
        std::chrono::seconds(60), std::chrono::milliseconds(20));
    QVERIFY(CatchesSignal(process.processId(), SIGTERM));

    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    const std::string bytes = testing::ReadBytes(profile);
    const IniDocument saved = IniDocument::Parse(bytes);
    QCOMPARE(QString::fromStdString(saved.ReadString("Base", "STMSG", "")), QString("[SIGNAL]"));
    QCOMPARE(QString::fromStdString(saved.ReadString("Mine", "keep", "")), QString("1"));
    QCOMPARE(saved.ReadString("OpenUart", "ComName", ""), (ports / "ttySIM0").string());
    for (const char* section : {"System", "OpenUart", "WKMOD", "Socket", "Heart", "Reg", "HTTPD", "SMS", "GNSS"})
      QVERIFY2(saved.HasSection(section), section);
    QCOMPARE(QString::fromStdString(saved.ReadString("Base", "delayTime", "")), QString("150"));
  }
};

QTEST_MAIN(ProfileSignalTest)
#include "profile_signal_test.moc"

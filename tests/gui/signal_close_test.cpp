// The desktop program ends in order on SIGTERM, SIGINT and SIGHUP: the window
// closes as the user's close would, and the program exits with status 0.
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

// Whether the process has a handler for the signal (its SigCgt mask in /proc).
bool Catches(qint64 pid, int number) {
  QFile status(QString("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (!line.startsWith("SigCgt:")) continue;
    bool ok = false;
    const qulonglong caught = line.mid(7).trimmed().toULongLong(&ok, 16);
    return ok && (caught >> (number - 1) & 1) != 0;
  }
  return false;
}

class SignalCloseTest : public QObject {
  Q_OBJECT

 private slots:
  void eachSignalClosesTheWindowInOrder() {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
      QProcess program;
      auto environment = QProcessEnvironment::systemEnvironment();
      environment.insert("QT_QPA_PLATFORM", "offscreen");
      program.setProcessEnvironment(environment);
      program.start(T418_APP_PATH, {});
      QVERIFY(program.waitForStarted(5000));
      // The program catches the signal once its window is built; a slow start (a
      // sanitizer build on a busy machine) takes longer than any fixed wait.
      QVERIFY2(QTest::qWaitFor([&] { return Catches(program.processId(), number); }, 20000),
               "the program never installed its signal handler");
      QCOMPARE(program.state(), QProcess::Running);
      ::kill(static_cast<pid_t>(program.processId()), number);
      QVERIFY2(program.waitForFinished(10000), "the program did not end");
      QCOMPARE(program.exitStatus(), QProcess::NormalExit);
      QCOMPARE(program.exitCode(), 0);
    }
  }
};

QTEST_MAIN(SignalCloseTest)
#include "signal_close_test.moc"

// The desktop program ends in order on SIGTERM, SIGINT and SIGHUP: the window
// closes as the user's close would, and the program exits with status 0.
#include <QProcess>
#include <QTest>

#include <csignal>

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
      // The window is up once the program sits idle in its event loop.
      QTest::qWait(1500);
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

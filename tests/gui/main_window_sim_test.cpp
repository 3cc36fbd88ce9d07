// The real main window against t418-sim: open the port, query all parameters,
// and watch the run end in the log while the simulator saw every query in order.
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>

#include "app/traffic_log_widget.h"
#include "app/send_area.h"
#include "app/port_toolbar.h"
#include "serial/serial_port.h"
#include "sim_process.h"
#include "window_rig.h"

using namespace t418;

class MainWindowSimTest : public QObject {
  Q_OBJECT

 private slots:
  void queryAllParametersAgainstTheSimulator() {
    const std::string simLog = QDir::tempPath().toStdString() + "/" + testing::SimProcess::UniqueName("gui_sim_log_");
    std::remove(simLog.c_str());
    testing::SimProcess sim({"--name", testing::SimProcess::UniqueName("gui"), "--log", simLog});

    QTemporaryDir folder;
    testing::WindowRig rig(folder.path());
    ToolProgram& program = rig.Program();
    TFrm_Main& window = program.window;

    rig.OpenOn(sim.Port());
    QVERIFY(program.session.Serial().PortOpen());

    window.findChild<QPushButton*>("btnAskAll")->click();
    const auto logText = [&] { return rig.LogText(); };
    // 70 lines at 150 ms each: allow generously for a loaded machine.
    QTRY_VERIFY_WITH_TIMEOUT(logText().trimmed().endsWith("执行完毕"), 60000);
    QVERIFY(!window.rzpbWhile->isVisible());
    // Every byte handed to the port is counted, the command lines included.
    QVERIFY(program.session.Log().SentCount() > 70 * 8);
    QCOMPARE(window.sendArea->lblSendCount->text(), QString::number(program.session.Log().SentCount()));

    const auto lines = testing::ReadLines(simLog);
    QCOMPARE(lines.size(), std::size_t(70));
    QCOMPARE(lines.front(), std::string("AT+VER?"));
    QCOMPARE(lines[8], std::string("AT+IMEI?"));
    QCOMPARE(lines.back(), std::string("AT+QHWVER?"));
    QCOMPARE(program.session.Values().Value("WKMOD"), std::string("NET"));
    std::remove(simLog.c_str());
  }
};

QTEST_MAIN(MainWindowSimTest)
#include "main_window_sim_test.moc"

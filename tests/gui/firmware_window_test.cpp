// The firmware button of the real main window against t418-sim: the file is
// chosen (the dialog stubbed), the simulator restarts into its boot loader,
// and the log tells the upgrade's story while the simulator stores the image.
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <sys/resource.h>

#include <csignal>
#include <memory>
#include <fstream>
#include <iterator>

#include "app/traffic_log_widget.h"
#include "app/port_toolbar.h"
#include "sim_process.h"
#include "window_rig.h"

using namespace t418;

namespace {

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Counts the times a widget is shown (the progress bar may be up only briefly).
class ShowCounter : public QObject {
 public:
  int shown = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shown;
    return false;
  }
};

}  // namespace

class FirmwareWindowTest : public QObject {
  Q_OBJECT

  // What the stubbed file dialog was shown and the answer it gives.
  struct DialogStub {
    int shown = 0;
    QString title;
    QString filter;
    QString answer;
  };

  // The window in a folder of its own without the region catalogue, shown only where a test shows it.
  static testing::WindowRigSetup Bare() {
    testing::WindowRigSetup setup;
    setup.regionCatalogue = false;
    setup.show = false;
    return setup;
  }

  static MainWindowOptions WithDialog(DialogStub& stub) {
    MainWindowOptions options;
    options.chooseFirmwareFile = [&stub](const QString& title, const QString& filter) {
      ++stub.shown;
      stub.title = title;
      stub.filter = filter;
      return stub.answer;
    };
    options.confirm = [](const QString&, const QString&) { return true; };
    return options;
  }

 private slots:
  void buttonAndOptionsSitBesideThePortButtonBoundToTheUpgrade() {
    QTemporaryDir folder;
    DialogStub stub;
    testing::WindowRig rig(folder.path(), WithDialog(stub), Bare());
    ToolProgram& program = rig.Program();
    PortToolbar& toolbar = *program.window.portToolbar;
    QCOMPARE(toolbar.btnFwUp->text(), QString("固件升级"));
    QCOMPARE(toolbar.btnFwUp->property("tag").toInt(), PortToolbar::kTagFirmware);
    QCOMPARE(toolbar.btnFwUp->menu(), toolbar.pmFwUpOpt);
    QCOMPARE(toolbar.btnFwUp->popupMode(), QToolButton::MenuButtonPopup);
    // Right after the port button.
    const auto actions = toolbar.actions();
    QCOMPARE(toolbar.widgetForAction(actions.last()), toolbar.btnFwUp);
    QCOMPARE(toolbar.widgetForAction(actions[actions.size() - 2]), toolbar.btnOpenClose);

    QCOMPARE(toolbar.mniOverRestart->text(), QString("升级后重启"));
    QCOMPARE(toolbar.ShowDataStream->text(), QString("显示数据流"));
    QVERIFY(toolbar.mniOverRestart->isChecked());
    QVERIFY(!toolbar.ShowDataStream->isChecked());
    FirmwareUpgrade& upgrade = program.session.Upgrade();
    toolbar.mniOverRestart->trigger();
    toolbar.ShowDataStream->trigger();
    QVERIFY(!upgrade.overRestart);
    QVERIFY(upgrade.showDataStream);
    toolbar.mniOverRestart->trigger();
    QVERIFY(upgrade.overRestart);

    program.window.SwitchLanguage(false);
    QCOMPARE(toolbar.btnFwUp->text(), QString("Fw Upgrade"));
    QCOMPARE(toolbar.mniOverRestart->text(), QString("Restar after upgrade"));
    QCOMPARE(toolbar.ShowDataStream->text(), QString("Show Streaming"));
  }

  void withThePortClosedTheButtonWarnsAndShowsNoDialog() {
    QTemporaryDir folder;
    DialogStub stub;
    testing::WindowRig rig(folder.path(), WithDialog(stub), Bare());
    ToolProgram& program = rig.Program();
    program.window.portToolbar->btnFwUp->click();
    QCOMPARE(stub.shown, 0);
    QVERIFY(rig.LogText().contains("串口未打开"));
    QVERIFY(program.session.Upgrade().FirmwareFile() == nullptr);
  }

  void aCancelledDialogHoldsNoFile() {
    testing::SimProcess sim({"--name", testing::SimProcess::UniqueName("gui_fwc")});
    QTemporaryDir folder;
    DialogStub stub;  // answer empty: cancelled
    testing::WindowRig rig(folder.path(), WithDialog(stub), Bare());
    ToolProgram& program = rig.Program();
    TFrm_Main& window = program.window;
    QVERIFY(rig.OpenOn(sim.Port()));
    window.portToolbar->btnFwUp->click();
    QCOMPARE(stub.shown, 1);
    QVERIFY(rig.LogText().contains("请选择固件"));
    QVERIFY(!rig.LogText().contains("[ File name ]"));
    QVERIFY(program.session.Upgrade().FirmwareFile() == nullptr);
  }

  void reloadRestartUpgradesTheSimulatorFromTheChosenFile() {
    QTemporaryDir folder;
    const QString image = folder.filePath("t418 firmware.bin");  // a space in the path
    std::string bytes(3000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    {
      QFile out(image);
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    const QString received = folder.filePath("received.bin");
    testing::SimProcess sim({"--name", testing::SimProcess::UniqueName("gui_fw"), "--firmware-out",
                             received.toStdString()});

    DialogStub stub;
    stub.answer = image;
    testing::WindowRig rig(folder.path(), WithDialog(stub), Bare());
    ToolProgram& program = rig.Program();
    TFrm_Main& window = program.window;
    window.show();
    QVERIFY(rig.OpenOn(sim.Port()));

    const QString cwd = QDir::currentPath();
    window.portToolbar->btnFwUp->click();
    QCOMPARE(stub.shown, 1);
    QCOMPARE(stub.title, QString("请选择固件"));
    QCOMPARE(stub.filter, QString("固件文件(*.bin);;所有文件(*.*)"));
    QCOMPARE(QDir::currentPath(), cwd);
    QVERIFY(program.session.Upgrade().FirmwareFile() != nullptr);
    const QString chosen = rig.LogText();
    QVERIFY(chosen.contains("请选择固件"));
    QVERIFY(chosen.contains("[ File name ]: " + image));
    QVERIFY(chosen.contains("[ File size ]: 3000 Bytes"));
    QVERIFY(chosen.contains("如果升级未开始,请按住Reload键,同时给模块重新上电"));

    // The user holds Reload and powers the terminal again.
    ShowCounter bar;
    window.rzpbWhile->installEventFilter(&bar);
    ::kill(sim.Pid(), SIGUSR1);
    QTRY_VERIFY_WITH_TIMEOUT(rig.LogText().contains("固件升级完成"), 30000);
    const QString log = rig.LogText();
    QVERIFY(bar.shown > 0);
    QVERIFY(!window.rzpbWhile->isVisible());
    QVERIFY(log.contains("模块请求发送"));
    QVERIFY(log.contains("发送中..."));
    QVERIFY(log.indexOf("发送中...") < log.indexOf("固件升级完成"));
    QVERIFY(log.contains("耗时(秒): "));
    QVERIFY(log.contains("-------------------------------"));
    // Finishing releases the file; the next upgrade needs it chosen again.
    QVERIFY(program.session.Upgrade().FirmwareFile() == nullptr);

    std::string expected = bytes;
    expected.append((128 - bytes.size() % 128) % 128, '\x1A');
    QTRY_COMPARE_WITH_TIMEOUT(ReadFile(received).size(), expected.size(), 5000);
    QVERIFY(ReadFile(received) == expected);
  }

  void aTerminalLostMidTransferIsWarnedAndTheNextBootLoaderGetsTheWholeFileAgain() {
    QTemporaryDir folder;
    const QString image = folder.filePath("big.bin");
    std::string bytes(1 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 13 + i / 999) & 0xFF);
    {
      QFile out(image);
      QVERIFY(out.open(QIODevice::WriteOnly));
      out.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    const std::string name = testing::SimProcess::UniqueName("gui_fw_lost");
    auto sim = std::make_unique<testing::SimProcess>(std::vector<std::string>{"--name", name});
    DialogStub stub;
    stub.answer = image;
    testing::WindowRig rig(folder.path(), WithDialog(stub), Bare());
    ToolProgram& program = rig.Program();
    TFrm_Main& window = program.window;
    window.show();
    QVERIFY(rig.OpenOn(sim->Port()));
    window.portToolbar->btnFwUp->click();
    ::kill(sim->Pid(), SIGUSR1);
    QTRY_VERIFY_WITH_TIMEOUT(program.session.Upgrade().BlocksSent() >= 50, 20000);

    // The terminal goes away in the middle of the transfer.
    ::kill(sim->Pid(), SIGKILL);
    sim.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!program.session.PortOpen(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(!window.rzpbWhile->isVisible(), 5000);
    QCOMPARE(program.session.Upgrade().XModemState(), 0);
    QCOMPARE(window.portToolbar->OpenCloseTag(), int(PortToolbar::kTagOpen));
    QVERIFY(rig.LogText().contains("串口已断开"));
    QVERIFY(rig.LogText().contains("固件升级已停止，串口已断开"));
    QVERIFY(program.session.Upgrade().FirmwareFile() != nullptr);  // kept for the next try

    // Idle afterwards: the process sleeps (no polling of a dead port).
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QTest::qWait(1000);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const auto cpuMs = [](const rusage& u) {
      return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
    };
    QVERIFY2(cpuMs(after) - cpuMs(before) < 200, "CPU spent while idle");

    // The terminal comes back in its boot loader; the port is opened again.
    const QString received = folder.filePath("received.bin");
    sim = std::make_unique<testing::SimProcess>(
        std::vector<std::string>{"--name", name, "--firmware-out", received.toStdString()});
    QVERIFY(rig.OpenOn(sim->Port()));
    ::kill(sim->Pid(), SIGUSR1);
    QTRY_VERIFY_WITH_TIMEOUT(rig.LogText().contains("固件升级完成"), 60000);
    std::string expected = bytes;
    expected.append((128 - bytes.size() % 128) % 128, '\x1A');
    QTRY_COMPARE_WITH_TIMEOUT(ReadFile(received).size(), expected.size(), 5000);
    QVERIFY(ReadFile(received) == expected);
  }
};

QTEST_MAIN(FirmwareWindowTest)
#include "firmware_window_test.moc"

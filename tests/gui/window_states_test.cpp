// The main window's states and guards on the offscreen platform: what a run
// switches off and the Stop button, the armed firmware file on its button,
// the confirmations before a factory reset and before arming, the port box
// with a long path, the Help menu, saving the log and the non-modal message box.
// Where the core's own reports matter the test plays them through the listener.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "app/about_window.h"
#include "app/traffic_log_widget.h"
#include "app/port_toolbar.h"
#include "app/send_area.h"
#include "far_end_reads.h"
#include "serial/serial_fixtures.h"
#include "text/gbk.h"
#include "window_rig.h"

using namespace t418;

namespace {

// The buttons that start a run or send something.
const char* const kStartingButtons[] = {"btnAskAll", "btnSetAll", "btnPPPA", "btnENTM",       "btnVER",
                                        "btnCSQ",    "btnH",      "btnZ",    "btnSysRestart", "btnCLEAR"};

}  // namespace

class WindowStatesTest : public QObject {
  Q_OBJECT

  // The injected dialogs: what they were asked and what they answer.
  struct Dialogs {
    int firmwareShown = 0;
    QString firmwareAnswer;
    QStringList questions;
    bool confirmAnswer = true;
    int logShown = 0;
    QString logAnswer;
  };

  std::unique_ptr<QTemporaryDir> folder_;
  Dialogs dialogs_;
  std::unique_ptr<testing::WindowRig> rig_;
  TFrm_Main* window_ = nullptr;

  MainWindowOptions Options() {
    MainWindowOptions options;
    options.chooseFirmwareFile = [this](const QString&, const QString&) {
      ++dialogs_.firmwareShown;
      return dialogs_.firmwareAnswer;
    };
    options.confirm = [this](const QString&, const QString& question) {
      dialogs_.questions << question;
      return dialogs_.confirmAnswer;
    };
    options.chooseLogFile = [this](const QString&, const QString&) {
      ++dialogs_.logShown;
      return dialogs_.logAnswer;
    };
    return options;
  }

  void MakeWindow(MainWindowOptions options) {
    rig_ = std::make_unique<testing::WindowRig>(folder_->path(), std::move(options));
    window_ = &rig_->Window();
  }

  Session& Core() { return rig_->Core(); }
  SessionListener& Listener() { return *window_; }
  QPushButton* Button(const char* name) { return window_->findChild<QPushButton*>(name); }
  QToolButton* FwButton() { return window_->portToolbar->btnFwUp; }
  QString LogText() { return rig_->LogText(); }
  void OpenOn(const std::string& path) { QVERIFY(rig_->OpenOn(path)); }
  QString FirmwareFile(const char* name) {
    const QString path = folder_->filePath(name);
    QFile out(path);
    if (out.open(QIODevice::WriteOnly)) out.write(QByteArray(1000, '\x5A'));
    return path;
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    dialogs_ = Dialogs{};
    MakeWindow(Options());
  }
  void cleanup() {
    rig_.reset();
    window_ = nullptr;
    folder_.reset();
  }

  // ---- A run ----

  void aRunSwitchesOffWhatWouldStartAnotherAndOffersStop() {
    QVERIFY(!Button("btnStop")->isVisible());
    Listener().RunStateChanged(true);
    for (const char* name : kStartingButtons) QVERIFY2(!Button(name)->isEnabled(), name);
    QVERIFY(!window_->sendArea->btnSend->isEnabled());
    QVERIFY(!window_->mniOpenCfg->isEnabled());
    QVERIFY(!window_->mniLoadDefault->isEnabled());
    QVERIFY(!window_->mniLoadRecent->isEnabled());
    QVERIFY(window_->mniSaveCfg->isEnabled());
    QVERIFY(window_->portToolbar->btnOpenClose->isEnabled());  // closing the port stays possible
    QVERIFY(Button("btnStop")->isVisible());
    QVERIFY(Button("btnStop")->isEnabled());
    QCOMPARE(Button("btnStop")->text(), QString("停止"));
    window_->SwitchLanguage(false);
    QCOMPARE(Button("btnStop")->text(), QString("Stop"));

    Listener().RunStateChanged(false);
    for (const char* name : kStartingButtons) QVERIFY2(Button(name)->isEnabled(), name);
    QVERIFY(window_->sendArea->btnSend->isEnabled());
    QVERIFY(window_->mniOpenCfg->isEnabled());
    QVERIFY(!Button("btnStop")->isVisible());
  }

  void whileARunGoesNothingIsSentByKeyOrButtonAndStopEndsTheRun() {
    test::Pty pty;
    OpenOn(pty.Path());
    Button("btnAskAll")->click();
    QVERIFY(DrainFarEnd(pty).find("AT+VER?") != std::string::npos);
    QVERIFY(Core().RunInProgress());
    Listener().RunStateChanged(true);

    // The send key and the action tags are refused as the buttons are.
    window_->sendArea->edtSend->setPlainText("AT+CSQ");
    window_->actSendExecute();
    window_->btnDoClick(kTagCSQ);
    QCOMPARE(DrainFarEnd(pty), std::string());

    Button("btnStop")->click();
    QVERIFY(!Core().RunInProgress());
    Listener().RunStateChanged(false);
    window_->actSendExecute();
    QVERIFY(DrainFarEnd(pty).find("AT+CSQ") != std::string::npos);
  }

  // ---- Factory reset ----

  void factoryResetAsksFirstAndANoSendsNothing() {
    test::Pty pty;
    OpenOn(pty.Path());
    dialogs_.confirmAnswer = false;
    Button("btnCLEAR")->click();
    QCOMPARE(dialogs_.questions.size(), 1);
    QVERIFY(dialogs_.questions[0].contains("恢复出厂设置"));
    QCOMPARE(DrainFarEnd(pty), std::string());

    dialogs_.confirmAnswer = true;
    Button("btnCLEAR")->click();
    QCOMPARE(dialogs_.questions.size(), 2);
    QVERIFY(DrainFarEnd(pty).find("AT+CLEAR\r\n") != std::string::npos);

    // The other commands go without a question.
    Button("btnCSQ")->click();
    QCOMPARE(dialogs_.questions.size(), 2);
  }

  // ---- Firmware ----

  void armingAsksAndShowsTheFileOnTheButtonAndASecondClickLetsItGo() {
    test::Pty pty;
    OpenOn(pty.Path());
    QVERIFY(FwButton()->isCheckable());
    QVERIFY(!FwButton()->isChecked());
    dialogs_.firmwareAnswer = FirmwareFile("t418 v2.bin");

    FwButton()->click();
    QCOMPARE(dialogs_.firmwareShown, 1);
    QCOMPARE(dialogs_.questions.size(), 1);
    QVERIFY(dialogs_.questions[0].contains("t418 v2.bin"));
    QVERIFY(Core().FirmwareArmed());
    QVERIFY(FwButton()->isChecked());
    QVERIFY(!FwButton()->toolTip().isEmpty());
    QVERIFY(LogText().contains("t418 v2.bin"));

    FwButton()->click();
    QCOMPARE(dialogs_.firmwareShown, 1);  // no dialog to let go
    QVERIFY(!Core().FirmwareArmed());
    QVERIFY(!FwButton()->isChecked());
    QVERIFY(FwButton()->toolTip().isEmpty());
  }

  void escLetsTheHeldFileGo() {
    test::Pty pty;
    OpenOn(pty.Path());
    dialogs_.firmwareAnswer = FirmwareFile("fw.bin");
    FwButton()->click();
    QVERIFY(Core().FirmwareArmed());
    QTest::keyClick(window_->sendArea->edtSend, Qt::Key_Escape);
    QVERIFY(!Core().FirmwareArmed());
    QVERIFY(!FwButton()->isChecked());
  }

  void cancellingTheDialogOrTheQuestionArmsNothing() {
    test::Pty pty;
    OpenOn(pty.Path());
    struct Case {
      const char* what;
      bool fileChosen;
      bool confirmed;
      int questions;
    } cases[] = {{"dialog cancelled", false, true, 0}, {"question answered No", true, false, 1}};
    for (const auto& c : cases) {
      dialogs_.questions.clear();
      dialogs_.firmwareAnswer = c.fileChosen ? FirmwareFile("fw.bin") : QString();
      dialogs_.confirmAnswer = c.confirmed;
      FwButton()->click();
      QVERIFY2(!Core().FirmwareArmed(), c.what);
      QVERIFY2(!FwButton()->isChecked(), c.what);
      QCOMPARE(dialogs_.questions.size(), c.questions);
    }
    QVERIFY(!LogText().contains("[ File name ]"));
  }

  void aFileTheCoreRefusesLeavesTheButtonUnchecked() {
    test::Pty pty;
    OpenOn(pty.Path());
    dialogs_.firmwareAnswer = folder_->filePath("missing.bin");
    FwButton()->click();
    QVERIFY(!Core().FirmwareArmed());
    QVERIFY(!FwButton()->isChecked());
  }

  void theCoreLettingGoUnchecksTheButton() {
    test::Pty pty;
    OpenOn(pty.Path());
    dialogs_.firmwareAnswer = FirmwareFile("fw.bin");
    FwButton()->click();
    QVERIFY(FwButton()->isChecked());
    // As when the port closes or the transfer ends.
    Listener().FirmwareArmedChanged(false);
    QVERIFY(!FwButton()->isChecked());
    Listener().FirmwareArmedChanged(true);
    QVERIFY(FwButton()->isChecked());
  }

  // ---- Port box ----

  void aLongPortPathIsElidedInTheMiddleAndWholeInTheHint() {
    const QString path = "/run/user/0/t418-ports/ttySIM0-with-a-much-longer-name";
    window_->portToolbar->SetPorts({"/dev/ttyUSB0", path});
    PortComboBox* box = window_->portToolbar->cbbOpenCom;
    box->setCurrentIndex(0);
    QCOMPARE(box->toolTip(), QString("/dev/ttyUSB0"));
    QCOMPARE(box->ShownText(), QString("/dev/ttyUSB0"));
    box->setCurrentIndex(1);
    QCOMPARE(box->toolTip(), path);
    const QString shown = box->ShownText();
    QVERIFY2(shown != path && shown.contains(QChar(0x2026)), qPrintable(shown));
    QVERIFY(shown.startsWith("/run"));
    QVERIFY(shown.endsWith("name"));
    // The simulator's usual path fits whole.
    window_->portToolbar->SetPorts({"/run/user/0/t418-ports/ttySIM0"});
    box->setCurrentIndex(0);
    QCOMPARE(box->ShownText(), QString("/run/user/0/t418-ports/ttySIM0"));
  }

  // ---- Help menu ----

  void theHelpMenuOffersAboutButNotTheMakersPages() {
    QVERIFY(window_->mni_Help->menuAction()->isVisible());
    QVERIFY(window_->mni_About->isVisible());
    QCOMPARE(window_->mni_About->text(), QString("关于..."));
    QVERIFY(!window_->mni_Up->isVisible());  // the profile's "Custom" is off here
    QVERIFY(!window_->mni_WorkOrder->isVisible());
    window_->mni_About->trigger();
    QVERIFY(window_->frm_About->isVisible());
    window_->frm_About->close();
    window_->SwitchLanguage(false);
    QCOMPARE(window_->mni_Help->title(), QString("Help"));
    QCOMPARE(window_->mni_About->text(), QString("About..."));
  }

  // ---- Saving the log ----

  void theLogsMenuSavesTheLogAsShownInUtf8() {
    QAction* save = window_->findChild<QAction*>("actSaveLog");
    QVERIFY(save);
    QVERIFY(window_->logWidget->ContextMenu()->actions().contains(save));
    QCOMPARE(save->text(), QString("保存日志..."));
    Core().Log().LogInfo(Utf8ToGbk("参数已读取 end"));
    const QString shown = LogText();

    // Cancelled: nothing written.
    emit window_->logWidget->TextBox()->customContextMenuRequested(QPoint(5, 5));
    save->trigger();
    window_->logWidget->ContextMenu()->hide();
    QCOMPARE(dialogs_.logShown, 1);

    dialogs_.logAnswer = folder_->filePath("log.txt");
    emit window_->logWidget->TextBox()->customContextMenuRequested(QPoint(5, 5));
    save->trigger();
    window_->logWidget->ContextMenu()->hide();
    QFile file(dialogs_.logAnswer);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()), shown);
    QVERIFY(LogText().contains("日志已保存: " + dialogs_.logAnswer));

    // A folder that does not exist: a warning, no crash.
    dialogs_.logAnswer = folder_->filePath("no/such/folder/log.txt");
    emit window_->logWidget->TextBox()->customContextMenuRequested(QPoint(5, 5));
    save->trigger();
    window_->logWidget->ContextMenu()->hide();
    QVERIFY(LogText().contains("无法写入: " + dialogs_.logAnswer));
  }

  // ---- Message boxes ----

  void refusedValuesShowAMessageBoxThatDoesNotHoldTheWindow() {
    // Without an injected message port: the real box.
    rig_.reset();
    MakeWindow(Options());
    const std::string message = Utf8ToGbk("心跳时间(秒): 超出范围 1-65535");
    QVERIFY(Core().Builder().OnInvalidValues);
    Core().Builder().OnInvalidValues(message);
    QMessageBox* box = nullptr;
    QTRY_VERIFY((box = window_->findChild<QMessageBox*>()) != nullptr && box->isVisible());
    QCOMPARE(box->text(), QString("心跳时间(秒): 超出范围 1-65535"));
    QCOMPARE(box->windowModality(), Qt::NonModal);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    box->close();
  }
};

QTEST_MAIN(WindowStatesTest)
#include "window_states_test.moc"

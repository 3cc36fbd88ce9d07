// The main window's widgets on the offscreen platform: the open/close button
// through opening and closing a pseudo-terminal, the send area's rules on the
// wire, window-wide keys, and the language switch.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "app/traffic_log_widget.h"
#include "build_version.h"
#include "app/parameter_view.h"
#include "app/port_toolbar.h"
#include "app/qt_text.h"
#include "app/send_area.h"
#include "form_fakes.h"
#include "log_fakes.h"
#include "far_end_reads.h"
#include "serial/serial_fixtures.h"
#include "serial/serial_port.h"
#include "window_rig.h"

using namespace t418;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  testing::FixedLogClock clock_;
  testing::RecordingMessages messages_;
  std::unique_ptr<testing::WindowRig> rig_;
  TFrm_Main* window_ = nullptr;

  // regionCatalogue: whether the folder gets the region catalogue first.
  void MakeWindow(const QString& folder, const LogClock* clock, bool regionCatalogue = true) {
    testing::WindowRigSetup setup;
    setup.logClock = clock;
    setup.regionCatalogue = regionCatalogue;
    setup.show = false;
    rig_ = std::make_unique<testing::WindowRig>(folder, MainWindowOptions{&messages_}, setup);
    window_ = &rig_->Window();
  }

  QString LogText() { return rig_->LogText(); }
  int CountInLog(const QString& text) { return LogText().count(text); }
  void OpenOn(const std::string& path) { rig_->OpenOn(path); }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    messages_.shown.clear();
    MakeWindow(folder_->path(), &clock_);
    window_->show();
  }
  void cleanup() {
    rig_.reset();
    window_ = nullptr;
    folder_.reset();
  }

  void startsInNetworkModeWithTheRegionCatalogue() {
    QVERIFY(messages_.shown.empty());
    QVERIFY(window_->parameterView->Form().rbNetTran.Checked());
    QCOMPARE(window_->parameterView->Form().cbbProvince.Items().size(), std::size_t(31));
  }

  void aMissingRegionCatalogueIsSaidInAMessageBox() {
    rig_.reset();
    QTemporaryDir empty;
    MakeWindow(empty.path(), nullptr, false);
    QCOMPARE(messages_.shown, std::vector<std::string>{Utf8ToGbk("缺少province&city.json")});
  }

  void startsWithTheGuideAndTheToolbarDefaults() {
    QCOMPARE(window_->size(), QSize(1197, 801));
    QVERIFY(window_->windowTitle().startsWith("ZAV-T418 V"));
    QCOMPARE(window_->windowTitle().count('.'), 2);  // three numbers, never the fourth
    QCOMPARE(window_->portToolbar->cbbOpenBaud->currentText(), QString("115200"));
    QCOMPARE(window_->portToolbar->OpenCloseTag(), 1);
    QCOMPARE(window_->portToolbar->btnOpenClose->text(), QString("打开串口"));
    QVERIFY(LogText().contains("1. "));
    QVERIFY(!window_->findChild<QPushButton*>("btnCFGTF")->isVisible());
    QVERIFY(!window_->findChild<QPushButton*>("btnRELD")->isVisible());
    QVERIFY(window_->findChild<QPushButton*>("btnAskAll")->isVisible());
    QCOMPARE(window_->findChild<QPushButton*>("btnAskAll")->property("tag").toInt(), 10);
    QCOMPARE(window_->findChild<QPushButton*>("btnSysRestart")->text(), QString("系统重启"));
    QVERIFY(window_->mni_Help->menuAction()->isVisible());
    QVERIFY(!window_->rzpbWhile->isVisible());
  }

  // The window and t418ctl say the same version, the build's.
  void theTitleAndT418ctlCarryTheSameVersion() {
    const QString built = QString("%1.%2.%3").arg(T418_VERSION_MAJOR).arg(T418_VERSION_MINOR).arg(T418_VERSION_PATCH);
    QCOMPARE(window_->windowTitle(), "ZAV-T418 V" + built);
#ifdef T418_CTL_PATH
    QProcess ctl;
    ctl.start(QString::fromUtf8(T418_CTL_PATH), {"--version"});
    QVERIFY(ctl.waitForFinished(30000));
    QCOMPARE(ctl.exitStatus(), QProcess::NormalExit);
    QCOMPARE(ctl.exitCode(), 0);
    const QString said = QString::fromUtf8(ctl.readAllStandardOutput()).trimmed();
    QCOMPARE(said, "t418ctl " + built);
    QCOMPARE("t418ctl " + window_->windowTitle().section(" V", -1), said);
#else
    QSKIP("t418ctl is not part of this build");
#endif
  }

  void openCloseButtonFollowsThePort() {
    test::Pty pty;
    OpenOn(pty.Path());
    QCOMPARE(window_->portToolbar->OpenCloseTag(), 2);
    QCOMPARE(window_->portToolbar->btnOpenClose->text(), QString("关闭串口"));
    QCOMPARE(window_->portToolbar->btnOpenClose->property("imageIndex").toInt(), 2);
    QVERIFY(window_->CoreSession().Serial().PortOpen());
    QCOMPARE(CountInLog("串口已打开"), 1);

    window_->portToolbar->btnOpenClose->click();
    QCOMPARE(window_->portToolbar->OpenCloseTag(), 1);
    QCOMPARE(window_->portToolbar->btnOpenClose->text(), QString("打开串口"));
    QCOMPARE(window_->portToolbar->btnOpenClose->property("imageIndex").toInt(), 0);
    QVERIFY(!window_->CoreSession().Serial().PortOpen());
    QCOMPARE(CountInLog("串口已关闭"), 1);
  }

  void aFailedOpeningWarnsAndKeepsTheButton() {
    OpenOn("/dev/no-such-port");
    QCOMPARE(window_->portToolbar->OpenCloseTag(), 1);
    // A port that is not there is not held by other software.
    QCOMPARE(CountInLog("串口打开失败，该串口已不存在（设备已拔出）"), 1);
    QCOMPARE(CountInLog("串口打开失败，请检查该串口是否被其他软件占用！"), 0);
    window_->portToolbar->SetPorts({});
    window_->portToolbar->btnOpenClose->click();  // no port at all
    QCOMPARE(CountInLog("串口打开失败，请检查该串口是否被其他软件占用！"), 1);
  }

  void aVanishedDeviceClosesThePortWithAWarning() {
    auto pty = std::make_unique<test::Pty>();
    OpenOn(pty->Path());
    QVERIFY(window_->CoreSession().Serial().PortOpen());
    pty.reset();  // both ends go away, as when an adapter is pulled
    QTRY_VERIFY_WITH_TIMEOUT(!window_->CoreSession().Serial().PortOpen(), 5000);
    QCOMPARE(window_->portToolbar->OpenCloseTag(), 1);
    QVERIFY(LogText().contains("串口已断开"));
  }

  void sendAreaRulesOnTheWire() {
    test::Pty pty;
    OpenOn(pty.Path());
    SendArea* area = window_->sendArea;
    struct Case {
      QString box;
      bool autoCR, hex;
      std::string wire;
    } cases[] = {
        {"at+csq", true, false, "at+csq\r\n"},
        {"+++", true, false, "+++"},
        {"A", true, false, "A"},
        {"41 5", false, true, "A"},
        {"41 54 0D 0A", false, true, "AT\r\n"},
    };
    for (const auto& c : cases) {
      area->edtSend->setPlainText(c.box);
      area->mniAutoCR->setChecked(c.autoCR);
      area->chbTxHex->setChecked(c.hex);
      area->btnSend->click();
      QCOMPARE(ReadFarEnd(pty, c.wire.size()), c.wire);
      QCOMPARE(area->edtSend->toPlainText(), c.box);  // never cleared by sending
    }
    area->edtSend->setPlainText("41 GG");
    area->btnSend->click();
    QCOMPARE(DrainFarEnd(pty), std::string());
    QCOMPARE(area->lblSendCount->text(), QString("17"));  // 8 + 3 + 1 + 1 + 4 bytes
  }

  void smsDropsLineBreaksAndUsesTheCountryCode() {
    test::Pty pty;
    OpenOn(pty.Path());
    SendArea* area = window_->sendArea;
    area->mniSms->trigger();
    QVERIFY(area->rztlbrSendTpye->isVisible());
    QVERIFY(!area->chbTxHex->isVisible());
    area->edtReTelNum->setText("123 4567");
    area->edtSend->setPlainText("hello\nworld");
    area->btnSend->click();
    const std::string wire = "AT+SMSEND=861234567,helloworld\r\n";
    QCOMPARE(ReadFarEnd(pty, wire.size()), wire);
  }

  void enterAsSendKeyActsFromAParameterField() {
    test::Pty pty;
    OpenOn(pty.Path());
    auto* field = window_->parameterView->WidgetAs<QLineEdit>("edtUARTFT");
    QVERIFY(field);
    const QString fieldText = field->text();
    window_->sendArea->edtSend->setPlainText("AT+CSQ");
    field->setFocus();

    // The default send key is Ctrl+Enter: Enter starts a new line at the end of the box.
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(window_->sendArea->edtSend->toPlainText(), QString("AT+CSQ\n"));
    QCOMPARE(DrainFarEnd(pty), std::string());

    window_->sendArea->mniEnter->trigger();
    QCOMPARE(window_->sendArea->btnSend->toolTip(), window_->sendArea->mniEnter->text());
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(ReadFarEnd(pty, 8), std::string("AT+CSQ\r\n"));
    QCOMPARE(field->text(), fieldText);
  }

  void ctrlDelClearsTheFocusedEditBox() {
    auto* field = window_->parameterView->WidgetAs<QLineEdit>("edtUARTFT");
    QVERIFY(field);
    window_->parameterView->Form().edtUARTFT.SetText("50");
    QCOMPARE(field->text(), QString("50"));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(field->text(), QString());
    // The model follows, as for any edit.
    QCOMPARE(window_->parameterView->Form().edtUARTFT.Text(), std::string());
  }

  void switchingTheLanguageTwiceWritesTwelveGuideLinesAndResetsTheSendType() {
    const int before = CountInLog("\n");
    window_->sendArea->mniSms->trigger();
    window_->mni_En->trigger();
    QCOMPARE(window_->portToolbar->btnOpenClose->text(), QString("Open PC Serial"));
    QCOMPARE(window_->findChild<QPushButton*>("btnAskAll")->text(), QString("Query all parameters"));
    QCOMPARE(window_->sendArea->btnSendTpye->text(), QString("Send via Serial Port"));
    QVERIFY(!window_->sendArea->rztlbrSendTpye->isVisible());
    window_->sendArea->mniSms->trigger();
    window_->mni_Cn->trigger();
    QCOMPARE(window_->sendArea->btnSendTpye->text(), QString("通过串口发送"));
    QVERIFY(window_->mni_Cn->isChecked());
    QCOMPARE(CountInLog("\n") - before, 12);
    QCOMPARE(window_->findChild<QPushButton*>("btnAskAll")->text(), QString("获取当前参数"));
  }

  void closedPortWarnsOnSend() {
    window_->sendArea->edtSend->setPlainText("AT");
    window_->sendArea->btnSend->click();
    QCOMPARE(CountInLog("串口未打开"), 1);
    QCOMPARE(window_->sendArea->edtSend->toPlainText(), QString("AT"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

// The main window against t418-sim with fixture configurations: a full read
// shows the terminal's values in the widgets, an edited form is written back
// and the terminal holds it, and a message box raised during the read does
// not hold the read up.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <set>

#include "app/traffic_log_widget.h"
#include "app/port_toolbar.h"
#include "read_all_queries.h"
#include "sim/state_file.h"
#include "sim_process.h"
#include "window_rig.h"

using namespace t418;
using sim::testing::ReadSimState;
using sim::testing::SimState;
using sim::testing::StateDifferences;

namespace {

std::string FixtureConfig(const std::string& file) {
  return std::string(T418_SOURCE_DIR) + "/tests/fixtures/configs/" + file;
}

// A simulator with its command log and state file in the test's folder.
struct Simulator {
  std::string logFile;
  std::string stateFile;
  std::unique_ptr<testing::SimProcess> process;

  std::vector<std::string> Received() const { return testing::ReadLines(logFile); }
  SimState State() const { return ReadSimState(stateFile); }
};

std::vector<std::string> NamesOfLines(const std::vector<std::string>& lines) {
  std::vector<std::string> names;
  for (const auto& line : lines) names.push_back(CommandNameOfLine(line));
  return names;
}

}  // namespace

class WindowSimRoundTripTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<testing::WindowRig> rig_;
  TFrm_Main* window_ = nullptr;

  Simulator StartSimulator(const std::string& fixture = {}) {
    const std::string stem = testing::SimProcess::UniqueName("gui_sim_");
    Simulator sim;
    sim.logFile = folder_->filePath(QString::fromStdString(stem + ".log")).toStdString();
    sim.stateFile = folder_->filePath(QString::fromStdString(stem + ".state")).toStdString();
    std::vector<std::string> options = {"--name", stem, "--log", sim.logFile, "--state", sim.stateFile};
    if (!fixture.empty()) options.insert(options.end(), {"--config", FixtureConfig(fixture)});
    sim.process = std::make_unique<testing::SimProcess>(options);
    return sim;
  }

  // The window as the program shows it; message boxes are the window's own.
  void MakeWindow() {
    testing::WindowRigSetup setup;
    // The form starts in the layout's own state, not in a profile's defaults.
    setup.useProfile = false;
    rig_ = std::make_unique<testing::WindowRig>(folder_->path(), MainWindowOptions{}, setup);
    window_ = &rig_->Window();
    // A short pause before each line keeps the test quick; nothing else changes.
    rig_->Core().Engine().delayTime = 20;
  }

  // Through the toolbar: close the port if it is open, choose the simulator's, open.
  bool ConnectTo(const Simulator& sim) {
    if (rig_->Core().PortOpen()) window_->portToolbar->btnOpenClose->click();
    return rig_->OpenOn(sim.process->Port());
  }

  QString LogText() { return rig_->LogText(); }
  int Completions() { return LogText().count(QStringLiteral("执行完毕")); }
  void Click(const char* button) { window_->findChild<QPushButton*>(button)->click(); }
  template <typename W>
  W* Widget(const char* name) {
    W* widget = window_->findChild<W*>(name);
    if (!widget) qWarning("no widget %s", name);
    return widget;
  }
  // Replaces a field's text by typing, as the user does.
  void TypeInto(const char* field, const QString& text) {
    QLineEdit* edit = Widget<QLineEdit>(field);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }
  QMessageBox* ShownMessageBox() {
    for (QMessageBox* box : window_->findChildren<QMessageBox*>())
      if (box->isVisible()) return box;
    return nullptr;
  }

 private slots:
  void init() { folder_ = std::make_unique<QTemporaryDir>(); }
  void cleanup() {
    rig_.reset();
    folder_.reset();
  }

  // A rule's message box while reports are handled: the box is shown and left
  // up, and the read goes on behind it to its last line.
  void readGoesOnBehindTheChannelMessage() {
    const Simulator sim = StartSimulator("httpd_gnss_mult.state");
    MakeWindow();
    QVERIFY(ConnectTo(sim));
    Click("btnAskAll");

    QTRY_VERIFY_WITH_TIMEOUT(ShownMessageBox() != nullptr, 30000);
    const std::size_t linesWhenShown = sim.Received().size();
    QCOMPARE(ShownMessageBox()->text(), QStringLiteral("复用原有通道功能仅支持网络透传模式使用"));
    QVERIFY2(linesWhenShown < 70, "the box came after the read had ended");

    QTRY_COMPARE_WITH_TIMEOUT(Completions(), 1, 30000);
    QVERIFY(ShownMessageBox() != nullptr);  // nobody closed it
    // All 70 lines, once each, in order, all answered.
    QCOMPARE(sim.Received(), testing::ReadAllQueryLines(""));
    QVERIFY(!LogText().contains("+ERR"));
    QCOMPARE(LogText().count(QStringLiteral("复用原有通道功能仅支持网络透传模式使用")), 1);
    // Reports after the box still reached their widgets.
    QVERIFY(Widget<QRadioButton>("rbMULT")->isChecked());
    QVERIFY(Widget<QRadioButton>("rbHttpd")->isChecked());
    QCOMPARE(Widget<QComboBox>("cbbGPOSSND")->currentIndex(), 1);
    QCOMPARE(Widget<QComboBox>("cbbGHEARTTP2")->currentIndex(), 1);
    QCOMPARE(Widget<QComboBox>("cbbBYsocketA")->currentIndex(), 1);
    QCOMPARE(Widget<QLineEdit>("edtlHWver")->text(), QStringLiteral("V2.0"));
  }

  // Network transfer read from one terminal, edited, and written to a second one.
  void readEditAndWriteToASecondTerminal() {
    const Simulator source = StartSimulator("net_sockets.state");
    const Simulator target = StartSimulator();
    MakeWindow();
    QVERIFY(ConnectTo(source));
    Click("btnAskAll");
    QTRY_COMPARE_WITH_TIMEOUT(Completions(), 1, 30000);

    QVERIFY(Widget<QRadioButton>("rbNetTran")->isChecked());
    QVERIFY(Widget<QCheckBox>("rzchckbxSktA")->isChecked());
    QCOMPARE(Widget<QLineEdit>("edtAddrA")->text(), QStringLiteral("dtu-a.example.net"));
    QCOMPARE(Widget<QLineEdit>("edtPortB")->text(), QStringLiteral("6002"));
    QCOMPARE(Widget<QComboBox>("cbbASL")->currentIndex(), 0);
    QCOMPARE(Widget<QComboBox>("cbbBaud")->currentText(), QStringLiteral("57600"));
    QCOMPARE(Widget<QComboBox>("cbbP")->currentText(), QStringLiteral("EVEN"));
    QCOMPARE(Widget<QLineEdit>("lbledtStMsg")->text(), QStringLiteral("欢迎使用T418"));
    QCOMPARE(Widget<QLineEdit>("edtHeartDt")->text(), QStringLiteral("FE01A5C30D0A"));
    QVERIFY(Widget<QCheckBox>("rzchckbxHeartDtHex")->isChecked());
    QCOMPARE(Widget<QComboBox>("cbbRegTp")->currentIndex(), 3);
    QVERIFY(!Widget<QCheckBox>("rzchckbxE")->isChecked());

    // The user changes the heartbeat interval, switches socket indexing off and
    // opens the advanced group, so its fields are written too.
    TypeInto("edtHeartTm", "77");
    QCOMPARE(rig_->Core().Form().edtHeartTm.Text(), std::string("77"));
    Widget<QCheckBox>("rzchckbxSOCKIND")->click();
    Widget<QCheckBox>("rzchckbxMore")->click();
    QVERIFY(rig_->Core().Form().rzchckbxMore.Checked());

    QVERIFY(ConnectTo(target));
    Click("btnSetAll");
    QTRY_VERIFY_WITH_TIMEOUT(LogText().contains(QStringLiteral("参数设置完毕，已发送的设置条数: ")), 30000);
    const std::vector<std::string> written = target.Received();
    QVERIFY(written.size() > 20);
    QVERIFY(LogText().contains(QStringLiteral("参数设置完毕，已发送的设置条数: %1").arg(written.size())));
    QVERIFY(!LogText().contains(QStringLiteral("终端拒绝的设置条数")));

    const SimState state = target.State();
    QCOMPARE(state.at("HEARTTM"), std::string("77"));
    QCOMPARE(state.at("SOCKIND"), std::string("OFF"));
    std::vector<std::string> unchanged;
    for (const auto& name : NamesOfLines(written))
      if (name != "HEARTTM" && name != "SOCKIND") unchanged.push_back(name);
    const auto differences = StateDifferences(source.State(), state, unchanged);
    QVERIFY2(differences.empty(), differences.empty() ? "" : differences[0].c_str());
    const std::set<std::string> writtenNames(unchanged.begin(), unchanged.end());
    for (const char* name : {"SOCKA", "HEARTDT", "REGDT", "UART", "STMSG", "APN", "E"})
      QVERIFY2(writtenNames.count(name), name);
  }

  // QianXun read, edited and written back to the same terminal.
  void readEditAndWriteBackToTheSameTerminal() {
    const std::string fixture = "gnss_qianxun.state";
    const Simulator sim = StartSimulator(fixture);
    MakeWindow();
    QVERIFY(ConnectTo(sim));
    Click("btnAskAll");
    QTRY_COMPARE_WITH_TIMEOUT(Completions(), 1, 30000);

    QVERIFY(Widget<QCheckBox>("rzchckbxGNSSen")->isChecked());
    QVERIFY(Widget<QRadioButton>("rbQianXun")->isChecked());
    QCOMPARE(Widget<QLineEdit>("edtQphone")->text(), QStringLiteral("013912345678"));
    QCOMPARE(Widget<QLineEdit>("edtQPOSUPTM")->text(), QStringLiteral("60"));
    QCOMPARE(Widget<QComboBox>("cbbProvince")->currentText(), QStringLiteral("上海市"));
    QCOMPARE(Widget<QComboBox>("cbbCounty")->currentText(), QStringLiteral("徐汇区"));
    QCOMPARE(Widget<QComboBox>("cbbCarcolor")->currentIndex(), 2);
    QCOMPARE(Widget<QLineEdit>("edtCarNum")->text(), QStringLiteral("沪B67890"));
    QCOMPARE(Widget<QComboBox>("cbbtype7")->currentIndex(), 1);
    QVERIFY(Widget<QCheckBox>("rzchckbxQPOSPACK")->isChecked());

    TypeInto("edtQPOSUPTM", "120");
    Widget<QCheckBox>("rzchckbxQPOSPACK")->click();
    // The advanced group is open from the start, so the vehicle fields are written too.
    QVERIFY(Widget<QCheckBox>("rzchckbxGNSSMore")->isChecked());
    const std::size_t readLines = sim.Received().size();

    Click("btnSetAll");
    QTRY_VERIFY_WITH_TIMEOUT(LogText().contains(QStringLiteral("参数设置完毕，已发送的设置条数: ")), 30000);
    const std::vector<std::string> all = sim.Received();
    const std::vector<std::string> written(all.begin() + static_cast<long>(readLines), all.end());
    QVERIFY(LogText().contains(QStringLiteral("参数设置完毕，已发送的设置条数: %1").arg(written.size())));
    QVERIFY(!LogText().contains(QStringLiteral("终端拒绝的设置条数")));

    const SimState state = sim.State();
    QCOMPARE(state.at("QPOSUPTM"), std::string("120"));
    QCOMPARE(state.at("QPOSPACK"), std::string("OFF"));
    // Everything else of the fixture was written back as it was read.
    const SimState wanted = ReadSimState(FixtureConfig(fixture));
    std::vector<std::string> kept;
    for (const auto& [name, value] : wanted)
      if (name != "QPOSUPTM" && name != "QPOSPACK") kept.push_back(name);
    const auto differences = StateDifferences(wanted, state, kept);
    QVERIFY2(differences.empty(), differences.empty() ? "" : differences[0].c_str());
    const auto names = NamesOfLines(written);
    const std::set<std::string> writtenNames(names.begin(), names.end());
    for (const auto& name : kept) QVERIFY2(writtenNames.count(name), name.c_str());
  }
};

QTEST_MAIN(WindowSimRoundTripTest)
#include "window_sim_round_trip_test.moc"

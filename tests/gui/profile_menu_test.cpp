// The configuration entries of the File menu on the offscreen platform: saving
// and opening configuration files through the (stubbed) file dialog, the
// defaults, the last saved profile, and the profile written when the window
// closes.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <random>

#include "app/traffic_log_widget.h"
#include "app/parameter_view.h"
#include "app/port_toolbar.h"
#include "form_fakes.h"
#include "log_fakes.h"
#include "params/profile_file.h"
#include "session/profile_io.h"
#include "temp_folder.h"
#include "window_rig.h"

using namespace t418;

class ProfileMenuTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  testing::FixedLogClock clock_;
  testing::RecordingMessages messages_;
  std::unique_ptr<testing::WindowRig> rig_;
  TFrm_Main* window_ = nullptr;
  // What the file dialog answers, and what it was asked.
  QString answer_;
  QList<bool> asked_;

  void MakeWindow() {
    testing::WindowRigSetup setup;
    setup.logClock = &clock_;
    MainWindowOptions windowOptions;
    windowOptions.messages = &messages_;
    windowOptions.chooseConfigFile = [this](bool save) {
      asked_ << save;
      return answer_;
    };
    rig_ = std::make_unique<testing::WindowRig>(folder_->path(), windowOptions, setup);
    window_ = &rig_->Window();
  }
  QString Path(const QString& name) const { return folder_->filePath(name); }
  QLineEdit* StartMessageField() const { return window_->parameterView->WidgetAs<QLineEdit>("lbledtStMsg"); }
  void TypeStartMessage(const QString& text) {
    QLineEdit* field = StartMessageField();
    field->selectAll();
    QTest::keyClicks(field, text);
  }
  QString LogText() { return rig_->LogText(); }
  // Every value of the form, as a configuration file holds it.
  std::string FormAsSaved(const QString& name) {
    const std::string path = Path(name).toStdString();
    if (SaveConfigurationFile(rig_->Core(), path)) return "cannot save " + path;
    return testing::ReadBytes(path);
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    messages_.shown.clear();
    answer_.clear();
    asked_.clear();
    MakeWindow();
  }
  void cleanup() {
    rig_.reset();
    window_ = nullptr;
    folder_.reset();
  }

  void fileMenuHoldsTheConfigurationEntriesBeforeExit() {
    QStringList names;
    for (QAction* item : window_->mni_File->actions())
      names << (item->isSeparator() ? QString("-") : item->objectName());
    QCOMPARE(names, (QStringList{"mniLoadRecent", "mniLoadDefault", "mniOpenCfg", "mniSaveCfg", "-", "mniFastReplies",
                                 "-", "mni_Exit"}));
    QCOMPARE(window_->mniLoadRecent->text(), QString("载入最近配置"));
    QCOMPARE(window_->mniLoadDefault->text(), QString("载入默认参数"));
    QCOMPARE(window_->mniOpenCfg->text(), QString("打开配置文件..."));
    QCOMPARE(window_->mniSaveCfg->text(), QString("保存配置文件..."));
    window_->mni_En->trigger();
    QCOMPARE(window_->mniSaveCfg->text(), QString("Save Configuration File..."));
  }

  void aSavedConfigurationComesBackWithoutTouchingTheToolbar() {
    TypeStartMessage("[SAVED]");
    answer_ = Path("site/terminal.ini");
    window_->mniSaveCfg->trigger();
    QCOMPARE(asked_, QList<bool>{true});
    const IniDocument saved = IniDocument::Parse(testing::ReadBytes(answer_.toStdString()));
    QCOMPARE(QString::fromStdString(saved.ReadString("Base", "STMSG", "")), QString("[SAVED]"));
    QVERIFY(!saved.HasSection("OpenUart"));
    QVERIFY(LogText().contains("配置已保存: " + answer_));

    TypeStartMessage("[CHANGED]");
    window_->portToolbar->cbbOpenBaud->setCurrentText("9600");
    window_->mniOpenCfg->trigger();
    QCOMPARE(asked_, (QList<bool>{true, false}));
    QCOMPARE(StartMessageField()->text(), QString("[SAVED]"));
    QCOMPARE(window_->portToolbar->cbbOpenBaud->currentText(), QString("9600"));
    QCOMPARE(window_->CoreSession().portSettings.baud, std::string("9600"));
    QVERIFY(LogText().contains("已载入配置: " + answer_));
  }

  void aCancelledDialogDoesNothing() {
    TypeStartMessage("[MINE]");
    const QString before = LogText();
    window_->mniOpenCfg->trigger();
    window_->mniSaveCfg->trigger();
    QCOMPARE(asked_, (QList<bool>{false, true}));
    QCOMPARE(StartMessageField()->text(), QString("[MINE]"));
    QCOMPARE(LogText(), before);
  }

  void defaultsAndTheLastSavedProfileComeFromTheMenu() {
    TypeStartMessage("[MINE]");
    window_->mniLoadDefault->trigger();
    QCOMPARE(StartMessageField()->text(), QString("[ZAV-T418]"));
    QVERIFY(LogText().contains("已载入默认参数"));

    testing::WriteBytes(Path(kProfileFileName).toStdString(), "[Base]\r\nSTMSG=[RECENT]\r\n");
    window_->mniLoadRecent->trigger();
    QCOMPARE(StartMessageField()->text(), QString("[RECENT]"));
    QVERIFY(asked_.isEmpty());
  }

  void aFileThatCannotBeReadIsAWarningAndChangesNothing() {
    TypeStartMessage("[MINE]");
    answer_ = Path("nowhere.ini");
    window_->mniOpenCfg->trigger();
    QCOMPARE(StartMessageField()->text(), QString("[MINE]"));
    QVERIFY(LogText().contains("无法读取配置文件: " + answer_));
    QVERIFY(messages_.shown.empty());
  }

  // A file that is no configuration (noise, a text of another kind) is read and
  // refused: the form keeps every value it had, and the log says why.
  void aFileOfNoConfigurationIsAWarningAndChangesNothing() {
    TypeStartMessage("[MINE]");
    const std::string before = FormAsSaved("before.ini");
    std::string noise(4096, '\0');
    std::mt19937 random(418);
    for (char& byte : noise) byte = static_cast<char>(random() & 0xFF);
    const std::string readme =
        "# T418 configuration tool\n\nSet the port = the terminal's line, then click Read.\n\n"
        "[Installing]\nrun = scripts/setup\nbuild=cmake --build build\n";
    const struct {
      const char* name;
      std::string bytes;
    } files[] = {{"noise.ini", noise}, {"README.ini", readme}};
    for (const auto& file : files) {
      testing::WriteBytes(Path(file.name).toStdString(), file.bytes);
      answer_ = Path(file.name);
      window_->mniOpenCfg->trigger();
      QCOMPARE(StartMessageField()->text(), QString("[MINE]"));
      QVERIFY2(LogText().contains("无法读取配置文件: " + answer_), qPrintable(LogText()));
      QCOMPARE(FormAsSaved("after.ini"), before);
      QVERIFY(!LogText().contains("已载入配置: "));
    }
    QVERIFY(LogText().contains("not a configuration file"));
    QVERIFY(messages_.shown.empty());
  }

  void aFailedSaveSaysWhereInAMessageBox() {
    testing::WriteBytes(Path("plain").toStdString(), "a file");
    answer_ = Path("plain/terminal.ini");
    window_->mniSaveCfg->trigger();
    QCOMPARE(messages_.shown, std::vector<std::string>{"Unable to write to " + answer_.toStdString()});
    QCOMPARE(QString::fromStdString(testing::ReadBytes(Path("plain").toStdString())), QString("a file"));
  }

  void closingTheWindowSavesWhatItShows() {
    TypeStartMessage("[CLOSED]");
    window_->portToolbar->cbbOpenBaud->setCurrentText("57600");
    window_->mni_Hint->trigger();  // live help off
    window_->close();
    const IniDocument saved = IniDocument::Parse(testing::ReadBytes(Path(kProfileFileName).toStdString()));
    QCOMPARE(QString::fromStdString(saved.ReadString("Base", "STMSG", "")), QString("[CLOSED]"));
    QCOMPARE(QString::fromStdString(saved.ReadString("OpenUart", "BaudRate", "")), QString("57600"));
    QCOMPARE(QString::fromStdString(saved.ReadString("System", "ReadTimeHelp", "")), QString("0"));

    // The next window shows it.
    rig_.reset();
    MakeWindow();
    QCOMPARE(StartMessageField()->text(), QString("[CLOSED]"));
    QCOMPARE(window_->portToolbar->cbbOpenBaud->currentText(), QString("57600"));
    QVERIFY(!window_->mni_Hint->isChecked());
  }

  void theProfilesCustomKeyHidesTheWebLinks() {
    rig_.reset();
    testing::WriteBytes(Path(kProfileFileName).toStdString(), "[System]\r\nCustom=1\r\n");
    MakeWindow();
    QVERIFY(!window_->mni_Up->isVisible());
    QVERIFY(!window_->mni_WorkOrder->isVisible());
    QVERIFY(window_->mni_About->isVisible());
  }
};

QTEST_MAIN(ProfileMenuTest)
#include "profile_menu_test.moc"

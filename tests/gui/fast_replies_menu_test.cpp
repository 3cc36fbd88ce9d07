// The File menu's fast-replies item on the offscreen platform: it switches the
// session's option and the serial line's framing, and the profile written when
// the window closes keeps it for the next window.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/tool_program.h"
#include "form_fakes.h"
#include "log_fakes.h"
#include "params/profile_file.h"
#include "temp_folder.h"

using namespace t418;

class FastRepliesMenuTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  testing::FixedLogClock clock_;
  testing::RecordingMessages messages_;
  std::unique_ptr<ToolProgram> program_;
  TFrm_Main* window_ = nullptr;

  void MakeWindow() {
    SessionOptions options;
    options.programFolder = folder_->path().toStdString();
    options.logClock = &clock_;
    options.systemIsChinese = [] { return true; };
    MainWindowOptions windowOptions;
    windowOptions.messages = &messages_;
    program_ = std::make_unique<ToolProgram>(std::move(options), windowOptions);
    window_ = &program_->window;
    window_->show();
  }
  std::string ProfilePath() const { return folder_->filePath(kProfileFileName).toStdString(); }
  Session& CoreSession() { return window_->CoreSession(); }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QFile::copy(T418_SOURCE_DIR "/resources/province&city.json", folder_->filePath("province&city.json"));
    MakeWindow();
  }
  void cleanup() {
    program_.reset();
    window_ = nullptr;
    folder_.reset();
  }

  void theItemIsAnUncheckedCheckItemOfTheFileMenuInBothLanguages() {
    QVERIFY(window_->mni_File->actions().contains(window_->mniFastReplies));
    QVERIFY(window_->mniFastReplies->isCheckable());
    QVERIFY(!window_->mniFastReplies->isChecked());
    QVERIFY(!CoreSession().ReplyFraming());
    QCOMPARE(window_->mniFastReplies->text(), QString("快速应答(按应答结尾)"));
    window_->mni_En->trigger();
    QCOMPARE(window_->mniFastReplies->text(), QString("Fast replies (end of reply)"));
  }

  void choosingTheItemSwitchesTheSessionAndTheLine() {
    window_->mniFastReplies->trigger();
    QVERIFY(window_->mniFastReplies->isChecked());
    QVERIFY(CoreSession().ReplyFraming());
    QCOMPARE(CoreSession().Comm().ReplyFraming(), FramingMode::kReplies);
    window_->mniFastReplies->trigger();
    QVERIFY(!window_->mniFastReplies->isChecked());
    QVERIFY(!CoreSession().ReplyFraming());
    QCOMPARE(CoreSession().Comm().ReplyFraming(), FramingMode::kOff);
  }

  void theProfileKeepsItForTheNextWindow() {
    window_->mniFastReplies->trigger();
    window_->close();
    const IniDocument saved = IniDocument::Parse(testing::ReadBytes(ProfilePath()));
    QCOMPARE(QString::fromStdString(saved.ReadString("System", "FastReplies", "")), QString("1"));

    program_.reset();
    MakeWindow();
    QVERIFY(window_->mniFastReplies->isChecked());
    QVERIFY(CoreSession().ReplyFraming());
    QCOMPARE(CoreSession().Comm().ReplyFraming(), FramingMode::kReplies);

    // Switched off, the next window starts without it.
    window_->mniFastReplies->trigger();
    window_->close();
    program_.reset();
    MakeWindow();
    QVERIFY(!window_->mniFastReplies->isChecked());
    QVERIFY(!CoreSession().ReplyFraming());
  }
};

QTEST_MAIN(FastRepliesMenuTest)
#include "fast_replies_menu_test.moc"

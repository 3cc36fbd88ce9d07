// The File menu's fast-replies item on the offscreen platform: it switches the
// session's option and the serial line's framing, and the profile written when
// the window closes keeps it for the next window.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "form_fakes.h"
#include "log_fakes.h"
#include "params/profile_file.h"
#include "temp_folder.h"
#include "window_rig.h"

using namespace t418;

class FastRepliesMenuTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  testing::FixedLogClock clock_;
  testing::RecordingMessages messages_;
  std::unique_ptr<testing::WindowRig> rig_;
  TFrm_Main* window_ = nullptr;

  void MakeWindow() {
    testing::WindowRigSetup setup;
    setup.logClock = &clock_;
    rig_ = std::make_unique<testing::WindowRig>(folder_->path(), MainWindowOptions{&messages_}, setup);
    window_ = &rig_->Window();
  }
  std::string ProfilePath() const { return folder_->filePath(kProfileFileName).toStdString(); }
  Session& CoreSession() { return window_->CoreSession(); }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    MakeWindow();
  }
  void cleanup() {
    rig_.reset();
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

    rig_.reset();
    MakeWindow();
    QVERIFY(window_->mniFastReplies->isChecked());
    QVERIFY(CoreSession().ReplyFraming());
    QCOMPARE(CoreSession().Comm().ReplyFraming(), FramingMode::kReplies);

    // Switched off, the next window starts without it.
    window_->mniFastReplies->trigger();
    window_->close();
    rig_.reset();
    MakeWindow();
    QVERIFY(!window_->mniFastReplies->isChecked());
    QVERIFY(!CoreSession().ReplyFraming());
  }
};

QTEST_MAIN(FastRepliesMenuTest)
#include "fast_replies_menu_test.moc"

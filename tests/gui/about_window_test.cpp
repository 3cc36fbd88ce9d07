// The About window as the user reaches it, through its menu item on the main
// window: its texts in the current language, the version line, the website
// label, and the five clicks on the picture that switch the traffic log's hex
// copy on (and every other click off).
#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <memory>

#include "app/about_window.h"
#include "app/traffic_log_widget.h"
#include "app/qt_text.h"
#include "build_version.h"
#include "form_fakes.h"
#include "log_fakes.h"
#include "params/encodings.h"
#include "window_rig.h"

using namespace t418;

namespace {

// The website as a language file gives it, to tell it from the built-in one.
constexpr char kLanguageFile[] =
    "lang_About_Website|http://cn.example.org/t418-about|http://www.example.org/t418-about\r\n";

bool Near(QRgb got, QRgb want) {
  constexpr int kTolerance = 16;
  return std::abs(qRed(got) - qRed(want)) <= kTolerance && std::abs(qGreen(got) - qGreen(want)) <= kTolerance &&
         std::abs(qBlue(got) - qBlue(want)) <= kTolerance;
}

QByteArray LogoBytes() {
  QFile file(T418_SOURCE_DIR "/resources/about_logo.jpg");
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class AboutWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  testing::FixedLogClock clock_;
  testing::RecordingMessages messages_;
  std::unique_ptr<testing::WindowRig> rig_;
  TFrm_Main* window_ = nullptr;
  Tfrm_About* about_ = nullptr;
  std::vector<QUrl> opened_;

  void MakeWindow() {
    testing::WindowRigSetup setup;
    setup.logClock = &clock_;
    rig_ = std::make_unique<testing::WindowRig>(folder_->path(), MainWindowOptions{&messages_}, setup);
    window_ = &rig_->Window();
    about_ = window_->frm_About;
    about_->SetUrlOpener([this](const QUrl& url) { opened_.push_back(url); });
  }

  void OpenAbout() { window_->mni_About->trigger(); }
  void ClickPicture(int times = 1) {
    for (int i = 0; i < times; ++i) QTest::mouseClick(about_->img_About, Qt::LeftButton);
  }
  // The switch in the log model and the pane it shows or hides.
  bool HexCopyOn() {
    const bool on = window_->CoreSession().Log().hexCopy;
    const bool shown = !window_->logWidget->HexBox()->isHidden();
    if (on != shown) qWarning("hex switch %d but hex pane shown %d", on, shown);
    return on && shown;
  }
  bool HexCopyOff() { return !window_->CoreSession().Log().hexCopy && window_->logWidget->HexBox()->isHidden(); }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    opened_.clear();
    QFile language(folder_->filePath("T418Lang.txt"));
    QVERIFY(language.open(QIODevice::WriteOnly));
    language.write(kLanguageFile);
    language.close();
    MakeWindow();
  }
  void cleanup() {
    rig_.reset();
    window_ = nullptr;
    about_ = nullptr;
    folder_.reset();
  }

  void existsHiddenAndTheMenuItemShowsItModally() {
    QVERIFY(about_ != nullptr);
    QCOMPARE(about_->objectName(), QString("frm_About"));
    QVERIFY(!about_->isVisible());
    QVERIFY(window_->mni_Help->menuAction()->isVisible());

    OpenAbout();
    QVERIFY(about_->isVisible());
    QCOMPARE(about_->windowModality(), Qt::ApplicationModal);
    QCOMPARE(about_->size(), QSize(473, 215));
    QCOMPARE(about_->minimumSize(), about_->maximumSize());  // fixed size
    QVERIFY(!(about_->windowFlags() & Qt::WindowMinMaxButtonsHint));
    QCOMPARE(about_->lbl_Aboutl_Description->size(), QSize(265, 73));
    QVERIFY(about_->lbl_Aboutl_Description->wordWrap());
    QVERIFY(about_->lbl_About_version->geometry().right() < about_->lbl_version->geometry().left());

    about_->btn_About_Yes->click();
    QVERIFY(!about_->isVisible());
  }

  void pictureIsTheDecodedLogo() {
    OpenAbout();
    QCOMPARE(about_->img_About->size(), QSize(100, 100));
    const QImage shown = about_->img_About->pixmap().toImage();
    QCOMPARE(shown.size(), QSize(100, 100));
    // As tools/about-logo/make-logo.sh draws it.
    QVERIFY(Near(shown.pixel(1, 1), qRgb(255, 255, 255)));
    QVERIFY(Near(shown.pixel(10, 50), qRgb(0x15, 0x65, 0xC0)));
    QVERIFY(Near(shown.pixel(50, 17), qRgb(255, 255, 255)));
    QCOMPARE(shown.convertToFormat(QImage::Format_RGB888), AboutPictureFromJpeg(LogoBytes()));
  }

  void brokenPictureBytesGiveNoImageAndAReason() {
    const QByteArray whole = LogoBytes();
    QVERIFY(whole.size() > 1000);
    QString error;
    QVERIFY(!AboutPictureFromJpeg(whole).isNull());
    QVERIFY(AboutPictureFromJpeg(whole.left(whole.size() / 2), &error).isNull());
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(AboutPictureFromJpeg(QByteArray(2048, '\x5A'), &error).isNull());
    QVERIFY(!error.isEmpty());
    QVERIFY(AboutPictureFromJpeg(QByteArray()).isNull());
  }

  void onlyTheFifthClickTurnsTheHexCopyOn() {
    OpenAbout();
    QVERIFY(HexCopyOff());
    for (int click = 1; click <= 8; ++click) {
      ClickPicture();
      QCOMPARE(about_->PictureClicks(), click);
      if (click == 5)
        QVERIFY2(HexCopyOn(), "click 5");
      else
        QVERIFY2(HexCopyOff(), qPrintable(QString("click %1").arg(click)));
    }
    // A right click is no click.
    QTest::mouseClick(about_->img_About, Qt::RightButton);
    QCOMPARE(about_->PictureClicks(), 8);
  }

  void hexCopyOutlivesTheWindowAndTheFirstClickAfterReopeningEndsIt() {
    OpenAbout();
    ClickPicture(5);
    QVERIFY(HexCopyOn());
    about_->btn_About_Yes->click();
    QVERIFY(!about_->isVisible());
    QVERIFY(HexCopyOn());

    // New entries reach the hex pane while the switch is on.
    window_->CoreSession().Log().LogInfo("AT");
    window_->logWidget->Flush();
    QVERIFY(window_->logWidget->HexBox()->toPlainText().contains("41 54"));

    OpenAbout();
    QCOMPARE(about_->PictureClicks(), 0);
    ClickPicture();
    QVERIFY(HexCopyOff());
    // The count started anew with the showing: four more make five.
    ClickPicture(4);
    QVERIFY(HexCopyOn());
  }

  void closingByTheSystemMenuAlsoKeepsTheSwitchAndReopeningResetsTheCount() {
    OpenAbout();
    ClickPicture(3);
    about_->close();
    OpenAbout();
    ClickPicture(2);  // five since the window was first shown, two since it was shown again
    QVERIFY(HexCopyOff());
    ClickPicture(3);
    QVERIFY(HexCopyOn());
  }

  void menuItemWhileShowingBringsItToTheFrontWithoutANewCount() {
    OpenAbout();
    ClickPicture(3);
    OpenAbout();
    QVERIFY(about_->isVisible());
    QCOMPARE(about_->PictureClicks(), 3);
    ClickPicture(2);
    QVERIFY(HexCopyOn());
  }

  void textsFollowTheMainWindowsLanguage() {
    struct Expected {
      QString title, name, version, descriptionStart, contact, website, ok;
    };
    const Expected english{"About", "Name: ZAV-T418", "Version:", "Instruction:  ", "Contact Us:",
                           "http://www.example.org/t418-about", "OK"};
    const Expected chinese{"关于", "名称：ZAV-T418", "版本：", "说明：", "联系我们：",
                           "http://cn.example.org/t418-about", "确 认"};
    for (const bool toChinese : {false, true, false}) {
      window_->SwitchLanguage(toChinese);
      OpenAbout();
      const Expected& want = toChinese ? chinese : english;
      const QString language = toChinese ? "Chinese" : "English";
      QCOMPARE(about_->windowTitle(), want.title);
      QCOMPARE(about_->lbl_SoftName->text(), want.name);
      QCOMPARE(about_->lbl_About_version->text(), want.version);
      QVERIFY2(about_->lbl_Aboutl_Description->text().startsWith(want.descriptionStart), qPrintable(language));
      QVERIFY(about_->lbl_Aboutl_Description->text().size() > want.descriptionStart.size());
      QCOMPARE(about_->lbl_About_Contact->text(), want.contact);
      QCOMPARE(about_->lbl_About_Website->text(), want.website);
      const TextLookup& texts = window_->CoreSession().Lang();
      QCOMPARE(about_->lbl_Aboutl_Description->text(), LangQ(texts, "lang_About_Description"));
      QCOMPARE(about_->lbl_About_Tel->text(), LangQ(texts, "lang_About_Tel"));
      QCOMPARE(about_->lbl_About_Email->text(), LangQ(texts, "lang_About_Email"));
      QVERIFY(!about_->lbl_About_Tel->text().isEmpty());
      QVERIFY(about_->lbl_About_Email->text().contains('@'));
      QCOMPARE(about_->btn_About_Yes->text(), want.ok);
      about_->btn_About_Yes->click();
    }
  }

  void versionLineShowsThreeNumbers() {
    OpenAbout();
    const QString version = about_->lbl_version->text();
    // The program's file version is major.minor.release.build (1.0.4.4 shows
    // " V1.0.4"): the build number is left out.
    QCOMPARE(version, QString(" V%1.%2.%3").arg(T418_VERSION_MAJOR).arg(T418_VERSION_MINOR).arg(T418_VERSION_PATCH));
    QCOMPARE(version, " V" + QString::fromStdString(FileVersionText()));
    QCOMPARE(version.count('.'), 2);
  }

  void websiteLabelOpensTheAddressItShows() {
    for (const bool chinese : {true, false}) {
      window_->SwitchLanguage(chinese);
      OpenAbout();
      opened_.clear();
      QTest::mouseClick(about_->lbl_About_Website, Qt::LeftButton);
      QCOMPARE(opened_.size(), std::size_t(1));
      QCOMPARE(opened_.front(), QUrl(about_->lbl_About_Website->text()));
      QCOMPARE(opened_.front().toString(), chinese ? QString("http://cn.example.org/t418-about")
                                                    : QString("http://www.example.org/t418-about"));
      about_->close();
    }
    // Clicks elsewhere open nothing.
    OpenAbout();
    opened_.clear();
    QTest::mouseClick(about_->lbl_About_Email, Qt::LeftButton);
    ClickPicture();
    QVERIFY(opened_.empty());
  }

  void websiteLabelLooksLikeALink() {
    OpenAbout();
    QLabel* link = about_->lbl_About_Website;
    QVERIFY(link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(!about_->lbl_About_Tel->font().underline());
  }
};

QTEST_MAIN(AboutWindowTest)
#include "about_window_test.moc"

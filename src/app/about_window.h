#pragma once
// The About window frm_About: the product's name and version, a short
// description and the maker's contact lines. It also holds a service switch:
// the fifth click on the picture since the window was last shown turns the
// traffic log's hex copy on, and every other click turns it off.
//
// The window is made once, hidden, with the main window; the menu item shows
// it (modally) and every showing applies the texts of the language current then.
#include <QDialog>
#include <QImage>
#include <QString>

#include <functional>
#include <string_view>

class QByteArray;
class QFrame;
class QLabel;
class QPushButton;
class QUrl;

namespace t418 {

class TextLookup;
class TrafficLogWidget;

// Where the picture comes from: a JPEG compiled into the program.
inline constexpr char kAboutPicturePath[] = ":/about_logo.jpg";

// The bytes of a JPEG file as an image to draw; a null image, and the
// decoder's reason in `error`, when they are not a whole JPEG picture.
QImage AboutPictureFromJpeg(const QByteArray& jpeg, QString* error = nullptr);

class Tfrm_About : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kClientWidth = 473;
  static constexpr int kClientHeight = 215;
  static constexpr int kPictureSize = 100;
  // The click on the picture that turns the hex copy on.
  static constexpr int kHexCopyClick = 5;

  using UrlOpener = std::function<void(const QUrl&)>;

  // `texts` and `log` must outlive the window.
  Tfrm_About(const TextLookup& texts, TrafficLogWidget& log, QWidget* parent = nullptr);

  // How a web address is opened: the desktop's handler, unless replaced.
  void SetUrlOpener(UrlOpener opener);

  // Runs on every showing (not on a restore from the task bar): the click
  // counter starts anew, texts and version are set.
  void FormShow();
  void setVisible(bool visible) override;
  // Title, then the labels and the button, from the catalogue.
  void ApplyAboutTexts();

  // Click handlers.
  void lbl_About_WebsiteClick();
  void btn_About_YesClick();
  void img_AboutClick();

  // Clicks on the picture since the window was shown.
  int PictureClicks() const { return pictureClicks_; }

  QLabel* img_About;
  QLabel* lbl_SoftName;
  QLabel* lbl_About_version;
  QLabel* lbl_version;
  QLabel* lbl_Aboutl_Description;
  QFrame* Bevel1;
  QLabel* lbl_About_Contact;
  QLabel* lbl_About_Website;
  QLabel* lbl_About_Tel;
  QLabel* lbl_About_Email;
  QPushButton* btn_About_Yes;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWindow();
  void LoadPicture();
  QLabel* MakeLabel(const char* name);
  QString Text(std::string_view name) const;

  const TextLookup& texts_;
  TrafficLogWidget& log_;
  UrlOpener openUrl_;
  int pictureClicks_ = 0;
};

}  // namespace t418

#include "app/about_window.h"

#include <QDesktopServices>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdint>
#include <span>

#include "app/traffic_log_widget.h"
#include "app/qt_text.h"
#include "params/encodings.h"
#include "picture/jpeg_picture.h"

// The picture lives in a resource of the static app library; naming its
// initialiser keeps the linker from leaving it out of the program.
static void InitAboutResource() { Q_INIT_RESOURCE(about); }

namespace t418 {

namespace {

constexpr int kDescriptionWidth = 265;
constexpr int kDescriptionHeight = 73;

// A left-button click: released over the widget it was pressed on.
bool IsClick(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::MouseButtonRelease) return false;
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const auto* widget = static_cast<QWidget*>(watched);
  return mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint());
}

}  // namespace

QImage AboutPictureFromJpeg(const QByteArray& jpeg, QString* error) {
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(jpeg.constData()),
                                            static_cast<std::size_t>(jpeg.size()));
  const JpegPicture picture = DecodeJpeg(bytes);
  if (!picture.Ok()) {
    if (error) *error = QString::fromStdString(picture.error);
    return {};
  }
  // The decoder's rows have no padding; copy() gives the image its own pixels.
  return QImage(picture.rgb.data(), picture.width, picture.height, picture.width * 3, QImage::Format_RGB888)
      .copy();
}

Tfrm_About::Tfrm_About(const TextLookup& texts, TrafficLogWidget& log, QWidget* parent)
    : QDialog(parent), texts_(texts), log_(log), openUrl_([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
  setObjectName("frm_About");
  // Single fixed border, the system menu's close button only, modal when shown.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setWindowModality(Qt::ApplicationModal);
  setFixedSize(kClientWidth, kClientHeight);
  BuildWindow();
  LoadPicture();
}

void Tfrm_About::SetUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

QString Tfrm_About::Text(std::string_view name) const { return LangQ(texts_, name); }

QLabel* Tfrm_About::MakeLabel(const char* name) {
  auto* label = new QLabel(this);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);  // a language file's text is shown as written
  return label;
}

void Tfrm_About::BuildWindow() {
  img_About = MakeLabel("img_About");
  img_About->setFixedSize(kPictureSize, kPictureSize);
  img_About->setScaledContents(true);
  img_About->installEventFilter(this);

  lbl_SoftName = MakeLabel("lbl_SoftName");
  lbl_About_version = MakeLabel("lbl_About_version");
  lbl_version = MakeLabel("lbl_version");
  lbl_Aboutl_Description = MakeLabel("lbl_Aboutl_Description");
  lbl_Aboutl_Description->setWordWrap(true);
  lbl_Aboutl_Description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lbl_Aboutl_Description->setFixedSize(kDescriptionWidth, kDescriptionHeight);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);

  lbl_About_Contact = MakeLabel("lbl_About_Contact");
  lbl_About_Website = MakeLabel("lbl_About_Website");
  // Shown as a link: blue, underlined, a hand over it.
  QFont linkFont = lbl_About_Website->font();
  linkFont.setUnderline(true);
  lbl_About_Website->setFont(linkFont);
  QPalette linkPalette = lbl_About_Website->palette();
  linkPalette.setColor(QPalette::WindowText, Qt::blue);
  lbl_About_Website->setPalette(linkPalette);
  lbl_About_Website->setCursor(Qt::PointingHandCursor);
  lbl_About_Website->installEventFilter(this);
  lbl_About_Tel = MakeLabel("lbl_About_Tel");
  lbl_About_Email = MakeLabel("lbl_About_Email");

  btn_About_Yes = new QPushButton(this);
  btn_About_Yes->setObjectName("btn_About_Yes");
  btn_About_Yes->setDefault(true);
  connect(btn_About_Yes, &QPushButton::clicked, this, &Tfrm_About::btn_About_YesClick);

  // The picture at the left, name, version and description beside it; under
  // the line the contact details and the button.
  auto* versionRow = new QHBoxLayout();
  versionRow->setSpacing(0);
  versionRow->addWidget(lbl_About_version);
  versionRow->addWidget(lbl_version);
  versionRow->addStretch(1);
  auto* facts = new QVBoxLayout();
  facts->setSpacing(4);
  facts->addWidget(lbl_SoftName);
  facts->addLayout(versionRow);
  facts->addWidget(lbl_Aboutl_Description);
  facts->addStretch(1);
  auto* top = new QHBoxLayout();
  top->setSpacing(16);
  top->addWidget(img_About, 0, Qt::AlignTop);
  top->addLayout(facts, 1);

  auto* addresses = new QVBoxLayout();
  addresses->setSpacing(2);
  addresses->addWidget(lbl_About_Website, 0, Qt::AlignLeft);
  addresses->addWidget(lbl_About_Tel);
  addresses->addWidget(lbl_About_Email);
  auto* bottom = new QHBoxLayout();
  bottom->setSpacing(8);
  bottom->addWidget(lbl_About_Contact, 0, Qt::AlignTop);
  bottom->addLayout(addresses);
  bottom->addStretch(1);
  bottom->addWidget(btn_About_Yes, 0, Qt::AlignBottom);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(14, 12, 14, 12);
  layout->setSpacing(8);
  layout->addLayout(top, 1);
  layout->addWidget(Bevel1);
  layout->addLayout(bottom);
}

void Tfrm_About::LoadPicture() {
  InitAboutResource();
  QFile file(kAboutPicturePath);
  QString error = QStringLiteral("cannot be read");
  QImage picture;
  if (file.open(QIODevice::ReadOnly)) picture = AboutPictureFromJpeg(file.readAll(), &error);
  if (picture.isNull()) {
    // The window goes on without its picture; the counter still counts clicks on the empty place.
    qWarning("About picture %s not shown: %s", kAboutPicturePath, qPrintable(error));
    return;
  }
  img_About->setPixmap(QPixmap::fromImage(picture));
}

void Tfrm_About::setVisible(bool visible) {
  // Before the window appears, so it is laid out with its new texts; a
  // restore by the window system does not come here and is no new showing.
  if (visible && !isVisible()) {
    FormShow();
    if (QScreen* screen = QGuiApplication::primaryScreen())
      move(screen->availableGeometry().center() - rect().center());
  }
  QDialog::setVisible(visible);
}

void Tfrm_About::FormShow() {
  pictureClicks_ = 0;
  ApplyAboutTexts();
  lbl_version->setText(" V" + QString::fromStdString(FileVersionText()));
}

void Tfrm_About::ApplyAboutTexts() {
  setWindowTitle(Text("lang_About_Title"));
  lbl_SoftName->setText(Text("lang_About_SoftName"));
  lbl_About_version->setText(Text("lang_About_Version"));
  lbl_Aboutl_Description->setText(Text("lang_About_Description"));
  lbl_About_Contact->setText(Text("lang_About_Contact"));
  lbl_About_Website->setText(Text("lang_About_Website"));
  lbl_About_Tel->setText(Text("lang_About_Tel"));
  lbl_About_Email->setText(Text("lang_About_Email"));
  btn_About_Yes->setText(Text("lang_About_OK"));
}

void Tfrm_About::lbl_About_WebsiteClick() {
  // The address shown is the address opened; one without a scheme ("www...")
  // is taken as a web address, as the desktop's "open" would.
  openUrl_(QUrl::fromUserInput(lbl_About_Website->text()));
}

void Tfrm_About::btn_About_YesClick() { close(); }

void Tfrm_About::img_AboutClick() {
  ++pictureClicks_;
  log_.SetHexCopy(pictureClicks_ == kHexCopyClick);
}

bool Tfrm_About::eventFilter(QObject* watched, QEvent* event) {
  if (IsClick(watched, event)) {
    if (watched == img_About) img_AboutClick();
    if (watched == lbl_About_Website) lbl_About_WebsiteClick();
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace t418

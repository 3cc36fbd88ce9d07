#include "app/port_toolbar.h"

#include <QPainter>
#include <QPixmap>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include "app/qt_text.h"
#include "serial/port_list.h"

namespace t418 {
namespace {

// The toolbar's image list: 0 a closed plug (offers opening), 2 an open one.
QIcon PlugImage(const QColor& colour, bool connected) {
  QPixmap pixmap(24, 24);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(colour.darker(140), 1.5));
  painter.setBrush(colour);
  painter.drawRoundedRect(QRectF(3, 7, 11, 10), 2, 2);
  painter.drawLine(QPointF(14, 10), QPointF(connected ? 21 : 18, 10));
  painter.drawLine(QPointF(14, 14), QPointF(connected ? 21 : 18, 14));
  if (connected) painter.drawRect(QRectF(19, 6, 3, 12));
  return QIcon(pixmap);
}

template <std::size_t N>
QComboBox* MakeList(QWidget* parent, const char* name, const char* const (&items)[N]) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  for (const char* item : items) list->addItem(QString::fromLatin1(item));
  list->setCurrentIndex(-1);
  return list;
}

QLabel* MakeLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  return label;
}

}  // namespace

void PortComboBox::showPopup() {
  emit droppedDown();
  QComboBox::showPopup();
}

void PortComboBox::hidePopup() {
  QComboBox::hidePopup();
  emit closedUp();
}

QString PortComboBox::ShownText() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  return fontMetrics().elidedText(currentText(), Qt::ElideMiddle, field.width());
}

void PortComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  option.currentText = ShownText();
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

PortToolbar::PortToolbar(QWidget* parent) : QToolBar(parent) {
  setObjectName("tlbrOpen");
  setMovable(false);
  setFloatable(false);
  images_ = {PlugImage(QColor(0, 150, 0), false), PlugImage(QColor(0, 150, 0), false),
             PlugImage(QColor(200, 0, 0), true)};

  lblOpenCom = MakeLabel(this, "lblOpenCom");
  cbbOpenCom = new PortComboBox(this);
  cbbOpenCom->setObjectName("cbbOpenCom");
  // Room for a device path such as /dev/ttyUSB0 or a simulator's longer one;
  // a longer path is elided in the middle and whole in the hint.
  cbbOpenCom->setMinimumContentsLength(24);
  cbbOpenCom->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbbOpenCom->addItem(QString());  // one empty item until the list is filled
  cbbOpenCom->setProperty("tag", -1);
  lblOpenBaud = MakeLabel(this, "lblOpenBaud");
  cbbOpenBaud = MakeList(this, "cbbOpenBaud", kBaudRates);
  lblOpenPDS = MakeLabel(this, "lblOpenPDS");
  cbbOpenP = MakeList(this, "cbbOpenP", kParities);
  cbbOpenP->setCurrentIndex(0);
  cbbOpenD = MakeList(this, "cbbOpenD", kDataBits);
  cbbOpenS = MakeList(this, "cbbOpenS", kStopBits);
  lblOpenFlow = MakeLabel(this, "lblOpenFlow");
  cbbOpenFlow = MakeList(this, "cbbOpenFlow", kFlowControls);

  btnOpenClose = new QToolButton(this);
  btnOpenClose->setObjectName("btnOpenClose");
  btnOpenClose->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  QFont bold = btnOpenClose->font();
  bold.setBold(true);
  btnOpenClose->setFont(bold);
  btnOpenClose->setStyleSheet("QToolButton { color: rgb(0, 0, 255); }");
  SetButton(kTagOpen, QString(), 0);

  btnFwUp = new QToolButton(this);
  btnFwUp->setObjectName("btnFwUp");
  btnFwUp->setProperty("tag", kTagFirmware);
  btnFwUp->setPopupMode(QToolButton::MenuButtonPopup);
  // Checked while a firmware file is held; only the session's state sets it.
  btnFwUp->setCheckable(true);
  btnFwUp->setStyleSheet(
      "QToolButton#btnFwUp:checked { background-color: rgb(255, 210, 80); border: 1px solid rgb(176, 128, 0);"
      " border-radius: 3px; font-weight: bold; }");
  pmFwUpOpt = new QMenu(btnFwUp);
  pmFwUpOpt->setObjectName("pmFwUpOpt");
  mniOverRestart = pmFwUpOpt->addAction(QString());
  mniOverRestart->setObjectName("mniOverRestart");
  mniOverRestart->setCheckable(true);
  mniOverRestart->setChecked(true);
  ShowDataStream = pmFwUpOpt->addAction(QString());
  ShowDataStream->setObjectName("ShowDataStream");
  ShowDataStream->setCheckable(true);
  btnFwUp->setMenu(pmFwUpOpt);

  addWidget(lblOpenCom);
  addWidget(cbbOpenCom);
  addSeparator();
  addWidget(lblOpenBaud);
  addWidget(cbbOpenBaud);
  addSeparator();
  addWidget(lblOpenPDS);
  addWidget(cbbOpenP);
  addWidget(cbbOpenD);
  addWidget(cbbOpenS);
  flowLabelAction_ = addWidget(lblOpenFlow);
  flowListAction_ = addWidget(cbbOpenFlow);
  flowLabelAction_->setVisible(false);  // the flow list takes part in the profile only
  flowListAction_->setVisible(false);
  addSeparator();
  addWidget(btnOpenClose);
  addWidget(btnFwUp);

  connect(cbbOpenCom, &PortComboBox::droppedDown, this, &PortToolbar::cbbOpenComDropDown);
  connect(cbbOpenCom, &PortComboBox::closedUp, this, &PortToolbar::cbbOpenComCloseUp);
  connect(btnOpenClose, &QToolButton::clicked, this, [this] { emit openCloseClicked(OpenCloseTag()); });
  connect(btnFwUp, &QToolButton::clicked, this, [this] {
    // A click toggles the mark by itself; the session's answer puts it right.
    btnFwUp->setChecked(!btnFwUp->isChecked());
    emit firmwareClicked(btnFwUp->property("tag").toInt());
  });
  connect(cbbOpenCom, &QComboBox::currentTextChanged, this, &PortToolbar::ShowPortHint);
  for (QComboBox* list : {static_cast<QComboBox*>(cbbOpenCom), cbbOpenBaud, cbbOpenP, cbbOpenD, cbbOpenS, cbbOpenFlow})
    connect(list, &QComboBox::currentTextChanged, this, &PortToolbar::settingsChanged);
}

PortSettings PortToolbar::Settings() const {
  PortSettings settings;
  settings.port = cbbOpenCom->currentText().toStdString();
  settings.baud = cbbOpenBaud->currentText().toStdString();
  settings.parity = cbbOpenP->currentText().toStdString();
  settings.data = cbbOpenD->currentText().toStdString();
  settings.stop = cbbOpenS->currentText().toStdString();
  settings.flow = cbbOpenFlow->currentText().toStdString();
  return settings;
}

void PortToolbar::ShowSettings(const PortSettings& shown) {
  // A copy: the settings may be the ones that settingsChanged writes to.
  const PortSettings settings = shown;
  {
    const QSignalBlocker quiet(this);
    const auto select = [](QComboBox* list, const std::string& text) {
      list->setCurrentIndex(list->findText(QString::fromStdString(text)));
    };
    select(cbbOpenCom, settings.port);
    select(cbbOpenBaud, settings.baud);
    select(cbbOpenP, settings.parity);
    select(cbbOpenD, settings.data);
    select(cbbOpenS, settings.stop);
    select(cbbOpenFlow, settings.flow);
  }
  // Once, with what the lists show now (a text no list holds shows nothing).
  emit settingsChanged();
}

void PortToolbar::SetPorts(const QStringList& ports) {
  cbbOpenCom->clear();
  cbbOpenCom->addItems(ports);
  cbbOpenCom->setCurrentIndex(-1);
}

void PortToolbar::RefreshPortList() {
  QStringList ports;
  for (const auto& port : ListSerialPorts()) ports << QString::fromStdString(port);
  SetPorts(ports);
}

void PortToolbar::cbbOpenComDropDown() {
  cbbOpenCom->setProperty("tag", cbbOpenCom->currentIndex());
  RefreshPortList();
}

void PortToolbar::cbbOpenComCloseUp() {
  if (cbbOpenCom->currentIndex() != -1) return;
  const int remembered = cbbOpenCom->property("tag").toInt();
  if (remembered >= 0 && remembered < cbbOpenCom->count()) cbbOpenCom->setCurrentIndex(remembered);
}

void PortToolbar::SetButton(int tag, const QString& caption, int imageIndex) {
  btnOpenClose->setProperty("tag", tag);
  btnOpenClose->setProperty("imageIndex", imageIndex);
  btnOpenClose->setText(caption);
  btnOpenClose->setIcon(images_.value(imageIndex));
}

void PortToolbar::ShowPortHint() { cbbOpenCom->setToolTip(cbbOpenCom->currentText()); }

void PortToolbar::ShowFirmwareArmed(bool armed) { btnFwUp->setChecked(armed); }

void PortToolbar::ShowPortOpen(const TextLookup& texts) { SetButton(kTagClose, LangQ(texts, "lang_btnClose"), 2); }

void PortToolbar::ShowPortClosed(const TextLookup& texts) { SetButton(kTagOpen, LangQ(texts, "lang_btnOpen"), 0); }

void PortToolbar::ApplyTexts(const TextLookup& texts) {
  const QString hint = LangQ(texts, "hint_cbbOpenUart");
  for (QLabel* label : {lblOpenCom, lblOpenBaud, lblOpenPDS, lblOpenFlow}) {
    label->setText(LangQ(texts, "lang_" + label->objectName().toStdString()));
    label->setToolTip(hint);
  }
  btnOpenClose->setText(LangQ(texts, OpenCloseTag() == kTagClose ? "lang_btnClose" : "lang_btnOpen"));
  for (QComboBox* list : {cbbOpenBaud, cbbOpenP, cbbOpenD, cbbOpenS, cbbOpenFlow}) list->setToolTip(hint);
  btnFwUp->setText(LangQ(texts, "lang_btnFwUp"));
  mniOverRestart->setText(LangQ(texts, "lang_pmFwUpOpt0"));
  ShowDataStream->setText(LangQ(texts, "lang_pmFwUpOpt1"));
}

}  // namespace t418

#include "app/send_area.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QTextCursor>
#include <QVBoxLayout>

#include "app/qt_text.h"

namespace t418 {

SendArea::SendArea(SendSwitches& switches, QWidget* parent) : QWidget(parent), switches_(switches) {
  setObjectName("pnlSend");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);

  rztlbrSend = new QWidget(this);
  rztlbrSend->setObjectName("rztlbrSend");
  auto* bar = new QHBoxLayout(rztlbrSend);
  bar->setContentsMargins(0, 0, 0, 0);

  pmSendType = new QMenu(this);
  pmSendType->setObjectName("pmSendType");
  mniAtCmd = pmSendType->addAction(QString());
  mniAtCmd->setObjectName("mniAtCmd");
  mniSms = pmSendType->addAction(QString());
  mniSms->setObjectName("mniSms");
  btnSendTpye = new QToolButton(rztlbrSend);
  btnSendTpye->setObjectName("btnSendTpye");
  btnSendTpye->setPopupMode(QToolButton::InstantPopup);
  btnSendTpye->setMenu(pmSendType);
  btnSendTpye->setMinimumWidth(150);

  chbTxHex = new QCheckBox("Hex", rztlbrSend);
  chbTxHex->setObjectName("chbTxHex");
  lblSend = new QLabel(rztlbrSend);
  lblSend->setObjectName("lblSend");
  lblSendCount = new QLabel("0", rztlbrSend);
  lblSendCount->setObjectName("lblSendCount");

  pmSend = new QMenu(this);
  pmSend->setObjectName("pmSend");
  mniEnter = pmSend->addAction(QString());
  mniEnter->setObjectName("mniEnter");
  mniCtrlEnter = pmSend->addAction(QString());
  mniCtrlEnter->setObjectName("mniCtrlEnter");
  pmSend->addSeparator();
  mniAutoCR = pmSend->addAction(QString());
  mniAutoCR->setObjectName("mniAutoCR");
  auto* keys = new QActionGroup(this);
  for (QAction* item : {mniEnter, mniCtrlEnter}) {
    item->setCheckable(true);
    keys->addAction(item);
  }
  mniAutoCR->setCheckable(true);
  btnSetSendKey = new QToolButton(rztlbrSend);
  btnSetSendKey->setObjectName("btnSetSendKey");
  btnSetSendKey->setText("Key");
  btnSetSendKey->setPopupMode(QToolButton::InstantPopup);
  btnSetSendKey->setMenu(pmSend);
  btnSend = new QPushButton(rztlbrSend);
  btnSend->setObjectName("btnSend");

  bar->addWidget(btnSendTpye);
  bar->addSpacing(6);
  bar->addWidget(chbTxHex);
  bar->addWidget(lblSend);
  bar->addWidget(lblSendCount, 1);  // the counter fills the rest of the bar
  bar->addWidget(btnSetSendKey);
  bar->addWidget(btnSend);

  rztlbrSendTpye = new QWidget(this);
  rztlbrSendTpye->setObjectName("rztlbrSendTpye");
  auto* phone = new QHBoxLayout(rztlbrSendTpye);
  phone->setContentsMargins(0, 0, 0, 0);
  lblReTelNum = new QLabel(rztlbrSendTpye);
  lblReTelNum->setObjectName("lblReTelNum");
  RzEdit1 = new QLineEdit("86", rztlbrSendTpye);
  RzEdit1->setObjectName("RzEdit1");
  RzEdit1->setAlignment(Qt::AlignRight);
  RzEdit1->setMaximumWidth(50);
  edtReTelNum = new QLineEdit(rztlbrSendTpye);
  edtReTelNum->setObjectName("edtReTelNum");
  phone->addWidget(lblReTelNum);
  phone->addWidget(RzEdit1);
  phone->addWidget(new QLabel(" - ", rztlbrSendTpye));
  phone->addWidget(edtReTelNum, 1);
  rztlbrSendTpye->hide();

  edtSend = new QPlainTextEdit(this);
  edtSend->setObjectName("edtSend");
  edtSend->setMaximumHeight(90);

  layout->addWidget(rztlbrSend);
  layout->addWidget(rztlbrSendTpye);
  layout->addWidget(edtSend);

  connect(mniAtCmd, &QAction::triggered, this, [this] { pmSendTypeClick(1); });
  connect(mniSms, &QAction::triggered, this, [this] { pmSendTypeClick(2); });
  connect(mniEnter, &QAction::triggered, this, [this] { pmSendClick(1); });
  connect(mniCtrlEnter, &QAction::triggered, this, [this] { pmSendClick(2); });
  connect(chbTxHex, &QCheckBox::clicked, this, [this] { chbTxHexClick(); });
  connect(mniAutoCR, &QAction::toggled, this, [this](bool on) { switches_.autoCR = on; });
  connect(chbTxHex, &QCheckBox::toggled, this, [this](bool on) { switches_.hex = on; });
  connect(btnSend, &QPushButton::clicked, this, &SendArea::sendRequested);
}

SendAreaState SendArea::State() const {
  SendAreaState state;
  state.text = BoxTextToGbk(edtSend->toPlainText());
  state.type = switches_.type;
  state.hex = switches_.hex;
  state.autoCR = switches_.autoCR;
  state.countryCode = ToGbk(RzEdit1->text());
  state.phoneNumber = ToGbk(edtReTelNum->text());
  return state;
}

void SendArea::pmSendClick(int tag) {
  QAction* item = nullptr;
  if (tag == 1) {
    switches_.key = SendKey::Enter;
    item = mniEnter;
  } else if (tag == 2) {
    switches_.key = SendKey::CtrlEnter;
    item = mniCtrlEnter;
  } else {
    return;  // the auto line end toggles its own check mark
  }
  item->setChecked(true);
  btnSend->setToolTip(item->text());
}

void SendArea::pmSendTypeClick(int tag) {
  if (tag != 1 && tag != 2) return;
  const bool sms = tag == 2;
  switches_.type = sms ? SendType::Sms : SendType::SerialPort;
  rztlbrSendTpye->setVisible(sms);
  btnSendTpye->setText(sms ? mniSms->text() : mniAtCmd->text());
  btnSendTpye->setProperty("tag", tag);
  chbTxHex->setVisible(!sms);
  lblSend->setVisible(!sms);
  lblSendCount->setVisible(!sms);
}

void SendArea::chbTxHexClick() {
  const std::string text = BoxTextToGbk(edtSend->toPlainText());
  const std::string switched = SwitchHexView(text, chbTxHex->isChecked());
  if (switched != text) edtSend->setPlainText(GbkToBoxText(switched));
}

void SendArea::actCRExecute() {
  QTextCursor cursor = edtSend->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.insertText("\n");
  edtSend->setTextCursor(cursor);
}

void SendArea::ShowSentCount(quint32 sent) { lblSendCount->setText(QString::number(sent)); }

void SendArea::ApplyTexts(const TextLookup& texts) {
  mniAtCmd->setText(LangQ(texts, "lang_pmSendType0"));
  mniSms->setText(LangQ(texts, "lang_pmSendType1"));
  mniEnter->setText(LangQ(texts, "lang_pmSend0"));
  mniCtrlEnter->setText(LangQ(texts, "lang_pmSend1"));
  mniAutoCR->setText(LangQ(texts, "lang_pmSend3"));
  lblSend->setText(LangQ(texts, "lang_lblTxHex"));
  lblReTelNum->setText(LangQ(texts, "lang_lblReTelNum"));
  btnSend->setText(LangQ(texts, "lang_btnSend"));
  btnSend->setToolTip((switches_.key == SendKey::Enter ? mniEnter : mniCtrlEnter)->text());
}

void SendArea::ShowSwitches() {
  (switches_.key == SendKey::Enter ? mniEnter : mniCtrlEnter)->setChecked(true);
  btnSend->setToolTip((switches_.key == SendKey::Enter ? mniEnter : mniCtrlEnter)->text());
  mniAutoCR->setChecked(switches_.autoCR);
  chbTxHex->setChecked(switches_.hex);
  pmSendTypeClick(switches_.type == SendType::Sms ? 2 : 1);
}

}  // namespace t418

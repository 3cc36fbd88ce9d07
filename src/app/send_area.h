#pragma once
// The send area under the log: the send box, the send type and send key menus,
// the Hex box, the sent-byte counter and the telephone bar for SMS. Its
// switches live in the session (SendSwitches); the widgets show them.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

#include "lang/text_lookup.h"
#include "session/manual_terminal.h"
#include "session/session.h"

namespace t418 {

class SendArea : public QWidget {
  Q_OBJECT
 public:
  explicit SendArea(SendSwitches& switches, QWidget* parent = nullptr);

  // What the send action reads.
  SendAreaState State() const;
  SendKey CurrentSendKey() const { return switches_.key; }
  // The widgets from the switches, after they were set directly (the profile).
  void ShowSwitches();

  // The menu handlers, by the item's tag.
  void pmSendClick(int tag);
  void pmSendTypeClick(int tag);
  void chbTxHexClick();
  // The new-line action: a line break at the end, whatever the caret position.
  void actCRExecute();
  void ShowSentCount(quint32 sent);
  void ApplyTexts(const TextLookup& texts);

  QPlainTextEdit* edtSend;
  QWidget* rztlbrSend;
  QToolButton* btnSendTpye;
  QMenu* pmSendType;
  QAction* mniAtCmd;
  QAction* mniSms;
  QCheckBox* chbTxHex;
  QLabel* lblSend;
  QLabel* lblSendCount;
  QPushButton* btnSend;
  QToolButton* btnSetSendKey;
  QMenu* pmSend;
  QAction* mniEnter;
  QAction* mniCtrlEnter;
  QAction* mniAutoCR;
  QWidget* rztlbrSendTpye;
  QLabel* lblReTelNum;
  QLineEdit* RzEdit1;
  QLineEdit* edtReTelNum;

 signals:
  void sendRequested();

 private:
  SendSwitches& switches_;
};

}  // namespace t418

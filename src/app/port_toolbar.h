#pragma once
// The port toolbar: the port list, the line settings and the open/close button.
// It only shows choices and the button's state; opening is the serial core's.
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "lang/text_lookup.h"
#include "session/session.h"

namespace t418 {

// A drop-down list that tells when it drops down and when it closes.
class PortComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;
  void hidePopup() override;
  // The text as drawn: the whole port path, or with its middle elided when the
  // box is too narrow (a path's start and its device name both matter).
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 signals:
  void droppedDown();
  void closedUp();
};

class PortToolbar : public QToolBar {
  Q_OBJECT
 public:
  // Tags of btnOpenClose: the button offers opening (1) or closing (2).
  static constexpr int kTagOpen = 1;
  static constexpr int kTagClose = 2;
  // Tag of btnFwUp: the firmware-file command.
  static constexpr int kTagFirmware = 3;

  explicit PortToolbar(QWidget* parent = nullptr);
  // The port list may still report a closing pop-up while it is destroyed.
  ~PortToolbar() override { cbbOpenCom->disconnect(this); }

  // The lists' texts; ShowSettings selects them (a text no list holds: no selection).
  PortSettings Settings() const;
  void ShowSettings(const PortSettings& settings);
  // Replaces the port list's items with the computer's ports.
  void RefreshPortList();
  void SetPorts(const QStringList& ports);

  int OpenCloseTag() const { return btnOpenClose->property("tag").toInt(); }
  // The button's tag, caption and image for the open or the closed port.
  void ShowPortOpen(const TextLookup& texts);
  void ShowPortClosed(const TextLookup& texts);
  // btnFwUp checked and coloured while a firmware file waits for the boot loader.
  void ShowFirmwareArmed(bool armed);
  bool FirmwareArmedShown() const { return btnFwUp->isChecked(); }
  void ApplyTexts(const TextLookup& texts);

  PortComboBox* cbbOpenCom;
  QComboBox* cbbOpenBaud;
  QComboBox* cbbOpenP;
  QComboBox* cbbOpenD;
  QComboBox* cbbOpenS;
  QComboBox* cbbOpenFlow;
  QLabel* lblOpenCom;
  QLabel* lblOpenBaud;
  QLabel* lblOpenPDS;
  QLabel* lblOpenFlow;
  QToolButton* btnOpenClose;
  // The firmware button beside it; its arrow drops down the upgrade options.
  QToolButton* btnFwUp;
  QMenu* pmFwUpOpt;
  QAction* mniOverRestart;  // checkable, checked at start
  QAction* ShowDataStream;  // checkable

 signals:
  // btnOpenClose was clicked; the tag says what it offered.
  void openCloseClicked(int tag);
  // A list's text changed (by the user or the program).
  void settingsChanged();
  // btnFwUp was clicked (its tag, kTagFirmware).
  void firmwareClicked(int tag);

 private:
  void cbbOpenComDropDown();
  void cbbOpenComCloseUp();
  void SetButton(int tag, const QString& caption, int imageIndex);
  // The port list's hint: the whole path of the chosen port.
  void ShowPortHint();

  QList<QIcon> images_;
  QAction* flowLabelAction_ = nullptr;
  QAction* flowListAction_ = nullptr;
};

}  // namespace t418

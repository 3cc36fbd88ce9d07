#pragma once
// The main window: the port toolbar on top, the parameter view on the left,
// the operations group with the action buttons, the traffic log and the send
// area on the right. It binds widgets to a session it is given and owns no
// core object; every decision is the core's.
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <functional>
#include <memory>

#include "params/view_rules.h"
#include "session/session.h"

class QAction;
class QGroupBox;
class QMenu;

namespace t418 {

class ParameterView;
class PortToolbar;
class SendArea;
class Tfrm_About;
class TrafficLogWidget;
class WindowInputFilter;

struct MainWindowOptions {
  // Where message boxes go; null shows them over the window, without blocking.
  MessageBoxPort* messages = nullptr;
  // The firmware file dialog (title, Qt name filters): the chosen path, or empty
  // when cancelled. Null shows a QFileDialog.
  std::function<QString(const QString& title, const QString& filter)> chooseFirmwareFile = nullptr;
  // Asks for a configuration file to open (save false) or to save (save true);
  // an empty text cancels. Null: the file dialog.
  std::function<QString(bool save)> chooseConfigFile = nullptr;
  // Asks the user to confirm a step that cannot be undone (title, question):
  // true goes on. Null: a question box with Yes and No.
  std::function<bool(const QString& title, const QString& question)> confirm = nullptr;
  // Where the log's Save writes (caption, Qt name filters); empty cancels. Null: the file dialog.
  std::function<QString(const QString& caption, const QString& filter)> chooseLogFile = nullptr;
};

// The window is the session's listener; tests may play the core's part and
// call the listener directly.
class TFrm_Main : public QMainWindow, public SessionListener {
  Q_OBJECT
 public:
  TFrm_Main(Session& session, MainWindowOptions options = {});
  ~TFrm_Main() override;

  Session& CoreSession() { return session_; }

  void ApplyMainTexts();
  // The language switch of the menu.
  void SwitchLanguage(bool chinese);
  // The action buttons, by tag; the open/close button by tag.
  void btnDoClick(int tag);
  void btnSysClick(int tag);
  void actSendExecute();
  void actClsExecute();

  // The left half, holding the parameter view.
  QWidget* pnlL;
  ParameterView* parameterView;
  QGroupBox* rzgrpbxDo;
  PortToolbar* portToolbar;
  TrafficLogWidget* logWidget;
  SendArea* sendArea;
  QProgressBar* rzpbWhile;
  // Beside the progress bar while a run goes: stops it (Session::StopRun).
  QPushButton* btnStop;
  QMenu* mni_File;
  // The configuration file entries (pmIni) of the File menu.
  QAction* mniLoadRecent;
  QAction* mniLoadDefault;
  QAction* mniOpenCfg;
  QAction* mniSaveCfg;
  // Fast replies: a check item that switches Session::SetReplyFraming.
  QAction* mniFastReplies;
  QAction* mni_Exit;
  QMenu* mni_Lang;
  QAction* mni_Cn;
  QAction* mni_En;
  QMenu* mni_Help;
  QAction* mni_About;
  QAction* mni_Hint;
  QAction* mni_Up;
  QAction* mni_WorkOrder;
  QAction* actCls;
  // The About window, made hidden with this window and shown by mni_About.
  Tfrm_About* frm_About = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // SessionListener
  void PortStateChanged(bool open) override;
  void ShowProgress(int total, int done) override;
  void HideProgress() override;
  void ShowMessage(const std::string& text) override;
  void RunStateChanged(bool running) override;
  void FirmwareArmedChanged(bool armed) override;

  void BuildWindow();
  void BuildMenu();
  QWidget* BuildOperations();
  void FormCreate();
  void FormClose();
  void mni_MenuClick(QAction* item);
  // The firmware-file command: the dialog, then the file held for the boot loader.
  void SelectFirmwareFile();
  void ShowFirmwareArmed();
  // A question box, or the injected confirmation.
  bool Confirm(const QString& question);
  void mniIniClick(const QString& name);
  QString Text(std::string_view name) const;

  Session& session_;
  MainWindowOptions options_;
  WindowInputFilter* inputFilter_ = nullptr;
  QList<QPushButton*> actionButtons_;
  // Set while the window closes: a message box then waits for the user.
  bool closing_ = false;
  // A run of the order list goes: what would start another is off.
  bool running_ = false;
};

}  // namespace t418

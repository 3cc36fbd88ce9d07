#pragma once
// The main window: the port toolbar on top, the parameter view on the left,
// the operations group with the action buttons, the traffic log and the send
// area on the right. It owns the tool's single instances and wires widgets to
// the core; every decision is the core's.
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <functional>
#include <memory>

#include "lang/lang_list.h"
#include "monitor/traffic_log.h"
#include "params/commands.h"
#include "params/view_rules.h"
#include "session/engine.h"
#include "session/manual_terminal.h"
#include "session/order_list.h"
#include "session/value_list.h"

class QAction;
class QGroupBox;
class QMenu;

namespace t418 {

class ParameterView;
class PortToolbar;
class QtDispatcher;
class QtReplyTimer;
class QtScheduler;
class SendArea;
class SerialPort;
class TComm;
class TrafficLogWidget;
class WindowInputFilter;

class TFrm_Main;

// The steps of start and close that later parts of the tool add: the profile
// and the firmware upgrade. Unset steps are skipped.
struct MainWindowCallouts {
  std::function<void(TFrm_Main&)> loadProfile;
  std::function<void(TFrm_Main&)> saveProfile;
  std::function<void(TFrm_Main&)> closeFirmwareFile;
};

struct MainWindowOptions {
  // Where "T418Lang.txt" and the profile live: the program's folder.
  std::filesystem::path programFolder;
  // The clock of the log's time stamps; the local time when null.
  const LogClock* logClock = nullptr;
  std::function<bool()> systemIsChinese = IsChineseSystem;
  // Where message boxes go; null shows them over the window.
  MessageBoxPort* messages = nullptr;
  MainWindowCallouts callouts;
};

class TFrm_Main : public QMainWindow {
  Q_OBJECT
 public:
  explicit TFrm_Main(MainWindowOptions options);
  ~TFrm_Main() override;

  // The single instances, for the later parts of the tool and for tests.
  TLangList& LangList() { return lang_; }
  TrafficLog& Log() { return log_; }
  SessionEngine& Engine() { return *engine_; }
  SerialPort& Serial() { return *serial_; }
  OrderList& Orders() { return orders_; }
  ValueList& Values() { return values_; }
  HardwareSign& Hardware() { return hardware_; }

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
  QMenu* mni_File;
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

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class ProgressView;

  void BuildWindow();
  void BuildMenu();
  QWidget* BuildOperations();
  void FormCreate();
  void FormClose();
  void mni_MenuClick(QAction* item);
  void ReopenFailed();
  void PortLost();
  QString Text(std::string_view name) const;

  MainWindowOptions options_;
  SystemLogClock systemClock_;
  TLangList lang_;
  TrafficLog log_;
  OrderList orders_;
  ValueList values_;
  HardwareSign hardware_;
  std::unique_ptr<QtDispatcher> dispatcher_;
  std::unique_ptr<TComm> comm_;
  std::unique_ptr<QtReplyTimer> replyTimer_;
  std::unique_ptr<QtScheduler> scheduler_;
  std::unique_ptr<SerialPort> serial_;
  std::unique_ptr<SessionEngine> engine_;
  std::unique_ptr<ManualTerminal> terminal_;
  std::unique_ptr<ProgressView> progressView_;
  std::unique_ptr<MessageBoxPort> ownMessages_;
  MessageBoxPort* messages_ = nullptr;
  WindowInputFilter* inputFilter_ = nullptr;
  QList<QPushButton*> actionButtons_;
  bool closed_ = false;
};

}  // namespace t418

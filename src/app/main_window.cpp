#include "app/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/log_widget.h"
#include "app/param_view.h"
#include "app/port_toolbar.h"
#include "app/qt_ports.h"
#include "app/qt_text.h"
#include "app/send_area.h"
#include "app/window_input.h"
#include "lang/text_catalogue.h"
#include "params/encodings.h"
#include "serial/comm.h"
#include "serial/serial_port.h"

namespace t418 {

// Shows a run's progress under the log and renames the identity entry.
class TFrm_Main::ProgressView : public SessionView {
 public:
  ProgressView(QProgressBar* bar, ParameterView* view) : bar_(bar), view_(view) {}
  void ShowProgress(int total, int done) override {
    bar_->setMaximum(total);
    bar_->setValue(done);
    bar_->show();
  }
  void HideProgress() override { bar_->hide(); }
  void IdentityCmdChanged() override { view_->Rules().RenewIdentityEntry(); }

 private:
  QProgressBar* bar_;
  ParameterView* view_;
};

namespace {

struct ActionButton {
  const char* name;
  int tag;
  bool visible;
};

// The flow buttons, then the command buttons.
constexpr ActionButton kFlowButtons[] = {
    {"btnAskAll", kTagAskAll, true}, {"btnSetAll", kTagSetAll, true},
    {"btnPPPA", kTagPPPA, true},     {"btnENTM", kTagENTM, true}};
constexpr ActionButton kCommandButtons[] = {
    {"btnVER", kTagVER, true},     {"btnCSQ", kTagCSQ, true},     {"btnH", kTagH, true},
    {"btnZ", kTagZ, true},         {"btnSysRestart", kTagSysRestart, true},
    {"btnCLEAR", kTagCLEAR, true}, {"btnCFGTF", kTagCFGTF, false}, {"btnRELD", kTagRELD, false}};

}  // namespace

TFrm_Main::TFrm_Main(MainWindowOptions options)
    : options_(std::move(options)),
      lang_(options_.systemIsChinese),
      log_(options_.logClock ? *options_.logClock : systemClock_) {
  setObjectName("Frm_Main");
  dispatcher_ = std::make_unique<QtDispatcher>(this);
  comm_ = std::make_unique<TComm>(*dispatcher_);
  replyTimer_ = std::make_unique<QtReplyTimer>([this] { engine_->ReplyTimeout(); });
  scheduler_ = std::make_unique<QtScheduler>(this);
  serial_ = std::make_unique<SerialPort>(*comm_, *replyTimer_);
  engine_ = std::make_unique<SessionEngine>(
      SessionParts{orders_, values_, hardware_, log_, lang_, *serial_, *replyTimer_, *scheduler_});
  terminal_ = std::make_unique<ManualTerminal>(*engine_);

  if (options_.messages) {
    messages_ = options_.messages;
  } else {
    ownMessages_ = std::make_unique<QtMessageBoxPort>(this);
    messages_ = ownMessages_.get();
  }
  BuildWindow();
  progressView_ = std::make_unique<ProgressView>(rzpbWhile, parameterView);
  engine_->SetView(progressView_.get());

  serial_->OnChunk = [this](const std::string& chunk) { engine_->HandleReceived(chunk); };
  serial_->OnLineError = [this] {
    serial_->SetChoices(portToolbar->Choices());
    // The reopening follows this hook at once; look at its outcome right after.
    QTimer::singleShot(0, this, [this] {
      if (!serial_->PortOpen() && portToolbar->OpenCloseTag() == PortToolbar::kTagClose) ReopenFailed();
    });
  };
  serial_->OnHangup = [this] { PortLost(); };

  inputFilter_ = new WindowInputFilter(
      this, WindowInputActions{[this] { return sendArea->CurrentSendKey(); }, [this] { actSendExecute(); },
                               [this] { sendArea->actCRExecute(); }, [this] { actClsExecute(); }});
  qApp->installEventFilter(inputFilter_);
  qApp->installEventFilter(this);

  FormCreate();
}

TFrm_Main::~TFrm_Main() {
  qApp->removeEventFilter(inputFilter_);
  qApp->removeEventFilter(this);
  if (!closed_) FormClose();
  // The port closes with the component, before the objects its hooks reach.
  serial_->OnChunk = nullptr;
  serial_->OnHangup = nullptr;
  serial_->OnLineError = nullptr;
  comm_->ClosePort();
  // The widgets that see the log, the texts and the hardware sign go before
  // those members do (child widgets would otherwise outlive them).
  delete centralWidget();
}

QString TFrm_Main::Text(std::string_view name) const { return LangQ(lang_, name); }

void TFrm_Main::BuildWindow() {
  resize(1197, 801);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  BuildMenu();
  portToolbar = new PortToolbar(this);
  addToolBar(Qt::TopToolBarArea, portToolbar);
  connect(portToolbar, &PortToolbar::openCloseClicked, this, &TFrm_Main::btnSysClick);

  auto* central = new QWidget(this);
  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(4, 4, 4, 4);
  pnlL = new QWidget(central);
  pnlL->setObjectName("pnlL");
  auto* left = new QVBoxLayout(pnlL);
  left->setContentsMargins(0, 0, 0, 0);
  parameterView = new ParameterView(
      ParameterViewParts{log_, lang_, hardware_, [this] { return lang_.UseChinese; }, messages_}, pnlL);
  left->addWidget(parameterView);
  columns->addWidget(pnlL, 11);
  columns->addWidget(BuildOperations(), 9);
  setCentralWidget(central);
  statusBar()->setObjectName("StatusBar1");
}

void TFrm_Main::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("mm1");
  mni_File = bar->addMenu(QString());
  mni_File->setObjectName("mni_File");
  mni_Exit = mni_File->addAction(QString());
  mni_Exit->setObjectName("mni_Exit");
  mni_Lang = bar->addMenu(QString());
  mni_Lang->setObjectName("mni_Lang");
  mni_Cn = mni_Lang->addAction(QString());
  mni_Cn->setObjectName("mni_Cn");
  mni_En = mni_Lang->addAction(QString());
  mni_En->setObjectName("mni_En");
  auto* languages = new QActionGroup(this);
  for (QAction* item : {mni_Cn, mni_En}) {
    item->setCheckable(true);
    languages->addAction(item);
  }
  mni_Cn->setChecked(true);
  mni_Help = bar->addMenu(QString());
  mni_Help->setObjectName("mni_Help");
  mni_About = mni_Help->addAction(QString());
  mni_About->setObjectName("mni_About");
  mni_Hint = mni_Help->addAction(QString());
  mni_Hint->setObjectName("mni_Hint");
  mni_Hint->setCheckable(true);
  mni_Hint->setChecked(true);
  mni_Up = mni_Help->addAction(QString());
  mni_Up->setObjectName("mni_Up");
  mni_WorkOrder = mni_Help->addAction(QString());
  mni_WorkOrder->setObjectName("mni_WorkOrder");
  // No operation shows the Help menu.
  mni_Help->menuAction()->setVisible(false);
  for (QAction* item : {mni_Exit, mni_Cn, mni_En, mni_About, mni_Hint, mni_Up, mni_WorkOrder})
    connect(item, &QAction::triggered, this, [this, item] { mni_MenuClick(item); });

  actCls = new QAction(this);
  actCls->setObjectName("actCls");
  actCls->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));  // shown in menus; the input filter acts on it
  connect(actCls, &QAction::triggered, this, &TFrm_Main::actClsExecute);
}

QWidget* TFrm_Main::BuildOperations() {
  rzgrpbxDo = new QGroupBox(this);
  rzgrpbxDo->setObjectName("rzgrpbxDo");
  auto* layout = new QVBoxLayout(rzgrpbxDo);

  auto* buttons = new QGridLayout();
  // The flow buttons two to a row and the command buttons three to a row, so
  // the long English captions fit.
  const auto addButton = [&](const ActionButton& entry, int row, int column, int span) {
    auto* button = new QPushButton(rzgrpbxDo);
    button->setObjectName(entry.name);
    button->setProperty("tag", entry.tag);
    button->setVisible(entry.visible);
    button->setMinimumWidth(0);
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    connect(button, &QPushButton::clicked, this, [this, tag = entry.tag] { btnDoClick(tag); });
    actionButtons_ << button;
    if (entry.visible) buttons->addWidget(button, row, column, 1, span);
  };
  int position = 0;
  for (const auto& entry : kFlowButtons) {
    addButton(entry, position / 2, 3 * (position % 2), 3);
    ++position;
  }
  position = 0;
  for (const auto& entry : kCommandButtons) {
    addButton(entry, 2 + position / 3, 2 * (position % 3), 2);
    if (entry.visible) ++position;
  }
  layout->addLayout(buttons);

  logWidget = new TrafficLogWidget(log_, rzgrpbxDo);
  layout->addWidget(logWidget, 1);
  rzpbWhile = new QProgressBar(rzgrpbxDo);
  rzpbWhile->setObjectName("rzpbWhile");
  rzpbWhile->setTextVisible(false);
  rzpbWhile->setMaximumHeight(10);
  rzpbWhile->hide();
  layout->addWidget(rzpbWhile);
  sendArea = new SendArea(rzgrpbxDo);
  layout->addWidget(sendArea);

  connect(logWidget, &TrafficLogWidget::countersChanged, sendArea,
          [this](quint32, quint32 sent) { sendArea->ShowSentCount(sent); });
  connect(sendArea, &SendArea::sendRequested, this, &TFrm_Main::actSendExecute);
  return rzgrpbxDo;
}

void TFrm_Main::FormCreate() {
  InitLanguage(lang_, options_.programFolder);
  if (options_.callouts.loadProfile) {
    options_.callouts.loadProfile(*this);
  } else {
    // Until a profile is read, the toolbar takes the profile's defaults.
    portToolbar->RefreshPortList();
    if (portToolbar->cbbOpenCom->count() > 0) portToolbar->cbbOpenCom->setCurrentIndex(0);
    portToolbar->cbbOpenBaud->setCurrentText("115200");
    portToolbar->cbbOpenP->setCurrentText("NONE");
    portToolbar->cbbOpenD->setCurrentText("8");
    portToolbar->cbbOpenS->setCurrentText("1");
    portToolbar->cbbOpenFlow->setCurrentText("NONE");
    lang_.UseChinese = options_.systemIsChinese();
  }
  mni_Cn->setChecked(lang_.UseChinese);
  mni_En->setChecked(!lang_.UseChinese);
  ApplyMainTexts();
  // Network transparent mode, whatever a profile held.
  parameterView->Rules().SetChecked(parameterView->Form().rbNetTran, true);
  const std::string missing = parameterView->Regions().LoadRegionCatalogue(options_.programFolder.string(), log_);
  if (!missing.empty()) messages_->ShowMessage(missing);
}

void TFrm_Main::FormClose() {
  closed_ = true;
  if (options_.callouts.closeFirmwareFile) options_.callouts.closeFirmwareFile(*this);
  orders_.ClearOrders();
  values_.ClearValues();
  if (options_.callouts.saveProfile) options_.callouts.saveProfile(*this);
}

void TFrm_Main::closeEvent(QCloseEvent* event) {
  if (!closed_) FormClose();
  event->accept();
}

void TFrm_Main::ApplyMainTexts() {
  setWindowTitle(Text("lang_Main_Title") + " V" + QString::fromStdString(FileVersionText()));
  QCoreApplication::setApplicationName(Text("lang_Main_AppTitle"));

  mni_File->setTitle(Text("lang_Menu_File"));
  mni_Exit->setText(Text("lang_Menu_Quit"));
  mni_Lang->setTitle(Text("lang_Menu_Lang"));
  mni_Cn->setText(Text("lang_Menu_Cn"));
  mni_En->setText(Text("lang_Menu_En"));
  mni_Help->setTitle(Text("lang_Menu_Help"));
  mni_About->setText(Text("lang_Menu_About"));
  mni_Hint->setText(Text("lang_Menu_Hint"));
  mni_Up->setText(Text("lang_Menu_Version"));
  mni_WorkOrder->setText(Text("lang_Menu_WorkOrder"));

  for (int i = 0; i <= 5; ++i) log_.LogInfo(lang_.LangText("info_Start" + std::to_string(i)));

  portToolbar->ApplyTexts(lang_);
  parameterView->ApplyTexts([this] { engine_->ApplyHdVerSign(hardware_.current); });

  rzgrpbxDo->setTitle(Text("lang_rzgrpbxDo"));
  for (QPushButton* button : actionButtons_)
    button->setText(Text("lang_" + button->objectName().toStdString()));
  logWidget->ApplyTexts(lang_);
  actCls->setText(Text("lang_pmCls4"));
  sendArea->ApplyTexts(lang_);
  sendArea->pmSendTypeClick(1);
}

void TFrm_Main::SwitchLanguage(bool chinese) {
  (chinese ? mni_Cn : mni_En)->setChecked(true);
  lang_.UseChinese = chinese;
  ApplyMainTexts();
}

void TFrm_Main::mni_MenuClick(QAction* item) {
  const QString name = item->objectName();
  if (name == "mni_Exit") {
    close();
  } else if (name == "mni_Cn" || name == "mni_En") {
    SwitchLanguage(name == "mni_Cn");
  } else if (name == "mni_Hint") {
    // The check mark alone decides whether hints show (see eventFilter).
  } else if (name == "mni_Up") {
    QDesktopServices::openUrl(QUrl(Text("lang_Menu_DownUrl")));
  } else if (name == "mni_WorkOrder") {
    QDesktopServices::openUrl(QUrl(Text("lang_Menu_WorkOrderUrl")));
  }
}

bool TFrm_Main::eventFilter(QObject* watched, QEvent* event) {
  // With "real-time help" switched off, the application shows no hints.
  if (event->type() == QEvent::ToolTip && !mni_Hint->isChecked()) return true;
  return QMainWindow::eventFilter(watched, event);
}

void TFrm_Main::btnDoClick(int tag) { engine_->ActionButtonClick(tag); }

void TFrm_Main::btnSysClick(int tag) {
  if (tag == PortToolbar::kTagOpen) {
    if (serial_->OpenSerialPort(portToolbar->Choices())) {
      portToolbar->ShowPortOpen(lang_);
      log_.LogInfo(lang_.LangText("info_ComOpenYes"));
    } else {
      log_.LogWarning(lang_.LangText("info_ComOpenNo"));
    }
  } else if (tag == PortToolbar::kTagClose) {
    serial_->CloseSerialPort();
    portToolbar->ShowPortClosed(lang_);
    log_.LogInfo(lang_.LangText("info_ComCloseYes"));
  }
}

void TFrm_Main::ReopenFailed() {
  // The reopening after a line error failed: say so, and offer opening again.
  log_.LogWarning(lang_.LangText("info_ComOpenNo"));
  portToolbar->ShowPortClosed(lang_);
}

void TFrm_Main::PortLost() {
  // The device went away (an adapter pulled): close, so nothing vanishes silently.
  log_.LogWarning(lang_.LangText("info_ComLost"));
  serial_->CloseSerialPort();
  portToolbar->ShowPortClosed(lang_);
}

void TFrm_Main::actSendExecute() { terminal_->Send(sendArea->State()); }

void TFrm_Main::actClsExecute() { ClearEditBox(focusWidget()); }

}  // namespace t418

#include "app/main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/about_window.h"
#include "app/traffic_log_widget.h"
#include "app/parameter_view.h"
#include "app/port_toolbar.h"
#include "app/qt_text.h"
#include "app/send_area.h"
#include "app/window_input.h"
#include "params/encodings.h"

namespace t418 {

namespace {

struct ActionButton {
  const char* name;
  int tag;  // the button's tag property
  SessionAction action;
  bool visible;
};

// The flow buttons, then the command buttons.
constexpr ActionButton kFlowButtons[] = {
    {"btnAskAll", kTagAskAll, SessionAction::ReadAll, true},
    {"btnSetAll", kTagSetAll, SessionAction::WriteAll, true},
    {"btnPPPA", kTagPPPA, SessionAction::EnterCommandMode, true},
    {"btnENTM", kTagENTM, SessionAction::EnterDataMode, true}};
constexpr ActionButton kCommandButtons[] = {
    {"btnVER", kTagVER, SessionAction::QueryVersion, true},
    {"btnCSQ", kTagCSQ, SessionAction::QuerySignal, true},
    {"btnH", kTagH, SessionAction::ShowHelp, true},
    {"btnZ", kTagZ, SessionAction::RestartDevice, true},
    {"btnSysRestart", kTagSysRestart, SessionAction::RestartSystem, true},
    {"btnCLEAR", kTagCLEAR, SessionAction::FactoryReset, true},
    {"btnCFGTF", kTagCFGTF, SessionAction::SaveAsDefault, false},
    {"btnRELD", kTagRELD, SessionAction::RestoreDefault, false}};

// The button with this tag, or null.
const ActionButton* ButtonOfTag(int tag) {
  for (const auto& entry : kFlowButtons)
    if (entry.tag == tag) return &entry;
  for (const auto& entry : kCommandButtons)
    if (entry.tag == tag) return &entry;
  return nullptr;
}

}  // namespace

TFrm_Main::TFrm_Main(Session& session, MainWindowOptions options)
    : session_(session), options_(std::move(options)) {
  setObjectName("Frm_Main");
  BuildWindow();
  session_.SetListener(this);

  inputFilter_ = new WindowInputFilter(
      this, WindowInputActions{[this] { return sendArea->CurrentSendKey(); }, [this] { actSendExecute(); },
                               [this] { sendArea->actCRExecute(); }, [this] { actClsExecute(); }});
  qApp->installEventFilter(inputFilter_);
  qApp->installEventFilter(this);

  FormCreate();
  frm_About = new Tfrm_About(session_.Lang(), *logWidget, this);
}

TFrm_Main::~TFrm_Main() {
  qApp->removeEventFilter(inputFilter_);
  qApp->removeEventFilter(this);
  if (!session_.Closed()) FormClose();
  session_.SetListener(nullptr);
  // The widgets that see the session's log and form go before the window does
  // (the session outlives the window, but the log must not call a gone widget).
  session_.Log().SetView(nullptr);
  delete centralWidget();
}

QString TFrm_Main::Text(std::string_view name) const { return LangQ(session_.Lang(), name); }

void TFrm_Main::BuildWindow() {
  resize(1197, 801);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  BuildMenu();
  portToolbar = new PortToolbar(this);
  addToolBar(Qt::TopToolBarArea, portToolbar);
  connect(portToolbar, &PortToolbar::openCloseClicked, this, &TFrm_Main::btnSysClick);
  connect(portToolbar, &PortToolbar::firmwareClicked, this, &TFrm_Main::btnSysClick);
  portToolbar->mniOverRestart->setChecked(session_.RestartAfterUpgrade());
  portToolbar->ShowDataStream->setChecked(session_.FirmwareDataStreamShown());
  connect(portToolbar->mniOverRestart, &QAction::toggled, this,
          [this](bool on) { session_.SetRestartAfterUpgrade(on); });
  connect(portToolbar->ShowDataStream, &QAction::toggled, this,
          [this](bool on) { session_.ShowFirmwareDataStream(on); });
  connect(portToolbar, &PortToolbar::settingsChanged, this,
          [this] { session_.portSettings = portToolbar->Settings(); });

  auto* central = new QWidget(this);
  auto* columns = new QHBoxLayout(central);
  columns->setContentsMargins(4, 4, 4, 4);
  pnlL = new QWidget(central);
  pnlL->setObjectName("pnlL");
  auto* left = new QVBoxLayout(pnlL);
  left->setContentsMargins(0, 0, 0, 0);
  parameterView = new ParameterView(
      ParameterViewParts{session_.Form(), session_.Rules(), session_.Regions(), session_.Lang()}, pnlL);
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
  QList<QAction*> iniItems;
  for (QAction** item : {&mniLoadRecent, &mniLoadDefault, &mniOpenCfg, &mniSaveCfg}) {
    *item = mni_File->addAction(QString());
    iniItems << *item;
  }
  mniLoadRecent->setObjectName("mniLoadRecent");
  mniLoadDefault->setObjectName("mniLoadDefault");
  mniOpenCfg->setObjectName("mniOpenCfg");
  mniSaveCfg->setObjectName("mniSaveCfg");
  mni_File->addSeparator();
  mniFastReplies = mni_File->addAction(QString());
  mniFastReplies->setObjectName("mniFastReplies");
  mniFastReplies->setCheckable(true);
  connect(mniFastReplies, &QAction::toggled, this, [this](bool on) { session_.SetReplyFraming(on); });
  mni_File->addSeparator();
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
  // The Help menu holds the About window and the hint switch; the maker's web
  // links stay hidden (FormCreate).
  connect(mni_Hint, &QAction::toggled, this, [this](bool on) { session_.liveHelp = on; });
  iniItems << mni_Exit << mni_Cn << mni_En << mni_About << mni_Hint << mni_Up << mni_WorkOrder;
  for (QAction* item : iniItems) connect(item, &QAction::triggered, this, [this, item] { mni_MenuClick(item); });

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

  logWidget = new TrafficLogWidget(session_.Log(), rzgrpbxDo);
  logWidget->chooseSaveFile = options_.chooseLogFile;
  layout->addWidget(logWidget, 1);
  rzpbWhile = new QProgressBar(rzgrpbxDo);
  rzpbWhile->setObjectName("rzpbWhile");
  rzpbWhile->setTextVisible(false);
  rzpbWhile->setMaximumHeight(10);
  rzpbWhile->hide();
  btnStop = new QPushButton(rzgrpbxDo);
  btnStop->setObjectName("btnStop");
  btnStop->hide();
  connect(btnStop, &QPushButton::clicked, this, [this] { session_.StopRun(); });
  auto* progressRow = new QHBoxLayout();
  progressRow->addWidget(rzpbWhile, 1);
  progressRow->addWidget(btnStop);
  layout->addLayout(progressRow);
  sendArea = new SendArea(session_.sendSwitches, rzgrpbxDo);
  layout->addWidget(sendArea);

  connect(logWidget, &TrafficLogWidget::countersChanged, sendArea,
          [this](quint32, quint32 sent) { sendArea->ShowSentCount(sent); });
  connect(sendArea, &SendArea::sendRequested, this, &TFrm_Main::actSendExecute);
  return rzgrpbxDo;
}

void TFrm_Main::FormCreate() {
  session_.Create();
  // The toolbar, the send area, the log switches and the menu marks show the
  // session's state (the profile's, once it was read).
  {
    const QSignalBlocker quiet(portToolbar);  // the empty lists are not the session's choices
    portToolbar->RefreshPortList();
  }
  portToolbar->ShowSettings(session_.portSettings);
  sendArea->ShowSwitches();
  logWidget->SyncFromModel();
  mni_Hint->setChecked(session_.liveHelp);
  mniFastReplies->setChecked(session_.ReplyFraming());
  mni_About->setVisible(true);
  // The maker's download and support pages are not this tool's to offer, with
  // or without the profile's "Custom".
  mni_Up->setVisible(false);
  mni_WorkOrder->setVisible(false);
  mni_Cn->setChecked(session_.Lang().UseChinese);
  mni_En->setChecked(!session_.Lang().UseChinese);
  ApplyMainTexts();
  session_.FinishCreate();
}

void TFrm_Main::FormClose() {
  closing_ = true;
  session_.Close();
}

void TFrm_Main::closeEvent(QCloseEvent* event) {
  if (!session_.Closed()) FormClose();
  event->accept();
}

void TFrm_Main::ApplyMainTexts() {
  setWindowTitle(Text("lang_Main_Title") + " V" + QString::fromStdString(FileVersionText()));
  QCoreApplication::setApplicationName(Text("lang_Main_AppTitle"));

  mni_File->setTitle(Text("lang_Menu_File"));
  for (QAction* item : {mniLoadRecent, mniLoadDefault, mniOpenCfg, mniSaveCfg, mniFastReplies})
    item->setText(Text("lang_" + item->objectName().toStdString()));
  mni_Exit->setText(Text("lang_Menu_Quit"));
  mni_Lang->setTitle(Text("lang_Menu_Lang"));
  mni_Cn->setText(Text("lang_Menu_Cn"));
  mni_En->setText(Text("lang_Menu_En"));
  mni_Help->setTitle(Text("lang_Menu_Help"));
  mni_About->setText(Text("lang_Menu_About"));
  mni_Hint->setText(Text("lang_Menu_Hint"));
  mni_Up->setText(Text("lang_Menu_Version"));
  mni_WorkOrder->setText(Text("lang_Menu_WorkOrder"));

  session_.ApplyTexts();
  const TextLookup& texts = session_.Lang();
  portToolbar->ApplyTexts(texts);

  rzgrpbxDo->setTitle(Text("lang_rzgrpbxDo"));
  for (QPushButton* button : actionButtons_)
    button->setText(Text("lang_" + button->objectName().toStdString()));
  logWidget->ApplyTexts(texts);
  actCls->setText(Text("lang_pmCls4"));
  btnStop->setText(Text("info_RunStop"));
  ShowFirmwareArmed();
  sendArea->ApplyTexts(texts);
  sendArea->pmSendTypeClick(1);
}

void TFrm_Main::SwitchLanguage(bool chinese) {
  (chinese ? mni_Cn : mni_En)->setChecked(true);
  session_.Lang().UseChinese = chinese;
  ApplyMainTexts();
}

void TFrm_Main::mni_MenuClick(QAction* item) {
  const QString name = item->objectName();
  if (name == "mni_Exit") {
    close();
  } else if (name == "mni_Cn" || name == "mni_En") {
    SwitchLanguage(name == "mni_Cn");
  } else if (name == "mni_About") {
    if (frm_About->isVisible()) {
      frm_About->raise();
      frm_About->activateWindow();
    } else {
      frm_About->show();  // modal: the window is application-modal
    }
  } else if (name == "mni_Hint") {
    // The check mark alone decides whether hints show (see eventFilter).
  } else if (name == "mni_Up") {
    QDesktopServices::openUrl(QUrl(Text("lang_Menu_DownUrl")));
  } else if (name == "mni_WorkOrder") {
    QDesktopServices::openUrl(QUrl(Text("lang_Menu_WorkOrderUrl")));
  } else if (QStringList{"mniLoadRecent", "mniLoadDefault", "mniOpenCfg", "mniSaveCfg"}.contains(name)) {
    mniIniClick(name);
  }
}

void TFrm_Main::mniIniClick(const QString& name) {
  if (name == "mniLoadDefault") {
    session_.LoadDefaultConfiguration();
    return;
  }
  if (name == "mniLoadRecent") {
    session_.LoadRecentConfiguration();
    return;
  }
  const bool save = name == "mniSaveCfg";
  QString chosen;
  if (options_.chooseConfigFile) {
    chosen = options_.chooseConfigFile(save);
  } else {
    const QString caption = Text("lang_" + name.toStdString());
    const QString folder = QString::fromStdString(session_.ProfileFilePath().parent_path().string());
    const QString filter = Text("info_CfgFilter") + ";;" + Text("info_AllFile") + " (*)";
    chosen = save ? QFileDialog::getSaveFileName(this, caption, folder, filter)
                  : QFileDialog::getOpenFileName(this, caption, folder, filter);
  }
  if (chosen.isEmpty()) return;
  const std::filesystem::path path = chosen.toStdString();
  if (save)
    session_.SaveConfiguration(path);
  else
    session_.OpenConfiguration(path);
}

bool TFrm_Main::eventFilter(QObject* watched, QEvent* event) {
  // With "real-time help" switched off, the application shows no hints.
  if (event->type() == QEvent::ToolTip && !mni_Hint->isChecked()) return true;
  // Esc in this window lets a held firmware file go.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
      session_.FirmwareArmed()) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() == this) {
      session_.DisarmFirmware();
      ShowFirmwareArmed();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TFrm_Main::btnDoClick(int tag) {
  const ActionButton* button = ButtonOfTag(tag);
  if (running_ || button == nullptr) return;
  if (button->action == SessionAction::FactoryReset && !Confirm(Text("info_ConfirmClear"))) return;
  session_.StartAction(button->action);
}

bool TFrm_Main::Confirm(const QString& question) {
  const QString title = Text("info_ConfirmTitle");
  if (options_.confirm) return options_.confirm(title, question);
  return QMessageBox::question(this, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

void TFrm_Main::btnSysClick(int tag) {
  if (tag == PortToolbar::kTagOpen) {
    session_.OpenPort();
  } else if (tag == PortToolbar::kTagClose) {
    session_.ClosePort();
  } else if (tag == PortToolbar::kTagFirmware) {
    SelectFirmwareFile();
  }
}

void TFrm_Main::SelectFirmwareFile() {
  // The click toggled the mark; whatever happens below, it ends as the session says.
  struct ShowStateAfter {
    TFrm_Main* window;
    ~ShowStateAfter() { window->ShowFirmwareArmed(); }
  } showAfter{this};
  // A second click lets the held file go.
  if (session_.FirmwareArmed()) {
    session_.DisarmFirmware();
    return;
  }
  if (!session_.AskForFirmwareFile()) return;
  // "Firmware(*.bin)|*.bin|All(*.*)|*.*": the descriptions carry their patterns.
  const QStringList parts = FromGbk(session_.FirmwareDialogFilter()).split('|');
  QStringList filters;
  for (int i = 0; i < parts.size(); i += 2) filters << parts[i];
  const QString title = Text("info_SlctFwFile");
  const QString folder = QDir::currentPath();
  QString path;
  if (options_.chooseFirmwareFile) {
    path = options_.chooseFirmwareFile(title, filters.join(";;"));
  } else {
    QFileDialog dialog(this, title, folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("bin");
    dialog.setNameFilters(filters);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) path = dialog.selectedFiles().first();
  }
  QDir::setCurrent(folder);
  if (path.isEmpty()) return;
  const QString absolute = QFileInfo(path).absoluteFilePath();
  if (!Confirm(Text("info_ConfirmFwUp") + "\n" + QDir::toNativeSeparators(absolute))) return;
  session_.ArmFirmware(std::filesystem::path(QFile::encodeName(absolute).toStdString()));
}

void TFrm_Main::ShowFirmwareArmed() { FirmwareArmedChanged(session_.FirmwareArmed()); }

void TFrm_Main::FirmwareArmedChanged(bool armed) {
  portToolbar->ShowFirmwareArmed(armed);
  portToolbar->btnFwUp->setToolTip(armed ? Text("info_FwArmedHint") : QString());
}

void TFrm_Main::RunStateChanged(bool running) {
  running_ = running;
  for (QPushButton* button : actionButtons_) button->setEnabled(!running);
  sendArea->btnSend->setEnabled(!running);
  for (QAction* item : {mniLoadRecent, mniLoadDefault, mniOpenCfg}) item->setEnabled(!running);
  btnStop->setVisible(running);
  btnStop->setEnabled(running);
}

void TFrm_Main::PortStateChanged(bool open) {
  if (open)
    portToolbar->ShowPortOpen(session_.Lang());
  else
    portToolbar->ShowPortClosed(session_.Lang());
  ShowFirmwareArmed();
}

void TFrm_Main::ShowProgress(int total, int done) {
  rzpbWhile->setMaximum(total);
  rzpbWhile->setValue(done);
  rzpbWhile->show();
}

void TFrm_Main::HideProgress() { rzpbWhile->hide(); }

void TFrm_Main::ShowMessage(const std::string& text) {
  if (options_.messages) {
    options_.messages->ShowMessage(text);
    return;
  }
  if (closing_) {
    // The window is going: the box must be read before it goes too.
    QMessageBox::warning(this, windowTitle(), FromGbk(text));
    return;
  }
  // Not modal: a box raised while a reply is handled must not hold the run up,
  // nor keep the user from the window; it stays in front of it until closed.
  auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), FromGbk(text), QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::NonModal);
  box->show();
  box->raise();
  box->activateWindow();
}

void TFrm_Main::actSendExecute() {
  if (running_) return;
  session_.Terminal().Send(sendArea->State());
}

void TFrm_Main::actClsExecute() { ClearEditBox(focusWidget()); }

}  // namespace t418

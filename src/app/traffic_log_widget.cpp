#include "app/traffic_log_widget.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QSaveFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include "lang/text_lookup.h"
#include "text/gbk.h"

namespace t418 {

namespace {

QString FromGbk(const std::string& gbk) { return QString::fromStdString(GbkToUtf8(gbk)); }

// Ends the edit block however the drawing ends.
class EditBlock {
 public:
  explicit EditBlock(QTextCursor& cursor) : cursor_(cursor) { cursor_.beginEditBlock(); }
  ~EditBlock() { cursor_.endEditBlock(); }
  EditBlock(const EditBlock&) = delete;
  EditBlock& operator=(const EditBlock&) = delete;

 private:
  QTextCursor& cursor_;
};

}  // namespace

TrafficLogWidget::TrafficLogWidget(TrafficLog& log, QWidget* parent)
    : QWidget(parent), log_(log) {
  hex_.box = MakeBox("edtDialogHex");
  text_.box = MakeBox("edtDialog");

  rzRecive_ = new QWidget(this);
  rzRecive_->setObjectName("rzRecive");
  chbTime_ = new QCheckBox(rzRecive_);
  chbTime_->setObjectName("chbTime");
  chbRxHex_ = new QCheckBox(QStringLiteral("Hex"), rzRecive_);
  chbRxHex_->setObjectName("chbRxHex");
  lblRe_ = new QLabel(rzRecive_);
  lblRe_->setObjectName("lblRe");
  lblReCount_ = new QLabel(rzRecive_);
  lblReCount_->setObjectName("lblReCount");
  btnResetCount_ = new QPushButton(rzRecive_);
  btnResetCount_->setObjectName("btnResetCount");

  auto* bar = new QHBoxLayout(rzRecive_);
  bar->setContentsMargins(0, 0, 0, 0);
  bar->addWidget(chbTime_);
  bar->addSpacing(6);
  bar->addWidget(chbRxHex_);
  bar->addSpacing(6);
  bar->addWidget(lblRe_);
  // The counter takes what the toolbar has left.
  bar->addWidget(lblReCount_, 1);
  bar->addWidget(btnResetCount_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(hex_.box, 1);
  layout->addWidget(text_.box, 2);
  layout->addWidget(rzRecive_);

  pmCls_ = new QMenu(this);
  pmCls_->setObjectName("pmCls");
  actCopy_ = pmCls_->addAction(QString());
  actPaste_ = pmCls_->addAction(QString());
  actSelectAll_ = pmCls_->addAction(QString());
  pmCls_->addSeparator();
  actClear_ = pmCls_->addAction(QString());
  connect(actCopy_, &QAction::triggered, this, [this] {
    if (menuTarget_ != nullptr) menuTarget_->copy();
  });
  connect(actPaste_, &QAction::triggered, this, [this] {
    if (menuTarget_ != nullptr) menuTarget_->paste();
  });
  connect(actSelectAll_, &QAction::triggered, this, [this] {
    if (menuTarget_ != nullptr) menuTarget_->selectAll();
  });
  pmCls_->addSeparator();
  actSave_ = pmCls_->addAction(QString());
  actSave_->setObjectName("actSaveLog");
  connect(actSave_, &QAction::triggered, this, [this] {
    if (menuTarget_ != nullptr) SaveByUser(menuTarget_);
  });
  connect(actClear_, &QAction::triggered, this, [this] {
    if (menuTarget_ == hex_.box) ClearByUser(LogPane::Hex);
    if (menuTarget_ == text_.box) ClearByUser(LogPane::Text);
  });
  for (QPlainTextEdit* box : {text_.box, hex_.box}) {
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(box, &QWidget::customContextMenuRequested, this,
            [this, box](const QPoint& pos) { ShowContextMenu(box, pos); });
  }

  connect(chbTime_, &QCheckBox::clicked, this, [this](bool on) { log_.timeStamps = on; });
  connect(chbRxHex_, &QCheckBox::clicked, this, [this](bool on) { log_.rxHex = on; });
  connect(btnResetCount_, &QPushButton::clicked, this, [this] { log_.ResetCounters(); });

  flushTimer_ = new QTimer(this);
  flushTimer_->setObjectName("logFlush");
  flushTimer_->setSingleShot(true);
  connect(flushTimer_, &QTimer::timeout, this, &TrafficLogWidget::Flush);

  SyncFromModel();
  log_.SetView(this);
}

TrafficLogWidget::~TrafficLogWidget() { log_.SetView(nullptr); }

QPlainTextEdit* TrafficLogWidget::MakeBox(const char* name) {
  auto* box = new QPlainTextEdit(this);
  box->setObjectName(name);
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // A log is never undone; an undo history would hold every entry twice.
  box->setUndoRedoEnabled(false);
  return box;
}

void TrafficLogWidget::ApplyTexts(const TextLookup& texts) {
  auto text = [&texts](const char* name) { return FromGbk(texts.LangText(name)); };
  chbTime_->setText(text("lang_chbTime"));
  lblRe_->setText(text("lang_lblRxHex"));
  btnResetCount_->setText(text("lang_btnResetCount"));
  actCopy_->setText(text("lang_pmCls0"));
  actPaste_->setText(text("lang_pmCls1"));
  actSelectAll_->setText(text("lang_pmCls2"));
  actClear_->setText(text("lang_pmCls4"));
  actSave_->setText(text("info_LogSave"));
  saveCaption_ = text("info_LogSave");
  saveFilter_ = text("info_LogFilter") + ";;" + text("info_AllFile") + " (*)";
  savedText_ = texts.LangText("info_LogSaved");
  saveFailedText_ = texts.LangText("info_LogSaveFailed");
}

void TrafficLogWidget::SaveByUser(const QPlainTextEdit* box) {
  QString path;
  if (chooseSaveFile) {
    path = chooseSaveFile(saveCaption_, saveFilter_);
  } else {
    QFileDialog dialog(window(), saveCaption_, QDir::homePath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(saveFilter_.split(";;"));
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) path = dialog.selectedFiles().first();
  }
  if (path.isEmpty()) return;
  SaveBox(box, path);
}

bool TrafficLogWidget::SaveBox(const QPlainTextEdit* box, const QString& path) {
  // What is still queued belongs to what the user sees next: draw it first.
  Flush();
  QSaveFile file(path);
  bool saved = file.open(QIODevice::WriteOnly);
  if (saved) {
    const QByteArray bytes = box->toPlainText().toUtf8();
    saved = file.write(bytes) == bytes.size() && file.commit();
  }
  if (saved)
    log_.LogInfo(savedText_ + Utf8ToGbk(path.toStdString()));
  else
    log_.LogWarning(saveFailedText_ + Utf8ToGbk(path.toStdString()));
  return saved;
}

void TrafficLogWidget::SetHexCopy(bool on) {
  log_.hexCopy = on;
  hex_.box->setVisible(on);
}

void TrafficLogWidget::SyncFromModel() {
  chbTime_->setChecked(log_.timeStamps);
  chbRxHex_->setChecked(log_.rxHex);
  hex_.box->setVisible(log_.hexCopy);
  lblReCount_->setText(QString::number(log_.ReceivedCount()));
}

void TrafficLogWidget::AppendEntry(LogPane pane, const std::string& entry, LogColour colour) {
  try {
    QString text = FromGbk(entry);
    // CR LF is one line break, a lone CR or LF one each, as the model counts them.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Pane(pane).queue.push_back({std::move(text), colour});
    ScheduleFlush();
  } catch (...) {
    // The entry is missing from the log; nothing is reported.
  }
}

void TrafficLogWidget::ClearPane(LogPane pane) {
  // In order with the queue: what came before the clear is never drawn.
  PaneState& state = Pane(pane);
  state.queue.clear();
  state.clearPending = true;
  ScheduleFlush();
}

void TrafficLogWidget::CountersChanged(std::uint32_t received, std::uint32_t sent) {
  lblReCount_->setText(QString::number(received));
  emit countersChanged(received, sent);
}

void TrafficLogWidget::ClearByUser(LogPane pane) {
  PaneState& state = Pane(pane);
  state.queue.clear();
  state.clearPending = false;
  EmptyBox(state);
  log_.PaneCleared(pane);
}

void TrafficLogWidget::EmptyBox(PaneState& pane) {
  pane.box->clear();
  pane.started = false;
}

int TrafficLogWidget::PendingEntries() const {
  return static_cast<int>(text_.queue.size() + hex_.queue.size()) +
         (text_.clearPending ? 1 : 0) + (hex_.clearPending ? 1 : 0);
}

void TrafficLogWidget::ScheduleFlush() {
  if (!flushTimer_->isActive()) flushTimer_->start(kFlushIntervalMs);
}

void TrafficLogWidget::Flush() {
  int budget = kFlushBudget;
  for (PaneState* pane : {&text_, &hex_}) {
    if (!FlushPane(*pane, budget)) continue;
    // edtDialogChange: the changed box shows its last line.
    QScrollBar* bar = pane->box->verticalScrollBar();
    bar->setValue(bar->maximum());
  }
  if (PendingEntries() > 0) {
    // Over budget: the rest follows as soon as the event loop has had its turn.
    flushTimer_->start(0);
  }
}

bool TrafficLogWidget::FlushPane(PaneState& pane, int& budget) {
  bool changed = false;
  if (pane.clearPending) {
    pane.clearPending = false;
    EmptyBox(pane);
    changed = true;
  }
  if (pane.queue.empty() || budget <= 0) return changed;
  try {
    QTextDocument* document = pane.box->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    EditBlock edit(cursor);
    // Entries of one colour in a row go in as one insertion.
    QString run;
    LogColour runColour = pane.queue.front().colour;
    auto insertRun = [&] {
      if (run.isEmpty()) return;
      QTextCharFormat format;
      format.setForeground(ColourOf(runColour, pane.box));
      cursor.insertText(run, format);
      run.clear();
    };
    // Each entry is a paragraph of its own, the very first one of an empty box
    // included; text that the user pasted counts as a paragraph.
    bool newParagraph = pane.started || !document->isEmpty();
    while (!pane.queue.empty() && budget > 0) {
      Pending& entry = pane.queue.front();
      if (entry.colour != runColour) {
        insertRun();
        runColour = entry.colour;
      }
      if (newParagraph) run += QLatin1Char('\n');
      run += entry.text;
      newParagraph = true;
      pane.started = true;
      budget -= static_cast<int>(entry.text.size()) + 1;
      pane.queue.pop_front();
      changed = true;
    }
    insertRun();
  } catch (...) {
    // Any failure while drawing is swallowed; the entries may then be missing.
    pane.queue.clear();
  }
  return changed;
}

QColor TrafficLogWidget::ColourOf(LogColour colour, const QPlainTextEdit* box) const {
  switch (colour) {
    case LogColour::Reply: return QColor(0, 128, 0);
    case LogColour::Sent: return QColor(0, 0, 255);
    case LogColour::Warning: return QColor(255, 0, 0);
    case LogColour::WindowText: break;
  }
  return box->palette().color(QPalette::WindowText);
}

void TrafficLogWidget::ShowContextMenu(QPlainTextEdit* box, const QPoint& pos) {
  menuTarget_ = box;
  pmCls_->popup(box->viewport()->mapToGlobal(pos));
}

}  // namespace t418

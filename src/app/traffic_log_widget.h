#pragma once
// The traffic log pane of the main window: the log box edtDialog, its hex copy
// edtDialogHex above it (shown only while the hex-copy switch is on), the log
// toolbar rzRecive (time stamps, hex, received counter, reset) and the context
// menu pmCls of both boxes. It is the view of a TrafficLog model, which does
// all the formatting; the widget only draws.
//
// Entries are not drawn one by one: they are queued and drawn in one edit
// every kFlushIntervalMs, so a fast line (460 800 baud, ~1 KB chunks) never
// holds up the event loop for long.
#include <QWidget>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "monitor/traffic_log.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace t418 {

class TextLookup;

class TrafficLogWidget : public QWidget, public LogView {
  Q_OBJECT

 public:
  static constexpr int kFlushIntervalMs = 40;
  // Characters drawn per flush at most; the rest follows on the next turn of
  // the event loop, so even a large backlog is drawn in short slices.
  static constexpr int kFlushBudget = 128 * 1024;

  // Becomes the view of `log`, which must outlive the widget.
  explicit TrafficLogWidget(TrafficLog& log, QWidget* parent = nullptr);
  ~TrafficLogWidget() override;

  // Captions of the toolbar and of the context menu from the catalogue.
  void ApplyTexts(const TextLookup& texts);

  // The hex-copy switch (set by the About window): the model's flag and
  // whether edtDialogHex is shown.
  void SetHexCopy(bool on);
  // Check boxes, the hex pane and the received counter from the model, for
  // when its state was set directly.
  void SyncFromModel();

  // Empties a box as the context menu's Clear does: entries still queued for it
  // are dropped, the counters stay, the model starts the pane's line count anew.
  // For the window-wide clear shortcut when a log box has the focus.
  void ClearByUser(LogPane pane);

  // Draws everything queued now (the flush timer does this on its own).
  void Flush();
  int PendingEntries() const;

  QPlainTextEdit* TextBox() const { return text_.box; }
  QPlainTextEdit* HexBox() const { return hex_.box; }
  QPlainTextEdit* Box(LogPane pane) const { return Pane(pane).box; }
  // rzRecive; it sits below the boxes and may be moved into another layout.
  QWidget* ReceiveToolBar() const { return rzRecive_; }
  QCheckBox* TimeCheck() const { return chbTime_; }
  QCheckBox* RxHexCheck() const { return chbRxHex_; }
  QLabel* ReceivedLabel() const { return lblRe_; }
  QLabel* ReceivedCountLabel() const { return lblReCount_; }
  QPushButton* ResetCountButton() const { return btnResetCount_; }
  // pmCls: copy, paste, select all, a separator, clear, a separator, save.
  QMenu* ContextMenu() const { return pmCls_; }

  // Asks where to save a box's text (caption, Qt name filters); an empty
  // answer cancels. Null: the file-save dialog.
  std::function<QString(const QString& caption, const QString& filter)> chooseSaveFile;
  // Writes the box's text as shown, in UTF-8; the log says where it went or
  // why it could not. The context menu's Save does this after asking.
  bool SaveBox(const QPlainTextEdit* box, const QString& path);

  // LogView
  void AppendEntry(LogPane pane, const std::string& entry, LogColour colour) override;
  void ClearPane(LogPane pane) override;
  void CountersChanged(std::uint32_t received, std::uint32_t sent) override;

 signals:
  // Both counters after every change; the received one is shown here, the sent
  // one belongs to the send toolbar.
  void countersChanged(quint32 received, quint32 sent);

 private:
  struct Pending {
    QString text;  // line breaks already made '\n'
    LogColour colour;
  };
  struct PaneState {
    QPlainTextEdit* box = nullptr;
    std::deque<Pending> queue;
    bool clearPending = false;
    // An entry was added since the box was last emptied, so the next one
    // starts a new paragraph.
    bool started = false;
  };

  PaneState& Pane(LogPane pane) { return pane == LogPane::Hex ? hex_ : text_; }
  const PaneState& Pane(LogPane pane) const { return pane == LogPane::Hex ? hex_ : text_; }
  QPlainTextEdit* MakeBox(const char* name);
  void ScheduleFlush();
  // Draws queued entries of one pane within the budget; true when the box changed.
  bool FlushPane(PaneState& pane, int& budget);
  QColor ColourOf(LogColour colour, const QPlainTextEdit* box) const;
  void ShowContextMenu(QPlainTextEdit* box, const QPoint& pos);
  void EmptyBox(PaneState& pane);
  void SaveByUser(const QPlainTextEdit* box);

  TrafficLog& log_;
  PaneState text_;
  PaneState hex_;
  QTimer* flushTimer_ = nullptr;

  QWidget* rzRecive_ = nullptr;
  QCheckBox* chbTime_ = nullptr;
  QCheckBox* chbRxHex_ = nullptr;
  QLabel* lblRe_ = nullptr;
  QLabel* lblReCount_ = nullptr;
  QPushButton* btnResetCount_ = nullptr;

  QMenu* pmCls_ = nullptr;
  QAction* actCopy_ = nullptr;
  QAction* actPaste_ = nullptr;
  QAction* actSelectAll_ = nullptr;
  QAction* actClear_ = nullptr;
  QAction* actSave_ = nullptr;
  QPlainTextEdit* menuTarget_ = nullptr;
  // The save command's texts in the current language.
  QString saveCaption_;
  QString saveFilter_;
  std::string savedText_;
  std::string saveFailedText_;
};

}  // namespace t418

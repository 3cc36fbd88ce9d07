#pragma once
// The main window's window-wide input rules: the send and new-line keys, the
// clear key (Ctrl+Del) and the one-line wheel scrolling of the parameter areas.
#include <QObject>
#include <functional>

class QWidget;
class QAbstractScrollArea;

namespace t418 {

enum class SendKey;

struct WindowInputActions {
  std::function<SendKey()> sendKey;
  std::function<void()> send;     // actSend
  std::function<void()> newLine;  // actCR
  std::function<void()> clearFocused;  // actCls
};

// Which action an Enter key press takes: the send key set to Enter makes Enter
// send and Ctrl+Enter start a new line; set to Ctrl+Enter, the other way round.
enum class EnterAction { Send, NewLine };
EnterAction ActionForEnter(SendKey sendKey, bool ctrlHeld);

// Empties an edit box of any kind; false for any other control.
bool ClearEditBox(QWidget* widget);

class WindowInputFilter : public QObject {
 public:
  // Watches every event of the application, acting only on those of `window`.
  WindowInputFilter(QWidget* window, WindowInputActions actions);
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool HandleWheel(QObject* watched, QEvent* event);
  QWidget* window_;
  WindowInputActions actions_;
};

}  // namespace t418

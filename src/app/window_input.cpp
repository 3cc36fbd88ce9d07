#include "app/window_input.h"

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <QWheelEvent>

#include "session/manual_terminal.h"

namespace t418 {

EnterAction ActionForEnter(SendKey sendKey, bool ctrlHeld) {
  const bool sendsOnEnter = sendKey == SendKey::Enter;
  return sendsOnEnter != ctrlHeld ? EnterAction::Send : EnterAction::NewLine;
}

bool ClearEditBox(QWidget* widget) {
  if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    // As the user's own deletion, so the field's bindings hear of it.
    line->selectAll();
    line->del();
    return true;
  }
  if (auto* text = qobject_cast<QTextEdit*>(widget)) {
    text->clear();
    return true;
  }
  if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
    plain->clear();
    return true;
  }
  if (auto* list = qobject_cast<QComboBox*>(widget); list && list->isEditable() && list->lineEdit()) {
    list->lineEdit()->selectAll();
    list->lineEdit()->del();
    return true;
  }
  return false;
}

WindowInputFilter::WindowInputFilter(QWidget* window, WindowInputActions actions)
    : QObject(window), window_(window), actions_(std::move(actions)) {}

bool WindowInputFilter::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != window_) return false;
  if (event->type() == QEvent::Wheel) return HandleWheel(watched, event);
  if (event->type() != QEvent::KeyPress) return false;

  auto* key = static_cast<QKeyEvent*>(event);
  const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
  if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
      (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier)) {
    if (ActionForEnter(actions_.sendKey(), modifiers == Qt::ControlModifier) == EnterAction::Send)
      actions_.send();
    else
      actions_.newLine();
    return true;
  }
  if (key->key() == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
    actions_.clearFocused();
    return true;
  }
  return false;
}

bool WindowInputFilter::HandleWheel(QObject*, QEvent* event) {
  // The parameter areas scroll one line per wheel message, even without the focus.
  const QPoint cursor = static_cast<QWheelEvent*>(event)->globalPosition().toPoint();
  for (const char* name : {"advscrlbxPara", "advscrlbxBase"}) {
    auto* area = window_->findChild<QAbstractScrollArea*>(name);
    if (!area || !area->isVisible()) continue;
    const QRect screenRect(area->mapToGlobal(QPoint(0, 0)), area->size());
    if (!screenRect.contains(cursor)) continue;
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    area->verticalScrollBar()->triggerAction(delta > 0 ? QAbstractSlider::SliderSingleStepSub
                                                       : QAbstractSlider::SliderSingleStepAdd);
    return true;
  }
  return false;
}

}  // namespace t418

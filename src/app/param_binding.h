#pragma once
// The widgets of the parameter view bound to the form model. Each control of
// the model has one widget; the binding is the form's observer:
//  - what the user does (a click, a chosen entry, edited text, a key) goes to
//    the model and its rules, and the widget is then drawn again from the model;
//  - every change the model reports is put on the widget with its signals
//    blocked, so a value set by the program never runs a rule a second time.
// A widget keeps nothing that the model does not hold: checked, text, entries,
// chosen entry, visibility, enabled and read-only states, captions, hints,
// pages, pictures and the heights of the two panels the user can drag.
//
// Typing: every character key of a field goes through the field's key filter
// (ViewRules::KeyPress) and every key release through its numeric limit
// (ViewRules::KeyUp). The typing limit of a field binds what the user adds
// (typed or pasted) and never cuts a text the program put there.
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSplitter>

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "params/form_controls.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QStackedWidget;
class QWidget;

namespace t418 {

class ParamForm;
class TextLookup;
class RegionView;
class ViewRules;

// The key a key-press event stands for, as the key filters know keys:
// Backspace 8, paste 22, cut 24, a printable ASCII character itself, any other
// printable character 0x80 (no filter accepts it); 0 for a key that types no
// character (arrows, Delete, Enter, other shortcuts), which no filter sees.
char FilterKeyOf(int qtKey, const QString& text, bool isPaste, bool isCut);

// What is left of an edit after the user changed `before` into `after`, the
// cursor standing at cursorAfter behind the inserted characters, with a typing
// limit of maxLength characters (0: none): when the text grew past the limit,
// the inserted characters are cut to the room that is left (none when the
// text was already longer), as a limited edit box takes a paste. A text that
// did not grow, or stays within the limit, is kept whole. The cursor position
// behind the kept insertion is returned through cursor.
QString LimitTyping(const QString& before, const QString& after, int cursorAfter, int maxLength, int* cursor);

// A splitter that tells when it has been resized (after laying out its parts).
class PanelSplitter : public QSplitter {
 public:
  using QSplitter::QSplitter;
  std::function<void()> afterResize;

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

class ParamBinding : public QObject, public FormObserver {
 public:
  // With texts, every edit field whose text the terminal would refuse gets a
  // red frame and the reason as its hint, as the user types.
  ParamBinding(ParamForm& form, ViewRules& rules, RegionView& regions, const TextLookup* texts = nullptr,
               QObject* parent = nullptr);
  ~ParamBinding() override;

  // Ties a control to its widget. For a labelled edit field, label is its
  // attached caption. Signals are connected by the widget's kind.
  void Bind(Control& control, QWidget* widget, QLabel* label = nullptr);
  // The splitter whose last two parts are the GNSS panel and the global
  // parameters panel: their heights are the model's, the user's drag goes to
  // the model.
  void BindPanels(PanelSplitter* splitter, Control& gnssPanel, Control& basePanel);
  // Widgets whose size the rules read (the whole view, the work-mode group):
  // their height is copied into the model whenever it changes.
  void MeasureHeight(Control& control, QWidget* widget);
  // A double click on the widget runs the GNSS panel size rule.
  void OnDoubleClick(QWidget* widget);
  // Every mouse-wheel event over the scroll box or anything inside it scrolls
  // the box by one line.
  void WheelScrollsOneLine(QScrollArea* box);

  // Draws every bound widget from the model (after building the view).
  void SyncAll();
  // Draws one control's widget from the model.
  void Sync(const Control& control);
  // The heights of the two panels from the model, the rest for the top part;
  // then room the top part's content does not need goes to the panels whose
  // content scrolls, and a panel gives up room its content leaves empty, so a
  // taller window shows more rows instead of blank space.
  void ApplyPanelHeights();

  QWidget* WidgetOf(std::string_view name) const;
  QWidget* WidgetOf(const Control& control) const;

  // FormObserver
  void ControlChanged(const Control& control, ControlProperty property) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Bound {
    Control* control = nullptr;
    QWidget* widget = nullptr;
    QLabel* label = nullptr;  // a labelled edit's caption
  };

  void Apply(const Bound& bound, ControlProperty property);
  // The red frame and its reason, or the plain look, after the text changed.
  void ShowValueCheck(const Control& control, QLineEdit* edit);
  void ApplyItems(const Bound& bound);
  void ConnectUserSignals(const Bound& bound);

  // User actions.
  void UserClicked(Control& control);
  void UserChoseEntry(ChoiceList& list, int index);
  void UserEditedText(Control& control, QLineEdit* edit, const QString& text);
  bool UserKeyPress(Control& control, QEvent* event);
  void UserKeyRelease(Control& control);
  void UserMovedSplitter();
  bool WheelOverBox(QObject* watched, QEvent* event);
  // ApplyPanelHeights once the event loop turns (content shown, hidden or switched).
  void SchedulePanelHeights();

  ParamForm& form_;
  ViewRules& rules_;
  RegionView& regions_;
  const TextLookup* texts_ = nullptr;
  std::unordered_map<const Control*, Bound> bound_;
  QHash<const QObject*, Control*> controlOfWidget_;
  QHash<const QObject*, Control*> measured_;
  QHash<const QObject*, QScrollArea*> wheelBoxOf_;
  QSet<const QObject*> doubleClickers_;
  QPointer<PanelSplitter> splitter_;
  Control* gnssPanel_ = nullptr;
  Control* basePanel_ = nullptr;
  bool applyingPanels_ = false;
  bool panelHeightsScheduled_ = false;
};

}  // namespace t418

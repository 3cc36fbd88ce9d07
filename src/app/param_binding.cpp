#include "app/param_binding.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>

#include "app/qt_text.h"
#include "app/work_mode_pictures.h"
#include "lang/text_lookup.h"
#include "params/param_form.h"
#include "params/value_check.h"
#include "params/view_rules.h"
#include "params/region_view.h"

namespace t418 {

namespace {

constexpr ControlProperty kAllProperties[] = {
    ControlProperty::Caption,  ControlProperty::Hint,      ControlProperty::Visible, ControlProperty::Enabled,
    ControlProperty::Items,    ControlProperty::ItemIndex, ControlProperty::Checked, ControlProperty::Text,
    ControlProperty::ReadOnly, ControlProperty::PageIndex, ControlProperty::Picture, ControlProperty::Height,
};

// The typing limit of a field, 0 for none.
int MaxLengthOf(const Control& control) {
  if (const auto* field = dynamic_cast<const TextField*>(&control)) return field->MaxLength();
  return 0;
}

// The text of a text field of the model; nullptr for other kinds.
const std::string* TextOf(const Control& control) {
  if (const auto* field = dynamic_cast<const TextField*>(&control)) return &field->Text();
  if (const auto* list = dynamic_cast<const ChoiceList*>(&control)) return &list->Text();
  return nullptr;
}

// The line edit a text field is drawn with (the edit part of an editable list).
QLineEdit* LineEditOf(QWidget* widget) {
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit;
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->lineEdit();
  return nullptr;
}

// Only the shown page of a stack counts for its size, so a short page does not
// stand as high as the tallest one.
void SizeStackToCurrentPage(QStackedWidget* stack) {
  for (int i = 0; i < stack->count(); ++i) {
    const auto policy = i == stack->currentIndex() ? QSizePolicy::Preferred : QSizePolicy::Ignored;
    stack->widget(i)->setSizePolicy(policy, policy);
  }
  stack->updateGeometry();
}

}  // namespace

char FilterKeyOf(int qtKey, const QString& text, bool isPaste, bool isCut) {
  if (isPaste) return kKeyCtrlV;
  if (isCut) return kKeyCtrlX;
  if (qtKey == Qt::Key_Backspace) return kKeyBackspace;
  if (text.isEmpty()) return 0;
  const char16_t c = text.at(0).unicode();
  if (c < 0x20 || c == 0x7F) return 0;
  if (c < 0x80) return static_cast<char>(c);
  return static_cast<char>(0x80);
}

QString LimitTyping(const QString& before, const QString& after, int cursorAfter, int maxLength, int* cursor) {
  if (cursor) *cursor = cursorAfter;
  if (maxLength <= 0 || after.size() <= maxLength || after.size() <= before.size()) return after;
  // What follows the cursor was there before; what precedes it, as far as it
  // equals the old text, too. The rest was inserted.
  if (cursorAfter < 0 || cursorAfter > after.size()) cursorAfter = static_cast<int>(after.size());
  const int suffix = std::min<int>(static_cast<int>(after.size()) - cursorAfter, static_cast<int>(before.size()));
  const int prefixRoom = std::min(cursorAfter, static_cast<int>(before.size()) - suffix);
  int prefix = 0;
  while (prefix < prefixRoom && before.at(prefix) == after.at(prefix)) ++prefix;
  const int inserted = cursorAfter - prefix;
  const int room = std::max(0, maxLength - (prefix + suffix));
  const int taken = std::min(inserted, room);
  if (cursor) *cursor = prefix + taken;
  return after.left(prefix) + after.mid(prefix, taken) + after.right(suffix);
}

void PanelSplitter::resizeEvent(QResizeEvent* event) {
  QSplitter::resizeEvent(event);
  if (afterResize) afterResize();
}

ParamBinding::ParamBinding(ParamForm& form, ViewRules& rules, RegionView& regions, const TextLookup* texts,
                           QObject* parent)
    : QObject(parent), form_(form), rules_(rules), regions_(regions), texts_(texts) {
  form_.SetObserver(this);
}

ParamBinding::~ParamBinding() {
  form_.SetObserver(nullptr);
  if (splitter_) splitter_->afterResize = nullptr;
}

void ParamBinding::Bind(Control& control, QWidget* widget, QLabel* label) {
  widget->setObjectName(QString::fromStdString(control.Name()));
  if (label) label->setObjectName(QString::fromStdString(control.Name() + "EditLabel"));
  Bound bound{&control, widget, label};
  bound_[&control] = bound;
  controlOfWidget_.insert(widget, &control);
  // A list knows its entries before any layout asks for its size.
  if (qobject_cast<QComboBox*>(widget)) ApplyItems(bound);
  if (TakesFocusOnClick(control.Name()))
    widget->setFocusPolicy(static_cast<Qt::FocusPolicy>(widget->focusPolicy() | Qt::ClickFocus));
  ConnectUserSignals(bound);
}

void ParamBinding::ConnectUserSignals(const Bound& bound) {
  Control& control = *bound.control;
  if (auto* button = qobject_cast<QAbstractButton*>(bound.widget)) {
    // The model keeps radio buttons apart; a widget never clears one on its own.
    if (auto* radio = qobject_cast<QRadioButton*>(button)) radio->setAutoExclusive(false);
    connect(button, &QAbstractButton::clicked, this, [this, &control] { UserClicked(control); });
    return;
  }
  if (auto* combo = qobject_cast<QComboBox*>(bound.widget)) {
    auto* list = dynamic_cast<ChoiceList*>(&control);
    if (!list) return;
    connect(combo, &QComboBox::activated, this, [this, list](int index) { UserChoseEntry(*list, index); });
    if (QLineEdit* edit = combo->lineEdit()) {
      controlOfWidget_.insert(edit, &control);
      edit->installEventFilter(this);
      connect(edit, &QLineEdit::textEdited, this,
              [this, &control, edit](const QString& text) { UserEditedText(control, edit, text); });
    }
    return;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(bound.widget)) {
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this,
            [this, &control, edit](const QString& text) { UserEditedText(control, edit, text); });
  }
}

void ParamBinding::BindPanels(PanelSplitter* splitter, Control& gnssPanel, Control& basePanel) {
  splitter_ = splitter;
  gnssPanel_ = &gnssPanel;
  basePanel_ = &basePanel;
  splitter->afterResize = [this] { ApplyPanelHeights(); };
  connect(splitter, &QSplitter::splitterMoved, this, [this] { UserMovedSplitter(); });
  // What the parts need changes with the pages shown and the groups switched on.
  splitter->installEventFilter(this);
  for (QStackedWidget* pages : splitter->findChildren<QStackedWidget*>())
    connect(pages, &QStackedWidget::currentChanged, this, &ParamBinding::SchedulePanelHeights);
}

void ParamBinding::SchedulePanelHeights() {
  if (panelHeightsScheduled_) return;
  panelHeightsScheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    panelHeightsScheduled_ = false;
    ApplyPanelHeights();
  });
}

void ParamBinding::MeasureHeight(Control& control, QWidget* widget) {
  measured_.insert(widget, &control);
  widget->installEventFilter(this);
  control.SetHeight(widget->height());
}

void ParamBinding::OnDoubleClick(QWidget* widget) {
  widget->installEventFilter(this);
  doubleClickers_.insert(widget);
}

void ParamBinding::WheelScrollsOneLine(QScrollArea* box) {
  const auto watch = [this, box](QWidget* widget) {
    wheelBoxOf_.insert(widget, box);
    widget->installEventFilter(this);
  };
  watch(box);
  watch(box->viewport());
  if (QWidget* content = box->widget()) {
    watch(content);
    for (QWidget* child : content->findChildren<QWidget*>()) watch(child);
  }
}

QWidget* ParamBinding::WidgetOf(std::string_view name) const {
  const Control* control = form_.Find(name);
  return control ? WidgetOf(*control) : nullptr;
}

QWidget* ParamBinding::WidgetOf(const Control& control) const {
  auto it = bound_.find(&control);
  return it == bound_.end() ? nullptr : it->second.widget;
}

// ---- Model to widget ----

void ParamBinding::ControlChanged(const Control& control, ControlProperty property) {
  auto it = bound_.find(&control);
  if (it != bound_.end()) Apply(it->second, property);
}

void ParamBinding::SyncAll() {
  for (Control* control : form_.Controls()) Sync(*control);
  ApplyPanelHeights();
}

void ParamBinding::Sync(const Control& control) {
  auto it = bound_.find(&control);
  if (it == bound_.end()) return;
  for (ControlProperty property : kAllProperties) Apply(it->second, property);
}

void ParamBinding::Apply(const Bound& bound, ControlProperty property) {
  const Control& c = *bound.control;
  QWidget* w = bound.widget;
  const QSignalBlocker blockWidget(w);
  switch (property) {
    case ControlProperty::Caption: {
      const QString caption = FromGbk(c.Caption());
      if (bound.label)
        bound.label->setText(caption);
      else if (auto* group = qobject_cast<QGroupBox*>(w))
        group->setTitle(caption);
      else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(caption);
      else if (auto* label = qobject_cast<QLabel*>(w); label && c.Kind() == ControlKind::Label)
        label->setText(caption);
      break;
    }
    case ControlProperty::Hint:
      w->setToolTip(FromGbk(c.Hint()));
      break;
    case ControlProperty::Visible:
      // A page is shown by its page control alone.
      if (c.Kind() == ControlKind::Page) break;
      w->setVisible(c.Visible());
      if (bound.label) bound.label->setVisible(c.Visible());
      break;
    case ControlProperty::Enabled:
      w->setEnabled(c.Enabled());
      if (bound.label) bound.label->setEnabled(c.Enabled());
      break;
    case ControlProperty::Height:
      if (&c == gnssPanel_ || &c == basePanel_) ApplyPanelHeights();
      break;
    case ControlProperty::Checked:
      if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (const auto* box = dynamic_cast<const CheckBox*>(&c)) button->setChecked(box->Checked());
        if (const auto* radio = dynamic_cast<const RadioButton*>(&c)) button->setChecked(radio->Checked());
      }
      break;
    case ControlProperty::Text: {
      const std::string* text = TextOf(c);
      QLineEdit* edit = LineEditOf(w);
      if (!text || !edit) break;
      const QSignalBlocker blockEdit(edit);
      const QString shown = FromGbk(*text);
      if (edit->text() != shown) edit->setText(shown);
      ShowValueCheck(c, edit);
      break;
    }
    case ControlProperty::ReadOnly:
      if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (const auto* field = dynamic_cast<const TextField*>(&c)) edit->setReadOnly(field->ReadOnly());
      }
      break;
    case ControlProperty::Items:
      ApplyItems(bound);
      break;
    case ControlProperty::ItemIndex:
      if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (const auto* list = dynamic_cast<const ChoiceList*>(&c)) {
          combo->setCurrentIndex(list->ItemIndex());
          if (combo->isEditable() && combo->currentText() != FromGbk(list->Text()))
            combo->setEditText(FromGbk(list->Text()));
        }
      }
      break;
    case ControlProperty::PageIndex:
      if (auto* stack = qobject_cast<QStackedWidget*>(w)) {
        if (const auto* pages = dynamic_cast<const PageControl*>(&c)) {
          stack->setCurrentIndex(pages->PageIndex());
          SizeStackToCurrentPage(stack);
        }
      }
      break;
    case ControlProperty::Picture:
      if (auto* label = qobject_cast<QLabel*>(w)) {
        if (const auto* picture = dynamic_cast<const Picture*>(&c)) {
          const QPixmap pixmap =
              picture->Resource().empty() ? QPixmap() : WorkModePicture(picture->Resource(), w->devicePixelRatioF());
          if (pixmap.isNull())
            label->clear();
          else
            label->setPixmap(pixmap);
        }
      }
      break;
    case ControlProperty::MaxLength:  // read as the user types
    case ControlProperty::Entries:    // the shown entry arrives as text
      break;
  }
}

void ParamBinding::ApplyItems(const Bound& bound) {
  auto* combo = qobject_cast<QComboBox*>(bound.widget);
  const auto* list = dynamic_cast<const ChoiceList*>(bound.control);
  if (!combo || !list) return;
  const QSignalBlocker block(combo);
  QStringList items;
  for (const std::string& item : list->Items()) items << FromGbk(item);
  // Entry by entry, so a list being renamed is never empty on the way.
  for (int i = 0; i < items.size(); ++i) {
    if (i >= combo->count())
      combo->addItem(items[i]);
    else if (combo->itemText(i) != items[i])
      combo->setItemText(i, items[i]);
  }
  while (combo->count() > items.size()) combo->removeItem(combo->count() - 1);
  combo->setCurrentIndex(list->ItemIndex());
  if (combo->isEditable() && combo->currentText() != FromGbk(list->Text())) combo->setEditText(FromGbk(list->Text()));
}

void ParamBinding::ApplyPanelHeights() {
  if (!splitter_ || applyingPanels_ || splitter_->count() != 3) return;
  applyingPanels_ = true;
  const int handles = 2 * splitter_->handleWidth();
  const int total = std::max(0, splitter_->height() - handles);
  // What the top part cannot give up comes off the GNSS panel first, so a
  // grown GNSS panel never squeezes the global parameters.
  const auto minimumOf = [](const QWidget* w) {
    return w->minimumHeight() > 0 ? w->minimumHeight() : w->minimumSizeHint().height();
  };
  const int room = std::max(0, total - minimumOf(splitter_->widget(0)));
  // The height at which a part shows all its content: with a scroll box shown,
  // its height now plus what the box's content lacks (or minus what it leaves
  // empty); without one, what its layout asks for.
  const auto neededBy = [](QWidget* part) {
    int missing = 0;
    bool scrolls = false;
    for (QScrollArea* box : part->findChildren<QScrollArea*>()) {
      if (!box->widget() || !box->isVisibleTo(part)) continue;
      scrolls = true;
      missing += box->widget()->sizeHint().height() - box->viewport()->height();
    }
    return scrolls ? part->height() + missing : part->sizeHint().height();
  };
  const bool measurable = splitter_->isVisible();
  const int topNeed = measurable ? neededBy(splitter_->widget(0)) : total;
  const int gnssNeed = measurable ? neededBy(splitter_->widget(1)) : total;
  const int baseNeed = measurable ? neededBy(splitter_->widget(2)) : total;
  int gnss = std::min(gnssPanel_->Height(), std::max(minimumOf(splitter_->widget(1)), gnssNeed));
  int base = std::min(basePanel_->Height(), std::max(minimumOf(splitter_->widget(2)), baseNeed));
  if (gnss + base > room) gnss = std::max(minimumOf(splitter_->widget(1)), room - base);
  if (gnss + base > room) base = std::max(minimumOf(splitter_->widget(2)), room - gnss);
  int spare = total - gnss - base - topNeed;
  for (auto [height, need] : {std::pair{&base, baseNeed}, std::pair{&gnss, gnssNeed}}) {
    const int given = std::clamp(need - *height, 0, std::max(0, spare));
    *height += given;
    spare -= given;
  }
  splitter_->setSizes({std::max(0, total - gnss - base), gnss, base});
  applyingPanels_ = false;
}

// ---- Widget to model ----

void ParamBinding::UserClicked(Control& control) {
  rules_.Click(control.Name());
  if (auto* radio = dynamic_cast<RadioButton*>(&control)) {
    for (RadioButton* member : radio->Group().Members()) Sync(*member);
    // Released under the mouse: the checked service's scroll box takes the
    // focus, so the wheel scrolls it.
    if (&radio->Group() == &form_.gnssServices)
      if (QWidget* box = WidgetOf(rules_.rbZavCloudMouseUp())) box->setFocus(Qt::MouseFocusReason);
    return;
  }
  Sync(control);
}

void ParamBinding::UserChoseEntry(ChoiceList& list, int index) {
  rules_.SelectEntry(list, index);
  regions_.RunChangeRule(list);
  Sync(list);
}

void ParamBinding::UserEditedText(Control& control, QLineEdit* edit, const QString& text) {
  const std::string* before = TextOf(control);
  if (!before) return;
  int cursor = edit->cursorPosition();
  const QString kept = LimitTyping(FromGbk(*before), text, cursor, MaxLengthOf(control), &cursor);
  std::string gbk = ToGbk(kept);
  if (auto* field = dynamic_cast<TextField*>(&control)) {
    field->SetText(std::move(gbk));
  } else if (auto* list = dynamic_cast<ChoiceList*>(&control)) {
    list->SetText(std::move(gbk));
    regions_.RunChangeRule(*list);
  }
  Sync(control);
  if (edit->text() != text) edit->setCursorPosition(std::min<int>(cursor, static_cast<int>(edit->text().size())));
}

void ParamBinding::ShowValueCheck(const Control& control, QLineEdit* edit) {
  if (!texts_) return;
  const auto reason = CheckControlText(form_, control, *texts_);
  const bool refused = reason.has_value();
  const bool wasRefused = edit->property("valueRefused").toBool();
  if (!refused && !wasRefused) return;
  if (refused && !wasRefused) edit->setProperty("plainHint", edit->toolTip());
  edit->setProperty("valueRefused", refused);
  edit->setStyleSheet(refused ? QStringLiteral("QLineEdit { border: 2px solid #d00000; }") : QString());
  edit->setToolTip(refused ? FromGbk(*reason) : edit->property("plainHint").toString());
}

bool ParamBinding::UserKeyPress(Control& control, QEvent* event) {
  auto* key = static_cast<QKeyEvent*>(event);
  const char c = FilterKeyOf(key->key(), key->text(), key->matches(QKeySequence::Paste),
                             key->matches(QKeySequence::Cut));
  if (c == 0) return false;
  return !rules_.KeyPress(control.Name(), c);
}

void ParamBinding::UserKeyRelease(Control& control) { rules_.KeyUp(control.Name()); }

void ParamBinding::UserMovedSplitter() {
  if (!splitter_ || splitter_->count() != 3) return;
  const QList<int> sizes = splitter_->sizes();
  applyingPanels_ = true;
  gnssPanel_->SetHeight(sizes[1]);
  basePanel_->SetHeight(sizes[2]);
  applyingPanels_ = false;
}

bool ParamBinding::WheelOverBox(QObject* watched, QEvent* event) {
  QScrollArea* box = wheelBoxOf_.value(watched);
  if (!box) return false;
  // A list's drop-down is a window of its own: its wheel is its own.
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != box->window()) return false;
  const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
  if (delta == 0) return false;
  box->verticalScrollBar()->triggerAction(WheelScrollLines(delta) > 0 ? QAbstractSlider::SliderSingleStepAdd
                                                                      : QAbstractSlider::SliderSingleStepSub);
  return true;
}

bool ParamBinding::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (Control* control = controlOfWidget_.value(watched)) return UserKeyPress(*control, event);
      break;
    case QEvent::KeyRelease:
      if (Control* control = controlOfWidget_.value(watched)) UserKeyRelease(*control);
      break;
    case QEvent::InputMethod:
      // Text composed by an input method passes the same key filter, character by character.
      if (Control* control = controlOfWidget_.value(watched)) {
        for (QChar ch : static_cast<QInputMethodEvent*>(event)->commitString())
          if (const char key = FilterKeyOf(0, QString(ch), false, false); key && !rules_.KeyPress(control->Name(), key))
            return true;
      }
      break;
    case QEvent::Wheel:
      return WheelOverBox(watched, event);
    case QEvent::LayoutRequest:
      // A part's or a scroll box content's size hint changed.
      if (watched == splitter_ || wheelBoxOf_.contains(watched)) SchedulePanelHeights();
      break;
    case QEvent::Resize:
      if (Control* control = measured_.value(watched))
        control->SetHeight(static_cast<QResizeEvent*>(event)->size().height());
      break;
    case QEvent::MouseButtonDblClick:
      if (doubleClickers_.contains(watched)) {
        rules_.rzgrpbxGNSSDblClick();
        return true;
      }
      break;
    default:
      break;
  }
  return false;
}

}  // namespace t418

#include "params/form_controls.h"

#include <utility>

#include "text/ascii_case.h"

namespace t418 {

namespace {

// Assigns and tells the observer when the value changed.
template <typename T>
bool Assign(T& field, T value) {
  if (field == value) return false;
  field = std::move(value);
  return true;
}

}  // namespace

void ControlRegistry::Add(Control& control) {
  byName_.emplace(control.Name(), &control);
  order_.push_back(&control);
}

Control* ControlRegistry::Find(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

Control::Control(ControlRegistry& registry, std::string name, ControlKind kind, int tag)
    : registry_(registry), name_(std::move(name)), kind_(kind), tag_(tag) {
  registry_.Add(*this);
}

void Control::SetCaption(std::string caption) {
  if (Assign(caption_, std::move(caption))) Changed(ControlProperty::Caption);
}

void Control::SetHint(std::string hint) {
  if (Assign(hint_, std::move(hint))) Changed(ControlProperty::Hint);
}

void Control::SetVisible(bool visible) {
  if (Assign(visible_, visible)) Changed(ControlProperty::Visible);
}

void Control::SetEnabled(bool enabled) {
  if (Assign(enabled_, enabled)) Changed(ControlProperty::Enabled);
}

void Control::SetHeight(int height) {
  if (Assign(height_, height)) Changed(ControlProperty::Height);
}

void Picture::SetResource(std::string resource) {
  if (Assign(resource_, std::move(resource))) Changed(ControlProperty::Picture);
}

void PageControl::SetPageIndex(int page) {
  if (page < 0 || page >= static_cast<int>(pages_.size())) return;
  if (Assign(page_, page)) Changed(ControlProperty::PageIndex);
}

void CheckBox::SetCheckedWithoutRule(bool checked) {
  if (Assign(checked_, checked)) Changed(ControlProperty::Checked);
}

RadioButton* RadioGroup::CheckedButton() const {
  for (RadioButton* button : members_)
    if (button->Checked()) return button;
  return nullptr;
}

void RadioButton::SetCheckedWithoutRule(bool checked) {
  if (!Assign(checked_, checked)) return;
  if (checked)
    for (RadioButton* other : group_.Members())
      if (other != this) other->SetCheckedWithoutRule(false);
  Changed(ControlProperty::Checked);
}

void TextField::SetText(std::string text) {
  if (Assign(text_, std::move(text))) Changed(ControlProperty::Text);
}

void TextField::SetMaxLength(int maxLength) {
  if (Assign(maxLength_, maxLength)) Changed(ControlProperty::MaxLength);
}

void TextField::SetReadOnly(bool readOnly) {
  if (Assign(readOnly_, readOnly)) Changed(ControlProperty::ReadOnly);
}

ChoiceList::ChoiceList(ControlRegistry& registry, std::string name, std::vector<std::string> items,
                       int itemIndex, int tag, bool editable)
    : Control(registry, std::move(name), ControlKind::ChoiceList, tag),
      items_(std::move(items)),
      editable_(editable) {
  if (itemIndex >= 0 && itemIndex < Count()) {
    index_ = itemIndex;
    text_ = items_[itemIndex];
  }
}

void ChoiceList::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  Changed(ControlProperty::Items);
  Show(-1, "");
}

void ChoiceList::AddItem(std::string item) {
  items_.push_back(std::move(item));
  Changed(ControlProperty::Items);
}

void ChoiceList::SetItemText(int index, std::string text) {
  if (index < 0 || index >= Count()) return;
  if (items_[index] == text) return;
  items_[index] = std::move(text);
  Changed(ControlProperty::Items);
  if (index == index_) Show(index_, items_[index_]);
}

void ChoiceList::SetItemIndex(int index) {
  if (index < 0 || index >= Count())
    Show(-1, "");
  else
    Show(index, items_[index]);
}

int ChoiceList::IndexOfText(std::string_view text, bool ignoreCase) const {
  for (int i = 0; i < Count(); ++i)
    if (ignoreCase ? EqualsIgnoringAsciiCase(items_[i], text) : items_[i] == text) return i;
  return -1;
}

void ChoiceList::SetText(std::string text) {
  int index = IndexOfText(text, false);
  if (editable_)
    Show(index, std::move(text));
  else
    SetItemIndex(index);
}

void ChoiceList::Show(int index, std::string text) {
  if (Assign(index_, index)) Changed(ControlProperty::ItemIndex);
  if (Assign(text_, std::move(text))) Changed(ControlProperty::Text);
}

RegDataField::RegDataField(ControlRegistry& registry, std::string name, int entryCount, int maxLength)
    : TextField(registry, std::move(name), ControlKind::RegDataField, maxLength),
      entries_(static_cast<std::size_t>(entryCount)) {}

const std::string& RegDataField::Entry(int index) const {
  static const std::string kNone;
  if (index < 0 || index >= EntryCount()) return kNone;
  return entries_[index];
}

void RegDataField::SetEntry(int index, std::string text) {
  if (index < 0 || index >= EntryCount()) return;
  if (Assign(entries_[index], std::move(text))) Changed(ControlProperty::Entries);
  if (index == shown_) SetText(entries_[index]);
}

void RegDataField::ShowEntry(int index) {
  if (index < 0 || index >= EntryCount()) return;
  if (Assign(shown_, index)) Changed(ControlProperty::ItemIndex);
  SetText(entries_[index]);
}

}  // namespace t418

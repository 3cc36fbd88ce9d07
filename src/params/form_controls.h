#pragma once
// The plain control objects of the parameter view. Each control carries its
// name, kind and tag and the state the view rules read and write; the widget
// that draws it holds nothing more. Every change of a property is reported to
// the form's one observer (the widget binding), so a value set by the program
// reaches the screen without any widget being asked.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace t418 {

enum class ControlKind {
  Panel,         // a plain area; some are sized by the user or the rules
  Group,         // a titled frame
  PageControl,   // a stack of pages of which one is shown (no tabs)
  Page,          // one page of a page control
  ScrollBox,     // a scrollable area
  Label,
  Picture,
  CheckBox,
  RadioButton,
  Edit,
  LabeledEdit,   // an edit field with its caption attached
  ChoiceList,    // a drop-down list whose entry is chosen
  RegDataField,  // an editable text that keeps stored entries and shows one
};

enum class ControlProperty {
  Caption,
  Hint,
  Visible,
  Enabled,
  Height,
  Checked,
  Text,
  MaxLength,
  ReadOnly,
  Items,      // the entry texts of a choice list
  ItemIndex,  // the chosen entry of a choice list, the shown entry of a registration-data field
  Entries,    // the stored entries of a registration-data field
  PageIndex,
  Picture,
};

class Control;

// Told of every property that changes value. Setting a property to the value
// it already has tells nothing.
class FormObserver {
 public:
  virtual ~FormObserver() = default;
  virtual void ControlChanged(const Control& control, ControlProperty property) = 0;
};

// The name index of a form's controls and the way to its observer. Controls
// enter it when they are constructed, in declaration order.
class ControlRegistry {
 public:
  ControlRegistry() = default;
  ControlRegistry(const ControlRegistry&) = delete;
  ControlRegistry& operator=(const ControlRegistry&) = delete;

  void Add(Control& control);
  Control* Find(std::string_view name) const;
  const std::vector<Control*>& All() const { return order_; }

  void SetObserver(FormObserver* observer) { observer_ = observer; }
  void Notify(const Control& control, ControlProperty property) const {
    if (observer_) observer_->ControlChanged(control, property);
  }

 private:
  std::map<std::string, Control*, std::less<>> byName_;
  std::vector<Control*> order_;
  FormObserver* observer_ = nullptr;
};

class Control {
 public:
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  const std::string& Name() const { return name_; }
  ControlKind Kind() const { return kind_; }
  // The number that tells apart controls sharing one rule (0 when none).
  int Tag() const { return tag_; }

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);
  // The control's own flag, whatever its parents show.
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // In pixels; only the panels that the rules size keep a height.
  int Height() const { return height_; }
  void SetHeight(int height);

 protected:
  Control(ControlRegistry& registry, std::string name, ControlKind kind, int tag);
  void Changed(ControlProperty property) const { registry_.Notify(*this, property); }

 private:
  ControlRegistry& registry_;
  std::string name_;
  ControlKind kind_;
  int tag_;
  std::string caption_;
  std::string hint_;
  bool visible_ = true;
  bool enabled_ = true;
  int height_ = 0;
};

// Panels, groups, pages, scroll boxes and labels: nothing beyond the base.
class PlainControl : public Control {
 public:
  PlainControl(ControlRegistry& registry, std::string name, ControlKind kind, int tag = 0)
      : Control(registry, std::move(name), kind, tag) {}
};

class Picture : public Control {
 public:
  Picture(ControlRegistry& registry, std::string name)
      : Control(registry, std::move(name), ControlKind::Picture, 0) {}
  // The name of the bitmap resource shown ("" for none), e.g. "NET_CN".
  const std::string& Resource() const { return resource_; }
  void SetResource(std::string resource);

 private:
  std::string resource_;
};

class PageControl : public Control {
 public:
  PageControl(ControlRegistry& registry, std::string name, std::vector<std::string> pages)
      : Control(registry, std::move(name), ControlKind::PageControl, 0), pages_(std::move(pages)) {}
  const std::vector<std::string>& Pages() const { return pages_; }
  int PageIndex() const { return page_; }
  // An index outside the pages is ignored.
  void SetPageIndex(int page);

 private:
  std::vector<std::string> pages_;
  int page_ = 0;
};

// A check box. Its state is set here without running its click rule; the view
// rules set it with the rule (ViewRules::SetChecked).
class CheckBox : public Control {
 public:
  CheckBox(ControlRegistry& registry, std::string name, int tag = 0)
      : Control(registry, std::move(name), ControlKind::CheckBox, tag) {}
  bool Checked() const { return checked_; }
  void SetCheckedWithoutRule(bool checked);

 private:
  bool checked_ = false;
};

class RadioButton;

// The radio buttons that share one parent: checking one clears the others.
class RadioGroup {
 public:
  const std::vector<RadioButton*>& Members() const { return members_; }
  void Add(RadioButton& button) { members_.push_back(&button); }
  RadioButton* CheckedButton() const;

 private:
  std::vector<RadioButton*> members_;
};

class RadioButton : public Control {
 public:
  RadioButton(ControlRegistry& registry, std::string name, RadioGroup& group, int tag = 0)
      : Control(registry, std::move(name), ControlKind::RadioButton, tag), group_(group) {
    group_.Add(*this);
  }
  bool Checked() const { return checked_; }
  // Checking clears the other buttons of the group; no click rule runs here.
  void SetCheckedWithoutRule(bool checked);
  const RadioGroup& Group() const { return group_; }

 private:
  RadioGroup& group_;
  bool checked_ = false;
};

// What the edit fields and the registration-data fields have in common: a
// text the user types into, a typing limit and a read-only state.
class TextField : public Control {
 public:
  const std::string& Text() const { return text_; }
  // Any length: the typing limit binds the keyboard only.
  void SetText(std::string text);
  // Characters the user may type; 0 for no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int maxLength);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);

 protected:
  TextField(ControlRegistry& registry, std::string name, ControlKind kind, int maxLength)
      : Control(registry, std::move(name), kind, 0), maxLength_(maxLength) {}

 private:
  std::string text_;
  int maxLength_;
  bool readOnly_ = false;
};

class Edit : public TextField {
 public:
  Edit(ControlRegistry& registry, std::string name, int maxLength = 0)
      : Edit(registry, std::move(name), ControlKind::Edit, maxLength) {}

 protected:
  Edit(ControlRegistry& registry, std::string name, ControlKind kind, int maxLength)
      : TextField(registry, std::move(name), kind, maxLength) {}
};

// An edit field whose caption is its attached label.
class LabeledEdit : public Edit {
 public:
  LabeledEdit(ControlRegistry& registry, std::string name)
      : Edit(registry, std::move(name), ControlKind::LabeledEdit, 0) {}
};

// A drop-down list. Its text is the chosen entry's text; an editable list
// (the region lists) may show a text that is no entry.
class ChoiceList : public Control {
 public:
  ChoiceList(ControlRegistry& registry, std::string name, std::vector<std::string> items,
             int itemIndex = -1, int tag = 0, bool editable = false);

  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // Replaces all entries; nothing stays chosen.
  void SetItems(std::vector<std::string> items);
  void AddItem(std::string item);
  void ClearItems() { SetItems({}); }
  // Replaces one entry's text and keeps the chosen entry; an index outside the
  // list is ignored.
  void SetItemText(int index, std::string text);

  int ItemIndex() const { return index_; }
  // -1 or an index outside the list chooses none (the text becomes empty).
  void SetItemIndex(int index);
  // The first entry equal to the text (ASCII letter case ignored when asked), or -1.
  int IndexOfText(std::string_view text, bool ignoreCase) const;

  const std::string& Text() const { return text_; }
  bool Editable() const { return editable_; }
  // Editable lists: shows the text and chooses the entry equal to it, if any.
  // Fixed lists: chooses the entry equal to it, or none.
  void SetText(std::string text);

 private:
  void Show(int index, std::string text);

  std::vector<std::string> items_;
  int index_ = -1;
  std::string text_;
  bool editable_;
};

// The registration-data fields (cbbRegDt, cbbGREGDT): one stored text per
// registration type, of which the chosen one is shown. Typing (SetText)
// changes what is shown, not the stored entry.
class RegDataField : public TextField {
 public:
  RegDataField(ControlRegistry& registry, std::string name, int entryCount, int maxLength = 0);

  int EntryCount() const { return static_cast<int>(entries_.size()); }
  // "" for an index outside the entries.
  const std::string& Entry(int index) const;
  // Stores the text; the field shows it at once when the entry is the shown
  // one. An index outside the entries is ignored.
  void SetEntry(int index, std::string text);
  // The shown entry, -1 for none.
  int ShownEntry() const { return shown_; }
  // Shows the stored text of the entry; an index outside leaves the field.
  void ShowEntry(int index);

 private:
  std::vector<std::string> entries_;
  int shown_ = -1;
};

}  // namespace t418

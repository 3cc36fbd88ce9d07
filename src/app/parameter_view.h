#pragma once
// The parameter view: the left half of the main window (the content of pnlL).
// From top to bottom the work-mode group with its picture and mode buttons
// and the work-mode parameter group with its three pages, the GNSS panel and
// the global-parameters panel; the upper edges of the last two can be dragged.
//
// The form model, the view rules and the region lists belong to the session;
// the view draws them through a ParamBinding, so whatever the report appliers,
// the profile or the configuration builder change appears on screen by itself.
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "params/param_form.h"
#include "params/view_rules.h"
#include "params/region_view.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollArea;

namespace t418 {

class ParamBinding;
class PanelSplitter;
class TextLookup;

// The session's parameter form and what acts on it; all must outlive the view.
struct ParameterViewParts {
  ParamForm& form;
  ViewRules& rules;
  RegionView& regions;
  // The texts of the current language (the window's language list).
  const TextLookup& texts;
};

class ParameterView : public QWidget {
 public:
  explicit ParameterView(const ParameterViewParts& parts, QWidget* parent = nullptr);
  ~ParameterView() override;

  ParamForm& Form() { return form_; }
  ViewRules& Rules() { return rules_; }
  RegionView& Regions() { return regions_; }
  ParamBinding& Binding() { return *binding_; }

  // The view's share of ApplyMainTexts: the work-mode rule again (picture of
  // the current language), then every caption, entry text and hint of the
  // view. applyHdVerSign renews entry 1 of cbbRegTp (ApplyHdVerSign of the
  // window); when empty, the entry is renewed from the hardware sign directly.
  void ApplyTexts(const std::function<void()>& applyHdVerSign = {});

  // The widget that draws a control (objectName = the control's name), or
  // nullptr. pnlL is the main window's; this view is its content.
  QWidget* WidgetOf(std::string_view name) const;
  template <typename W>
  W* WidgetAs(std::string_view name) const {
    return qobject_cast<W*>(WidgetOf(name));
  }

 private:
  QWidget* BuildWorkModeArea();
  QWidget* BuildNetTranPage();
  QWidget* BuildHttpdPage();
  QWidget* BuildSmsPage();
  QWidget* BuildGnssPanel();
  QWidget* BuildCloudPage();
  QWidget* BuildPrivateCloudPage();
  QWidget* BuildQianXunPage();
  QWidget* BuildBasePanel();

  struct SocketControls;
  QGroupBox* BuildSocketGroup(const SocketControls& s);
  QGroupBox* BuildHeartbeatGroup();
  QGroupBox* BuildRegistrationGroup();

  ParamForm& form_;
  const TextLookup& texts_;
  ViewRules& rules_;
  RegionView& regions_;
  std::unique_ptr<ParamBinding> binding_;
  PanelSplitter* splitter_ = nullptr;
};

}  // namespace t418

#pragma once
// Fakes for the form's edges: a message box that keeps what it was asked to
// show and an observer that records every change of a control.
#include <string>
#include <utility>
#include <vector>

#include "params/form_controls.h"
#include "params/view_rules.h"

namespace t418::testing {

class RecordingMessages : public MessageBoxPort {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  std::vector<std::string> shown;
};

class RecordingObserver : public FormObserver {
 public:
  void ControlChanged(const Control& control, ControlProperty property) override {
    changes.emplace_back(control.Name(), property);
  }
  bool Saw(const std::string& name, ControlProperty property) const {
    for (const auto& change : changes)
      if (change.first == name && change.second == property) return true;
    return false;
  }
  std::vector<std::pair<std::string, ControlProperty>> changes;
};

}  // namespace t418::testing

// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/EditorModel.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "editor/AdvancePageModel.h"
#include "editor/ChannelPages.h"
#include "editor/FunctionSwitchesModel.h"
#include "editor/SettingPageModel.h"
#include "editor/SystemPageModel.h"
#include "editor/TopPanelModel.h"

namespace zt310::editor {

EditorModel::EditorModel() = default;
EditorModel::~EditorModel() = default;

Control& EditorModel::Add(Control control) {
  const std::string name = control.name;
  if (controls_.count(name)) throw std::logic_error("control registered twice: " + name);
  order_.push_back(name);
  return controls_.emplace(name, std::move(control)).first->second;
}

Control& EditorModel::At(const std::string& name) {
  auto it = controls_.find(name);
  if (it == controls_.end()) throw std::out_of_range("no control named " + name);
  return it->second;
}

const Control& EditorModel::At(const std::string& name) const {
  auto it = controls_.find(name);
  if (it == controls_.end()) throw std::out_of_range("no control named " + name);
  return it->second;
}

void EditorModel::SetHandlers(const std::string& name, Handlers handlers) {
  At(name);
  handlers_[name] = std::move(handlers);
}

Handlers& EditorModel::HandlersOf(const std::string& name) {
  At(name);  // a misspelt name would quietly get handlers no control ever runs
  return handlers_[name];
}

void EditorModel::SetFocus(const std::string& name) {
  if (!name.empty() && name != kFocusSink) At(name);
  focus_ = name;
}

void EditorModel::Select(const std::string& name, int index) {
  Control& control = At(name);
  if (index < 0 || index >= static_cast<int>(control.items.size())) {
    control.selected = -1;
    control.text.clear();
    return;
  }
  control.selected = index;
  control.text = control.items[static_cast<std::size_t>(index)];
}

void EditorModel::BringToFront(const std::string& name) {
  Control& control = At(name);
  int top = control.depth;
  for (const auto& [other, state] : controls_) {
    if (other != name && !control.place.empty() && state.place == control.place) top = std::max(top, state.depth + 1);
  }
  control.depth = top;
}

bool EditorModel::IsInFront(const std::string& name) const {
  const Control& control = At(name);
  if (control.place.empty()) return true;
  for (const auto& [other, state] : controls_) {
    if (other != name && state.place == control.place && state.depth > control.depth) return false;
  }
  return true;
}

std::string EditorModel::WhyNotActionable(const std::string& name) const {
  At(name);
  // A container that is not (yet) part of the model does not hide its controls.
  for (std::string current = name; !current.empty() && Has(current); current = At(current).parent) {
    const Control& control = At(current);
    const std::string who = current == name ? "" : " (its container " + current + ")";
    if (!control.visible) return "hidden" + who;
    if (!control.enabled) return "disabled" + who;
    if (!IsInFront(current)) return "behind another control" + who;
  }
  return {};
}

bool EditorModel::IsActionable(const std::string& name) const { return WhyNotActionable(name).empty(); }

void EditorModel::Enter(const std::string& name) {
  Control& control = At(name);
  focus_ = name;
  if (control.kind == ControlKind::Edit) control.text.clear();
  if (auto& onEnter = HandlersOf(name).onEnter) onEnter();
}

bool EditorModel::Key(const std::string& name, char key) {
  Control& control = At(name);
  if (!control.filter) {
    if (key == '\b') {
      if (!control.text.empty()) control.text.pop_back();
    } else if (key == '\r') {
      focus_ = kFocusSink;
    } else {
      control.text += key;
    }
    return true;
  }
  const KeyVerdict verdict = control.filter(control.text, key);
  if (!verdict.message.empty()) Warn(verdict.message);
  if (verdict.moveFocusToSink) {
    focus_ = kFocusSink;
    return true;
  }
  if (!verdict.accept) return false;
  if (key == '\b') {
    if (!control.text.empty()) control.text.pop_back();
  } else {
    control.text += key;
  }
  return true;
}

bool EditorModel::Leave(const std::string& name) {
  auto& onLeave = HandlersOf(name).onLeave;
  const bool accepted = onLeave ? onLeave() : true;
  if (!accepted) {
    focus_ = name;
  } else if (focus_ == name) {
    focus_.clear();
  }
  return accepted;
}

bool EditorModel::MoveFocusToSink() {
  const std::string from = focus_;
  focus_ = kFocusSink;
  if (from.empty() || from == kFocusSink) return true;
  return Leave(from);
}

void EditorModel::Pick(const std::string& name, int index) {
  Select(name, index);
  RunChange(name);
}

bool EditorModel::PickText(const std::string& name, const std::string& item) {
  const Control& control = At(name);
  const auto it = std::find(control.items.begin(), control.items.end(), item);
  if (it == control.items.end()) return false;
  Pick(name, static_cast<int>(it - control.items.begin()));
  return true;
}

void EditorModel::Click(const std::string& name) {
  Control& control = At(name);
  if (control.kind == ControlKind::Radio) {
    // A click on the button already chosen still runs its click action.
    for (auto& [other, state] : controls_) {
      if (state.kind == ControlKind::Radio && state.parent == control.parent) state.checked = false;
    }
    control.checked = true;
  } else {
    control.checked = !control.checked;
  }
  RunChange(name);
}

void EditorModel::RunChange(const std::string& name) {
  if (auto& onChange = HandlersOf(name).onChange) onChange();
}

Answer EditorModel::Show(const Message& message) {
  ++messagesShown_;
  if (sink_) return sink_(message);
  return message.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

void EditorModel::Warn(const std::string& text, const std::string& title) { Show(Message{title, text}); }

KeyFilter DigitsOnlyFilter() {
  return [](const std::string&, char key) {
    if (key >= '0' && key <= '9') return KeyVerdict{true, false, {}};
    if (key == '\r') return KeyVerdict{false, true, {}};
    return KeyVerdict{false, false, kNumericMessage};
  };
}

KeyFilter DecimalsFilter(int decimals) {
  return [decimals](const std::string& text, char key) {
    const auto point = text.find('.');
    if (key == '\b') return KeyVerdict{true, false, {}};
    if (key == '\r') return KeyVerdict{false, true, {}};
    if (key == '.') return KeyVerdict{!text.empty() && point == std::string::npos, false, {}};
    if (key < '0' || key > '9') return KeyVerdict{};
    if (point != std::string::npos && static_cast<int>(text.size() - point - 1) >= decimals) return KeyVerdict{};
    return KeyVerdict{true, false, {}};
  };
}

std::optional<double> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  bool digit = false;
  bool point = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digit) return std::nullopt;
  return std::strtod(text.c_str(), nullptr);
}

std::unique_ptr<EditorModel> CreateEditorModel() {
  auto model = std::make_unique<EditorModel>();
  model->image() = FactoryDefaultImage();
  StampCaption(model->image());
  StampHeader(model->image());
  EditorModel& m = *model;
  auto& channel = *static_cast<ChannelPages*>(m.parts_.emplace_back(std::make_unique<ChannelPages>()).get());
  auto& topPanel = *static_cast<TopPanelModel*>(m.parts_.emplace_back(std::make_unique<TopPanelModel>()).get());
  std::vector<EditorPart*> settingsPages;
  settingsPages.push_back(m.parts_.emplace_back(std::make_unique<SettingPageModel>()).get());
  settingsPages.push_back(m.parts_.emplace_back(std::make_unique<FunctionSwitchesModel>()).get());
  settingsPages.push_back(m.parts_.emplace_back(std::make_unique<SystemPageModel>()).get());
  settingsPages.push_back(m.parts_.emplace_back(std::make_unique<AdvancePageModel>()).get());
  // The order `zt310 keys` lists the controls in: the channel pages, the
  // settings tabs, the top panel, then each settings page's controls.
  channel.Register(m);
  SettingPageModel::RegisterTab(m);
  SystemPageModel::RegisterTab(m);
  AdvancePageModel::RegisterTab(m);
  topPanel.Register(m);
  for (EditorPart* page : settingsPages) page->Register(m);
  model->FillControlsFromImage();
  return model;
}

}  // namespace zt310::editor

#include "dialog_state.h"

#include <algorithm>
#include <cstdio>

#include "ascii_case.h"

namespace oq::terminal {

DialogState::DialogState(const DialogTemplate& dialogTemplate) : template_(dialogTemplate) {
  for (size_t i = 0; i < dialogTemplate.controlCount; ++i) {
    const ControlTemplate& source = dialogTemplate.controls[i];
    Control control;
    control.source = &source;
    control.text = source.text ? source.text : "";
    control.enabled = !source.disabled;
    control.shown = !source.hidden;
    controls_.push_back(control);
  }
}

DialogState::Control* DialogState::Find(int id) {
  if (id == kNoControlId) return nullptr;
  for (auto& control : controls_) {
    if (control.source->id == id) return &control;
  }
  return nullptr;
}

void DialogState::SetItemText(int id, const char* text) {
  if (Control* control = Find(id)) control->text = text ? text : "";
}

std::string DialogState::GetItemText(int id, int max) {
  Control* control = Find(id);
  if (control == nullptr || max <= 0) return {};
  return control->text.substr(0, static_cast<size_t>(max - 1));
}

void DialogState::CheckButton(int id, bool checked) {
  if (Control* control = Find(id)) control->checked = checked;
}

void DialogState::CheckRadioButton(int first, int last, int id) {
  for (auto& control : controls_) {
    const int controlId = control.source->id;
    if (controlId >= first && controlId <= last) control.checked = controlId == id;
  }
}

bool DialogState::IsButtonChecked(int id) {
  Control* control = Find(id);
  return control != nullptr && control->checked;
}

void DialogState::EnableItem(int id, bool enabled) {
  if (Control* control = Find(id)) control->enabled = enabled;
}

void DialogState::ShowItem(int id, bool shown) {
  if (Control* control = Find(id)) control->shown = shown;
}

void DialogState::SetPicture(int id, uint32_t bitmapId) {
  if (Control* control = Find(id)) control->picture = bitmapId;
}

void DialogState::SetIcon(uint32_t iconId) { icon_ = iconId; }

void DialogState::AddSystemMenuItem(int command, const char* text) { systemMenu_.emplace_back(command, text); }

void DialogState::ListAddString(int id, const char* text) {
  Control* control = Find(id);
  if (control == nullptr) return;
  auto& items = control->items;
  // Sorted as the platform's list box sorts: without regard to case.
  auto at = control->source->sorted
                ? std::upper_bound(items.begin(), items.end(), std::string(text), ascii::LessIgnoringCase)
                : items.end();
  items.insert(at, text);
}

int DialogState::ListCount(int id) {
  Control* control = Find(id);
  return control ? static_cast<int>(control->items.size()) : 0;
}

int DialogState::ListSelection(int id) {
  Control* control = Find(id);
  return control ? control->selection : -1;
}

std::string DialogState::ListText(int id, int index) {
  Control* control = Find(id);
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) return {};
  return control->items[static_cast<size_t>(index)];
}

void DialogState::SetWaitCursor(bool /*waiting*/) {}

void DialogState::ShowMessage(const char* text, const char* caption) {
  messages_.emplace_back(text, caption);
  std::printf("[%s] %s\n", caption, text);
  std::fflush(stdout);
}

void DialogState::EndDialog(int result) {
  ended_ = true;
  result_ = result;
}

namespace {
// A label as shown: "&" marks the accelerator key and is not drawn ("&&" is one "&").
std::string Shown(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}
}  // namespace

namespace {

constexpr size_t kTerminalWidth = 80;
constexpr size_t kSecondColumn = 40;
constexpr const char* kGroupIndent = "   ";

// One control as the person reads it, with the number commands name it by
// when it takes commands.
std::string Fragment(const DialogState::Control& control) {
  const ControlTemplate& source = *control.source;
  const std::string id = source.id == kNoControlId ? "" : std::to_string(source.id) + " ";
  std::string text;
  switch (source.kind) {
    case ControlKind::kRule: text = std::string(40, '-'); break;
    case ControlKind::kIcon: text = "(icon)"; break;
    case ControlKind::kPicture: text = control.picture ? "(picture)" : ""; break;
    case ControlKind::kGroup: text = "== " + Shown(control.text) + " =="; break;
    case ControlKind::kRadio: text = id + (control.checked ? "(*) " : "( ) ") + Shown(control.text); break;
    case ControlKind::kCheckBox: text = id + (control.checked ? "[x] " : "[ ] ") + Shown(control.text); break;
    case ControlKind::kEdit:
    case ControlKind::kNumberEdit: text = id + "[" + control.text + "]"; break;
    case ControlKind::kPasswordEdit: text = id + "[" + std::string(control.text.size(), '*') + "]"; break;
    case ControlKind::kButton:
    case ControlKind::kDefaultButton: text = id + "<" + Shown(control.text) + ">"; break;
    case ControlKind::kListBox: {
      text = id + "list:";
      for (size_t i = 0; i < control.items.size(); ++i) {
        text += std::string(static_cast<int>(i) == control.selection ? " >" : "  ") + control.items[i];
      }
      if (control.items.empty()) text += " (empty)";
      break;
    }
    case ControlKind::kStatic: text = Shown(control.text); break;
  }
  // A label needs no mark: the control it names carries it.
  if (!control.enabled && !text.empty() && source.kind != ControlKind::kStatic) text += " (disabled)";
  return text;
}

}  // namespace

// Fits 80 columns: controls share a line or take a second column where the
// template places them so, and a line that would grow too long breaks.
std::string DialogState::Render() const {
  std::string out = std::string("[ ") + template_.title + " ]\n";
  for (const auto& [command, text] : systemMenu_) {
    out += "system menu: sysmenu " + std::to_string(command) + " = " + Shown(text) + "\n";
  }
  std::string line;
  bool inGroup = false;
  auto flush = [&] {
    if (!line.empty()) out += line + "\n";
    line.clear();
  };
  for (const auto& control : controls_) {
    if (!control.shown) continue;
    const std::string fragment = Fragment(control);
    if (fragment.empty()) continue;
    const ControlKind kind = control.source->kind;
    if (kind == ControlKind::kGroup || kind == ControlKind::kRule) {
      flush();
      out += fragment + "\n";
      inGroup = true;
      continue;
    }
    const Place place = control.source->place;
    const size_t column = place == Place::kNextColumn ? std::max(kSecondColumn, line.size() + 3) : line.size() + 2;
    if (place != Place::kNewLine && !line.empty() && column + fragment.size() <= kTerminalWidth) {
      line.resize(column, ' ');
      line += fragment;
      continue;
    }
    flush();
    const bool button = kind == ControlKind::kButton || kind == ControlKind::kDefaultButton;
    line = (inGroup && !button ? kGroupIndent : "") + fragment;
  }
  flush();
  return out;
}

}  // namespace oq::terminal

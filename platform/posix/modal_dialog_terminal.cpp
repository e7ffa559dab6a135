// Modal dialogs on the terminal, driven by a script or a person.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "dialog_state.h"
#include "dialogs.h"
#include "terminal_dialogs.h"

namespace oq::posix {

namespace {

std::optional<std::string> scriptOverride;

std::vector<std::string> SplitCommands(const std::string& script) {
  std::vector<std::string> commands;
  std::string current;
  for (char c : script) {
    if (c == ';' || c == '\n') {
      commands.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  commands.push_back(current);
  return commands;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Applies one command; returns an error for the person, or empty.
std::string Apply(const std::string& line, DialogState& state, platform::DialogProcedure& procedure) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  auto usable = [&](int id) -> std::string {
    DialogState::Control* control = state.Find(id);
    if (control == nullptr) return "no control " + std::to_string(id);
    if (!control->shown || !control->enabled) return "control " + std::to_string(id) + " is not available";
    return {};
  };
  if (verb.empty()) return {};
  if (verb == "ok" || verb == "cancel" || verb == "help") {
    const int id = verb == "ok" ? platform::kIdOk : verb == "cancel" ? platform::kIdCancel : platform::kIdHelp;
    if (auto error = usable(id); !error.empty() && state.Find(id) != nullptr) return error;
    procedure.OnCommand(state, id, platform::kNotifyClicked);
    return {};
  }
  if (verb == "f1") {
    procedure.OnHelpRequest(state);
    return {};
  }
  if (verb == "sysmenu") {
    int command = 0;
    in >> command;
    procedure.OnSystemCommand(state, command);
    return {};
  }
  int id = 0;
  if (!(in >> id)) return "'" + verb + "' needs a control number";
  if (auto error = usable(id); !error.empty()) return error;
  DialogState::Control* control = state.Find(id);
  std::string rest;
  std::getline(in, rest);
  rest = rest.empty() ? rest : rest.substr(1);
  if (verb == "set") {
    const ControlKind kind = control->source->kind;
    if (kind != ControlKind::kEdit && kind != ControlKind::kNumberEdit && kind != ControlKind::kPasswordEdit) {
      return "control " + std::to_string(id) + " is not an edit";
    }
    control->text = rest;
    return {};
  }
  if (verb == "click") {
    // Check boxes check themselves; the procedure decides about the rest.
    if (control->source->kind == ControlKind::kCheckBox) control->checked = !control->checked;
    procedure.OnCommand(state, id, platform::kNotifyClicked);
    return {};
  }
  if (verb == "select") {
    for (size_t i = 0; i < control->items.size(); ++i) {
      if (control->items[i] == rest) {
        control->selection = static_cast<int>(i);
        procedure.OnCommand(state, id, platform::kNotifySelectionChange);
        return {};
      }
    }
    return "list " + std::to_string(id) + " has no item '" + rest + "'";
  }
  return "unknown command '" + verb + "'";
}

}  // namespace

void SetDialogScript(std::optional<std::string> script) { scriptOverride = std::move(script); }

}  // namespace oq::posix

namespace oq::platform {

int RunModalDialog(uint32_t templateId, DialogProcedure& procedure) {
  const posix::DialogTemplate* dialogTemplate = posix::FindDialogTemplate(templateId);
  if (dialogTemplate == nullptr) return -1;
  posix::DialogState state(*dialogTemplate);
  procedure.OnInit(state);

  std::optional<std::string> script = posix::scriptOverride;
  if (!script) {
    if (const char* text = std::getenv(posix::kDialogScriptVariable)) script = text;
  }
  if (script) {
    std::fputs(state.Render().c_str(), stderr);
    for (const auto& command : posix::SplitCommands(*script)) {
      if (state.ended()) break;
      const std::string error = posix::Apply(posix::Trim(command), state, procedure);
      if (!error.empty()) std::fprintf(stderr, "dialog script: %s\n", error.c_str());
    }
  } else if (isatty(STDIN_FILENO) == 1) {
    std::string line;
    while (!state.ended()) {
      std::cout << "\n" << state.Render()
                << "commands: set ID TEXT, click ID, select ID TEXT, ok, cancel, help, sysmenu N\n> " << std::flush;
      if (!std::getline(std::cin, line)) break;
      const std::string error = posix::Apply(posix::Trim(line), state, procedure);
      if (!error.empty()) std::cout << error << "\n";
    }
  }
  if (!state.ended()) procedure.OnCommand(state, kIdCancel, kNotifyClicked);
  return state.ended() ? state.result() : -1;
}

}  // namespace oq::platform

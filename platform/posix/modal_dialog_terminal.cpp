// Modal dialogs on the terminal, driven by a script or a person.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

#include "dialog_script.h"
#include "dialog_state.h"
#include "dialogs.h"
#include "terminal_dialogs.h"

namespace oq::posix {

namespace {

std::optional<std::string> scriptOverride;

// Carries out one line; returns an error for the person, or empty.
std::string Apply(const std::string& line, DialogState& state, platform::DialogProcedure& procedure) {
  using Verb = platform::DialogCommand::Verb;
  const platform::DialogScriptLine parsed = platform::ParseDialogLine(line);
  if (!parsed.command) return parsed.error;
  const platform::DialogCommand& command = *parsed.command;
  if (command.verb == Verb::kHelpRequest) {
    procedure.OnHelpRequest(state);
    return {};
  }
  if (command.verb == Verb::kSystemMenu) {
    procedure.OnSystemCommand(state, command.id);
    return {};
  }
  DialogState::Control* control = state.Find(command.id);
  const std::string number = std::to_string(command.id);
  if (control == nullptr && !command.standardButton) return "no control " + number;
  if (control != nullptr && (!control->shown || !control->enabled)) return "control " + number + " is not available";
  switch (command.verb) {
    case Verb::kSet:
    case Verb::kType: {
      const ControlKind kind = control->source->kind;
      if (kind != ControlKind::kEdit && kind != ControlKind::kNumberEdit && kind != ControlKind::kPasswordEdit) {
        return "control " + number + " is not an edit";
      }
      if (command.verb == Verb::kSet) {
        control->text = command.text;
        return {};
      }
      std::string refused;
      for (char c : command.text) {
        if (kind == ControlKind::kNumberEdit && (c < '0' || c > '9')) {
          refused += c;
        } else {
          control->text += c;
        }
      }
      return refused.empty() ? std::string() : "edit " + number + " takes digits only, not '" + refused + "'";
    }
    case Verb::kShow:
      std::printf("%d=%s\n", command.id, control != nullptr ? control->text.c_str() : "");
      std::fflush(stdout);
      return {};
    case Verb::kSelect:
      for (size_t i = 0; i < control->items.size(); ++i) {
        if (control->items[i] == command.text) {
          control->selection = static_cast<int>(i);
          procedure.OnCommand(state, command.id, platform::kNotifySelectionChange);
          return {};
        }
      }
      return "list " + number + " has no item '" + command.text + "'";
    default:
      // Check boxes check themselves; the procedure decides about the rest.
      if (control != nullptr && control->source->kind == ControlKind::kCheckBox) control->checked = !control->checked;
      procedure.OnCommand(state, command.id, platform::kNotifyClicked);
      return {};
  }
}

}  // namespace

void SetDialogScript(std::optional<std::string> script) { scriptOverride = std::move(script); }

}  // namespace oq::posix

namespace oq::platform {

int RunModalDialog(uint32_t templateId, DialogProcedure& procedure, DialogOwner /*owner*/) {
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
    for (const auto& line : platform::SplitDialogScript(*script)) {
      if (state.ended()) break;
      const std::string error = posix::Apply(line, state, procedure);
      if (!error.empty()) std::fprintf(stderr, "dialog script: %s\n", error.c_str());
    }
  } else if (isatty(STDIN_FILENO) == 1) {
    std::string line;
    while (!state.ended()) {
      std::cout << "\n" << state.Render()
                << "commands: set ID TEXT, click ID, select ID TEXT, ok, cancel, help, sysmenu N\n> " << std::flush;
      if (!std::getline(std::cin, line)) break;
      const std::string error = posix::Apply(line, state, procedure);
      if (!error.empty()) std::cout << error << "\n";
    }
  }
  if (!state.ended()) procedure.OnCommand(state, kIdCancel, kNotifyClicked);
  return state.ended() ? state.result() : -1;
}

}  // namespace oq::platform

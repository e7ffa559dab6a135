// Modal dialogs on the terminal, driven by a script or a person.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "dialog_script.h"
#include "dialog_state.h"
#include "dialogs.h"
#include "terminal_dialogs.h"

namespace oq::terminal {

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
    case Verb::kCheck:
    case Verb::kUncheck: {
      if (control == nullptr || control->source->kind != ControlKind::kCheckBox) {
        return "control " + number + " is not a check box";
      }
      const bool wanted = command.verb == Verb::kCheck;
      if (control->checked == wanted) return {};
      control->checked = wanted;
      procedure.OnCommand(state, command.id, platform::kNotifyClicked);
      return {};
    }
    case Verb::kChoose:
      if (control == nullptr || control->source->kind != ControlKind::kRadio) {
        return "control " + number + " is not a radio button";
      }
      procedure.OnCommand(state, command.id, platform::kNotifyClicked);
      return {};
    default:
      // Check boxes check themselves; the procedure decides about the rest.
      if (control != nullptr && control->source->kind == ControlKind::kCheckBox) control->checked = !control->checked;
      procedure.OnCommand(state, command.id, platform::kNotifyClicked);
      return {};
  }
}

}  // namespace

void SetDialogScript(std::optional<std::string> script) { scriptOverride = std::move(script); }

}  // namespace oq::terminal

namespace oq::platform {

namespace {

// Runs the commands until the dialog ends; false, with the error shown and
// left for the caller, at the first command that fails.
bool RunScript(const std::string& script, terminal::DialogState& state, DialogProcedure& procedure) {
  for (const auto& line : SplitDialogScript(script)) {
    if (state.ended()) break;
    const std::string error = terminal::Apply(line, state, procedure);
    if (error.empty()) continue;
    std::fprintf(stderr, "dialog script: %s; the dialog is closed as with Cancel\n", error.c_str());
    setenv(terminal::kDialogScriptErrorVariable, error.c_str(), 1);
    return false;
  }
  return true;
}

// A person at the terminal: the dialog is drawn again only when it changed,
// and an error stands right above the prompt.
void RunInteractively(terminal::DialogState& state, DialogProcedure& procedure) {
  std::string drawn;
  std::string line;
  std::string error;
  while (!state.ended()) {
    const std::string picture = state.Render();
    if (picture != drawn) {
      std::cout << "\n"
                << picture
                << "commands: set/type ID TEXT, click/check/uncheck/choose ID, select ID TEXT,\n"
                   "          ok, cancel, help, sysmenu N\n";
      drawn = picture;
    }
    if (!error.empty()) std::cout << error << "\n";
    std::cout << "> " << std::flush;
    if (!std::getline(std::cin, line)) break;
    error = terminal::Apply(line, state, procedure);
  }
}

}  // namespace

int RunModalDialog(uint32_t templateId, DialogProcedure& procedure, DialogOwner /*owner*/) {
  const resources::DialogTemplate* dialogTemplate = resources::FindDialogTemplate(templateId);
  if (dialogTemplate == nullptr) return -1;
  terminal::DialogState state(*dialogTemplate);
  procedure.OnInit(state);

  std::optional<std::string> script = terminal::scriptOverride;
  if (!script) {
    if (const char* text = std::getenv(terminal::kDialogScriptVariable)) script = text;
  }
  if (!script && !state.ended() && isatty(STDIN_FILENO) != 1) {
    // Commands piped in: the same as a script.
    std::ostringstream piped;
    piped << std::cin.rdbuf();
    script = piped.str();
  }
  if (script) {
    std::fputs(state.Render().c_str(), stderr);
    RunScript(*script, state, procedure);
  } else {
    RunInteractively(state, procedure);
  }
  if (!state.ended()) procedure.OnCommand(state, kIdCancel, kNotifyClicked);
  return state.ended() ? state.result() : -1;
}

}  // namespace oq::platform

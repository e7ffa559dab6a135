// The little language that drives a dialog without a person, shared by
// both platforms' dialog bindings (terminal_dialogs.h lists the commands):
// commands separated by ";" or new lines.
#pragma once

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dialogs.h"

namespace oq::platform {

// The environment variable that holds a script for the next dialogs.
inline constexpr const char* kDialogScriptVariable = "ORBITQUAIL_DIALOG_SCRIPT";
// Where a dialog leaves the error that stopped its script, for the program
// that ran it: the dialog may run inside a loaded library with a copy of
// this code of its own, but the process's environment is one.
inline constexpr const char* kDialogScriptErrorVariable = "ORBITQUAIL_DIALOG_SCRIPT_ERROR";

struct DialogCommand {
  enum class Verb { kSet, kType, kShow, kClick, kCheck, kUncheck, kChoose, kSelect, kSystemMenu, kHelpRequest };
  Verb verb = Verb::kClick;
  int id = 0;        // the control, or the system-menu command
  std::string text;  // what set or type enter, or the list item select picks
  // ok, cancel and help name their buttons by role, not by number.
  bool standardButton = false;
};

// One line: a command, an error for the person, or neither (blank).
struct DialogScriptLine {
  std::optional<DialogCommand> command;
  std::string error;
};

inline DialogScriptLine ParseDialogLine(std::string line) {
  line.erase(line.find_last_not_of(" \t\r") + 1);  // trailing blanks are nobody's text
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  DialogCommand command;
  if (verb.empty()) return {};
  if (verb == "ok" || verb == "cancel" || verb == "help") {
    command.id = verb == "ok" ? kIdOk : verb == "cancel" ? kIdCancel : kIdHelp;
    command.standardButton = true;
    return {command, {}};
  }
  if (verb == "f1") {
    command.verb = DialogCommand::Verb::kHelpRequest;
    return {command, {}};
  }
  if (verb == "sysmenu") {
    command.verb = DialogCommand::Verb::kSystemMenu;
    in >> command.id;
    return {command, {}};
  }
  if (verb == "set") {
    command.verb = DialogCommand::Verb::kSet;
  } else if (verb == "type") {
    command.verb = DialogCommand::Verb::kType;
  } else if (verb == "show") {
    command.verb = DialogCommand::Verb::kShow;
  } else if (verb == "check") {
    command.verb = DialogCommand::Verb::kCheck;
  } else if (verb == "uncheck") {
    command.verb = DialogCommand::Verb::kUncheck;
  } else if (verb == "choose") {
    command.verb = DialogCommand::Verb::kChoose;
  } else if (verb == "select") {
    command.verb = DialogCommand::Verb::kSelect;
  } else if (verb != "click") {
    return {std::nullopt, "unknown command '" + verb + "'"};
  }
  if (!(in >> command.id)) return {std::nullopt, "'" + verb + "' needs a control number"};
  std::getline(in, command.text);
  if (!command.text.empty()) command.text.erase(0, 1);  // the blank after the number
  return {command, {}};
}

inline std::vector<std::string> SplitDialogScript(const std::string& script) {
  std::vector<std::string> lines(1);
  for (char c : script) {
    if (c == ';' || c == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

}  // namespace oq::platform

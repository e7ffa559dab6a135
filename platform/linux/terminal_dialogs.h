// The terminal stand-in for dialogs: how a script or a person drives a
// modal dialog, and what tests can see of it.
//
// A script is a list of commands separated by ";" or new lines:
//   set ID TEXT       put TEXT into edit ID
//   type ID TEXT      type TEXT into edit ID key by key (a number edit
//                     refuses what is not a digit)
//   show ID           print "ID=TEXT", the control's text, on stdout
//   click ID          click button, check box or radio button ID
//   check ID          check box ID checked (nothing happens when it is)
//   uncheck ID        check box ID cleared (nothing happens when it is)
//   choose ID         radio button ID chosen
//   select ID TEXT    select the list item TEXT in list box ID
//   ok | cancel | help
//   sysmenu N         choose system-menu command N
//   f1                the platform's help request
// A script stops at its first error, which closes the dialog as Cancel; when
// it runs out before the dialog ended, the dialog is closed as with Cancel
// too. Without a script, a dialog reads the same commands from a terminal,
// or else from standard input.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dialog_script.h"

namespace oq::terminal {

using platform::kDialogScriptErrorVariable;
using platform::kDialogScriptVariable;

// The script for the next modal dialogs of this process, taking precedence
// over the environment; nullopt: the environment's again.
void SetDialogScript(std::optional<std::string> script);

// From now on every text set on a modeless dialog's control is appended to
// `sink` (null: no longer recorded).
void RecordModelessTexts(std::vector<std::string>* sink);

// Where help was last opened: "FILE@CONTEXT", empty when never.
std::string LastHelpRequest();

}  // namespace oq::terminal

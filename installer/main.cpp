// OrbitQuailInstaller: run from the folder that holds OrbitQuail.prc and
// the conduit library. Interactive on a terminal; scripted with --user NAME
// --install, or --exit.
#include <cstdlib>
#include <iostream>

#include "dialogs.h"
#include "installer_command_line.h"
#include "installer_dialog.h"
#include "resource_ids.h"
#include "terminal_dialogs.h"

int main(int argc, char** argv) {
  CLI::App app;
  oq::installer::InstallerOptions options;
  oq::installer::DefineCommandLine(app, options);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }

  oq::installer::InstallerDialog dialog;
  if (options.install) {
    dialog.InstallForUser(options.user);
  } else if (options.exitAtOnce) {
    oq::terminal::SetDialogScript(oq::installer::ExitScript());
  } else if (!options.script.empty()) {
    oq::terminal::SetDialogScript(options.script);
  }
  unsetenv(oq::terminal::kDialogScriptErrorVariable);
  oq::platform::RunModalDialog(IDD_INSTALLER, dialog);
  if (std::getenv(oq::terminal::kDialogScriptErrorVariable) != nullptr) return 2;
  // A scripted install that stopped at a message has not installed.
  return options.install && !dialog.installed() ? 1 : 0;
}

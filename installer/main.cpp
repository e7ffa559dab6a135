// OrbitQuailInstaller: run from the folder that holds OrbitQuail.prc and
// the conduit library. Interactive on a terminal; scripted with --user NAME
// --install, or --exit.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <iostream>

#include "dialogs.h"
#include "installer_dialog.h"
#include "resource_ids.h"
#include "terminal_dialogs.h"

int main(int argc, char** argv) {
  CLI::App app{"OrbitQuailInstaller: queue OrbitQuail.prc for a HotSync user and register the conduit"};
  app.set_version_flag("--version", "OrbitQuailInstaller (OrbitQuail) " ORBITQUAIL_VERSION);
  std::string user;
  bool install = false;
  bool exitAtOnce = false;
  app.add_option("--user", user, "HotSync user to install for (scripted mode)");
  auto* installFlag = app.add_flag("--install", install, "press Install for --user without asking");
  app.add_flag("--exit", exitAtOnce, "press Exit at once");
  installFlag->needs("--user");
  app.footer(
      "Example:\n"
      "  cd /folder/with/OrbitQuail.prc/and/OrbitQuail.so && OrbitQuailInstaller --user Me --install\n\n"
      "Environment:\n"
      "  ORBITQUAIL_HOME           the desktop folder with the Palm Desktop directory\n"
      "                            (default ~/.local/share/orbitquail)\n"
      "  ORBITQUAIL_DIALOG_SCRIPT  commands that drive the dialog without a person\n\n"
      "Exit status: 0 installed, or left with Exit; 1 an unattended install did not complete;\n"
      "2 bad options, or a dialog script that stopped at an error.");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }

  oq::installer::InstallerDialog dialog;
  if (install) {
    dialog.InstallForUser(user);
  } else if (exitAtOnce) {
    oq::terminal::SetDialogScript(oq::installer::ExitScript());
  }
  unsetenv(oq::terminal::kDialogScriptErrorVariable);
  oq::platform::RunModalDialog(IDD_INSTALLER, dialog);
  if (std::getenv(oq::terminal::kDialogScriptErrorVariable) != nullptr) return 2;
  // A scripted install that stopped at a message has not installed.
  return install && !dialog.installed() ? 1 : 0;
}

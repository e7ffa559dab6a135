#include "installer_command_line.h"

namespace oq::installer {

void DefineCommandLine(CLI::App& app, InstallerOptions& options) {
  app.description("OrbitQuailInstaller: queue OrbitQuail.prc for a HotSync user and register the conduit");
  app.set_version_flag("--version", "OrbitQuailInstaller (OrbitQuail) " ORBITQUAIL_VERSION);
  app.add_option("--user", options.user, "HotSync user to install for (scripted mode)");
  app.add_flag("--install", options.install, "press Install for --user without asking")->needs("--user");
  app.add_flag("--exit", options.exitAtOnce, "press Exit at once");
  app.add_option("--script", options.script,
                 "dialog commands separated by ';' (set ID TEXT, click ID, ok, ...), as ORBITQUAIL_DIALOG_SCRIPT")
      ->excludes("--install")
      ->excludes("--exit");
  app.footer(
      "Example:\n"
      "  cd /folder/with/OrbitQuail.prc/and/the/conduit && OrbitQuailInstaller --user Me --install\n\n"
      "Environment:\n"
      "  ORBITQUAIL_HOME           the desktop folder with the Palm Desktop directory (Linux;\n"
      "                            default ~/.local/share/orbitquail)\n"
      "  ORBITQUAIL_DIALOG_SCRIPT  commands that drive the dialog without a person\n\n"
      "Exit status: 0 installed, or left with Exit; 1 an unattended install did not complete, or Palm\n"
      "Desktop is missing; 2 bad options, or a dialog script that stopped at an error.");
}

}  // namespace oq::installer

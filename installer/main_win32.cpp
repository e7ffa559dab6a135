// OrbitQuailInstaller.exe: run from the folder that holds OrbitQuail.prc and
// OrbitQuail.dll. "--user NAME --install" or "--exit" drive the dialog
// without a person, for tests and unattended installs; their messages go to
// the console of whoever started the installer.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dialog_script.h"
#include "dialogs.h"
#include "installer_command_line.h"
#include "installer_dialog.h"
#include "palm_desktop.h"
#include "resource_ids.h"

namespace {

// A windowed program has no console of its own; a scripted run writes to
// its parent's, when there is one.
void UseParentConsole() {
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  InitCommonControls();
  CLI::App app;
  oq::installer::InstallerOptions options;
  oq::installer::DefineCommandLine(app, options);
  const bool unattended = argc > 1 || std::getenv(oq::platform::kDialogScriptVariable) != nullptr;
  if (unattended && GetStdHandle(STD_OUTPUT_HANDLE) == nullptr) UseParentConsole();
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }
  std::string missing;
  if (!oq::platform::PalmDesktopLibrariesFound(missing)) {
    const std::string text = "OrbitQuail Installer needs Palm Desktop, but " + missing +
                             " could not be found.\nPlease install Palm Desktop first, then run this installer again.";
    if (unattended) {
      std::printf("[OrbitQuail Installer] %s\n", text.c_str());
    } else {
      MessageBoxA(nullptr, text.c_str(), "OrbitQuail Installer", MB_OK | MB_ICONERROR);
    }
    return 1;
  }

  oq::installer::InstallerDialog dialog;
  if (options.install) {
    dialog.InstallForUser(options.user);
    // Messages are printed and the dialog never waits for a person.
    _putenv((std::string(oq::platform::kDialogScriptVariable) + "=cancel").c_str());
  } else if (options.exitAtOnce) {
    _putenv((std::string(oq::platform::kDialogScriptVariable) + "=" + oq::installer::ExitScript()).c_str());
  } else if (!options.script.empty()) {
    _putenv((std::string(oq::platform::kDialogScriptVariable) + "=" + options.script).c_str());
  }
  oq::platform::RunModalDialog(IDD_INSTALLER, dialog, oq::platform::DialogOwner::kNone);
  return options.install && !dialog.installed() ? 1 : 0;
}

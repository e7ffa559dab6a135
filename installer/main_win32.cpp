// OrbitQuailInstaller.exe: run from the folder that holds OrbitQuail.prc and
// OrbitQuail.dll. "--user NAME --install" or "--exit" drive the dialog
// without a person, for tests and unattended installs.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "dialogs.h"
#include "installer_dialog.h"
#include "resource_ids.h"

int main(int argc, char** argv) {
  InitCommonControls();
  std::string user;
  bool install = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--user") == 0 && i + 1 < argc) user = argv[++i];
    if (std::strcmp(argv[i], "--install") == 0) install = true;
    if (std::strcmp(argv[i], "--exit") == 0) {
      _putenv(("ORBITQUAIL_DIALOG_SCRIPT=" + oq::installer::ExitScript()).c_str());
    }
  }
  if (install && !user.empty()) _putenv(("ORBITQUAIL_DIALOG_SCRIPT=" + oq::installer::InstallScript(user)).c_str());
  oq::installer::InstallerDialog dialog;
  oq::platform::RunModalDialog(IDD_INSTALLER, dialog);
  return install && !dialog.installed() ? 1 : 0;
}

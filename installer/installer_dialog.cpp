#include "installer_dialog.h"

#include <system_error>

#include "module_resources.h"
#include "palm_desktop.h"
#include "resource_ids.h"

namespace oq::installer {

namespace {

constexpr uint16_t kBufferSize = 1024;
constexpr size_t kMaxWorkingDirectory = 1023;
constexpr int kSystemCommandMask = 0xFFF0;
constexpr const char* kCaption = STR_INSTALLER_TITLE;

}  // namespace

void InstallerDialog::OnInit(platform::DialogControls& dialog) {
  char text[kBufferSize];
  if (platform::LoadResourceString(IDS_ABOUT, text, sizeof text) > 0) dialog.AddSystemMenuItem(IDM_ABOUT, text);
  dialog.SetIcon(IDI_INSTALLER);

  uint16_t size = kBufferSize;
  text[0] = '\0';
  platform::InstallAideGetPath(platform::kDesktopPathOfPalmDesktop, text, &size);
  destination_ = text;
  dialog.EnableItem(IDC_INSTALL, false);

  const int32_t users = platform::InstallAideGetUserCount();
  if (users == 0) dialog.ShowMessage("Please perfrom a HotSync first to add an user!", kCaption);
  for (int32_t i = 0; i < users; ++i) {
    size = kBufferSize;
    if (platform::InstallAideGetUserName(i, text, &size) == 0) dialog.ListAddString(IDC_USER_LIST, text);
  }
}

void InstallerDialog::OnCommand(platform::DialogControls& dialog, int id, int notification) {
  switch (id) {
    case IDC_USER_LIST:
      if (notification == platform::kNotifySelectionChange) {
        dialog.EnableItem(IDC_INSTALL, dialog.ListSelection(IDC_USER_LIST) >= 0);
      }
      break;
    case IDC_INSTALL: Install(dialog); break;
    case IDC_EXIT:
    case platform::kIdCancel: dialog.EndDialog(platform::kIdCancel); break;
    default: break;
  }
}

void InstallerDialog::OnSystemCommand(platform::DialogControls&, int command) {
  if ((command & kSystemCommandMask) != IDM_ABOUT) return;
  AboutDialog about;
  platform::RunModalDialog(IDD_ABOUT, about);
}

void InstallerDialog::Install(platform::DialogControls& dialog) {
  if (dialog.ListCount(IDC_USER_LIST) == 0) {
    dialog.ShowMessage("Please perform a HotSync first to add an user!", kCaption);
    return;
  }
  std::error_code error;
  std::filesystem::path folder = std::filesystem::current_path(error);
  if (folder.native().size() > kMaxWorkingDirectory) folder.clear();
  const auto program = folder / kHandheldProgram;
  const auto library = folder / kConduitLibrary;

  const int selection = dialog.ListSelection(IDC_USER_LIST);
  if (selection < 0) {
    dialog.ShowMessage("Please select an user name first!", kCaption);
    return;
  }
  // Both files must be here before anything is queued, or a second attempt
  // would find the program waiting and never copy the conduit.
  for (const auto& file : {program, library}) {
    if (!std::filesystem::is_regular_file(file, error)) {
      dialog.ShowMessage(("Cannot find " + file.filename().string() + " in " + folder.string() +
                         ".\nPlease run the installer in the folder that holds " + kHandheldProgram + " and " +
                         kConduitLibrary + ".")
                            .c_str(),
                        kCaption);
      return;
    }
  }

  const std::string user = dialog.ListText(IDC_USER_LIST, selection);
  if (platform::InstallAideQueueFile(user.c_str(), program.string().c_str()) == platform::kInstallAlreadyQueued) {
    dialog.ShowMessage("OrbitQuail program had been intsalled into Palm Desktop.\nPlease perform a HotSync first.",
                      kCaption);
    return;
  }

  dialog.SetWaitCursor(true);
  std::filesystem::copy_file(library, destination_ / kConduitLibrary,
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    dialog.SetWaitCursor(false);
    dialog.ShowMessage(("Cannot copy " + std::string(kConduitLibrary) + " into " + destination_.string() + ": " +
                       error.message() + ".\nThe conduit is not registered; please check the folder and try again.")
                          .c_str(),
                      kCaption);
    return;
  }
  Register();
  dialog.SetWaitCursor(false);
  dialog.ShowMessage(
      "The installation is complete.\n\nPlease perform a HotSync first to install OrbitQuail palm program.",
      "Install Complete");
  installed_ = true;
  dialog.EndDialog(platform::kIdOk);
}

void InstallerDialog::Register() {
  if (platform::ConduitManagerCreateEntry(kCreator, platform::kConduitTypeApplication) ==
      platform::kConduitEntryExists) {
    platform::ConduitManagerRemoveEntry(kCreator);
    platform::ConduitManagerCreateEntry(kCreator, platform::kConduitTypeApplication);
  }
  platform::ConduitManagerSetLibrary(kCreator, kConduitLibrary);
  platform::ConduitManagerSetTitle(kCreator, kProductName);
  platform::HotSyncRefreshConduits();
}

std::string InstallScript(const std::string& user) {
  return "select " + std::to_string(IDC_USER_LIST) + " " + user + "; click " + std::to_string(IDC_INSTALL);
}

std::string ExitScript() { return "click " + std::to_string(IDC_EXIT); }

void AboutDialog::OnCommand(platform::DialogControls& dialog, int id, int) {
  if (id == platform::kIdOk || id == platform::kIdCancel) dialog.EndDialog(id);
}

}  // namespace oq::installer

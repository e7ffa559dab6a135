#include "installer_dialog.h"

#include "desktop_files.h"
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
  // Install Aide answers a name's length; only a negative result fails.
  for (int32_t i = 0; i < users; ++i) {
    size = kBufferSize;
    text[0] = '\0';
    if (platform::InstallAideGetUserName(i, text, &size) >= 0) {
      text[kBufferSize - 1] = '\0';
      dialog.ListAddString(IDC_USER_LIST, text);
    }
  }
  if (!unattendedUser_.empty()) {
    int found = -1;
    for (int i = 0; i < dialog.ListCount(IDC_USER_LIST) && found < 0; ++i) {
      if (dialog.ListText(IDC_USER_LIST, i) == unattendedUser_) found = i;
    }
    if (found < 0) {
      dialog.ShowMessage(("There is no HotSync user named \"" + unattendedUser_ + "\".").c_str(), kCaption);
    } else {
      Install(dialog, found);
    }
    // An unattended run never waits for a person.
    if (!installed_) dialog.EndDialog(platform::kIdCancel);
  }
}

void InstallerDialog::OnCommand(platform::DialogControls& dialog, int id, int notification) {
  switch (id) {
    case IDC_USER_LIST:
      if (notification == platform::kNotifySelectionChange) {
        dialog.EnableItem(IDC_INSTALL, dialog.ListSelection(IDC_USER_LIST) >= 0);
      }
      break;
    case IDC_INSTALL: Install(dialog, dialog.ListSelection(IDC_USER_LIST)); break;
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

void InstallerDialog::Install(platform::DialogControls& dialog, int selection) {
  if (dialog.ListCount(IDC_USER_LIST) == 0) {
    dialog.ShowMessage("Please perform a HotSync first to add an user!", kCaption);
    return;
  }
  std::string folder = platform::CurrentDirectory();
  if (folder.size() > kMaxWorkingDirectory) folder.clear();
  const std::string program = platform::JoinPath(folder, kHandheldProgram);
  const std::string library = platform::JoinPath(folder, kConduitLibrary);
  if (selection < 0) {
    dialog.ShowMessage("Please select an user name first!", kCaption);
    return;
  }
  // Both files must be here before anything is queued, or a second attempt
  // would find the program waiting and never copy the conduit.
  for (const char* name : {kHandheldProgram, kConduitLibrary}) {
    if (!platform::IsRegularFile(platform::JoinPath(folder, name))) {
      dialog.ShowMessage(
          ("Cannot find " + std::string(name) + " in " + folder +
           ".\nPlease run the installer in the folder that holds " + kHandheldProgram + " and " + kConduitLibrary + ".")
              .c_str(),
          kCaption);
      return;
    }
  }
  // The library is copied beside its final name before the program is
  // queued: a copy that fails then leaves nothing queued, and trying again
  // works.
  const std::string target = platform::JoinPath(destination_, kConduitLibrary);
  const std::string copy = target + ".new";
  dialog.SetWaitCursor(true);
  if (!CopyConduitLibrary(dialog, library, copy)) return;

  const std::string user = dialog.ListText(IDC_USER_LIST, selection);
  const int32_t queued = platform::InstallAideQueueFile(user.c_str(), program.c_str());
  if (queued == platform::kInstallAlreadyQueued) {
    platform::RemoveFileIfPresent(copy);
    dialog.SetWaitCursor(false);
    dialog.ShowMessage("OrbitQuail program had been intsalled into Palm Desktop.\nPlease perform a HotSync first.",
                       kCaption);
    return;
  }
  if (queued < 0) {
    platform::RemoveFileIfPresent(copy);
    dialog.SetWaitCursor(false);
    dialog.ShowMessage(("Palm Desktop could not queue " + program + " for " + user + " (error " +
                        std::to_string(queued) + ").\nNothing was installed; please try again.")
                           .c_str(),
                       kCaption);
    return;
  }
  std::string reason;
  if (!platform::RenameFileReplacing(copy, target, reason)) {
    platform::RemoveFileIfPresent(copy);
    dialog.SetWaitCursor(false);
    dialog.ShowMessage(
        ("Cannot replace " + target + ": " + reason + ".\nThe program is queued, but the conduit is " +
         "not registered; after the next HotSync, close the HotSync Manager and run the installer " + "again.")
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

bool InstallerDialog::CopyConduitLibrary(platform::DialogControls& dialog, const std::string& library,
                                         const std::string& target) {
  std::string reason;
  if (platform::CopyFileReplacing(library, target, reason)) return true;
  platform::RemoveFileIfPresent(target);
  dialog.SetWaitCursor(false);
  dialog.ShowMessage(("Cannot copy " + std::string(kConduitLibrary) + " into " + destination_ + ": " + reason +
                      ".\nNothing was installed; please check the folder and try again.")
                         .c_str(),
                     kCaption);
  return false;
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

std::string ExitScript() { return "click " + std::to_string(IDC_EXIT); }

void AboutDialog::OnCommand(platform::DialogControls& dialog, int id, int) {
  if (id == platform::kIdOk || id == platform::kIdCancel) dialog.EndDialog(id);
}

}  // namespace oq::installer

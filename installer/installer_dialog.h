// The installer's main dialog: lists the HotSync users, queues the handheld
// program for the chosen one, copies the conduit library into the Palm
// Desktop directory and registers it.
#pragma once

#include <string>

#include "dialogs.h"
#include "product.h"

namespace oq::installer {

// Product files, looked for in the working directory.
inline constexpr const char* kHandheldProgram = "OrbitQuail.prc";
inline constexpr const char* kConduitLibrary = ORBITQUAIL_CONDUIT_LIBRARY;
inline constexpr const char* kCreator = product::kCreatorText;
inline constexpr const char* kProductName = "OrbitQuail";

class InstallerDialog : public platform::DialogProcedure {
 public:
  void OnInit(platform::DialogControls& dialog) override;
  void OnCommand(platform::DialogControls& dialog, int id, int notification) override;
  void OnSystemCommand(platform::DialogControls& dialog, int command) override;

  // Unattended: as soon as the users are listed, installs for the one named
  // exactly `user`, or says there is none and ends the dialog.
  void InstallForUser(std::string user) { unattendedUser_ = std::move(user); }
  // True once an install went through to its end.
  bool installed() const { return installed_; }

 private:
  void Install(platform::DialogControls& dialog, int selection);
  bool CopyConduitLibrary(platform::DialogControls& dialog, const std::string& library, const std::string& target);
  void Register();

  std::string destination_;  // the Palm Desktop directory
  std::string unattendedUser_;
  bool installed_ = false;
};

// The dialog script of an unattended exit: press Exit.
std::string ExitScript();

class AboutDialog : public platform::DialogProcedure {
 public:
  void OnInit(platform::DialogControls&) override {}
  void OnCommand(platform::DialogControls& dialog, int id, int notification) override;
};

}  // namespace oq::installer

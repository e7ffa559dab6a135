// The installer's main dialog: lists the HotSync users, queues the handheld
// program for the chosen one, copies the conduit library into the Palm
// Desktop directory and registers it.
#pragma once

#include <filesystem>
#include <string>

#include "dialogs.h"

namespace oq::installer {

// Product files, looked for in the working directory.
inline constexpr const char* kHandheldProgram = "OrbitQuail.prc";
inline constexpr const char* kConduitLibrary = ORBITQUAIL_CONDUIT_LIBRARY;
inline constexpr const char* kCreator = "rkOQ";
inline constexpr const char* kProductName = "OrbitQuail";

class InstallerDialog : public platform::DialogProcedure {
 public:
  void OnInit(platform::DialogControls& dialog) override;
  void OnCommand(platform::DialogControls& dialog, int id, int notification) override;
  void OnSystemCommand(platform::DialogControls& dialog, int command) override;

  // True once an install went through to its end.
  bool installed() const { return installed_; }

 private:
  void Install(platform::DialogControls& dialog);
  void Register();

  std::filesystem::path destination_;  // the Palm Desktop directory
  bool installed_ = false;
};

// Dialog scripts for unattended runs: pick the user and press Install, or
// press Exit.
std::string InstallScript(const std::string& user);
std::string ExitScript();

class AboutDialog : public platform::DialogProcedure {
 public:
  void OnInit(platform::DialogControls&) override {}
  void OnCommand(platform::DialogControls& dialog, int id, int notification) override;
};

}  // namespace oq::installer

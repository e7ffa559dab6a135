// The installer's command line, one definition for both builds.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace oq::installer {

struct InstallerOptions {
  std::string user;
  bool install = false;     // install for `user` without asking
  bool exitAtOnce = false;  // press Exit at once
  std::string script;       // dialog commands, as ORBITQUAIL_DIALOG_SCRIPT takes them
};

// Defines the options, help and version on `app`, filling `options`.
void DefineCommandLine(CLI::App& app, InstallerOptions& options);

}  // namespace oq::installer

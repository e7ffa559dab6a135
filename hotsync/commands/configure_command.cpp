// oq-hotsync configure: the conduit's configuration dialog for a HotSync
// user, keeping what the user chose as the HotSync Manager does: the
// permanent action when "Set as default" was checked, otherwise the action
// for the next HotSync only.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "commands.h"
#include "conduit_library.h"
#include "conduit_settings.h"
#include "desktop_directory.h"
#include "palm_database.h"
#include "sync_advice.h"
#include "terminal_dialogs.h"

namespace oq::hotsync {

namespace {

constexpr int kNoChoice = 0;  // a preference kind the dialog never writes

std::string ActionInWords(int32_t action) {
  switch (action) {
    case conduit::kActionSynchronize:
    case conduit::kActionSynchronizeAlt: return "Synchronize the files";
    case conduit::kActionHandheldOverwrites: return "Handheld overwrites Desktop";
    case conduit::kActionDesktopOverwrites: return "Desktop overwrites handheld";
    case conduit::kActionDoNothing: return "Do nothing";
    default: return "action " + std::to_string(action);
  }
}

}  // namespace

int RunConfigure(const ConfigureOptions& options) {
  standin::DesktopDirectory desktop;
  const auto users = desktop.Users();
  std::string user;
  if (options.user) {
    user = *options.user;
    if (std::find(users.begin(), users.end(), user) == users.end()) {
      std::cerr << "oq-hotsync: there is no HotSync user \"" << user << "\"";
      if (const std::string known = SameUserInOtherCase(users, user); !known.empty()) {
        std::cerr << "; did you mean \"" << known << "\"?";
      } else if (!users.empty()) {
        std::cerr << "; the users are:";
        for (const auto& name : users) std::cerr << " \"" << name << "\"";
      }
      std::cerr << "\n(a HotSync adds its user: oq-hotsync sync --handheld DIR --user NAME)\n";
      return kExitUsage;
    }
  } else if (!users.empty()) {
    user = users.front();
  } else {
    std::cerr << "oq-hotsync: there is no HotSync user yet; run oq-hotsync sync first, or name one with --user\n";
    return kExitUsage;
  }
  auto conduit = LoadConduit(options.conduit, kConduitCreator);
  if (!conduit) return kExitUsage;
  if (options.script) setenv(terminal::kDialogScriptVariable, options.script->c_str(), 1);
  unsetenv(terminal::kDialogScriptErrorVariable);

  using Desktop = standin::DesktopDirectory;
  const int32_t permanent = desktop.Action(user, kConduitCreator, Desktop::kPermanent).value_or(0);
  const int32_t temporary = desktop.Action(user, kConduitCreator, Desktop::kTemporary).value_or(permanent);
  int32_t chosen = 0;
  int32_t kind = kNoChoice;
  if (options.legacy) {
    if (!conduit->configureConduit) {
      std::cerr << "oq-hotsync: the conduit has no ConfigureConduit\n";
      return kExitUsage;
    }
    LegacySyncPreference preference{};
    preference.action = temporary;
    if (conduit->configureConduit(&preference) == 0) {
      chosen = preference.action;
      kind = preference.preferenceKind;
    }
  } else {
    if (!conduit->cfgConduit) {
      std::cerr << "oq-hotsync: the conduit has no CfgConduit\n";
      return kExitUsage;
    }
    ConduitConfiguration block{};
    block.version = 1;
    block.size = sizeof block;
    block.creator = palm::FourCCValue(palm::FourCCFromText(kConduitCreator));
    const auto known = std::find(users.begin(), users.end(), user);
    block.userId = static_cast<uint32_t>(known - users.begin() + 1);
    std::strncpy(block.userName, user.c_str(), sizeof block.userName - 1);
    block.permanentAction = permanent;
    block.temporaryAction = temporary;
    block.chosenAction = temporary;
    block.preferenceKind = kNoChoice;
    uint32_t size = sizeof block;
    if (const int32_t result = conduit->cfgConduit(0, &block, &size); result != 0) {
      std::cerr << "oq-hotsync: CfgConduit returned " << result << "\n";
      return kExitConduitFailed;
    }
    chosen = block.chosenAction;
    kind = block.preferenceKind;
  }

  // A script that stopped has pressed nothing: what it meant is unknown.
  if (const char* error = std::getenv(terminal::kDialogScriptErrorVariable)) {
    std::cerr << "oq-hotsync: the dialog script stopped at: " << error << "; nothing was changed\n";
    return kExitUsage;
  }
  if (kind == conduit::kPreferencePermanent) {
    desktop.SetAction(user, kConduitCreator, Desktop::kPermanent, chosen);
    desktop.SetAction(user, kConduitCreator, Desktop::kTemporary, std::nullopt);
    std::cout << user << ": every HotSync: " << ActionInWords(chosen) << "; " << TrackingSettingsInWords() << "\n";
  } else if (kind == conduit::kPreferenceTemporary) {
    desktop.SetAction(user, kConduitCreator, Desktop::kTemporary, chosen);
    std::cout << user << ": next HotSync: " << ActionInWords(chosen) << "; " << TrackingSettingsInWords() << "\n";
  } else {
    std::cout << "HotSync action for " << user << " unchanged\n";
  }
  return kExitOk;
}

}  // namespace oq::hotsync

// oq-hotsync users: the HotSync users the desktop knows, each with the
// handheld it syncs and what waits to be installed; rename and remove keep
// the users' list, their folders and their queues in step.
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "desktop_directory.h"
#include "terminal_text.h"
#include "user_name.h"

namespace oq::hotsync {

int RunUsers(const UsersOptions& options) {
  standin::DesktopDirectory desktop;
  if (const auto unreadable = desktop.UnreadableFiles("");
      !unreadable.empty() && options.action != UsersOptions::kList) {
    for (const auto& problem : unreadable)
      std::cerr << "oq-hotsync: cannot read " << problem << "; nothing was changed\n";
    return kExitConduitFailed;
  }
  std::string failure;
  switch (options.action) {
    case UsersOptions::kList: {
      const auto users = desktop.Users();
      if (users.empty()) {
        std::cout << "No HotSync users yet: `oq-hotsync sync --user NAME` or a network HotSync adds one.\n";
        return kExitOk;
      }
      std::printf("%-24s %-8s %s\n", "USER", "QUEUED", "HANDHELD");
      for (const auto& user : users) {
        std::string handheld = desktop.HandheldFolder(user).value_or("");
        if (const auto id = desktop.HandheldUserId(user)) {
          handheld += (handheld.empty() ? "" : "; ") + std::string("network HotSync, id ") + std::to_string(*id);
        }
        std::printf("%-24s %-8zu %s\n", TerminalText(user).c_str(), desktop.QueuedFiles(user).size(),
                    handheld.empty() ? "(not synced yet)" : TerminalText(handheld).c_str());
      }
      return kExitOk;
    }
    case UsersOptions::kRename:
      if (const auto problem = UserNameProblem(options.to)) {
        std::cerr << "oq-hotsync: " << *problem << "; choose a name of printable characters\n";
        return kExitUsage;
      }
      if (!desktop.RenameUser(options.name, options.to, failure)) break;
      std::cout << "Renamed \"" << TerminalText(options.name) << "\" to \"" << TerminalText(options.to)
                << "\"; a handheld that syncs over the network takes the new name at its next HotSync.\n";
      return kExitOk;
    case UsersOptions::kRemove:
      if (!desktop.RemoveUser(options.name, failure)) break;
      std::cout << "Removed \"" << TerminalText(options.name) << "\" and what the desktop kept for that user.\n";
      return kExitOk;
  }
  std::cerr << "oq-hotsync: " << TerminalText(failure) << "; nothing was changed\n";
  return failure.rfind("there is no", 0) == 0 || failure.rfind("there is a", 0) == 0 ||
                 failure.find("waiting") != std::string::npos
             ? kExitUsage
             : kExitConduitFailed;
}

}  // namespace oq::hotsync

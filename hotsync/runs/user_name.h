// A HotSync user's name, from a handheld or from --user: data, never
// structure. It becomes a key in users.ini, a folder's name and terminal
// text, so a name that could be read as more than a name is refused.
#pragma once

#include <optional>
#include <string>

namespace oq::hotsync {

// The longest name a handheld keeps, without its terminator.
inline constexpr size_t kMaxUserNameLength = 39;

// Why `name` cannot be a HotSync user's name, shown escaped; none when it
// can be.
std::optional<std::string> UserNameProblem(const std::string& name);

}  // namespace oq::hotsync

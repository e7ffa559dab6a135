#include "user_name.h"

#include <algorithm>

#include "terminal_text.h"

namespace oq::hotsync {

std::optional<std::string> UserNameProblem(const std::string& name) {
  const std::string shown = "the user name \"" + TerminalText(name) + "\"";
  if (name.find_first_not_of(" \t") == std::string::npos) return shown + " is empty";
  if (std::any_of(name.begin(), name.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; })) {
    return shown + " holds control characters";
  }
  // users.ini keeps its values trimmed: such a name would not read back.
  if (name.front() == ' ' || name.back() == ' ') {
    return shown + " begins or ends with a blank";
  }
  if (name.size() > kMaxUserNameLength) {
    return shown + " is longer than the " + std::to_string(kMaxUserNameLength) + " bytes a handheld keeps";
  }
  return std::nullopt;
}

}  // namespace oq::hotsync

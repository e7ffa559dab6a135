// Texts from the handheld and the tracker, shown on a terminal: control
// bytes (escape sequences among them) are written as \xNN, never sent.
// Handheld texts are single-byte Latin-1; on a UTF-8 terminal their upper
// half is shown as the characters they stand for.
#pragma once

#include <string>

namespace oq::hotsync {

std::string TerminalText(const std::string& text);

// Control bytes alone escaped: for lines that mix handheld names with the
// desktop's own paths, whose bytes are left as they are.
std::string WithoutControls(const std::string& text);

}  // namespace oq::hotsync

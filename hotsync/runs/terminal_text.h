// Texts from the handheld and the tracker, shown on a terminal: control
// bytes (escape sequences among them) are written as \xNN, never sent.
// Handheld texts are single-byte Latin-1; on a UTF-8 terminal their upper
// half is shown as the characters they stand for.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace oq::hotsync {

std::string TerminalText(const std::string& text);

// Control bytes alone escaped: for lines that mix handheld names with the
// desktop's own paths, whose bytes are left as they are.
std::string WithoutControls(const std::string& text);

// Terminal text (as TerminalText gives it) cut to `columns`, with "..."
// where it was cut; as it is when it fits.
std::string FitText(const std::string& text, size_t columns);

// The width of the terminal on standard output; none when it is no
// terminal (a pipe or a file gets whole lines).
std::optional<size_t> TerminalColumns();

}  // namespace oq::hotsync

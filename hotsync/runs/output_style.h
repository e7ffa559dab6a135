// How much oq-hotsync says and whether it colours it: -q leaves out the
// HotSync log lines (what failed is still said), -v adds which files a
// command uses; colour only on a terminal, and never under NO_COLOR.
#pragma once

#include <cstdio>
#include <string>

namespace oq::hotsync {

enum class Verbosity { kQuiet, kNormal, kVerbose };

void SetVerbosity(Verbosity verbosity);
Verbosity CurrentVerbosity();

// `text` in bold green, when `stream` is a terminal that may be coloured.
std::string Highlighted(const std::string& text, std::FILE* stream);

}  // namespace oq::hotsync

// What the terminal dialogs showed, for tests of the code that drives them.
#pragma once

#include <string>
#include <vector>

namespace oq::posix {

// From now on every text set on a modeless dialog's control is appended to
// `sink` (null: no longer recorded).
void RecordModelessTexts(std::vector<std::string>* sink);

}  // namespace oq::posix

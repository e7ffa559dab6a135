// What the terminal dialogs showed, for tests of the code that drives them.
#pragma once

#include <string>
#include <vector>

namespace oq::posix {

// Every text set on a modeless dialog's control, in order.
std::vector<std::string>& ModelessTextHistory();

}  // namespace oq::posix

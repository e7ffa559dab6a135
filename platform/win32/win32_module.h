// The module (DLL or program) whose code is running, for its resources.
#pragma once

#include <windows.h>

namespace oq::platform {
HINSTANCE ThisModule();
}  // namespace oq::platform

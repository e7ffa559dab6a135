// Numbers and texts of the conduit library's resources. Plain macros so the
// resource compiler can read this header as well.
#pragma once

#define IDS_CONDUIT_NAME 1
#define STR_CONDUIT_NAME "OrbitQuail"

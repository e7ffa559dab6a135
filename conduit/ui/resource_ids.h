// Numbers and texts of the conduit library's resources. Plain macros so the
// resource compiler can read this header as well.
#pragma once

#define IDS_CONDUIT_NAME 1
#define STR_CONDUIT_NAME "OrbitQuail"

#define IDI_CONDUIT 102

// The progress window.
#define IDD_PROGRESS 103
#define IDC_PROGRESS_LINE 1003
#define STR_PROGRESS_TITLE "OrbitQuail HotSync Progress"
#define STR_PROGRESS_INTRO "OrbitQuail tracks the latest version and release date information."
#define STR_PROGRESS_STEPS                                                                   \
  "1. It first connects to OrbitQuail server via the Internet connection.\n\n2. After that, " \
  "it retrieves the version and release date information for each you installed Palm program. "
#define STR_PROGRESS_WAIT "Please wait..."
#define STR_PROGRESS_INITIAL "0"

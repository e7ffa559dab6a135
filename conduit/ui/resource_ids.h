// Numbers and texts of the conduit library's resources. Plain macros so the
// resource compiler can read this header as well.
#pragma once

// Not reflowed: a text stays one literal, which the resource compiler takes
// whole.
// clang-format off

#define IDS_CONDUIT_NAME 1
#define STR_CONDUIT_NAME "OrbitQuail"

#define IDI_CONDUIT 102

// The progress window.
#define IDD_PROGRESS 103
#define IDC_PROGRESS_LINE 1003
#define STR_PROGRESS_TITLE "OrbitQuail HotSync Progress"
#define STR_PROGRESS_INTRO "OrbitQuail tracks the latest version and release date information."
// One literal each: the resource compiler does not join adjacent strings.
#define STR_PROGRESS_STEPS "1. It first connects to OrbitQuail server via the Internet connection.\n\n2. After that, it retrieves the version and release date information for each you installed Palm program. "
#define STR_PROGRESS_WAIT "Please wait..."
#define STR_PROGRESS_INITIAL "0"

// The HotSync action dialog: template 101 for CfgConduit (with the
// current-settings group), 399 for ConfigureConduit.
#define IDD_ACTION_CURRENT 101
#define IDD_ACTION 399
#define STR_ACTION_TITLE "Change HotSync Action"
#define IDC_ACTION_GROUP 403
#define IDC_SYNCHRONIZE 404
#define IDC_DESKTOP_OVERWRITES 405
#define IDC_HANDHELD_OVERWRITES 406
#define IDC_DO_NOTHING 407
#define IDC_SET_AS_DEFAULT 411
#define IDC_PICTURE_SYNCHRONIZE 1000
#define IDC_PICTURE_DESKTOP 1001
#define IDC_PICTURE_HANDHELD 1002
#define IDC_PICTURE_NOTHING 1003
#define IDC_DEFAULT_ACTION 1004
#define IDC_NEXT_ACTION 1005
#define IDC_CURRENT_GROUP 1006
#define IDC_PROXY_AUTH 1007
#define IDC_PROXY_NAME 1008
#define IDC_PROXY_PASSWORD 1009
#define IDC_PROXY_NAME_LABEL 1010
#define IDC_PROXY_PASSWORD_LABEL 1011
#define IDC_EVERY_TIME 1012
#define IDC_DAY_COUNT 1013
#define IDC_LAST_TRACK 1014
#define IDC_EVERY_LABEL 1015
#define IDC_DAYS_LABEL 1016

#define IDB_SYNCHRONIZE 103
#define IDB_DESKTOP_OVERWRITES 104
#define IDB_HANDHELD_OVERWRITES 105
#define IDB_DO_NOTHING 106

#define STR_RADIO_SYNCHRONIZE "&Synchronize the files"
#define STR_RADIO_DESKTOP "&Desktop overwrites handheld"
#define STR_RADIO_HANDHELD "&Handheld overwrites Desktop"
#define STR_RADIO_NOTHING "Do &nothing"
#define STR_SET_AS_DEFAULT "Set &as default"
#define STR_DEFAULT_ACTION_LABEL "Default HotSync Action:"
#define STR_NEXT_ACTION_LABEL "Next HotSync Action:"
#define STR_LAST_TRACK_LABEL "Last tracking time:"
#define STR_TRACKING_GROUP "Tracking Period"
#define STR_TRACKING_LABEL "Tracking:"
#define STR_EVERY_TIME "every time"
#define STR_EVERY "every"
#define STR_DAYS "day(s)"
#define STR_PROXY_GROUP "Proxy"
#define STR_PROXY_AUTH "Proxy server needs authentication"
#define STR_PROXY_NAME "Name:"
#define STR_PROXY_PASSWORD "Password:"
#define STR_PRODUCT_VERSION "OrbitQuail 1.3"
#define STR_WEB_LINE "Newer versions and the manual: see the OrbitQuail web site."

#define IDS_CURRENT_SETTINGS 8004
#define IDS_ACTION_SYNCHRONIZE 8005
#define IDS_ACTION_DESKTOP 8006
#define IDS_ACTION_HANDHELD 8007
#define IDS_ACTION_NOTHING 8008
#define IDS_ACTION_GROUP 8009
#define STR_CURRENT_SETTINGS "%s's Current Settings:"
#define STR_ACTION_SYNCHRONIZE "Synchronize the files."
#define STR_ACTION_DESKTOP "Desktop overwrites Palm organizer."
#define STR_ACTION_HANDHELD "Palm organizer overwrites Desktop."
#define STR_ACTION_NOTHING "Do Nothing."
#define STR_ACTION_GROUP "HotSync Actions for OrbitQuail"

// Numbers and texts of the installer's resources. Plain macros so the
// resource compiler can read this header as well.
#pragma once

// Not reflowed: a text stays one literal, which the resource compiler takes
// whole.
// clang-format off

#define IDD_ABOUT 100
#define IDD_INSTALLER 102
#define IDI_INSTALLER 128
#define IDC_USER_LIST 1000
#define IDC_INSTALL 1001
#define IDC_EXIT 1002
#define IDM_ABOUT 16
#define IDS_ABOUT 101

#define STR_INSTALLER_TITLE "OrbitQuail Installer"
// One literal each: the resource compiler does not join adjacent strings.
#define STR_INSTALLER_FILES "This program installs the following files.\n  1. OrbitQuail.prc: OrbitQuail palm program.\n  2. OrbitQuail.dll: OrbitQuail conduit program."
#define STR_INSTALLER_CHOOSE "Please choose the correct user name and press [Install] button."
#define STR_USER_NAME_LABEL "&User Name:"
#define STR_INSTALL_BUTTON "&Install"
#define STR_EXIT_BUTTON "E&xit"
#define STR_ABOUT_TITLE "About OrbitQuail Installer"
#define STR_ABOUT_VERSION "OrbitQuail Installer v1.0"
#define STR_ABOUT_CREDITS "Written by the OrbitQuail team.\nThe quail keeps an eye out for new versions of your programs."
#define STR_ABOUT_MENU "&About OrbitQuail Installer..."

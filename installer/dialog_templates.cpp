// The installer's dialog templates where no resource compiler builds them.
#include "dialog_templates.h"
#include "resource_ids.h"

namespace oq::resources {

namespace {

using K = ControlKind;

const ControlTemplate kInstallerControls[] = {
    {IDI_INSTALLER, K::kIcon, ""},
    // The conduit's file as this build names it (OrbitQuail.so here).
    {kNoControlId, K::kStatic,
     "This program installs the following files.\n  1. OrbitQuail.prc: OrbitQuail palm program.\n  "
     "2. " ORBITQUAIL_CONDUIT_LIBRARY ": OrbitQuail conduit program."},
    {kNoControlId, K::kStatic, STR_INSTALLER_CHOOSE},
    {kNoControlId, K::kStatic, STR_USER_NAME_LABEL},
    SameLine({IDC_USER_LIST, K::kListBox, "", false, false, true}),
    {IDC_INSTALL, K::kDefaultButton, STR_INSTALL_BUTTON},
    SameLine({IDC_EXIT, K::kButton, STR_EXIT_BUTTON}),
};

const ControlTemplate kAboutControls[] = {
    {IDI_INSTALLER, K::kIcon, ""},
    {kNoControlId, K::kStatic, STR_ABOUT_VERSION},
    {kNoControlId, K::kStatic, STR_ABOUT_CREDITS},
    {1, K::kDefaultButton, "OK"},
};

}  // namespace

const DialogTemplate kModuleDialogs[] = {
    {IDD_INSTALLER, STR_INSTALLER_TITLE, kInstallerControls, CountOf(kInstallerControls)},
    {IDD_ABOUT, STR_ABOUT_TITLE, kAboutControls, CountOf(kAboutControls)},
};
const size_t kModuleDialogCount = CountOf(kModuleDialogs);

}  // namespace oq::resources

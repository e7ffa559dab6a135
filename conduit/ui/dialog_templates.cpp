// The conduit library's dialog templates where no resource compiler builds
// them.
#include "dialog_templates.h"
#include "resource_ids.h"

namespace oq::posix {

namespace {

const ControlTemplate kProgressControls[] = {
    {IDI_CONDUIT, ControlKind::kIcon, ""},
    {kNoControlId, ControlKind::kStatic, STR_PROGRESS_INTRO},
    {kNoControlId, ControlKind::kRule, ""},
    {kNoControlId, ControlKind::kStatic, STR_PROGRESS_STEPS},
    {kNoControlId, ControlKind::kStatic, STR_PROGRESS_WAIT},
    {IDC_PROGRESS_LINE, ControlKind::kStatic, STR_PROGRESS_INITIAL},
};

}  // namespace

const DialogTemplate kModuleDialogs[] = {
    {IDD_PROGRESS, STR_PROGRESS_TITLE, kProgressControls, sizeof kProgressControls / sizeof kProgressControls[0]},
};
const size_t kModuleDialogCount = sizeof kModuleDialogs / sizeof kModuleDialogs[0];

}  // namespace oq::posix

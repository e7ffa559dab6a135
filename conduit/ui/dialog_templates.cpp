// The conduit library's dialog templates where no resource compiler builds
// them.
#include "dialog_templates.h"
#include "resource_ids.h"

namespace oq::resources {

namespace {

using K = ControlKind;

const ControlTemplate kProgressControls[] = {
    {IDI_CONDUIT, K::kIcon, ""},
    {kNoControlId, K::kStatic, STR_PROGRESS_INTRO},
    {kNoControlId, K::kRule, ""},
    {kNoControlId, K::kStatic, STR_PROGRESS_STEPS},
    {kNoControlId, K::kStatic, STR_PROGRESS_WAIT},
    {IDC_PROGRESS_LINE, K::kStatic, STR_PROGRESS_INITIAL},
};

// On a terminal: label and value on one line, the action pictures as
// markers before their radio buttons, two actions a line, the tracking
// period as one sentence.
#define OQ_ACTION_CONTROLS                                                                                          \
  {IDI_CONDUIT, K::kIcon, ""}, SameLine({kNoControlId, K::kStatic, STR_PRODUCT_VERSION}),                           \
      {kNoControlId, K::kStatic, STR_WEB_LINE}, {IDC_ACTION_GROUP, K::kGroup, ""},                                  \
      {IDC_PICTURE_SYNCHRONIZE, K::kPicture, ""}, SameLine({IDC_SYNCHRONIZE, K::kRadio, STR_RADIO_SYNCHRONIZE}),    \
      NextColumn({IDC_PICTURE_DESKTOP, K::kPicture, "", true}),                                                     \
      SameLine({IDC_DESKTOP_OVERWRITES, K::kRadio, STR_RADIO_DESKTOP, true}),                                       \
      {IDC_PICTURE_HANDHELD, K::kPicture, "", true},                                                                \
      SameLine({IDC_HANDHELD_OVERWRITES, K::kRadio, STR_RADIO_HANDHELD, true}),                                     \
      NextColumn({IDC_PICTURE_NOTHING, K::kPicture, ""}), SameLine({IDC_DO_NOTHING, K::kRadio, STR_RADIO_NOTHING}), \
      {IDC_SET_AS_DEFAULT, K::kCheckBox, STR_SET_AS_DEFAULT}, {kNoControlId, K::kGroup, STR_TRACKING_GROUP},        \
      {kNoControlId, K::kStatic, STR_LAST_TRACK_LABEL}, SameLine({IDC_LAST_TRACK, K::kStatic, ""}),                 \
      {kNoControlId, K::kStatic, STR_TRACKING_LABEL}, SameLine({IDC_EVERY_TIME, K::kCheckBox, STR_EVERY_TIME}),     \
      SameLine({IDC_EVERY_LABEL, K::kStatic, STR_EVERY}), SameLine({IDC_DAY_COUNT, K::kNumberEdit, ""}),            \
      SameLine({IDC_DAYS_LABEL, K::kStatic, STR_DAYS}), {kNoControlId, K::kGroup, STR_PROXY_GROUP},                 \
      {IDC_PROXY_AUTH, K::kCheckBox, STR_PROXY_AUTH}, {IDC_PROXY_NAME_LABEL, K::kStatic, STR_PROXY_NAME},           \
      SameLine({IDC_PROXY_NAME, K::kEdit, ""}),                                                                     \
      NextColumn({IDC_PROXY_PASSWORD_LABEL, K::kStatic, STR_PROXY_PASSWORD}),                                       \
      SameLine({IDC_PROXY_PASSWORD, K::kPasswordEdit, ""}), {1, K::kDefaultButton, "OK"},                           \
      SameLine({2, K::kButton, "Cancel"}), SameLine({9, K::kButton, "Help"})

const ControlTemplate kActionControls[] = {OQ_ACTION_CONTROLS};

const ControlTemplate kActionCurrentControls[] = {
    {IDC_CURRENT_GROUP, K::kGroup, ""},
    {kNoControlId, K::kStatic, STR_DEFAULT_ACTION_LABEL},
    SameLine({IDC_DEFAULT_ACTION, K::kStatic, ""}),
    {kNoControlId, K::kStatic, STR_NEXT_ACTION_LABEL},
    SameLine({IDC_NEXT_ACTION, K::kStatic, ""}),
    OQ_ACTION_CONTROLS,
};

#undef OQ_ACTION_CONTROLS

}  // namespace

const DialogTemplate kModuleDialogs[] = {
    {IDD_PROGRESS, STR_PROGRESS_TITLE, kProgressControls, CountOf(kProgressControls)},
    {IDD_ACTION, STR_ACTION_TITLE, kActionControls, CountOf(kActionControls)},
    {IDD_ACTION_CURRENT, STR_ACTION_TITLE, kActionCurrentControls, CountOf(kActionCurrentControls)},
};
const size_t kModuleDialogCount = CountOf(kModuleDialogs);

}  // namespace oq::resources

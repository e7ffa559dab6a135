// CfgConduit and ConfigureConduit: the HotSync action dialog, as the two
// generations of the HotSync Manager ask for it.
#include <cstring>

#include "conduit_exports.h"
#include "hotsync_action_dialog.h"
#include "identity.h"
#include "resource_ids.h"

using namespace oq::identity;

namespace {

constexpr uint32_t kConfigurationVersion = 1;
constexpr uint32_t kConfigurationSize = sizeof(ConduitConfiguration);
constexpr int32_t kConfigurationTypeDialog = 0;
constexpr uint32_t kNameBufferSize = 256;

}  // namespace

extern "C" {

int32_t ConfigureConduit(LegacySyncPreference* preference) {
  ConduitConfiguration block;
  std::memset(&block, 0, sizeof block);
  block.version = kConfigurationVersion;
  block.size = kConfigurationSize;
  const int32_t action = preference != nullptr ? preference->action : oq::conduit::kActionSynchronize;
  block.permanentAction = block.temporaryAction = block.chosenAction = action;
  block.preferenceKind = oq::conduit::kPreferenceTemporary;

  oq::HotSyncActionDialog dialog(&block);
  if (oq::platform::RunModalDialog(IDD_ACTION, dialog) != oq::HotSyncActionDialog::kResultOk) return -1;
  if (preference != nullptr) {
    preference->action = block.chosenAction;
    preference->preferenceKind = block.preferenceKind;
  }
  return 0;
}

int32_t CfgConduit(int32_t type, void* block, uint32_t* size) {
  if (block == nullptr) return kErrNullInput;
  if (size == nullptr) return kErrNullSize;
  if (*size != kConfigurationSize) return kErrBadConfigSize;
  if (type != kConfigurationTypeDialog) return kErrConfigTypeNotSupported;
  auto* configuration = static_cast<ConduitConfiguration*>(block);
  if (configuration->version != kConfigurationVersion) return kErrBadConfigVersion;

  ConduitNameRequest request;
  std::memset(&request, 0, sizeof request);
  request.version = kNameRequestVersion;
  request.size = kNameRequestSize;
  request.creator = configuration->creator;
  request.userId = configuration->userId;
  std::memcpy(request.userName, configuration->userName, sizeof request.userName);
  char name[kNameBufferSize];
  uint32_t nameSize = sizeof name;
  if (const int32_t result = GetConduitInfo(kInfoName, &request, name, &nameSize); result != 0) return result;

  oq::HotSyncActionDialog dialog(configuration);
  oq::platform::RunModalDialog(IDD_ACTION_CURRENT, dialog);
  return 0;
}

}  // extern "C"

#include "hotsync_action_dialog.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "module_resources.h"
#include "resource_ids.h"
#include "settings_file.h"
#include "wall_clock.h"

namespace oq {

namespace {

constexpr int kMinDays = 1;
constexpr int kMaxDays = 30;
constexpr int kDayCountLimit = 256;
constexpr uint32_t kHelpContext = 0x2018F;
constexpr const char* kHelpFileName = "hotsync.hlp";
constexpr const char* kNeverTracked = "never tracked";

struct ActionDisplay {
  int radio;
  uint32_t text;
};

// How an action value shows: 1 counts as synchronize; negative values,
// 4, 5 and anything above 6 count as do nothing.
ActionDisplay DisplayOf(int32_t action) {
  switch (action) {
    case conduit::kActionSynchronize:
    case conduit::kActionSynchronizeAlt: return {IDC_SYNCHRONIZE, IDS_ACTION_SYNCHRONIZE};
    case conduit::kActionHandheldOverwrites: return {IDC_HANDHELD_OVERWRITES, IDS_ACTION_HANDHELD};
    case conduit::kActionDesktopOverwrites: return {IDC_DESKTOP_OVERWRITES, IDS_ACTION_DESKTOP};
    default: return {IDC_DO_NOTHING, IDS_ACTION_NOTHING};
  }
}

std::string ResourceString(uint32_t id) {
  char text[256];
  platform::LoadResourceString(id, text, sizeof text);
  return text;
}

const int kProxyControls[] = {IDC_PROXY_NAME, IDC_PROXY_PASSWORD, IDC_PROXY_NAME_LABEL, IDC_PROXY_PASSWORD_LABEL};
const int kPeriodControls[] = {IDC_DAY_COUNT, IDC_EVERY_LABEL, IDC_DAYS_LABEL};

std::string LastTrackText() {
  const int64_t lastTrack =
      ParseDecimal64(SettingsFile::Read(SettingsFile::kTrack, SettingsFile::kLastTrackTime,
                                        SettingsFile::kLastTrackTimeDefault, SettingsFile::kValueBufferSize));
  if (lastTrack <= 0) return kNeverTracked;
  const std::string text = platform::LocalTimeText(lastTrack);
  return text.empty() ? kNeverTracked : text;
}

}  // namespace

void OpenConduitHelp() {
  char path[1024];
  if (platform::GetModulePath(path, sizeof path) == 0) return;
  std::string directory = path;
  const size_t separator = directory.rfind(platform::PathSeparator());
  if (separator == std::string::npos) return;
  directory.resize(separator + 1);
  platform::OpenHelp((directory + kHelpFileName).c_str(), kHelpContext);
}

void HotSyncActionDialog::LoadBitmaps(platform::DialogControls& dialog) {
  dialog.SetPicture(IDC_PICTURE_SYNCHRONIZE, IDB_SYNCHRONIZE);
  dialog.SetPicture(IDC_PICTURE_DESKTOP, IDB_DESKTOP_OVERWRITES);
  dialog.SetPicture(IDC_PICTURE_HANDHELD, IDB_HANDHELD_OVERWRITES);
  dialog.SetPicture(IDC_PICTURE_NOTHING, IDB_DO_NOTHING);
}

void HotSyncActionDialog::EnablePeriodControls(platform::DialogControls& dialog) {
  const bool everyTime = dialog.IsButtonChecked(IDC_EVERY_TIME);
  for (int id : kPeriodControls) dialog.EnableItem(id, !everyTime);
}

void HotSyncActionDialog::EnableProxyControls(platform::DialogControls& dialog) {
  const bool authenticate = dialog.IsButtonChecked(IDC_PROXY_AUTH);
  for (int id : kProxyControls) dialog.EnableItem(id, authenticate);
}

void HotSyncActionDialog::OnInit(platform::DialogControls& dialog) {
  if (block_ == nullptr) return;
  dialog.SetItemText(IDC_ACTION_GROUP, ResourceString(IDS_ACTION_GROUP).c_str());
  LoadBitmaps(dialog);

  const ActionDisplay next = DisplayOf(block_->temporaryAction);
  dialog.CheckRadioButton(IDC_SYNCHRONIZE, IDC_DO_NOTHING, next.radio);
  if (block_->creator != 0) {
    dialog.SetItemText(IDC_NEXT_ACTION, ResourceString(next.text).c_str());
    dialog.SetItemText(IDC_DEFAULT_ACTION, ResourceString(DisplayOf(block_->permanentAction).text).c_str());
    char userName[sizeof block_->userName + 1] = {};
    std::copy(std::begin(block_->userName), std::end(block_->userName), userName);
    char caption[512];
    std::snprintf(caption, sizeof caption, ResourceString(IDS_CURRENT_SETTINGS).c_str(), userName);
    dialog.SetItemText(IDC_CURRENT_GROUP, caption);
  }

  dialog.SetItemText(IDC_LAST_TRACK, LastTrackText().c_str());

  const std::string periodText = SettingsFile::Read(SettingsFile::kTrack, SettingsFile::kPeriod,
                                                    SettingsFile::kPeriodDefault, SettingsFile::kValueBufferSize);
  const int32_t period = ParseDecimal32(periodText);
  dialog.CheckButton(IDC_EVERY_TIME, period <= 0);
  dialog.SetItemText(IDC_DAY_COUNT,
                     period > 0 ? periodText.c_str() : std::to_string(-static_cast<int64_t>(period)).c_str());
  EnablePeriodControls(dialog);

  const std::string enable = SettingsFile::Read(SettingsFile::kAuthProxy, SettingsFile::kEnable,
                                                SettingsFile::kEnableDefault, SettingsFile::kValueBufferSize);
  dialog.CheckButton(IDC_PROXY_AUTH, IsYes(enable));
  dialog.SetItemText(IDC_PROXY_NAME, SettingsFile::Read(SettingsFile::kAuthProxy, SettingsFile::kUserName, "",
                                                        SettingsFile::kValueBufferSize)
                                         .c_str());
  dialog.SetItemText(IDC_PROXY_PASSWORD, SettingsFile::Read(SettingsFile::kAuthProxy, SettingsFile::kPassword, "",
                                                            SettingsFile::kValueBufferSize)
                                             .c_str());
  EnableProxyControls(dialog);
}

void HotSyncActionDialog::Accept(platform::DialogControls& dialog) {
  if (block_ != nullptr) {
    block_->chosenAction = dialog.IsButtonChecked(IDC_SYNCHRONIZE)           ? conduit::kActionSynchronize
                           : dialog.IsButtonChecked(IDC_DESKTOP_OVERWRITES)  ? conduit::kActionDesktopOverwrites
                           : dialog.IsButtonChecked(IDC_HANDHELD_OVERWRITES) ? conduit::kActionHandheldOverwrites
                                                                             : conduit::kActionDoNothing;
    block_->preferenceKind =
        dialog.IsButtonChecked(IDC_SET_AS_DEFAULT) ? conduit::kPreferencePermanent : conduit::kPreferenceTemporary;
  }
  int days = std::clamp(ParseDecimal32(dialog.GetItemText(IDC_DAY_COUNT, kDayCountLimit)), kMinDays, kMaxDays);
  if (dialog.IsButtonChecked(IDC_EVERY_TIME)) days = -days;
  SettingsFile::Write(SettingsFile::kTrack, SettingsFile::kPeriod, std::to_string(days));
  SettingsFile::Write(SettingsFile::kAuthProxy, SettingsFile::kEnable,
                      dialog.IsButtonChecked(IDC_PROXY_AUTH) ? SettingsFile::kYes : SettingsFile::kNo);
  SettingsFile::Write(SettingsFile::kAuthProxy, SettingsFile::kUserName,
                      dialog.GetItemText(IDC_PROXY_NAME, SettingsFile::kValueBufferSize));
  SettingsFile::Write(SettingsFile::kAuthProxy, SettingsFile::kPassword,
                      dialog.GetItemText(IDC_PROXY_PASSWORD, SettingsFile::kValueBufferSize));
  dialog.EndDialog(kResultOk);
}

void HotSyncActionDialog::OnCommand(platform::DialogControls& dialog, int id, int /*notification*/) {
  switch (id) {
    case platform::kIdOk: Accept(dialog); break;
    case platform::kIdCancel: dialog.EndDialog(kResultCancel); break;
    case platform::kIdHelp: OpenConduitHelp(); break;
    case IDC_SYNCHRONIZE:
    case IDC_DESKTOP_OVERWRITES:
    case IDC_HANDHELD_OVERWRITES:
    case IDC_DO_NOTHING: dialog.CheckRadioButton(IDC_SYNCHRONIZE, IDC_DO_NOTHING, id); break;
    case IDC_PROXY_AUTH: EnableProxyControls(dialog); break;
    case IDC_EVERY_TIME: EnablePeriodControls(dialog); break;
    default: break;
  }
}

void HotSyncActionDialog::OnHelpRequest(platform::DialogControls&) { OpenConduitHelp(); }

void HotSyncActionDialog::OnSystemColourChange(platform::DialogControls& dialog) { LoadBitmaps(dialog); }

}  // namespace oq

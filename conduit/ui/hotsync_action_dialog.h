// The dialog in which the user chooses what the next HotSyncs do with the
// conduit, how often it tracks, and the proxy credentials.
#pragma once

#include <cstdint>

#include "conduit_interface.h"
#include "dialogs.h"

namespace oq {

class HotSyncActionDialog : public platform::DialogProcedure {
 public:
  // `block` (may be null: nothing is initialised) is the configuration the
  // dialog shows and, on OK, writes the chosen action into.
  explicit HotSyncActionDialog(ConduitConfiguration* block) : block_(block) {}

  // Ends with kResultOk or kResultCancel.
  static constexpr int kResultOk = 0;
  static constexpr int kResultCancel = 1;

  void OnInit(platform::DialogControls& dialog) override;
  void OnCommand(platform::DialogControls& dialog, int id, int notification) override;
  void OnHelpRequest(platform::DialogControls& dialog) override;
  void OnSystemColourChange(platform::DialogControls& dialog) override;

 private:
  void LoadBitmaps(platform::DialogControls& dialog);
  void EnablePeriodControls(platform::DialogControls& dialog);
  void EnableProxyControls(platform::DialogControls& dialog);
  void Accept(platform::DialogControls& dialog);

  ConduitConfiguration* block_;
};

// The help file beside the conduit library, at the dialog's context.
void OpenConduitHelp();

}  // namespace oq

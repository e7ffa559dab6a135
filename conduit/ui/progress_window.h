// The small modeless window that shows what the conduit does during a
// HotSync and one line of progress.
#pragma once

#include "dialogs.h"

namespace oq {

class ProgressWindow {
 public:
  // Created from its template without a parent window; shown at once.
  ProgressWindow();
  void SetProgressText(const char* text);

 private:
  platform::ModelessDialog dialog_;
};

}  // namespace oq

#include "progress_window.h"

#include "resource_ids.h"

namespace oq {

ProgressWindow::ProgressWindow() : dialog_(IDD_PROGRESS) {}

void ProgressWindow::SetProgressText(const char* text) { dialog_.SetItemText(IDC_PROGRESS_LINE, text); }

}  // namespace oq

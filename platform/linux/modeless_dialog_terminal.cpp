// A modeless dialog on the terminal: its texts once when created, then
// every text change as a line of its own on stderr, rewritten in place when
// stderr is a terminal.
#include <cstdio>
#include <string>
#include <unistd.h>

#include "dialog_templates.h"
#include "dialogs.h"
#include "terminal_dialogs.h"

namespace oq::terminal {

namespace {
std::vector<std::string>* textRecorder = nullptr;
}  // namespace

void RecordModelessTexts(std::vector<std::string>* sink) { textRecorder = sink; }

}  // namespace oq::terminal

namespace oq::resources {

const DialogTemplate* FindDialogTemplate(uint32_t id) {
  for (size_t i = 0; i < kModuleDialogCount; ++i) {
    if (kModuleDialogs[i].id == id) return &kModuleDialogs[i];
  }
  return nullptr;
}

}  // namespace oq::resources

namespace oq::platform {

struct ModelessDialog::Impl {
  bool terminal = false;
  bool lineOpen = false;
};

ModelessDialog::ModelessDialog(uint32_t templateId) : impl_(std::make_unique<Impl>()) {
  impl_->terminal = isatty(STDERR_FILENO) == 1;
  const resources::DialogTemplate* dialog = resources::FindDialogTemplate(templateId);
  if (dialog == nullptr) return;
  std::fprintf(stderr, "[ %s ]\n", dialog->title);
  for (size_t i = 0; i < dialog->controlCount; ++i) {
    const resources::ControlTemplate& control = dialog->controls[i];
    if (control.hidden) continue;
    if (control.kind == resources::ControlKind::kRule) {
      std::fprintf(stderr, "%s\n", std::string(40, '-').c_str());
    } else if (control.kind == resources::ControlKind::kStatic && control.id == resources::kNoControlId) {
      std::fprintf(stderr, "%s\n", control.text);
    }
  }
  std::fflush(stderr);
}

ModelessDialog::~ModelessDialog() {
  if (impl_->lineOpen) std::fputc('\n', stderr);
  std::fflush(stderr);
}

void ModelessDialog::SetItemText(int /*controlId*/, const char* text) {
  if (terminal::textRecorder != nullptr) terminal::textRecorder->emplace_back(text);
  if (impl_->terminal) {
    std::fprintf(stderr, "\r\x1b[K%s", text);
    impl_->lineOpen = true;
  } else {
    std::fprintf(stderr, "%s\n", text);
  }
  std::fflush(stderr);
}

}  // namespace oq::platform

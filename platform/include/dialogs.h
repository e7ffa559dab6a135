// Dialogs built from the calling module's templates, their controls named
// by identifier.
//
// A modeless dialog is created without a parent and shown at once; it
// stays until destroyed and needs no message loop of the caller's. Texts
// are copied during the call.
#pragma once

#include <cstdint>
#include <memory>

namespace oq::platform {

class ModelessDialog {
 public:
  struct Impl;
  explicit ModelessDialog(uint32_t templateId);
  ~ModelessDialog();
  ModelessDialog(const ModelessDialog&) = delete;
  ModelessDialog& operator=(const ModelessDialog&) = delete;

  void SetItemText(int controlId, const char* text);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace oq::platform

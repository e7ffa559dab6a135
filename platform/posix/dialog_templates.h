// Dialog templates where no resource compiler builds them: each module
// (conduit library, installer) defines its table, the terminal stand-ins
// render them by control identifier.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oq::posix {

enum class ControlKind {
  kStatic,
  kGroup,
  kRule,
  kIcon,
  kPicture,
  kRadio,
  kCheckBox,
  kEdit,
  kNumberEdit,
  kPasswordEdit,
  kButton,
  kDefaultButton,
  kListBox,
};

inline constexpr int kNoControlId = -1;

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  bool hidden = false;
  bool disabled = false;
  bool sorted = false;  // list boxes
};

struct DialogTemplate {
  uint32_t id;
  const char* title;
  const ControlTemplate* controls;
  size_t controlCount;
};

template <typename T, size_t N>
constexpr size_t CountOf(const T (&)[N]) {
  return N;
}

extern const DialogTemplate kModuleDialogs[];
extern const size_t kModuleDialogCount;

const DialogTemplate* FindDialogTemplate(uint32_t id);

}  // namespace oq::posix

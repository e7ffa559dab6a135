// Dialog templates where no resource compiler builds them: each module
// (conduit library, installer) defines its table, the terminal stand-ins
// render them by control identifier.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oq::resources {

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

// Where a control goes on the terminal, whose 80 columns show what the
// template lays out in two dimensions: on a line of its own, after the
// control before it, or in the second column of that control's line.
enum class Place { kNewLine, kSameLine, kNextColumn };

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  bool hidden = false;
  bool disabled = false;
  bool sorted = false;  // list boxes
  Place place = Place::kNewLine;
};

constexpr ControlTemplate SameLine(ControlTemplate control) {
  control.place = Place::kSameLine;
  return control;
}
constexpr ControlTemplate NextColumn(ControlTemplate control) {
  control.place = Place::kNextColumn;
  return control;
}

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

}  // namespace oq::resources

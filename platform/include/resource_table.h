// The string table a module links in where no resource compiler builds one:
// each module (conduit library, installer) defines these two symbols.
#pragma once

#include <cstddef>
#include <cstdint>

namespace oq::resources {

struct ResourceString {
  uint32_t id;
  const char* text;
};

extern const ResourceString kModuleStrings[];
extern const size_t kModuleStringCount;

}  // namespace oq::resources

// oq-hotsync conduits: the conduit as the HotSync Manager lists it.
#include <cstdio>
#include <iostream>

#include "commands.h"
#include "conduit_library.h"
#include "identity.h"

namespace oq::hotsync {

namespace {
using identity::kInfoDefaultAction;
using identity::kInfoMfcVersion;
constexpr uint16_t kNameBufferSize = 256;

std::string InfoValue(const ConduitLibrary& conduit, int32_t kind) {
  uint32_t value = 0;
  uint32_t size = sizeof value;
  const int32_t result = conduit.getConduitInfo(kind, nullptr, &value, &size);
  char text[32];
  if (result != 0) {
    std::snprintf(text, sizeof text, "error %d", result);
  } else {
    std::snprintf(text, sizeof text, "0x%X", value);
  }
  return text;
}
}  // namespace

int RunConduits(const ConduitsOptions& options) {
  auto conduit = LoadConduit(options.conduit, kConduitCreator);
  if (!conduit) return kExitUsage;
  char name[kNameBufferSize] = {};
  if (conduit->getConduitName(name, sizeof name) != 0) std::snprintf(name, sizeof name, "(no name)");
  std::printf("%s\n", name);
  std::printf("  library:        %s\n", conduit->path().c_str());
  std::printf("  version:        0x%X\n", conduit->getConduitVersion());
  std::printf("  MFC version:    %s\n", InfoValue(*conduit, kInfoMfcVersion).c_str());
  std::printf("  default action: %s\n", InfoValue(*conduit, kInfoDefaultAction).c_str());
  return kExitOk;
}

}  // namespace oq::hotsync

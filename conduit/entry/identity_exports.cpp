// GetConduitName, GetConduitVersion, GetConduitInfo.
#include <algorithm>
#include <cstring>

#include "conduit_exports.h"
#include "identity.h"
#include "module_resources.h"
#include "resource_ids.h"

using namespace oq::identity;

extern "C" {

int32_t GetConduitName(char* name, uint16_t maxLength) {
  return oq::platform::LoadResourceString(IDS_CONDUIT_NAME, name, maxLength) > 0 ? 0 : -1;
}

uint32_t GetConduitVersion(void) { return kConduitVersion; }

int32_t GetConduitInfo(int32_t kind, void* input, void* output, uint32_t* outputSize) {
  if (output == nullptr) return kErrNullOutput;
  if (outputSize == nullptr) return kErrNullOutputSize;
  switch (kind) {
    case kInfoName: {
      if (input == nullptr) return kErrNullInput;
      // Only the version and size are looked at; the rest of a block of
      // another size may not be there to read.
      uint32_t versionAndSize[2];
      std::memcpy(versionAndSize, input, sizeof versionAndSize);
      if (versionAndSize[0] != kNameRequestVersion || versionAndSize[1] != kNameRequestSize) {
        return kErrBadInputBlock;
      }
      const int32_t limit = static_cast<int32_t>(std::min<uint32_t>(*outputSize, INT32_MAX));
      return oq::platform::LoadResourceString(IDS_CONDUIT_NAME, static_cast<char*>(output), limit) > 0
                 ? 0
                 : kErrNameNotLoaded;
    }
    case kInfoMfcVersion:
    case kInfoDefaultAction: {
      if (*outputSize != kInfoValueSize) return kErrBadOutputSize;
      const uint32_t value = kind == kInfoMfcVersion ? kMfcVersionValue : kDefaultActionValue;
      std::memcpy(output, &value, sizeof value);
      return 0;
    }
    default: return kErrKindNotSupported;
  }
}

}  // extern "C"

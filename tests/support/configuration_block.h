// A CfgConduit configuration block as the HotSync Manager fills it.
#pragma once

#include <cstring>

#include "conduit_interface.h"
#include "product.h"

namespace oq::test {

inline ConduitConfiguration MakeConfigurationBlock(const char* userName = "") {
  ConduitConfiguration block;
  std::memset(&block, 0, sizeof block);
  block.version = 1;
  block.size = sizeof block;
  block.creator = product::kCreatorValue;
  std::strncpy(block.userName, userName, sizeof block.userName - 1);
  return block;
}

}  // namespace oq::test

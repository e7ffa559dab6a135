// The conduit's exports: the HotSync conduit interface's C functions.
#pragma once

#include <cstdint>

#include "conduit_interface.h"

extern "C" {
int32_t OpenConduit(ConduitProgressCallback progress, SyncProperties* properties);
int32_t GetConduitName(char* name, uint16_t maxLength);
uint32_t GetConduitVersion(void);
int32_t GetConduitInfo(int32_t kind, void* input, void* output, uint32_t* outputSize);
int32_t CfgConduit(int32_t type, void* block, uint32_t* size);
int32_t ConfigureConduit(LegacySyncPreference* preference);
}

// `oq-hotsync listen --serial DEVICE` and `--serial-tcp [ADDRESS:]PORT`:
// HotSyncs over one serial line, or over an emulator's redirected serial
// port, one handheld at a time.
#pragma once

#include "commands.h"
#include "conduit_library.h"

namespace oq::hotsync {

// Called by RunListen once the options are checked and the conduit loaded.
int RunSerialListen(const ListenOptions& options, ConduitLibrary& conduit);

}  // namespace oq::hotsync

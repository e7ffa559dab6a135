// oq-hotsync listen: the HotSync Manager for network HotSyncs. Each handheld
// that connects gets a whole HotSync; SIGINT or SIGTERM end the wait, and
// end a HotSync in progress at its next request.
#include <chrono>
#include <csignal>
#include <iostream>

#include "commands.h"
#include "conduit_library.h"
#include "dlp_client.h"
#include "live_hotsync.h"
#include "netsync_listener.h"
#include "netsync_transport.h"
#include "sync_advice.h"

namespace oq::hotsync {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

// Without SA_RESTART, so that a wait returns to look at the flag.
void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int ServeHandheld(int socket, const ListenOptions& options, const LiveHotSyncOptions& hotsync, ConduitLibrary& conduit) {
  netsync::Transport transport(socket, std::chrono::seconds(options.timeoutSeconds));
  if (transport.Handshake() != dlp::LinkError::kNone) {
    std::cerr << "oq-hotsync: a handheld connected, but its HotSync did not start: " << transport.Failure() << "\n";
    return kExitConduitFailed;
  }
  dlp::Client client(transport);
  return RunLiveHotSync(client, conduit, hotsync, stopRequested);
}

}  // namespace

int RunListen(const ListenOptions& options) {
  if (options.timeoutSeconds <= 0) {
    std::cerr << "oq-hotsync: --timeout must be a number of seconds above 0\n";
    return kExitUsage;
  }
  auto conduit = LoadConduit(options.conduit, kConduitCreator);
  if (!conduit) return kExitUsage;
  WarnAboutEnvironment(std::cerr);
  std::string error;
  auto listener = netsync::Listener::Open(options.address, options.port, error);
  if (!listener) {
    std::cerr << "oq-hotsync: " << error << "\n";
    return kExitUsage;
  }
  stopRequested = 0;
  CatchStopSignals();
  std::cerr << "oq-hotsync: waiting for network HotSyncs on " << options.address << ":" << listener->port()
            << std::endl;
  // --once ends with its HotSync's status; a server ends well when stopped
  // between HotSyncs, and with 1 when a stop cut one short.
  int status = kExitOk;
  LiveHotSyncOptions hotsync{options.user, options.newUser, options.force};
  for (;;) {
    const int socket = listener->Accept(stopRequested, error);
    if (socket < 0) {
      if (stopRequested) break;
      std::cerr << "oq-hotsync: " << error << "\n";
      return kExitConduitFailed;
    }
    const bool stoppedBefore = stopRequested != 0;
    const int served = ServeHandheld(socket, options, hotsync, *conduit);
    hotsync.force = false;  // --force is for the next HotSync only
    if (options.once) status = served;
    if (stopRequested && !stoppedBefore && served != kExitOk) status = kExitConduitFailed;
    if (options.once || stopRequested) break;
  }
  if (stopRequested) std::cerr << "oq-hotsync: stopped\n";
  return status;
}

}  // namespace oq::hotsync

// oq-hotsync listen: the HotSync Manager for network HotSyncs. Handhelds
// are served one at a time, since the Sync Manager holds one HotSync; the
// listener keeps accepting meanwhile, so that a handheld that connects
// while another syncs has its handshake answered and is served after, and
// a peer that connects and says nothing holds no one up. SIGINT or SIGTERM
// end the wait, and end a HotSync in progress at its next request, or a few
// seconds after the stop when the handheld's answer does not come.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

#include "commands.h"
#include "conduit_library.h"
#include "dlp_client.h"
#include "live_hotsync.h"
#include "netsync_listener.h"
#include "netsync_transport.h"
#include "serial_listen.h"
#include "socket_stream.h"
#include "stop_signals.h"
#include "sync_advice.h"

namespace oq::hotsync {

namespace {

// Connections that may be in their handshake at once, each bounded by the
// time-out: room for a real handheld while peers that say nothing hold
// theirs. One more is turned away at once rather than left unanswered.
constexpr size_t kMaxHandshaking = 64;
// Handhelds that may wait, handshaken, while another syncs.
constexpr size_t kMaxWaiting = 4;

// Ends the handshakes under way once listening ends.
std::atomic<bool> closing{false};

// One line on stderr at once, whichever thread writes it.
void Say(const std::string& line) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  std::cerr << line << std::flush;
}

// The handhelds between their connection and their turn.
class Waiting {
 public:
  // A place for a connection's handshake; false when all are taken.
  bool Reserve() {
    std::lock_guard lock(mutex_);
    if (handshaking_ >= kMaxHandshaking) return false;
    ++handshaking_;
    return true;
  }
  // The handheld handshaken (none when its handshake failed); false when
  // too many wait already, and it is hung up on.
  bool Arrive(std::unique_ptr<netsync::Transport> transport) {
    std::lock_guard lock(mutex_);
    --handshaking_;
    if (!transport || closed_) return true;
    if (ready_.size() >= kMaxWaiting) return false;
    ready_.push_back(std::move(transport));
    changed_.notify_all();
    return true;
  }
  // The next handheld in turn; none once `Close` was called.
  std::unique_ptr<netsync::Transport> Next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || !ready_.empty(); });
    if (closed_) return nullptr;
    auto next = std::move(ready_.front());
    ready_.pop_front();
    return next;
  }
  // Wakes `Next`; the handhelds still waiting are hung up on.
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    ready_.clear();
    changed_.notify_all();
  }
  bool closed() {
    std::lock_guard lock(mutex_);
    return closed_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<netsync::Transport>> ready_;
  size_t handshaking_ = 0;
  bool closed_ = false;
};

std::unique_ptr<netsync::Transport> Handshake(int socket, std::chrono::seconds timeout) {
  auto transport = std::make_unique<netsync::Transport>(std::make_unique<stream::SocketStream>(socket), timeout,
                                                        [] { return stopRequested != 0 || closing; });
  if (transport->Handshake() != dlp::LinkError::kNone) {
    if (!stopRequested && !closing) {
      Say("oq-hotsync: a handheld connected, but its HotSync did not start: " + transport->Failure() + "\n");
    }
    return nullptr;
  }
  return transport;
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
  closing = false;
  CatchStopSignals();
  if (options.serial || options.serialTcp) return RunSerialListen(options, *conduit);
  std::string error;
  auto listener = netsync::Listener::Open(options.address, options.port, error);
  if (!listener) {
    std::cerr << "oq-hotsync: " << error << "\n";
    return kExitUsage;
  }
  std::cerr << "oq-hotsync: waiting for network HotSyncs on " << options.address << ":" << listener->port()
            << std::endl;
  const std::chrono::seconds timeout(options.timeoutSeconds);

  // --once ends with its HotSync's status; a server ends well when stopped
  // between HotSyncs, and with 1 when a stop cut one short.
  Waiting waiting;
  std::atomic<int> status{kExitOk};  // set by the session thread and, on a failed accept, by this one
  std::thread sessions([&] {
    LiveHotSyncOptions hotsync{options.user, options.newUser, options.force, {}};
    while (auto transport = waiting.Next()) {
      transport->SetDeadline(netsync::Transport::Clock::now() + kSessionLimit);
      const bool stoppedBefore = stopRequested != 0;
      hotsync.peer = transport->PeerAddress();
      dlp::Client client(*transport);
      const int served = RunLiveHotSync(client, *conduit, hotsync, stopRequested);
      hotsync.force = false;  // --force is for the next HotSync only
      if (options.once) status = served;
      // A stop that comes as a HotSync ends does not make it a failure.
      if (stopRequested && !stoppedBefore && served == kExitConduitFailed) status = kExitConduitFailed;
      if (options.once || stopRequested) break;
    }
    waiting.Close();
  });

  struct Handshaking {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::vector<Handshaking> handshakes;
  for (;;) {
    const int socket = listener->Accept([&] { return stopRequested != 0 || waiting.closed(); }, error);
    if (socket < 0) {
      if (!stopRequested && !waiting.closed()) {
        Say("oq-hotsync: " + error + "\n");
        status = kExitConduitFailed;
      }
      break;
    }
    if (!waiting.Reserve()) {
      close(socket);
      Say("oq-hotsync: " + std::to_string(kMaxHandshaking) +
          " connections are starting a HotSync already; one more was turned away\n");
      continue;
    }
    // Handshakes that ended are joined as new ones start: a server that
    // runs for months keeps no thread of each connection it had.
    std::erase_if(handshakes, [](Handshaking& handshake) {
      if (!*handshake.done) return false;
      handshake.thread.join();
      return true;
    });
    auto done = std::make_shared<std::atomic<bool>>(false);
    handshakes.push_back({std::thread([&waiting, socket, timeout, done] {
                            if (!waiting.Arrive(Handshake(socket, timeout))) {
                              Say("oq-hotsync: a handheld connected while " + std::to_string(kMaxWaiting) +
                                  " others wait their turn; it was turned away (it may sync again later)\n");
                            }
                            *done = true;
                          }),
                          done});
  }
  waiting.Close();
  closing = true;
  sessions.join();
  for (auto& handshake : handshakes) handshake.thread.join();
  if (stopRequested) std::cerr << "oq-hotsync: stopped\n";
  return status;
}

}  // namespace oq::hotsync

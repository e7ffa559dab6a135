// A serial line carries one HotSync at a time, so the listener waits for a
// handheld to speak, tells by its first bytes whether it speaks the serial
// protocols (a cradle, an emulator) or the NetSync framing (the USB cradle
// of a later handheld), runs the whole HotSync, and waits for the next.
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "dlp_client.h"
#include "cmp_packet.h"
#include "live_hotsync.h"
#include "netsync_listener.h"
#include "netsync_transport.h"
#include "prefixed_stream.h"
#include "serial_line.h"
#include "serial_listen.h"
#include "serial_transport.h"
#include "slp_packet.h"
#include "socket_stream.h"
#include "stop_clock.h"
#include "stop_signals.h"

namespace oq::hotsync {

namespace {

using dlp::LinkError;

// The fastest a serial HotSync goes unless --baud says otherwise: the top
// rate of the cradles handhelds came with.
constexpr uint32_t kDefaultTopRate = 115200;
// The start of a NetSync-framed HotSync: a data frame under the handheld's
// transaction id 0xFF whose length fits 16 bits.
constexpr uint8_t kNetSyncStart[] = {netsync::kDataFrame, 0xFF, 0, 0};
// Bytes held while looking for the start of a HotSync; older ones are line
// noise and go.
constexpr size_t kLookBack = 64;

enum class Framing { kSerial, kNetSync };

struct Start {
  Framing framing;
  std::vector<uint8_t> bytes;  // from the start of the HotSync on
};

bool Stopped() { return stopRequested != 0; }

// Where `pattern` starts in `bytes`, if it does.
std::optional<size_t> Find(const std::vector<uint8_t>& bytes, std::span<const uint8_t> pattern) {
  const auto found = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
  if (found == bytes.end()) return std::nullopt;
  return static_cast<size_t>(found - bytes.begin());
}

// Waits until a handheld starts a HotSync on `line`, `limit` at the most:
// none when the stop came, the time ran out or the line failed (`error`
// says which).
std::optional<Start> AwaitStart(stream::ByteStream& line, stream::Clock::time_point limit, LinkError& error) {
  std::vector<uint8_t> seen;
  for (;;) {
    if (Stopped()) {
      error = LinkError::kInterrupted;
      return std::nullopt;
    }
    const auto now = stream::Clock::now();
    if (now >= limit) {
      error = LinkError::kTimedOut;
      return std::nullopt;
    }
    uint8_t chunk[256];
    size_t got = 0;
    error = line.Read(chunk, std::min(limit, now + stream::kStopCheck), got);
    if (error == LinkError::kTimedOut) continue;
    if (error != LinkError::kNone) return std::nullopt;
    seen.insert(seen.end(), chunk, chunk + got);
    for (const auto& [framing, pattern] : {std::pair{Framing::kSerial, std::span<const uint8_t>(serial::kPreamble)},
                                           std::pair{Framing::kNetSync, std::span<const uint8_t>(kNetSyncStart)}}) {
      if (const auto at = Find(seen, pattern)) {
        return Start{framing, std::vector<uint8_t>(seen.begin() + static_cast<std::ptrdiff_t>(*at), seen.end())};
      }
    }
    if (seen.size() > kLookBack) seen.erase(seen.begin(), seen.end() - sizeof kNetSyncStart);
  }
}

class SerialListener {
 public:
  SerialListener(const ListenOptions& options, ConduitLibrary& conduit)
      : options_(options), conduit_(conduit), hotsync_{options.user, options.newUser, options.force, {}} {}

  // One HotSync from its first bytes on: the exit status `sync` would give.
  // `line` carries rates when it is a port.
  int Serve(stream::ByteStream& stream, Start start, stream::SerialLine* line) {
    const std::chrono::seconds timeout(options_.timeoutSeconds);
    auto prefixed = std::make_unique<stream::PrefixedStream>(std::move(start.bytes), stream);
    hotsync_.peer = stream.PeerName();
    hotsync_.wire = start.framing == Framing::kSerial ? "serial" : line ? "USB" : "network";
    std::unique_ptr<dlp::Transport> transport;
    LinkError opened = LinkError::kNone;
    if (start.framing == Framing::kNetSync) {
      auto netsync = std::make_unique<netsync::Transport>(std::move(prefixed), timeout, Stopped);
      netsync->SetDeadline(netsync::Transport::Clock::now() + kSessionLimit);
      opened = netsync->Handshake();
      transport = std::move(netsync);
    } else {
      std::function<bool(uint32_t)> setRate;
      std::vector<uint32_t> rates;
      if (line) {
        setRate = [line](uint32_t rate) { return line->SetRate(rate); };
        const uint32_t top = options_.baud.value_or(kDefaultTopRate);
        for (const uint32_t rate : line->supportedRates()) {
          if (rate <= top) rates.push_back(rate);
        }
      }
      auto serial = std::make_unique<serial::Transport>(std::move(prefixed), serial::LinkTiming{.answer = timeout},
                                                        setRate, Stopped);
      serial->SetDeadline(serial::Transport::Clock::now() + kSessionLimit);
      opened = serial->Connect(rates, options_.baud == serial::kStartingRate);
      if (opened == LinkError::kNone && line) {
        std::cerr << "oq-hotsync: a handheld woke up on " << stream.PeerName() << "; the HotSync goes at "
                  << serial->rate() << " bits per second" << std::endl;
      }
      transport = std::move(serial);
    }
    if (opened != LinkError::kNone) {
      if (opened == LinkError::kInterrupted) return kExitConduitFailed;
      std::cerr << "oq-hotsync: a handheld began a HotSync, but it did not start: " << transport->Failure() << "\n";
      return kExitConduitFailed;
    }
    dlp::Client client(*transport);
    const int served = RunLiveHotSync(client, conduit_, hotsync_, stopRequested);
    hotsync_.force = false;  // --force is for the next HotSync only
    return served;
  }

 private:
  const ListenOptions& options_;
  ConduitLibrary& conduit_;
  LiveHotSyncOptions hotsync_;
};

// --once ends with its HotSync's status; a listener ends well when stopped
// between HotSyncs, and with 1 when a stop cut one short.
struct Outcome {
  int status = kExitOk;
  bool done = false;
};
void Record(const ListenOptions& options, bool stoppedBefore, int served, Outcome& outcome) {
  if (options.once) outcome.status = served;
  if (Stopped() && !stoppedBefore && served == kExitConduitFailed) outcome.status = kExitConduitFailed;
  outcome.done = options.once || Stopped();
}

// The port again once it is back: a USB cradle's port goes when its
// HotSync ends and comes with the next; an adapter may be plugged in again.
std::unique_ptr<stream::SerialLine> Reopen(const ListenOptions& options) {
  std::string error;
  while (!Stopped()) {
    if (auto line = stream::SerialLine::Open(*options.serial, options.hardwareFlowControl, error)) return line;
    std::this_thread::sleep_for(stream::kStopCheck);
  }
  return nullptr;
}

int ListenOnPort(const ListenOptions& options, SerialListener& listener) {
  std::string error;
  auto line = stream::SerialLine::Open(*options.serial, options.hardwareFlowControl, error);
  if (!line) {
    std::cerr << "oq-hotsync: " << error << "\n";
    return kExitUsage;
  }
  std::cerr << "oq-hotsync: waiting for HotSyncs on " << *options.serial << " (press the HotSync button on the cradle)"
            << std::endl;
  Outcome outcome;
  while (!outcome.done) {
    if (!line && !(line = Reopen(options))) break;
    LinkError failure = LinkError::kNone;
    auto start = AwaitStart(*line, stream::Clock::time_point::max(), failure);
    if (!start) {
      if (failure == LinkError::kInterrupted) break;
      if (failure == LinkError::kClosed) {
        std::cerr << "oq-hotsync: " << *options.serial
                  << " closed; waiting for it to come back (a USB cradle's port is there only while its HotSync runs)"
                  << std::endl;
        line.reset();
        continue;
      }
      std::cerr << "oq-hotsync: " << *options.serial
                << " failed while waiting for a handheld: " << dlp::DescribeFailure(failure, line->Detail()) << "\n";
      return kExitConduitFailed;
    }
    const bool stoppedBefore = Stopped();
    Record(options, stoppedBefore, listener.Serve(*line, std::move(*start), line.get()), outcome);
    // The next handheld wakes up at the starting rate, and what is left of
    // this one's bytes is no part of its HotSync.
    line->SetRate(serial::kStartingRate);
    line->Discard();
  }
  if (Stopped()) std::cerr << "oq-hotsync: stopped\n";
  return outcome.status;
}

int ListenOnSocket(const ListenOptions& options, SerialListener& listener) {
  std::string address = "127.0.0.1", port = *options.serialTcp;
  if (const auto colon = port.rfind(':'); colon != std::string::npos) {
    address = port.substr(0, colon);
    port = port.substr(colon + 1);
  }
  const bool number = !port.empty() && port.size() <= 5 && std::all_of(port.begin(), port.end(), ::isdigit);
  if (!number || std::stoul(port) > 65535) {
    std::cerr << "oq-hotsync: --serial-tcp takes [ADDRESS:]PORT, such as 127.0.0.1:6416, not \"" << *options.serialTcp
              << "\"\n";
    return kExitUsage;
  }
  std::string error;
  auto socketListener = netsync::Listener::Open(address, static_cast<uint16_t>(std::stoul(port)), error);
  if (!socketListener) {
    std::cerr << "oq-hotsync: " << error << "\n";
    return kExitUsage;
  }
  std::cerr << "oq-hotsync: waiting for an emulator's serial HotSyncs on " << address << ":" << socketListener->port()
            << std::endl;
  Outcome outcome;
  while (!outcome.done) {
    const int socket = socketListener->Accept(Stopped, error);
    if (socket < 0) {
      if (Stopped()) break;
      std::cerr << "oq-hotsync: " << error << "\n";
      return kExitConduitFailed;
    }
    stream::SocketStream connection(socket);
    // A peer that connects and says nothing holds the port no longer than
    // a handheld may take to answer.
    LinkError failure = LinkError::kNone;
    auto start = AwaitStart(connection, stream::Clock::now() + std::chrono::seconds(options.timeoutSeconds), failure);
    if (!start) {
      if (failure == LinkError::kInterrupted) break;
      std::cerr << "oq-hotsync: a peer connected, but began no HotSync: "
                << dlp::DescribeFailure(failure, connection.Detail()) << "\n";
      continue;
    }
    const bool stoppedBefore = Stopped();
    Record(options, stoppedBefore, listener.Serve(connection, std::move(*start), nullptr), outcome);
  }
  if (Stopped()) std::cerr << "oq-hotsync: stopped\n";
  return outcome.status;
}

}  // namespace

int RunSerialListen(const ListenOptions& options, ConduitLibrary& conduit) {
  if (options.baud) {
    const auto rates = stream::SerialLine::Rates();
    if (std::find(rates.begin(), rates.end(), *options.baud) == rates.end()) {
      std::cerr << "oq-hotsync: --baud must be one of";
      for (const uint32_t rate : rates) std::cerr << " " << rate;
      std::cerr << "\n";
      return kExitUsage;
    }
  }
  SerialListener listener(options, conduit);
  return options.serial ? ListenOnPort(options, listener) : ListenOnSocket(options, listener);
}

}  // namespace oq::hotsync

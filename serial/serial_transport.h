// DLP over the serial HotSync protocols, on any byte stream (a tty, an
// emulator's socket): each DLP packet is one PADP message in SLP packets,
// every fragment acknowledged, a fragment whose ack does not come sent
// again. The HotSync opens with CMP: the handheld's wake-up, the desktop's
// init, then both switch to the rate the init named.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "byte_stream.h"
#include "dlp_transport.h"
#include "padp_packet.h"
#include "slp_packet.h"
#include "stop_clock.h"

namespace oq::serial {

struct LinkTiming {
  std::chrono::milliseconds ack{2000};      // the wait for each fragment's ack
  int retries = 10;                         // sendings of a fragment before the link is given up
  std::chrono::milliseconds answer{30000};  // the wait for the handheld's next fragment
};

class Transport : public dlp::Transport {
 public:
  using Clock = stream::Clock;
  // `setRate` switches the line to a rate once the init went out; false
  // when the line cannot go at it. Empty for a link without rates (a socket).
  // Once `stopped` says yes (it is asked a few times a second), a wait for
  // the handheld ends: at once before the init, and after
  // stream::kStopGrace in a HotSync.
  Transport(std::unique_ptr<stream::ByteStream> stream, LinkTiming timing, std::function<bool(uint32_t)> setRate = {},
            std::function<bool()> stopped = {});

  // Waits for the wake-up and answers it: the fastest of `rates` that the
  // handheld offers too, or the starting rate when `stay` says so.
  dlp::LinkError Connect(std::span<const uint32_t> rates, bool stay);
  uint32_t rate() const { return rate_; }
  // The end of the whole HotSync: no wait goes past it.
  void SetDeadline(Clock::time_point deadline) { deadline_ = deadline; }

  dlp::LinkError Send(std::span<const uint8_t> packet) override;
  dlp::LinkError Receive(std::vector<uint8_t>& packet) override;
  std::string Failure() const override { return failure_; }

 private:
  // The next SLP packet for the desktop's socket, by `until`: kTimedOut
  // when none came by then, any other error ends the link.
  dlp::LinkError ReadPacket(SlpPacket& packet, Clock::time_point until);
  dlp::LinkError WritePacket(uint8_t transaction, const PadpPacket& padp);
  // An ack repeats the fragment's flags and size under its transaction id.
  bool IsRepeat(uint8_t transaction, const PadpPacket& fragment) const;
  dlp::LinkError Acknowledge(uint8_t transaction, const PadpPacket& fragment);
  dlp::LinkError Fail(dlp::LinkError error, const std::string& detail = {});

  std::unique_ptr<stream::ByteStream> stream_;
  LinkTiming timing_;
  std::function<bool(uint32_t)> setRate_;
  stream::StopClock stop_;
  bool connecting_ = false;
  Clock::time_point deadline_ = Clock::time_point::max();
  SlpReader reader_;
  uint8_t transaction_ = 0;
  // The handheld's last fragment, acknowledged again when it comes again:
  // the fragments of one message share a transaction id and differ in size.
  struct FragmentSeen {
    uint8_t transaction;
    uint8_t flags;
    uint16_t size;
  };
  std::optional<FragmentSeen> lastReceived_;
  std::optional<SlpPacket> early_;  // the answer's first fragment, come before the request's last ack
  uint32_t rate_ = 9600;
  dlp::LinkError failed_ = dlp::LinkError::kNone;
  std::string failure_;
};

}  // namespace oq::serial

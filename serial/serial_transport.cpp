#include "serial_transport.h"

#include <optional>

#include "cmp_packet.h"

namespace oq::serial {

using dlp::LinkError;

Transport::Transport(std::unique_ptr<stream::ByteStream> stream, LinkTiming timing,
                     std::function<bool(uint32_t)> setRate)
    : stream_(std::move(stream)), timing_(timing), setRate_(std::move(setRate)) {}

LinkError Transport::Fail(LinkError error, const std::string& detail) {
  failed_ = error;
  failure_ = dlp::DescribeFailure(error, detail);
  return error;
}

LinkError Transport::ReadPacket(SlpPacket& packet, Clock::time_point until) {
  for (;;) {
    if (auto next = reader_.Next()) {
      if (next->destination != kDlpSocket || next->type != kPadpType) continue;  // a loopback or debugger packet
      packet = std::move(*next);
      return LinkError::kNone;
    }
    uint8_t chunk[512];
    size_t got = 0;
    if (const auto error = stream_->Read(chunk, until, got); error != LinkError::kNone) return error;
    reader_.Feed(std::span(chunk, got));
  }
}

LinkError Transport::WritePacket(uint8_t transaction, const PadpPacket& padp) {
  SlpPacket packet;
  packet.transaction = transaction;
  packet.body = EncodePadp(padp);
  const auto error = stream_->Write(EncodeSlp(packet), Clock::now() + timing_.answer);
  if (error != LinkError::kNone) return Fail(error, stream_->Detail());
  return LinkError::kNone;
}

LinkError Transport::Acknowledge(uint8_t transaction, const PadpPacket& fragment) {
  return WritePacket(transaction, {kPadpAck, fragment.flags, fragment.size, {}});
}

LinkError Transport::SendMessage(std::span<const uint8_t> message) {
  if (failed_ != LinkError::kNone) return failed_;
  const auto fragments = Fragments(message);
  for (const auto& fragment : fragments) {
    const bool last = &fragment == &fragments.back();
    transaction_ = static_cast<uint8_t>(transaction_ + 1);
    if (transaction_ == 0 || transaction_ == 0xFF) transaction_ = 1;  // the values the handheld keeps for itself
    bool acknowledged = false;
    for (int sending = 0; !acknowledged && sending < timing_.retries; ++sending) {
      if (const auto error = WritePacket(transaction_, fragment); error != LinkError::kNone) return error;
      const auto until = Clock::now() + timing_.ack;
      while (!acknowledged) {
        SlpPacket packet;
        const auto error = ReadPacket(packet, until);
        if (error == LinkError::kTimedOut) break;  // sent again
        if (error != LinkError::kNone) return Fail(error, stream_->Detail());
        std::string problem;
        const auto padp = DecodePadp(packet.body, problem);
        if (!padp) continue;
        if (padp->type == kPadpAbort) return Fail(LinkError::kClosed, "it aborted the HotSync");
        if (padp->type == kPadpData && lastReceived_ == packet.transaction) {
          // Our ack of its last fragment was lost: it is sending that again.
          if (const auto error = Acknowledge(packet.transaction, *padp); error != LinkError::kNone) return error;
          continue;
        }
        if (padp->type == kPadpData && last) {
          // The answer under way says the request came whole, though its
          // ack was lost.
          early_ = std::move(packet);
          acknowledged = true;
          break;
        }
        acknowledged = padp->type == kPadpAck && packet.transaction == transaction_;
      }
    }
    if (!acknowledged) {
      return Fail(LinkError::kTimedOut, "no acknowledgement after " + std::to_string(timing_.retries) + " sendings");
    }
  }
  return LinkError::kNone;
}

LinkError Transport::ReceiveMessage(std::vector<uint8_t>& message) {
  if (failed_ != LinkError::kNone) return failed_;
  PadpAssembler assembler;
  for (;;) {
    SlpPacket packet;
    if (early_) {
      packet = std::move(*early_);
      early_.reset();
    } else if (const auto error = ReadPacket(packet, Clock::now() + timing_.answer); error != LinkError::kNone) {
      return Fail(error, error == LinkError::kTimedOut ? "" : stream_->Detail());
    }
    std::string problem;
    const auto padp = DecodePadp(packet.body, problem);
    if (!padp) return Fail(LinkError::kMalformed, problem);
    if (padp->type == kPadpAbort) return Fail(LinkError::kClosed, "it aborted the HotSync");
    if (padp->type != kPadpData) continue;  // a tickle, or a late ack
    if (const auto error = Acknowledge(packet.transaction, *padp); error != LinkError::kNone) return error;
    if (lastReceived_ == packet.transaction) continue;  // a fragment sent again: taken already
    lastReceived_ = packet.transaction;
    switch (assembler.Accept(*padp)) {
      case PadpAssembler::Result::kMore: continue;
      case PadpAssembler::Result::kWhole: message = assembler.Take(); return LinkError::kNone;
      case PadpAssembler::Result::kMalformed: return Fail(LinkError::kMalformed, "a PADP fragment out of place");
    }
  }
}

LinkError Transport::Connect(std::span<const uint32_t> rates, bool stay) {
  std::vector<uint8_t> message;
  if (const auto error = ReceiveMessage(message); error != LinkError::kNone) return error;
  std::string problem;
  const auto wakeUp = DecodeCmp(message, problem);
  if (!wakeUp || wakeUp->type != kCmpWakeUp) {
    return Fail(LinkError::kMalformed, wakeUp ? "a CMP packet where the wake-up was due" : problem);
  }
  const CmpPacket init = InitFor(*wakeUp, setRate_ ? rates : std::span<const uint32_t>{}, stay || !setRate_);
  if (const auto error = SendMessage(EncodeCmp(init)); error != LinkError::kNone) return error;
  if (init.flags & kCmpChangeRate) {
    if (!setRate_(init.rate)) return Fail(LinkError::kSystem, "the line cannot go at " + std::to_string(init.rate));
    rate_ = init.rate;
  }
  return LinkError::kNone;
}

LinkError Transport::Send(std::span<const uint8_t> packet) { return SendMessage(packet); }

LinkError Transport::Receive(std::vector<uint8_t>& packet) { return ReceiveMessage(packet); }

}  // namespace oq::serial
